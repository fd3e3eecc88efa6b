#include "analysis/qrealtimedata.h"
#include "analysis/thermo.h"
#include "blockbuilder.h"
#include "records/figures.h"
#include "records/sheetlayout.h"
#include "testfiles.h"
#include "testsupport.h"
#include "ui/language.h"
#include "windowsupport.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>

using hygrolux::test::writeFile;
using wire::block::RecordCodes;

// The analysis window: a download fed to receive_data as the link hands it on, the Open
// button with the file dialog replaced, and leaving with Back. It works in ./, so every
// test runs in a folder of its own.
class TestAnalysisWindow : public QObject
{
    Q_OBJECT

private slots:
    // The program's own font, which decides what fits where.
    void initTestCase() { QApplication::setFont(language::interfaceFont(false)); }
    void init();
    void cleanup();

    void formNamesItsPartsForAssistiveTools();
    void downloadOutcomes_data();
    void downloadOutcomes();
    void titlesAndSummaryShowWholeOnASmallScreen();
    void droppedLinkEndsTheDownloadAndFreesTheMainWindow();
    void unwritableFolderIsReportedAndNothingIsAsked();
    void textFileAndWorkbookShowTheSameWithPointsAtTheirTimeStamps();
    void downloadIsArchivedAndOpensFromTheDialog();
    void fahrenheitFileSwitchesTheUnit();
    void opensThatFail_data();
    void opensThatFail();
    void backEmptiesRecordsAndChartsButKeepsTheReport();
    void figureRowsFollowTheFileOnShowAndTheLanguage();
    void valuesBeyondALimitAreMarked();
    void exportByName_data();
    void exportByName();
    void exportsShowWhatTheDownloadShowed();

private:
    void download(const QByteArray& block, bool celsius = true);
    void open(const QString& name);
    void exportAs(const QString& name, const QString& chosenFilter = QString());
    QString shownMessage() const { return hygrolux::test::shownMessages().value(0); }
    QStringList tableTexts(const char* name) const;
    // The summary table's rows below the eight report lines.
    QStringList figureRows() const { return tableTexts("tableWidget_2").mid(8); }
    QStringList figuresOfTheFileShown() const
    {
        return figures::lines(figures::of(window->loadedData()));
    }
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(name); }
    QTableWidget* table(const char* name) const { return window->findChild<QTableWidget*>(name); }
    static QVector<RecordCodes> records(int count);

    QScopedPointer<QTemporaryDir> dir;
    QString startFolder = QDir::currentPath();
    QByteArray homeFolder = qgetenv("HOME");
    QRealTimeData* window = nullptr;
    QSignalSpy* startRequests = nullptr;
    QSignalSpy* timerWork = nullptr;
};

void TestAnalysisWindow::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(QDir::setCurrent(dir->path()));
    window = new QRealTimeData;
    window->setAlarmLimits({40, -10, 80, 20});
    startRequests = new QSignalSpy(window, &QRealTimeData::gStartDownload);
    timerWork = new QSignalSpy(window, &QRealTimeData::gTimerWork);
}

void TestAnalysisWindow::cleanup()
{
    delete startRequests;
    delete timerWork;
    delete window;
    QDir::setCurrent(startFolder);
    qunsetenv("HYGROLUX_ARCHIVE");
    qputenv("HOME", homeFolder);
}

QVector<RecordCodes> TestAnalysisWindow::records(int count)
{
    QVector<RecordCodes> codes;
    for (int i = 0; i < count; ++i)
        codes << RecordCodes{quint16(600 + i % 200), quint16(450 + i % 300)};
    return codes;
}

