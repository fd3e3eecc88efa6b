#include "blockbuilder.h"
#include "coldstore.h"
#include "records/loggeddownload.h"
#include "reports/auditreport.h"
#include "testfiles.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>

using wire::block::RecordCodes;

// The report with charts, read back as its reader sees it: poppler's pdftotext and pdffonts.
class TestAuditReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir.path())); }
    void cleanupTestCase() { QDir::setCurrent(startFolder); }

    void readsBack_data();
    void readsBack();
    void refusals_data();
    void refusals();

private:
    // ./data.txt of a download of `codes`, one a minute from 2024-03-09 22:31:00, with the
    // limits 8 / 2 degC and 80 / 20 %RH; read back as the window reads it. With more records
    // `announced`, the link drops after the last of `codes`.
    SavedData download(const QVector<RecordCodes>& codes, int announced = -1);

    QTemporaryDir dir;
    QString startFolder = QDir::currentPath();
};

using namespace hygrolux::test;

SavedData TestAuditReport::download(const QVector<RecordCodes>& codes, int announced)
{
    LoggedDownload logged;
    if (!logged.start(true, {8, 2, 80, 20}))
        return {};
    QByteArray block =
        buildBlock(codes, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, announced);
    if (announced > codes.size())
        block.truncate(wire::block::HeaderSize + wire::block::RecordSize * codes.size());
    logged.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    if (logged.isRunning())
        logged.linkDropped();
    return savedfile::load("data.txt", savedfile::Kind::Text).data;
}

void TestAuditReport::readsBack_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("announced");
    QTest::addColumn<QStringList>("texts"); // on the first page, blanks made single
    QTest::newRow("English")
        << false << 500 << -1
        << QStringList{"Temperature and humidity record",
                       "Start 2024-03-09 22:31:00",
                       "End 2024-03-10 06:50:00",
                       "Interval 1 min",
                       "Records 500",
                       "Temperature limits high 8.0 ℃, low 2.0 ℃",
                       "Humidity limits high 80 %RH, low 20 %RH",
                       "3 excursions: 3 min above 8.0 ℃, 1 min below 2.0 ℃, 1 min above 80 %RH",
                       "above 8.0 ℃ 2024-03-09 22:34:00 3 min 9.5 ℃ ▲",
                       "Checked by Date Signature"};
    QTest::newRow("Chinese") << true << 500 << -1
                             << QStringList{"温湿度记录报告", "开始时间 2024-03-09 22:31:00",
                                            "3 次超限：3 分钟 高于 8.0 ℃", "审核人 日期 签名"};
    QTest::newRow("stopped early: over the records that arrived")
        << false << 30 << 50
        << QStringList{"Records 30 of 50 announced",
                       "Figures over the 30 records that arrived of 50 announced"};
    QTest::newRow("stopped before the first record: no figures, one page")
        << false << 0 << 10
        << QStringList{"Records 0 of 10 announced",
                       "Result: No records Figures No records, so no figures. Checked by"};
}

// Every promise of the document, as a reader finds it in the PDF.
void TestAuditReport::readsBack()
{
    QFETCH(bool, chinese);
    QFETCH(int, records);
    QFETCH(int, announced);
    QFETCH(QStringList, texts);
    const QString pageOf = chinese ? "第 %1 页，共 %2 页" : "page %1 of %2";
    QTranslator catalogue;
    if (chinese) {
        QVERIFY(catalogue.load(":/language_Chinese.qm"));
        QCoreApplication::installTranslator(&catalogue);
    }
    const SavedData data = download(coldStore(records), announced);
    const exports::Outcome outcome =
        auditreport::save({&data, "data.txt", QDateTime(QDate(2024, 3, 11), QTime(9, 15))},
                          {"report.pdf", "./data.txt"});
    QCoreApplication::removeTranslator(&catalogue);
    QVERIFY2(outcome.saved, qPrintable(outcome.reason));

    const QString info = toolOutput("pdfinfo", {"report.pdf"});
    QVERIFY(info.contains("595 x 842 pts (A4)"));
    const int pages = QRegularExpression("Pages: +(\\d+)").match(info).captured(1).toInt();
    QCOMPARE(pages > 1, records > 0);
    const QString sha256 =
        QCryptographicHash::hash(contentOf("data.txt"), QCryptographicHash::Sha256).toHex();
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdfText("report.pdf", page).simplified();
        QVERIFY2(text.contains(pageOf.arg(page).arg(pages)) && text.contains(sha256),
                 qPrintable(text));
        if (page == 1)
            for (const QString& expected : texts)
                QVERIFY2(text.contains(expected), qPrintable(expected + "\nnot in: " + text));
        // The records, the cold one marked.
        if (page == 2)
            QVERIFY2(text.contains("10 2024-03-09 22:40:00 1.0 ▼ 50.0"), qPrintable(text));
    }
    // The Chinese face is in the document, not only named.
    const QString fonts = toolOutput("pdffonts", {"report.pdf"});
    if (chinese)
        QVERIFY2(QRegularExpression("(WenQuanYi|CJK|Han).* yes ").match(fonts).hasMatch(),
                 qPrintable(fonts));
}

void TestAuditReport::refusals_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    const char* const rows[][4] = {
        {"the file it reports", "copy.txt", "copy.txt",
         "copy.txt is the file the report is made from"},
        {"the file it reports, through a link", "copy.txt", "link.pdf",
         "link.pdf is the file the report is made from"},
        {"the download's data file", "copy.txt", "./data.txt",
         "./data.txt is the download's own data file"},
        {"a file that is gone", "gone.txt", "report.pdf", "the data file gone.txt cannot be read"},
    };
    for (const auto& [row, source, target, reason] : rows)
        QTest::newRow(row) << QString(source) << QString(target) << QString(reason);
}

// Whatever it refuses, it says why and leaves every file as it was.
void TestAuditReport::refusals()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    const SavedData data = download(coldStore());
    QVERIFY(QFile::copy("data.txt", "copy.txt") && QFile::link("copy.txt", "link.pdf"));
    QVERIFY(writeFile("report.pdf", "an earlier report"));
    const QByteArray before = contentOf("data.txt");

    const exports::Outcome outcome =
        auditreport::save({&data, source, QDateTime::currentDateTime()}, {target, "./data.txt"});
    QDir::setCurrent(dir.path());
    QVERIFY2(!outcome.saved && outcome.reason.startsWith(reason), qPrintable(outcome.reason));
    QCOMPARE(contentOf(folder.filePath("data.txt")), before);
    QCOMPARE(contentOf(folder.filePath("copy.txt")), before);
    QCOMPARE(contentOf(folder.filePath("report.pdf")), QByteArray("an earlier report"));
}

HYGROLUX_TEST_MAIN_IMPL(QGuiApplication, TestAuditReport)
#include "tst_auditreport.moc"
