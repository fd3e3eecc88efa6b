#include "blockbuilder.h"
#include "loggeddownload.h"
#include "pdfexport.h"
#include "testsupport.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

// The PDF report read back with poppler's tools: where its pages break, what text they hold
// and in which face.
class TestPdfExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesOf55Lines_data();
    void pagesOf55Lines();
    void failures();

private:
    void download(int count, bool celsius);

    QScopedPointer<QTemporaryDir> dir;
    QString startFolder = QDir::currentPath();
};

namespace {

struct Word {
    QString text;
    double top;
    double height;
};

QByteArray contentOf(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished() || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

// The words of each page, as pdftotext finds them, with their boxes.
QVector<QVector<Word>> pageWords(const QString& pdf)
{
    QVector<QVector<Word>> pages;
    QXmlStreamReader reader(run("pdftotext", {"-bbox", pdf, "-"}));
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("page")) {
            pages.append(QVector<Word>());
        } else if (reader.name() == QLatin1String("word")) {
            const double top = reader.attributes().value("yMin").toDouble();
            const double height = reader.attributes().value("yMax").toDouble() - top;
            pages.last().append({reader.readElementText(), top, height});
        }
    }
    return pages;
}

} // namespace

void TestPdfExport::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestPdfExport::cleanup()
{
    QDir::setCurrent(startFolder);
}

void TestPdfExport::download(int count, bool celsius)
{
    LoggedDownload last;
    QVERIFY(last.start(celsius, {60, -20, 80, 20}));
    QVector<wire::block::RecordCodes> records(count, {600, 450});
    QByteArray block = buildBlock(records);
    last.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    QCOMPARE(last.recordsReceived(), count);
}

void TestPdfExport::pagesOf55Lines_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("firstOnPage2");
    // 13 head lines and the records; the page break after line 55 always comes.
    QTest::newRow("54 lines") << 41 << true << 1 << "";
    QTest::newRow("55 lines") << 42 << false << 2 << "";
    QTest::newRow("56 lines") << 43 << true << 2 << "0043";
}

void TestPdfExport::pagesOf55Lines()
{
    QFETCH(int, records);
    QFETCH(bool, celsius);
    QFETCH(int, pages);
    QFETCH(QString, firstOnPage2);
    download(records, celsius);
    const exports::Outcome outcome = exports::savePdf("./data.txt", "report.pdf");
    QVERIFY2(outcome.saved, qPrintable(outcome.reason));
    QVERIFY(run("pdfinfo", {"report.pdf"}).contains("595 x 842 pts (A4)"));

    const QVector<QVector<Word>> words = pageWords("report.pdf");
    QCOMPARE(words.size(), pages);
    QCOMPARE(words.first().first().text, QStringLiteral("Record"));
    QString page1;
    for (const Word& word : words.first()) {
        page1 += word.text;
        // An 8-point face, not the application's default.
        QVERIFY2(word.height > 8 && word.height < 10, qPrintable(word.text));
    }
    QVERIFY(page1.contains(celsius ? "60.0℃" : "140.0℉"));
    if (pages > 1) {
        const Word first = words.at(1).value(0, {"", 0, 0});
        QCOMPARE(first.text, firstOnPage2);
        if (!first.text.isEmpty())
            QCOMPARE(first.top, words.first().first().top);
    }
    // The face asked for, or the one the system puts in its place.
    const QString face = QFontInfo(QFont("Arial Black")).family().remove(' ');
    const QByteArray fonts = run("pdffonts", {"report.pdf"});
    QVERIFY2(fonts.contains(face.toLatin1()), fonts.constData());
}

void TestPdfExport::failures()
{
    download(3, true);
    const QByteArray data = contentOf("data.txt");
    exports::Outcome outcome = exports::savePdf("./data.txt", "missing/report.pdf");
    QVERIFY(!outcome.saved && outcome.reason.startsWith("missing/report.pdf"));
    outcome = exports::savePdf("./data.txt", "data.txt");
    QVERIFY(!outcome.saved && outcome.reason.contains("own data file"));
    QCOMPARE(contentOf("data.txt"), data);
    outcome = exports::savePdf("./gone.txt", "report.pdf");
    QVERIFY(!outcome.saved && outcome.reason.contains("./gone.txt"));
    QVERIFY(!QFile::exists("report.pdf"));
}

HYGROLUX_TEST_MAIN_IMPL(QGuiApplication, TestPdfExport)
#include "tst_pdfexport.moc"