void TestAnalysisWindow::download(const QByteArray& block, bool celsius)
{
    window->showWindow(true, celsius);
    QByteArray bytes = block;
    window->receive_data(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
}

void TestAnalysisWindow::open(const QString& name)
{
    window->setFileChooser(
        [name](QWidget*, const QString& caption, const QString&, const QString& filter) {
            // The dialog offers both kinds of file.
            return caption == QLatin1String("Save File") && filter.contains("*.xlsx") ? name
                                                                                      : QString();
        });
    QTest::mouseClick(button("pushButtonOpen"), Qt::LeftButton);
}

void TestAnalysisWindow::exportAs(const QString& name, const QString& chosenFilter)
{
    hygrolux::test::dismissMessages();
    window->setSaveNameChooser([name, chosenFilter](QWidget*, const QString& caption,
                                                    const QString& start, const QString& filter,
                                                    QString* selected) {
        const bool asked = caption == "Save File" && start == QDir::home().filePath("report.txt") &&
                           filter == "File (*.txt);;Excel (*.xlsx *.xls);;PDF (*.pdf);;CSV "
                                     "(*.csv);;Picture (*.png);;Report with charts (*.pdf)";
        *selected = chosenFilter;
        return asked ? name : QString();
    });
    QTest::mouseClick(button("pushButtonDownload"), Qt::LeftButton);
}

QStringList TestAnalysisWindow::tableTexts(const char* name) const
{
    QStringList texts;
    QTableWidget* t = table(name);
    for (int row = 0; row < t->rowCount(); ++row)
        for (int column = 0; column < t->columnCount(); ++column)
            texts << (t->item(row, column) ? t->item(row, column)->text() : QString("<none>"));
    return texts;
}

void TestAnalysisWindow::formNamesItsPartsForAssistiveTools()
{
    QCOMPARE(window->accessibleName(), QStringLiteral("Analysis"));
    QCOMPARE(button("pushButtonBack")->accessibleName(), QStringLiteral("Back"));
    QCOMPARE(button("pushButtonMin")->accessibleName(), QStringLiteral("Minimize"));
    QCOMPARE(table("tableWidget_2")->accessibleName(), QStringLiteral("Report"));
    QCOMPARE(table("tableWidget")->accessibleName(), QStringLiteral("Records"));
    window->retranslate();
    QStringList headers;
    for (int c = 0; c < table("tableWidget")->columnCount(); ++c)
        headers << table("tableWidget")->horizontalHeaderItem(c)->text();
    QCOMPARE(headers,
             (QStringList{"Time", "Temperature", "Humidity", "Heat Index", "Dew Temperature"}));
    QCOMPARE(table("tableWidget_2")->horizontalHeaderItem(0)->text(), QStringLiteral("Report"));
    QCOMPARE(window->findChild<QProgressBar*>("progressBar")->value(), 0);

    window->showWindow(false, true);
    QVERIFY(button("pushButtonOpen")->isVisible());
    QVERIFY(!button("pushButtonDownload")->isVisible());
    QCOMPARE(startRequests->count(), 0);
}

void TestAnalysisWindow::downloadOutcomes_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("exportEnabled");

    QTest::newRow("success") << buildBlock(records(100)) << "Download Success!" << 100 << true;
    QByteArray corrupted = buildBlock(records(100));
    corrupted[20] = char(corrupted[20] + 1);
    QTest::newRow("checksum error")
        << corrupted << "Download Failed:[Checksum error]" << 0 << false;
    QByteArray allZero(wire::block::length(0), '\0');
    allZero[0] = char(0xAA);
    allZero[1] = 0x06;
    QTest::newRow("all-zero block") << allZero << "No data!" << 0 << false;
    // A logger that lost its battery sends month 0; its records still show.
    QByteArray clockLost = buildBlock(records(100));
    clockLost[5] = 0;
    const quint32 sum = wire::block::readChecksum(
        reinterpret_cast<const quint8*>(clockLost.constData()) + clockLost.size() - 3);
    wire::block::writeChecksum(reinterpret_cast<quint8*>(clockLost.data()) + clockLost.size() - 3,
                               sum - 3);
    QTest::newRow("logger's clock unknown") << clockLost << "Download Success!" << 100 << true;
    // A logger that holds no record sends a good block of none.
    const QString none = QStringLiteral("The logger holds no records.");
    QTest::newRow("no records") << buildBlock({}) << none << 0 << false;
    QTest::newRow("no records, no interval")
        << buildBlock({}, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 0) << none << 0 << false;
}

