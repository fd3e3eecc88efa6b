#include "blockbuilder.h"
#include "hostiletargets.h"
#include "records/loggeddownload.h"
#include "records/timetexts.h"
#include "reports/pdfexport.h"
#include "reports/report.h"
#include "testfiles.h"
#include "testsupport.h"
#include "workbook/sheet.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <memory>

// The report forms of a download, read back as bytes, with the sheet class, python's zipfile
// and poppler's tools. The window's choice among them is tested with the window.
class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void formByName();
    void textIsACopyThatNeverReplacesTheDataFile();
    void keptFilesAreNeverReplaced_data();
    void keptFilesAreNeverReplaced();
    void aLinkMadeWhileBuildingIsRefused();
    void workbookHoldsTheReportSheet();
    void csvRows_data();
    void csvRows();
    void csvTimesWithoutARealDateStayEmpty();
    void pdfPagesOf55Lines_data();
    void pdfPagesOf55Lines();
    void failuresLeaveTheTargetAsItWas();

private:
    void download(int count, bool celsius);

    QTemporaryDir dir;
    QString startFolder = QDir::currentPath();
    std::unique_ptr<LoggedDownload> last;
};

using namespace hygrolux::test;

namespace {

struct Word {
    QString text;
    double top;
    double height;
};

// The words of each page as pdftotext finds them, with their boxes.
QVector<QVector<Word>> pageWords(const QString& pdf)
{
    QVector<QVector<Word>> pages;
    QXmlStreamReader reader(toolOutput("pdftotext", {"-bbox", pdf, "-"}));
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("page"))
            pages.append(QVector<Word>());
        if (reader.name() != QLatin1String("word"))
            continue;
        const double top = reader.attributes().value("yMin").toDouble();
        const double bottom = reader.attributes().value("yMax").toDouble();
        pages.last().append({reader.readElementText(), top, bottom - top});
    }
    return pages;
}

} // namespace

void TestExports::initTestCase()
{
    QVERIFY(QDir::setCurrent(dir.path()));
}

void TestExports::cleanupTestCase()
{
    last.reset();
    QDir::setCurrent(startFolder);
}

// `count` records into ./data.txt; every third is at 0 %RH, which has no dew temperature.
void TestExports::download(int count, bool celsius)
{
    last = std::make_unique<LoggedDownload>();
    QVERIFY(last->start(celsius, {60, -20, 80, 20}));
    QVector<wire::block::RecordCodes> records;
    for (int i = 0; i < count; ++i)
        records.append({quint16(600 + i % 3), quint16(i % 3 == 1 ? 0 : 450 + i % 3)});
    const QByteArray block = buildBlock(records);
    last->feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    QCOMPARE(last->recordsReceived(), count);
}

void TestExports::formByName()
{
    using exports::Form;
    // By the file's own name, not its folder's.
    const std::pair<const char*, Form> names[] = {
        {"/home/a/report.txt", Form::Text},  {"report.TXT", Form::None},
        {"report.txt.pdf", Form::Text},      {"result.xls", Form::Workbook},
        {"result.xlsx.pdf", Form::Workbook}, {"report.pdf.csv", Form::Pdf},
        {"rows.csv.png", Form::Csv},         {"charts.png", Form::Picture},
        {"charts.PNG", Form::None},          {"", Form::None},
        {"logs.xlsx.d/a.pdf", Form::Pdf},    {"a.txt/report", Form::None},
    };
    for (const auto& [name, form] : names)
        QVERIFY2(exports::formOf(name) == form, name);
}

void TestExports::textIsACopyThatNeverReplacesTheDataFile()
{
    download(3, true);
    const QByteArray data = contentOf("data.txt");
    QVERIFY(writeFile("report.txt", "an earlier export"));
    QVERIFY(exports::saveText({"report.txt", "./data.txt"}).saved);
    QCOMPARE(contentOf("report.txt"), data);
    // With the permissions of any file the program makes, not those of a temporary file.
    QCOMPARE(QFileInfo("report.txt").permissions(), QFileInfo("data.txt").permissions());
    // A name that is a link has the end of its links written, also one yet to exist.
    QVERIFY(QFile::link("sub/copy.txt", "copy.txt") && QDir().mkpath("sub"));
    QVERIFY(exports::saveText({"copy.txt", "./data.txt"}).saved);
    QVERIFY(QFileInfo("copy.txt").isSymLink());
    QCOMPARE(contentOf("sub/copy.txt"), data);

    // The data file under other names, and every form that reads it.
    QVERIFY(QFile::link(dir.filePath("data.txt"), "link.txt"));
    for (const QString& name : {dir.filePath("data.txt"), QStringLiteral("sub/../data.txt"),
                                QStringLiteral("link.txt")}) {
        for (const exports::Outcome& outcome :
             {exports::saveText({name, "./data.txt"}), exports::savePdf({name, "./data.txt"})})
            QVERIFY2(!outcome.saved && outcome.reason.contains("own data file"), qPrintable(name));
    }
    QCOMPARE(contentOf("data.txt"), data);
}

