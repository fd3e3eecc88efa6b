#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

// What the operator does most, over and over, through the windows: downloads that succeed,
// fail their checksum or stall, exports of every form, and opens of data files and
// workbooks. In the sanitizer build LeakSanitizer looks at what is left when the program
// ends (tests/reliability/leaks.supp lists what Qt and fontconfig keep for good); in the
// normal build the scenario runs as a test of its own.
class LeaksTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void repeatedDownloadsOpensAndExports();

private:
    void download(const std::function<void(sim::Settings&)>& fault, const QString& outcome);
    void awaitMessage(const QString& text);
    QRealTimeData* analysis() const { return hygrolux::test::topLevel<QRealTimeData>(); }
    QPushButton* analysisButton(const char* name) const
    {
        return analysis()->findChild<QPushButton*>(name);
    }

    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
};

void LeaksTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
}

void LeaksTest::awaitMessage(const QString& text)
{
    QTRY_VERIFY2_WITH_TIMEOUT(hygrolux::test::shownMessages().contains(text), qPrintable(text),
                              10000);
    hygrolux::test::dismissMessages();
}

void LeaksTest::download(const std::function<void(sim::Settings&)>& fault, const QString& outcome)
{
    sim::Settings settings;
    settings.fast = true;
    settings.drift = false;
    fault(settings);
    logger->setSettings(settings);
    auto* button = window->findChild<QPushButton*>("pushButtonDownload");
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 3000);
    QTest::mouseClick(button, Qt::LeftButton);
    awaitMessage(outcome);
}

void LeaksTest::repeatedDownloadsOpensAndExports()
{
    QTemporaryDir dir;
    const QString startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    logger = new sim::SimulatedLogger(17);
    QVERIFY(logger->open());
    logger->setStoredRecords(
        sim::plausibleDay(300, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, 4));
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    window = new Temp;
    window->show();
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    awaitMessage("Connected to the device:OK");

    const QStringList forms = {"report.txt", "report.xlsx", "report.pdf", "report.csv",
                               "charts.png"};
    const auto none = [](sim::Settings&) {};
    for (int round = 0; round < 3; ++round) {
        download([](sim::Settings& s) { s.badChecksum = true; },
                 "Download Failed:[Checksum error]");
        QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
        download([](sim::Settings& s) { s.stallAfterBytes = 12 + 50 * 3; },
                 "Download Failed:[data missed]");
        QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
        download(none, "Download Success!");
        for (const QString& name : forms) {
            analysis()->setSaveNameChooser([&](QWidget*, const QString&, const QString&,
                                               const QString&,
                                               QString*) { return dir.filePath(name); });
            QTest::mouseClick(analysisButton("pushButtonDownload"), Qt::LeftButton);
            awaitMessage("File has saved");
        }
        QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
    }

    // Without a logger, the saved files are opened again and again.
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonDownload"), Qt::LeftButton);
    for (int round = 0; round < 3; ++round) {
        for (const char* name : {"data.txt", "report.xlsx", "report.txt"}) {
            analysis()->setFileChooser([&](QWidget*, const QString&, const QString&,
                                           const QString&) { return dir.filePath(name); });
            QTest::mouseClick(analysisButton("pushButtonOpen"), Qt::LeftButton);
            awaitMessage("Data has Import!");
            QCOMPARE(analysis()->findChild<QTableWidget*>("tableWidget")->rowCount(), 300);
        }
    }
    QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
    QDir::setCurrent(startFolder);
}

HYGROLUX_TEST_MAIN(LeaksTest)
#include "tst_leaks.moc"