void TestAnalysisWindow::downloadOutcomes()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, message);
    QFETCH(int, rows);
    QFETCH(bool, exportEnabled);
    window->showWindow(true, true);
    QCOMPARE(startRequests->count(), 1);
    QVERIFY(!button("pushButtonBack")->isEnabled());
    QVERIFY(!button("pushButtonDownload")->isEnabled());
    QVERIFY(!button("pushButtonOpen")->isVisible());

    auto* progress = window->findChild<QProgressBar*>("progressBar");
    const int firstPiece = qMin(42, int(block.size()));
    window->receive_data(reinterpret_cast<unsigned char*>(block.data()), firstPiece);
    if (block.size() == 315)
        QTRY_COMPARE(progress->value(), 13);
    window->receive_data(reinterpret_cast<unsigned char*>(block.data()) + firstPiece,
                         block.size() - firstPiece);

    QCOMPARE(hygrolux::test::shownMessages(), QStringList{message});
    QVERIFY(button("pushButtonBack")->isEnabled());
    QCOMPARE(button("pushButtonDownload")->isEnabled(), exportEnabled);
    QCOMPARE(table("tableWidget")->rowCount(), rows);
    const bool success = message == "Download Success!" || message.contains("no records");
    QTRY_COMPARE(progress->value(), success ? 100 : 0);
    // Nothing measured is never shown as a measured extreme.
    QVERIFY(!tableTexts("tableWidget_2").join('|').contains("9999"));
    QCOMPARE(timerWork->count(), 0); // the main window resumes when the window is left
    if (rows == 0) {
        // Nothing of an earlier download stays on show.
        download(buildBlock(records(3)));
        window->showWindow(true, true);
        window->receive_data(reinterpret_cast<unsigned char*>(block.data()), block.size());
        QCOMPARE(table("tableWidget")->rowCount(), 0);
        QCOMPARE(window->humidityChart()->plot()->graphCount(), 0);
        window->retranslate(); // nor does a change of language bring it back
        QCOMPARE(table("tableWidget_2")->rowCount(), success ? 8 + 1 : 0);
        QCOMPARE(figureRows(), success ? QStringList{"No records, so no figures."} : QStringList());
        return;
    }
    QCOMPARE(tableTexts("tableWidget_2").mid(0, 8), window->lastDownload().summaryLines());
    QCOMPARE(figureRows(), figuresOfTheFileShown());
    QCOMPARE(window->temperatureChart()->plot()->graphCount(), 3);
    QCOMPARE(window->humidityChart()->plot()->graph(0)->dataCount(), rows);
    QCOMPARE(window->dataFileName(), QStringLiteral("./data.txt"));
}

// At 1024 x 768 the column titles once lost their ends ("ew Temperatu"), the last
// summary lines were out of view, and lines that came with the figures lost their ends.
void TestAnalysisWindow::titlesAndSummaryShowWholeOnASmallScreen()
{
    // Records on both sides of both limits: the longest lines of figures.
    window->setAlarmLimits({25, 22, 50, 47});
    download(buildBlock(records(100), QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 300));
    window->setWindowState(Qt::WindowNoState);
    window->resize(1024, 768);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->size(), QSize(1024, 768));

    // Each title against the room its section leaves for the label, in the header's font.
    QHeaderView* titles = table("tableWidget")->horizontalHeader();
    for (int column = 0; column < titles->count(); ++column) {
        QStyleOptionHeader section;
        section.initFrom(titles);
        section.rect = QRect(0, 0, titles->sectionSize(column), titles->height());
        section.section = column;
        section.text = titles->model()->headerData(column, Qt::Horizontal).toString();
        const QRect label =
            titles->style()->subElementRect(QStyle::SE_HeaderLabel, &section, titles);
        QVERIFY2(label.width() >= titles->fontMetrics().horizontalAdvance(section.text),
                 qPrintable(section.text));
    }
    // The height each line takes, wrapped at the column's width.
    QTableWidget* report = table("tableWidget_2");
    QStyleOptionViewItem option;
    option.initFrom(report->viewport());
    option.features = QStyleOptionViewItem::WrapText;
    for (int row = 0; row < report->rowCount(); ++row) {
        option.rect = QRect(0, 0, report->columnWidth(0), report->rowHeight(row));
        const QModelIndex line = report->model()->index(row, 0);
        QVERIFY2(report->rowHeight(row) >= report->itemDelegate()->sizeHint(option, line).height(),
                 qPrintable(line.data().toString()));
    }
    // And the whole report is in view at once; the figures below it may need scrolling.
    QVERIFY(report->rowCount() > 8);
    const int last = 8 - 1;
    QVERIFY(report->rowViewportPosition(last) + report->rowHeight(last) <=
            report->viewport()->height());
}