void TestExports::keptFilesAreNeverReplaced_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("previousExists");
    const QVector<HostileTarget>& targets = hostileTargets();
    for (int i = 0; i < targets.size(); ++i) {
        QTest::addRow("%s, after one download", targets[i].row) << i << false;
        QTest::addRow("%s, after two", targets[i].row) << i << true;
    }
}

// Every form, as the window and the command line save it, refuses the files a download
// keeps, also when the previous one is yet to come.
void TestExports::keptFilesAreNeverReplaced()
{
    QFETCH(int, target);
    QFETCH(bool, previousExists);
    const HostileTarget& hostile = hostileTargets().at(target);
    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    download(3, true);
    if (previousExists)
        download(4, true);
    const QByteArray data = contentOf("data.txt");
    const QByteArray previous = contentOf("data.previous.txt");
    const QString name = prepareHostileTarget(hostile);

    const exports::ReportSources sources{"./data.txt", &last->sheet(), last->summaryLines(),
                                         nullptr, [] { return QByteArray("a picture"); }};
    const exports::Outcome outcome = exports::saveReport(sources, name);
    QDir::setCurrent(dir.path());
    const char* refusal = hostile.kept == "data.txt" ? " is the download's own data file"
                                                     : " is the data file kept from the download";
    QVERIFY2(!outcome.saved && outcome.reason.startsWith(name + refusal),
             qPrintable(outcome.reason));
    QCOMPARE(contentOf(folder.filePath("data.txt")), data);
    QCOMPARE(contentOf(folder.filePath("data.previous.txt")), previous);
}

// The report takes its place only if its name still reaches no kept file at that moment.
void TestExports::aLinkMadeWhileBuildingIsRefused()
{
    download(3, true);
    download(4, true);
    const QByteArray previous = contentOf("data.previous.txt");
    const exports::Outcome outcome = exports::saveBuiltFile(
        [](const QString& path) {
            return QFile::link("data.previous.txt", "late.pdf") && writeFile(path, "a report");
        },
        "not built", {"late.pdf", "./data.txt"});
    QVERIFY2(!outcome.saved && outcome.reason.contains("kept from the download before"),
             qPrintable(outcome.reason));
    QCOMPARE(contentOf("data.previous.txt"), previous);
}

void TestExports::workbookHoldsTheReportSheet()
{
    download(3, false);
    QVERIFY(exports::saveWorkbook(last->sheet(), last->summaryLines(), {"result.xls", "./data.txt"})
                .saved);
    QCOMPARE(Sheet::load("result.xls").read(6, 1),
             QStringLiteral(">>Temp Alarm HI: 140.0℉   Temp Alarm Low: -4.0℉"));

    // As any other program reads it: an .xlsx package whatever its name, its cells holding
    // text (shared or, as a sheet written row by row has them, inline), and its merges.
    const QByteArray found = toolOutput(
        "python3", {"-c",
                    "import re, sys, zipfile\n"
                    "xml = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml').decode()\n"
                    "print(*re.findall(r'<c r=\"(\\w+)\"[^>]* t=\"(?:s|inlineStr)\"', xml))\n"
                    "print(*re.findall(r'<mergeCell ref=\"([\\w:]+)\"', xml))\n",
                    "result.xls"});
    QCOMPARE(QString::fromUtf8(found).split('\n'),
             (QStringList{"A1 A2 A4 A5 A6 A7 A8 A9 A10 A11 A12 A13 B13 C13 D13 E13 F13 A14 B14 C14 "
                          "D14 E14 F14 A15 B15 C15 D15 E15 F15 A16 B16 C16 D16 E16 F16",
                          "A1:F1 A2:F2 A4:D4 A5:D5 A6:D6 A7:D7 A8:C8 A9:C9 A10:F10 A11:F11 A12:F12",
                          ""}));
}

void TestExports::csvRows_data()
{
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("Celsius") << true
                             << QStringList{"time,temperature (°C),humidity (%RH),heat index "
                                            "(°C),dew temperature (°C)",
                                            "2024-03-09 22:31:00,20.0,45.0,20.0,7.7",
                                            "2024-03-09 22:32:00,20.1,0.0,20.1,",
                                            "2024-03-09 22:33:00,20.2,45.2,20.2,7.9", ""};
    QTest::newRow("Fahrenheit") << false
                                << QStringList{"time,temperature (°F),humidity (%RH),heat index "
                                               "(°F),dew temperature (°F)",
                                               "2024-03-09 22:31:00,68.0,45.0,68.0,45.9",
                                               "2024-03-09 22:32:00,68.2,0.0,68.2,",
                                               "2024-03-09 22:33:00,68.4,45.2,68.4,46.3", ""};
}

