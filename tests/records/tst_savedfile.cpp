#include "blockbuilder.h"
#include "records/loggeddownload.h"
#include "records/savedfile.h"
#include "records/sheetlayout.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

using savedfile::Kind;
using savedfile::Status;
Q_DECLARE_METATYPE(savedfile::Kind)
Q_DECLARE_METATYPE(savedfile::Status)

// Saved data files and workbooks read back: files people already have, and files that
// claim more than they hold. Text and workbook alike are compared in the window's tests.
class TestSavedFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void kindByName_data();
    void kindByName();
    void textFiles_data();
    void textFiles();
    void workbookRowsStopAtTheFirstEmptyTime();

private:
    QTemporaryDir dir;
    QString path;
};

namespace {

const char* const Header = "Record data number:%1 : time:03-09-2024 22-30-00 : ht:40 : lt:-10 : "
                           "hh:80 : ht:20:inval:%2:isC:0\n";

QByteArray head(const QString& count, int interval, bool fragmentLine = false)
{
    QByteArray text = QString::fromLatin1(Header).arg(count).arg(interval).toUtf8();
    text += datafile::reportBanner().toUtf8() + '\n';
    for (const QString& line : summary::placeholderLines())
        text += line.toUtf8() + '\n';
    text += datafile::reportEndLine().toUtf8() + '\n';
    if (fragmentLine)
        text += "--------------------\n";
    text += datafile::paddingLine().toUtf8() + '\n';
    text += datafile::columnTitles(false).toUtf8() + '\n';
    return text;
}

QByteArray recordLines(int first, int count)
{
    QByteArray text;
    for (int number = first; number < first + count; ++number)
        text += datafile::recordNumberText(number).toUtf8() +
                "03-09-2024 22:31:00 :    77.0,           50.0,           77.0,             56.9\n";
    return text;
}

} // namespace

void TestSavedFile::init()
{
    path = dir.filePath("data.txt");
}

void TestSavedFile::kindByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Kind>("kind");
    QTest::newRow("data.txt") << "/home/a/data.txt" << Kind::Text;
    QTest::newRow("data.TXT") << "data.TXT" << Kind::Text;
    QTest::newRow("DATA.XLSX") << "DATA.XLSX" << Kind::Text;
    QTest::newRow("report.xlsx") << "report.xlsx" << Kind::Workbook;
    QTest::newRow("report.xls") << "report.xls" << Kind::Workbook;
    QTest::newRow("report.txt.xls") << "report.txt.xls" << Kind::Text;
    QTest::newRow("a workbook in a folder named .txt") << "logs.txt.d/data.xlsx" << Kind::Workbook;
    QTest::newRow("a text file in a folder named .xls") << "logs.xls/data" << Kind::Text;
    QTest::newRow("cancelled") << "" << Kind::Text;
}

void TestSavedFile::kindByName()
{
    QFETCH(QString, name);
    QFETCH(Kind, kind);
    QCOMPARE(savedfile::kindOf(name), kind);
}