void TestAnalysisWindow::droppedLinkEndsTheDownloadAndFreesTheMainWindow()
{
    QByteArray block = buildBlock(records(50));
    window->showWindow(true, true);
    window->receive_data(reinterpret_cast<unsigned char*>(block.data()), 30);
    window->linkLost();
    QCOMPARE(shownMessage(), QStringLiteral("Download Failed:[data missed]"));
    QCOMPARE(timerWork->count(), 1);
    QCOMPARE(timerWork->first().first().toBool(), true);
    QVERIFY(button("pushButtonBack")->isEnabled());
    QTRY_COMPARE(window->findChild<QProgressBar*>("progressBar")->value(), 0);
}

void TestAnalysisWindow::unwritableFolderIsReportedAndNothingIsAsked()
{
    // The working folder vanished: ./data.txt cannot be created, whoever runs the test.
    QVERIFY(dir->remove());
    window->showWindow(true, true);
    QVERIFY2(shownMessage().contains("./data.txt"), qPrintable(shownMessage()));
    QCOMPARE(startRequests->count(), 0);
    QVERIFY(button("pushButtonBack")->isEnabled());
    QVERIFY(!button("pushButtonDownload")->isEnabled());
}

void TestAnalysisWindow::textFileAndWorkbookShowTheSameWithPointsAtTheirTimeStamps()
{
    download(buildBlock(records(30)));
    QCOMPARE(shownMessage(), QStringLiteral("Download Success!"));
    Sheet sheet = window->lastDownload().sheet();
    sheetlayout::writeSummary(sheet, window->lastDownload().summaryLines());
    QVERIFY(sheet.saveAs(dir->filePath("report.xlsx")));
    const QStringList downloaded = tableTexts("tableWidget");
    QCOMPARE(downloaded.mid(0, 5),
             (QStringList{"03-09-2024 22:31:00 ", "20.0 ℃", "45.0 %", "20.0 ℃", "7.7 ℃"}));
    QCOMPARE(table("tableWidget")->item(0, 3)->textAlignment(), int(Qt::AlignCenter));
    // The cells are made from the records, but an edit in the table holds like in any table.
    QTableWidgetItem* cell = table("tableWidget")->item(1, 2);
    cell->setText("edited");
    cell->setTextAlignment(Qt::AlignLeft);
    QCOMPARE(cell->text(), QStringLiteral("edited"));
    QCOMPARE(cell->textAlignment(), int(Qt::AlignLeft));
    cell->setText(downloaded.at(7));

    const QCPGraphData downloadedLast =
        *window->temperatureChart()->plot()->graph(0)->data()->at(29);
    // The first and the last record, at 22:31 and 23:00 of the logger's wall clock.
    const double first = QDateTime(QDate(2024, 3, 9), QTime(22, 31), Qt::UTC).toSecsSinceEpoch();
    const double last = first + 29 * 60;
    for (const QString& name : {QStringLiteral("data.txt"), QStringLiteral("report.xlsx")}) {
        window->showWindow(false, false);
        open(dir->filePath(name));
        QCOMPARE(shownMessage(), QStringLiteral("Data has Import!"));
        QCOMPARE(tableTexts("tableWidget"), downloaded);
        QCOMPARE(table("tableWidget_2")->item(0, 0)->text().trimmed(),
                 window->lastDownload().summaryLines().first());
        QCPGraph* graph = window->temperatureChart()->plot()->graph(0);
        QCOMPARE(graph->dataCount(), 30);
        QCOMPARE(graph->data()->at(29)->key, downloadedLast.key);
        QCOMPARE(graph->data()->at(29)->value, downloadedLast.value);
        for (Thermo* chart : {window->temperatureChart(), window->humidityChart()}) {
            QCustomPlot* plot = chart->plot();
            QCOMPARE(plot->graphCount(), 3);
            for (int g = 0; g < plot->graphCount(); ++g) {
                QCOMPARE(plot->graph(g)->data()->at(0)->key, first);
                QCOMPARE(plot->graph(g)->data()->at(29)->key, last);
            }
            QCOMPARE(plot->xAxis->range(), QCPRange(first, last)); // the whole series in view
        }
        QVERIFY(button("pushButtonBack")->isEnabled());
        QVERIFY(button("pushButtonOpen")->isEnabled());
    }
}