void TestExports::csvRows()
{
    QFETCH(bool, celsius);
    QFETCH(QStringList, rows);
    download(3, celsius);
    // Numbers for other programs keep their point whatever the machine's language.
    const QLocale machine;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const SavedData loaded = savedfile::load("data.txt", savedfile::Kind::Text).data;
    const bool saved = exports::saveCsv(loaded, {"rows.csv", "./data.txt"}).saved;
    QLocale::setDefault(machine);
    QVERIFY(saved);
    QCOMPARE(QString::fromUtf8(contentOf("rows.csv")).split("\r\n"), rows);
}

void TestExports::csvTimesWithoutARealDateStayEmpty()
{
    const std::pair<const char*, const char*> stamps[] = {
        {"12-31-2024 23:59:59", "2024-12-31 23:59:59"},
        {"00-00-0000 00:00:00", ""}, // a logger that lost its clock
        {"02-30-2024 10:00:00", ""},
        {"12-31-2024 24:00:00", ""},
        {"12-31-2024 23:59", ""},
    };
    for (const auto& [stamp, iso] : stamps)
        QCOMPARE(logged::isoTimeText(stamp), QString(iso));
}

void TestExports::pdfPagesOf55Lines_data()
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

void TestExports::pdfPagesOf55Lines()
{
    QFETCH(int, records);
    QFETCH(bool, celsius);
    QFETCH(int, pages);
    QFETCH(QString, firstOnPage2);
    download(records, celsius);
    const exports::Outcome outcome = exports::savePdf({"report.pdf", "./data.txt"});
    QVERIFY2(outcome.saved, qPrintable(outcome.reason));
    QVERIFY(toolOutput("pdfinfo", {"report.pdf"}).contains("595 x 842 pts (A4)"));

    const QVector<QVector<Word>> words = pageWords("report.pdf");
    QCOMPARE(words.size(), pages);
    QString page1;
    for (const Word& word : words.first()) {
        page1 += word.text;
        // An 8-point face, not the application's default.
        QVERIFY2(word.height > 8 && word.height < 10, qPrintable(word.text));
    }
    QVERIFY(page1.startsWith("Record") && page1.contains(celsius ? "60.0℃" : "140.0℉"));
    if (pages > 1) {
        const Word first = words.at(1).value(0, {"", 0, 0});
        QCOMPARE(first.text, firstOnPage2);
        if (!first.text.isEmpty())
            QCOMPARE(first.top, words.first().first().top);
    }
    // The face asked for, or the one the system puts in its place.
    const QString face = QFontInfo(QFont("Arial Black")).family().remove(' ');
    QVERIFY(toolOutput("pdffonts", {"report.pdf"}).contains(face.toLatin1()));
}

void TestExports::failuresLeaveTheTargetAsItWas()
{
    download(3, true);
    QVERIFY(QDir().mkpath("locked"));
    QVERIFY(writeFile("locked/report", "an earlier export"));
    // The ordinary user may write the file, but not the folder that a new file goes to.
    giveToOrdinaryUser("locked/report");
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions("locked", readOnly));
    QVERIFY(QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner));
    const SavedData loaded = savedfile::load("data.txt", savedfile::Kind::Text).data;
    const bool allFailed = asOrdinaryUser([&] {
        for (const exports::Outcome& outcome :
             {exports::saveText({"locked/report", "data.txt"}),
              exports::saveWorkbook(last->sheet(), last->summaryLines(),
                                    {"locked/report", "data.txt"}),
              exports::saveCsv(loaded, {"locked/report", "data.txt"})}) {
            if (outcome.saved || !outcome.reason.startsWith(QLatin1String("locked/report")))
                return false;
        }
        return true;
    });
    QVERIFY(QFile::setPermissions("locked", readOnly | QFile::WriteOwner));
    QVERIFY(allFailed);
    QCOMPARE(contentOf("locked/report"), QByteArray("an earlier export"));
    QCOMPARE(QDir("locked").entryList(QDir::Files | QDir::Hidden).size(), 1);

    const exports::Outcome outcome = exports::savePdf({"report.pdf", "./gone.txt"});
    QVERIFY(!outcome.saved && outcome.reason.startsWith("the data file ./gone.txt"));
}

HYGROLUX_TEST_MAIN_IMPL(QGuiApplication, TestExports)
#include "tst_exports.moc"