void TestSavedFile::textFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("records");

    QTest::newRow("as written") << head("3", 60) + recordLines(1, 3) << Status::Loaded << 3;
    // A summary once rewritten in place shorter than the placeholders left a fragment.
    QTest::newRow("14-line head") << head("3", 60, true) + recordLines(1, 3) << Status::Loaded << 3;
    QTest::newRow("data missed ends the records")
        << head("5", 60) + recordLines(1, 2) + "data missed\n" + recordLines(3, 1) << Status::Loaded
        << 2;
    QTest::newRow("fewer lines than the count")
        << head("20000", 60) + recordLines(1, 4) << Status::Loaded << 4;
    QTest::newRow("count beyond any file")
        << head("4294967295", 60) + recordLines(1, 3) << Status::Loaded << 3;
    QTest::newRow("five-digit record numbers")
        << head("10001", 60) + recordLines(9999, 3) << Status::Loaded << 3;
    QTest::newRow("no interval") << head("3", 0) + recordLines(1, 3) << Status::NoInterval << 3;
    QTest::newRow("huge interval")
        << head("3", 2147483647) + recordLines(1, 3) << Status::Loaded << 3;
    QTest::newRow("no records") << head("0", 60) << Status::Unreadable << 0;
    QByteArray badStart = head("3", 60) + recordLines(1, 3);
    badStart.replace("03-09-2024 22-30-00", "13-45-2024 22-30-00");
    QTest::newRow("start time that does not read") << badStart << Status::Unreadable << 0;
    QByteArray clockLost = head("3", 60) + recordLines(1, 3);
    clockLost.replace("03-09-2024 22-30-00", "00-00-0000 00-00-00");
    QTest::newRow("logger's clock unknown") << clockLost << Status::Loaded << 3;
    QTest::newRow("empty") << QByteArray() << Status::Unreadable << 0;
    const QByteArray fifth = recordLines(5, 1);
    QTest::newRow("cut inside the last record")
        << head("5", 60) + recordLines(1, 4) + fifth.left(50) << Status::Loaded << 4;
    QTest::newRow("cut before the last line end")
        << head("5", 60) + recordLines(1, 4) + fifth.chopped(1) << Status::Loaded << 4;
    QTest::newRow("empty and unparseable lines between records")
        << head("9", 60) + recordLines(1, 2) + "\n  \n" + fifth.left(50) + "\n" +
               QByteArray(fifth).replace("77.0", "warm") + "not a record\n" + recordLines(3, 2)
        << Status::Loaded << 4;
    QTest::newRow("CR LF line ends")
        << QByteArray(head("3", 60) + recordLines(1, 3)).replace("\n", "\r\n") << Status::Loaded
        << 3;
    const QByteArray atTheCap = head("4294967295", 60) + recordLines(1, savedfile::MaxRecords);
    QTest::newRow("as many records as a file may bring")
        << atTheCap << Status::Loaded << savedfile::MaxRecords;
    QTest::newRow("more records than a file may bring: none")
        << atTheCap + recordLines(savedfile::MaxRecords + 1, 1) << Status::TooManyRecords << 0;
}

void TestSavedFile::textFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(Status, status);
    QFETCH(int, records);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file);
    out.close();

    QElapsedTimer clock;
    clock.start();
    const savedfile::Result result = savedfile::load(path, Kind::Text);
    // Bounded by what the file holds, not by what its header claims; how fast, ./benchmark says.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString("%1 ms").arg(clock.elapsed())));
    QCOMPARE(result.status, status);
    QCOMPARE(result.data.records.size(), records);
    if (records == 0)
        return;
    QCOMPARE(result.data.reportLines.size(), 8);
    QCOMPARE(result.data.reportLines.first().trimmed(), summary::placeholderLines().first());
    for (const SavedRecord& record : result.data.records) {
        QCOMPARE(record.time, QStringLiteral("03-09-2024 22:31:00"));
        QCOMPARE(record.temperature, 77.0f);
        QCOMPARE(record.humidity, 50.0f);
        QCOMPARE(record.dewTemperature, 56.9f);
    }
    QCOMPARE(result.data.header.celsius, false);
}

void TestSavedFile::workbookRowsStopAtTheFirstEmptyTime()
{
    LoggedDownload download(path);
    QVERIFY(download.start(true, {40, -10, 80, 20}));
    const QByteArray block = buildBlock(QVector<wire::block::RecordCodes>(6, {650, 500}));
    download.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    Sheet sheet = download.sheet();
    sheet.write(sheetlayout::recordRow(4), 2, QString()); // row of record 4 lost its time
    const savedfile::Result result = savedfile::readSheet(sheet);
    QCOMPARE(result.status, Status::Loaded);
    QCOMPARE(result.data.records.size(), 3);

    Sheet claimsMore = download.sheet();
    claimsMore.write(1, 1, claimsMore.read(1, 1).replace("number:6 ", "number:4294967295 "));
    QCOMPARE(savedfile::readSheet(claimsMore).data.records.size(), 6);
}

HYGROLUX_TEST_MAIN_CORE(TestSavedFile)
#include "tst_savedfile.moc"