void TestAnalysisWindow::downloadIsArchivedAndOpensFromTheDialog()
{
    const QString archived = dir->filePath("archive");
    qputenv("HYGROLUX_ARCHIVE", archived.toLocal8Bit());
    download(buildBlock(records(30)));
    auto* box = hygrolux::test::topLevel<QMessageBox>();
    QVERIFY(box && window->lastDownload().archived());
    const QString copy = window->lastDownload().archived()->path;
    QCOMPARE(box->text(), QStringLiteral("Download Success!"));
    QCOMPARE(box->informativeText(), "Archived: " + copy);
    const QStringList downloaded = tableTexts("tableWidget");
    const QStringList report = window->lastDownload().summaryLines();

    // Open offers the archive beside the usual places, and still starts at ./data.txt.
    window->showWindow(false, true);
    QList<QUrl> sidebar;
    QStringList startsAt;
    QTimer dialogShown;
    connect(&dialogShown, &QTimer::timeout, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
                dialogShown.stop();
                sidebar = dialog->sidebarUrls();
                startsAt = dialog->selectedFiles();
                dialog->selectFile(copy);
                static_cast<QDialog*>(dialog)->accept(); // as the Open button does
            }
    });
    dialogShown.start(20);
    QTest::mouseClick(button("pushButtonOpen"), Qt::LeftButton);
    QVERIFY(sidebar.contains(QUrl::fromLocalFile(archived)));
    QVERIFY(sidebar.contains(QUrl::fromLocalFile(QDir::homePath())));
    QCOMPARE(startsAt, QStringList{QDir::current().filePath("data.txt")});
    // The archived copy shows as the download did.
    QCOMPARE(window->dataFileName(), copy);
    QCOMPARE(shownMessage(), QStringLiteral("Data has Import!"));
    QCOMPARE(tableTexts("tableWidget"), downloaded);
    for (int row = 0; row < report.size(); ++row)
        QCOMPARE(table("tableWidget_2")->item(row, 0)->text().trimmed(), report.at(row).trimmed());

    // An archive that takes no file leaves the download a success, and the box says why.
    const QString taken = dir->filePath("taken");
    QVERIFY(writeFile(taken, "a file"));
    qputenv("HYGROLUX_ARCHIVE", taken.toLocal8Bit());
    download(buildBlock(records(31)));
    QCOMPARE(box->text(), QStringLiteral("Download Success!"));
    QCOMPARE(box->informativeText(), "Not archived: " + taken + " is not a folder");
    QVERIFY(button("pushButtonDownload")->isEnabled());
}

