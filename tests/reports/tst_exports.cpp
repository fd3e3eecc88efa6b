#include "blockbuilder.h"
#include "exports.h"
#include "loggeddownload.h"
#include "sheet.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using exports::Form;
Q_DECLARE_METATYPE(exports::Form)

// The report forms a download is saved in, read back with the sheet class, with python's
// zipfile and as plain bytes. The window's choice among them is tested with the window.
class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formByName_data();
    void formByName();
    void textIsACopyThatNeverReplacesTheDataFile();
    void workbookHoldsTheReportSheet();
    void csvRows_data();
    void csvRows();
    void targetInAFolderWithoutWriteRightsStaysAsItWas();

private:
    void download(bool celsius);
    QByteArray bytes(const QString& name) const;

    QScopedPointer<QTemporaryDir> dir;
    QString startFolder = QDir::currentPath();
    std::unique_ptr<LoggedDownload> last;
};

void TestExports::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(QDir::setCurrent(dir->path()));
    download(true);
}

void TestExports::cleanup()
{
    last.reset();
    QDir::setCurrent(startFolder);
}

// Three records into ./data.txt, the second at 0 %RH, which has no dew temperature.
void TestExports::download(bool celsius)
{
    last = std::make_unique<LoggedDownload>();
    QVERIFY(last->start(celsius, {60, -20, 80, 20}));
    QByteArray block = buildBlock({{600, 450}, {601, 0}, {602, 452}});
    last->feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    QCOMPARE(last->recordsReceived(), 3);
}

QByteArray TestExports::bytes(const QString& name) const
{
    QFile file(dir->filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestExports::formByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Form>("form");
    QTest::newRow("report.txt") << "/home/a/report.txt" << Form::Text;
    QTest::newRow("report.TXT") << "report.TXT" << Form::None;
    QTest::newRow("report.txt.pdf") << "report.txt.pdf" << Form::Text;
    QTest::newRow("result.xls") << "result.xls" << Form::Workbook;
    QTest::newRow("result.xlsx.pdf") << "result.xlsx.pdf" << Form::Workbook;
    QTest::newRow("report.pdf.csv") << "report.pdf.csv" << Form::Pdf;
    QTest::newRow("rows.csv.png") << "rows.csv.png" << Form::Csv;
    QTest::newRow("charts.png") << "charts.png" << Form::Picture;
    QTest::newRow("charts.PNG") << "charts.PNG" << Form::None;
    QTest::newRow("cancelled") << "" << Form::None;
}

void TestExports::formByName()
{
    QFETCH(QString, name);
    QFETCH(Form, form);
    QCOMPARE(exports::formOf(name), form);
}

void TestExports::textIsACopyThatNeverReplacesTheDataFile()
{
    const QByteArray data = bytes("data.txt");
    QFile earlier(dir->filePath("report.txt"));
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier export") > 0);
    earlier.close();
    QVERIFY(exports::saveText("./data.txt", "report.txt").saved);
    QCOMPARE(bytes("report.txt"), data);

    QVERIFY(QFile::link(dir->filePath("data.txt"), dir->filePath("link.txt")));
    QVERIFY(QDir().mkdir("sub"));
    for (const QString& name : {dir->filePath("data.txt"), QStringLiteral("sub/../data.txt"),
                                QStringLiteral("link.txt")}) {
        const exports::Outcome outcome = exports::saveText("./data.txt", name);
        QVERIFY2(!outcome.saved && outcome.reason.contains("own data file"), qPrintable(name));
        QCOMPARE(bytes("data.txt"), data);
    }
}

void TestExports::workbookHoldsTheReportSheet()
{
    download(false);
    QVERIFY(exports::saveWorkbook(last->sheet(), last->summaryLines(), "result.xls").saved);
    QVERIFY(bytes("result.xls").startsWith("PK\x03\x04"));
    const Sheet sheet = Sheet::load("result.xls");
    QCOMPARE(sheet.read(6, 1), QStringLiteral(">>Temp Alarm HI: 140.0℉   Temp Alarm Low: -4.0℉"));
    QCOMPARE(sheet.read(11, 1), last->summaryLines().last());
    QCOMPARE(sheet.read(16, 6), QStringLiteral("46.3"));

    // Read as any other program reads it: the cells holding text, and the merges.
    QProcess python;
    python.start("python3", {"-c",
                             "import re, sys, zipfile\n"
                             "xml = zipfile.ZipFile(sys.argv[1]).read("
                             "'xl/worksheets/sheet1.xml').decode()\n"
                             "print(*re.findall(r'<c r=\"(\\w+)\"[^>]* t=\"s\"', xml))\n"
                             "print(*re.findall(r'<mergeCell ref=\"([\\w:]+)\"', xml))\n",
                             "result.xls"});
    QVERIFY(python.waitForFinished() && python.exitCode() == 0);
    QStringList texts{"A1", "A2"};
    for (int row = 4; row <= 12; ++row)
        texts << QString("A%1").arg(row);
    for (int row = 13; row <= 16; ++row)
        for (const char column : QByteArray("ABCDEF"))
            texts << QString("%1%2").arg(column).arg(row);
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).split('\n'),
             (QStringList{texts.join(' '),
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
    download(celsius);
    // Numbers for other programs keep their point whatever the machine's language.
    const QLocale machine;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const savedfile::Result loaded = savedfile::load("data.txt", savedfile::Kind::Text);
    const exports::Outcome outcome = exports::saveCsv(loaded.data, "rows.csv");
    QLocale::setDefault(machine);
    QVERIFY(outcome.saved);
    QCOMPARE(QString::fromUtf8(bytes("rows.csv")).split("\r\n"), rows);
}

void TestExports::targetInAFolderWithoutWriteRightsStaysAsItWas()
{
    QVERIFY(QDir().mkdir("locked"));
    QFile earlier(dir->filePath("locked/report"));
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier export") > 0);
    earlier.close();
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                        QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup;
    QVERIFY(QFile::setPermissions(dir->filePath("locked"), readOnly));
    QVERIFY(QFile::setPermissions(dir->path(), readOnly | QFile::WriteOwner));
    const SavedData loaded = savedfile::load("data.txt", savedfile::Kind::Text).data;
    const bool allFailed = hygrolux::test::asOrdinaryUser([&] {
        const exports::Outcome outcomes[] = {
            exports::saveText("data.txt", "locked/report"),
            exports::saveWorkbook(last->sheet(), last->summaryLines(), "locked/report"),
            exports::saveCsv(loaded, "locked/report"),
        };
        for (const exports::Outcome& outcome : outcomes) {
            if (outcome.saved || !outcome.reason.startsWith(QLatin1String("locked/report")))
                return false;
        }
        return true;
    });
    QVERIFY(QFile::setPermissions(dir->filePath("locked"), readOnly | QFile::WriteOwner));
    QVERIFY(allFailed);
    QCOMPARE(bytes("locked/report"), QByteArray("an earlier export"));
    QCOMPARE(QDir(dir->filePath("locked")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

HYGROLUX_TEST_MAIN_CORE(TestExports)
#include "tst_exports.moc"