void TestAnalysisWindow::fahrenheitFileSwitchesTheUnit()
{
    download(buildBlock(records(5)), false);
    window->showWindow(false, true);
    open(QStringLiteral("./data.txt"));
    QVERIFY(!window->isCelsius());
    QCOMPARE(tableTexts("tableWidget").mid(1, 4),
             (QStringList{"68.0 ℉", "45.0 %", "68.0 ℉", "45.9 ℉"}));
    QCustomPlot* plot = window->temperatureChart()->plot();
    QCOMPARE(plot->yAxis->range(), QCPRange(-49, 284));
    QCOMPARE(plot->yAxis->label(), QStringLiteral("unit: ℉"));
    // The alarm lines stand where the report puts the limits: 40 and -10 degC.
    QCOMPARE(plot->graph(1)->name(), QStringLiteral("High"));
    QCOMPARE(plot->graph(1)->data()->at(0)->value, 104.0);
    QCOMPARE(plot->graph(2)->data()->at(0)->value, 14.0);
    QCOMPARE(window->humidityChart()->plot()->yAxis->range(), QCPRange(-5, 110));
}

void TestAnalysisWindow::opensThatFail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("graphs");

    const QByteArray header = "Record data number:2 : time:03-09-2024 22-30-00 : ht:40 : lt:-10 "
                              ": hh:80 : ht:20:inval:%1:isC:1\n";
    QByteArray file = header;
    file += QByteArray(12, '\n');
    file +=
        " 0001  03-09-2024 22:31:00 :    25.0,           50.0,           25.0,             13.9\n";
    file +=
        " 0002  03-09-2024 22:32:00 :    25.0,           50.0,           25.0,             13.9\n";
    QTest::newRow("data.TXT is text")
        << "data.TXT" << QByteArray(file).replace("%1", "60") << "Data has Import!" << 2 << 3;
    QTest::newRow("interval 0 fills the tables only")
        << "zero.txt" << QByteArray(file).replace("%1", "0") << "Open the wrong file!" << 2 << 0;
    QTest::newRow("cancelled") << "" << QByteArray() << "Open the wrong file!" << 0 << 0;
    QByteArray tooMany = QByteArray(file).replace("%1", "60");
    tooMany.replace("number:2 ", "number:4294967295 ");
    tooMany += file.mid(file.lastIndexOf(" 0002")).repeated(savedfile::MaxRecords);
    QTest::newRow("more records than a file may bring")
        << "many.txt" << tooMany
        << QString("<file> was not opened: it holds more than %1 records.")
               .arg(savedfile::MaxRecords)
        << 0 << 0;
    QTest::newRow("Excel 97 workbook")
        << "old.xls" << QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(504, '\0')
        << "Open the wrong file!" << 0 << 0;
    QTest::newRow("DATA.XLSX is taken for text")
        << "DATA.XLSX" << QByteArray("PK\x03\x04 zip") << "Open the wrong file!" << 0 << 0;
}

void TestAnalysisWindow::opensThatFail()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(int, rows);
    QFETCH(int, graphs);
    if (!name.isEmpty())
        QVERIFY(writeFile(dir->filePath(name), content));
    window->showWindow(false, true);
    open(name.isEmpty() ? QString() : dir->filePath(name));
    QCOMPARE(shownMessage(),
             QString(message).replace("<file>", QDir::toNativeSeparators(dir->filePath(name))));
    QCOMPARE(table("tableWidget")->rowCount(), rows);
    QCOMPARE(window->temperatureChart()->plot()->graphCount(), graphs);
    QVERIFY(button("pushButtonOpen")->isEnabled());
    QVERIFY(button("pushButtonBack")->isEnabled());
}

void TestAnalysisWindow::backEmptiesRecordsAndChartsButKeepsTheReport()
{
    QSignalSpy back(window, &QRealTimeData::gBack);
    download(buildBlock(records(10)));
    QCOMPARE(table("tableWidget")->rowCount(), 10);
    QTest::mouseClick(button("pushButtonBack"), Qt::LeftButton);
    QCOMPARE(back.count(), 1);
    QCOMPARE(timerWork->count(), 1);
    QCOMPARE(timerWork->first().first().toBool(), true);
    QVERIFY(!window->isVisible());
    QCOMPARE(table("tableWidget")->rowCount(), 0);
    QCOMPARE(window->temperatureChart()->plot()->graphCount(), 0);
    QCOMPARE(window->humidityChart()->plot()->graphCount(), 0);
    QCOMPARE(table("tableWidget_2")->rowCount(), 8 + 8);
    QVERIFY(button("pushButtonOpen")->isEnabled());
    QVERIFY(button("pushButtonDownload")->isEnabled());
}

void TestAnalysisWindow::figureRowsFollowTheFileOnShowAndTheLanguage()
{
    // A download that stopped after 10 of its 50 records, opened again.
    download(buildBlock(records(50)).left(wire::block::HeaderSize + 10 * wire::block::RecordSize));
    window->linkLost();
    window->showWindow(false, true);
    open(QStringLiteral("./data.txt"));
    const QStringList english = figureRows();
    QCOMPARE(english.value(0),
             QStringLiteral("Figures over the 10 records that arrived of 50 announced"));
    QCOMPARE(english, figuresOfTheFileShown());

    QTranslator translator;
    language::switchTo(true, translator);
    window->retranslate();
    const QStringList chinese = figureRows();
    const QStringList chineseFigures = figuresOfTheFileShown();
    language::switchTo(false, translator);
    window->retranslate();
    QCOMPARE(chinese, chineseFigures);
    QVERIFY(chinese.value(0) != english.value(0));
    QCOMPARE(figureRows(), english);

    // A download after the Open shows its own figures only.
    download(buildBlock(records(20)));
    QCOMPARE(figureRows(), figuresOfTheFileShown());
}

// The file's unit is Fahrenheit: its limits are 8 and 2 degC, 46.4 and 35.6 degF, and
// 60 and 30 %RH. A value on a limit is within; the humidity column is held against the
// humidity limits, the temperature column against the temperature limits.
void TestAnalysisWindow::valuesBeyondALimitAreMarked()
{
    QByteArray file = "Record data number:6 : time:03-09-2024 22-30-00 : ht:8 : lt:2 "
                      ": hh:60 : ht:30:inval:60:isC:0\n";
    file += QByteArray(12, '\n');
    // Each record's temperature and humidity, and the marks of its columns (H high, L low).
    const std::pair<const char*, QString> rows[] = {
        {"46.4,  60.0", "-----"}, {"46.5,  60.1", "-HH--"}, {"35.5,  29.9", "-LL--"},
        {"35.6,  30.0", "-----"}, {"40.0,  50.0", "-----"}, {"99.0,  45.0", "-H---"}};
    for (int i = 0; i < 6; ++i)
        file += QString(" %1  03-09-2024 22:3%2:00 :    %3,   50.0,   13.9\n")
                    .arg(i + 1, 4, 10, QChar('0'))
                    .arg(i + 1)
                    .arg(rows[i].first)
                    .toLatin1();
    QVERIFY(writeFile(dir->filePath("fahrenheit.txt"), file));
    window->showWindow(false, true);
    open(dir->filePath("fahrenheit.txt"));
    QCOMPARE(shownMessage(), QStringLiteral("Data has Import!"));

    for (int row = 0; row < 6; ++row) {
        QString marks;
        for (int column = 0; column < 5; ++column) {
            const QVariant background =
                table("tableWidget")->item(row, column)->data(Qt::BackgroundRole);
            const QColor color = background.value<QColor>();
            // Light enough for black text, and of the alarm line's hue.
            const bool light = color.lightness() >= 170;
            marks += !background.isValid()                            ? '-'
                     : light && color.hue() == QColor(Qt::red).hue()  ? 'H'
                     : light && color.hue() == QColor(Qt::blue).hue() ? 'L'
                                                                      : '?';
        }
        QCOMPARE(marks, rows[row].second);
    }
}

void TestAnalysisWindow::exportByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");  // chosen in the dialog
    QTest::addColumn<QString>("message"); // how it begins; none for a cancelled dialog
    QTest::addColumn<QString>("printed"); // in the PDF: which of the two it is
    const QString saved = "File has saved";
    const QString notSaved = "File was not saved: ";
    struct Row {
        QString name, message, filter = {}, printed = {};
    };
    const Row rows[] = {
        {"report.txt", saved}, // the name proposed, as the tests run from the home folder
        {"result.xls", saved},
        {"report.pdf", saved, "PDF (*.pdf)", "Record data number:30"},
        {"audit.pdf", saved, "Report with charts (*.pdf)", "1 excursion: 1 min above 40.0 ℃"},
        {"report.csv", saved},
        {"charts.png", saved},
        {"report.TXT", notSaved + "the name must contain .txt, .xlsx, .xls, .pdf, .csv or .png"},
        {"./data.txt", notSaved + "./data.txt is the download's own data file"},
        {"link.csv", notSaved + "link.csv is the download's own data file"},
        {"data.previous.txt",
         notSaved + "data.previous.txt is the data file kept from the download before"},
        {"gone/report.txt", notSaved + "gone/report.txt cannot be written"},
        {"gone/report.xls", notSaved + "gone/report.xls cannot be written"},
        {"gone/report.pdf", notSaved + "gone/report.pdf cannot be written"},
        {"gone/report.csv", notSaved + "gone/report.csv cannot be written"},
        {"gone/report.png", notSaved + "gone/report.png cannot be written"},
        {"", ""},
    };
    for (const Row& row : rows)
        QTest::newRow(row.name.isEmpty() ? "cancelled" : qPrintable(row.name))
            << row.name << row.filter << row.message << row.printed;
}

void TestAnalysisWindow::exportByName()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QString, message);
    QFETCH(QString, printed);
    qputenv("HOME", QFile::encodeName(dir->path()));
    QVector<RecordCodes> codes = records(30);
    codes[7].temperature = 815; // 41.5 degC, above the high limit of 40
    download(buildBlock(codes));
    QVERIFY(QFile::link("data.txt", "link.csv"));
    const QByteArray data = hygrolux::test::contentOf("data.txt");

    exportAs(name, filter);
    const QString shown = shownMessage();
    QVERIFY2(message.isEmpty() ? shown.isEmpty() : shown.startsWith(message), qPrintable(shown));
    QCOMPARE(hygrolux::test::contentOf("data.txt"), data);
    QCOMPARE(QDir().entryList(QDir::Files).size(), shown == "File has saved" ? 3 : 2);
    if (!printed.isEmpty())
        QVERIFY2(hygrolux::test::pdfText(name).contains(printed), qPrintable(printed));
}

void TestAnalysisWindow::exportsShowWhatTheDownloadShowed()
{
    download(buildBlock(records(30)));
    const QStringList records = tableTexts("tableWidget");
    const QStringList report = tableTexts("tableWidget_2");
    exportAs("charts.png");
    exportAs("result.xlsx");

    // The charts at the size they are shown, temperature above humidity.
    const QImage picture("charts.png");
    QCustomPlot* temperature = window->temperatureChart()->plot();
    const QSize upper = temperature->size();
    const QSize lower = window->humidityChart()->plot()->size();
    QCOMPARE(picture.size(),
             QSize(qMax(upper.width(), lower.width()), upper.height() + lower.height()));
    QCOMPARE(picture.copy(QRect(QPoint(), upper)),
             temperature->toPixmap().toImage().convertToFormat(picture.format()));

    window->showWindow(false, true);
    open(dir->filePath("result.xlsx"));
    QCOMPARE(shownMessage(), QStringLiteral("Data has Import!"));
    QCOMPARE(tableTexts("tableWidget"), records);
    QCOMPARE(tableTexts("tableWidget_2"), report);
}

HYGROLUX_TEST_MAIN(TestAnalysisWindow)
#include "tst_analysiswindow.moc"
