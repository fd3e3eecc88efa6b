#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "records/figures.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

// Downloads through the main window's Download button, from the simulated logger on a
// pseudo-terminal through a real QSerialPort, into ./data.txt of a folder of each test's own.
class MainWindowDownloadTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void downloadsOfAnySize_data();
    void downloadsOfAnySize();
    void stallEndsInDataMissedAndTheNextDownloadStartsClean();
    void loggerThatNeverTakesTheRequestIsGivenUp();
    void droppedLinkEndsTheDownloadAtOnce();
    void downloadPressedAtOnceCarriesTheLoggersLimits_data();
    void downloadPressedAtOnceCarriesTheLoggersLimits();
    void downloadWithoutAnyLiveReplyIsNotStarted();

private:
    void connectToLogger();
    void pressConnect();
    void pressDownload();
    void storeRecords(int count);
    QStringList dataLines() const { return hygrolux::test::fileLines(dir->filePath("data.txt")); }
    QPushButton* mainButton(const char* name) const
    {
        return window->findChild<QPushButton*>(name);
    }
    QPushButton* analysisButton(const char* name) const
    {
        return analysis()->findChild<QPushButton*>(name);
    }
    QRealTimeData* analysis() const { return hygrolux::test::topLevel<QRealTimeData>(); }
    int downloadRequests() const;

    QScopedPointer<QTemporaryDir> dir;
    QString startFolder = QDir::currentPath();
    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
    QList<QByteArray> received;
};

void MainWindowDownloadTest::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(QDir::setCurrent(dir->path()));
    logger = new sim::SimulatedLogger(3);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    sim::Settings settings = logger->settings();
    settings.fast = true;
    settings.drift = false;
    logger->setSettings(settings);
    received.clear();
    connect(logger, &sim::SimulatedLogger::frameReceived, this,
            [this](const QByteArray& frame) { received << frame; });
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    window = new Temp;
    window->show();
}

void MainWindowDownloadTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
    hygrolux::test::dismissMessages();
    QDir::setCurrent(startFolder);
}

int MainWindowDownloadTest::downloadRequests() const
{
    int count = 0;
    for (const QByteArray& frame : received)
        count += quint8(frame[1]) == 0x06 ? 1 : 0;
    return count;
}

void MainWindowDownloadTest::storeRecords(int count)
{
    logger->setStoredRecords(
        sim::plausibleDay(count, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, 1));
}

void MainWindowDownloadTest::pressConnect()
{
    QTest::mouseClick(mainButton("pushButtonConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(hygrolux::test::shownMessages().contains("Connected to the device:OK"),
                             3000);
}

void MainWindowDownloadTest::connectToLogger()
{
    pressConnect();
    // The first live reply has come: the readings are on show.
    auto* temperature = window->findChild<QLabel*>("labelTempValue");
    QTRY_VERIFY_WITH_TIMEOUT(temperature->text() != QLatin1String("--.-"), 3000);
}

void MainWindowDownloadTest::pressDownload()
{
    QVERIFY(mainButton("pushButtonCalibration")->isEnabled());
    QTest::mouseClick(mainButton("pushButtonDownload"), Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QVERIFY(analysis()->isVisible());
}

void MainWindowDownloadTest::downloadsOfAnySize_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("no records") << 0;
    QTest::newRow("100 records") << 100;
    QTest::newRow("20000 records") << 20000;
}

void MainWindowDownloadTest::downloadsOfAnySize()
{
    QFETCH(int, count);
    storeRecords(count);
    connectToLogger();
    pressDownload();
    const QString outcome = count > 0 ? "Download Success!" : "The logger holds no records.";
    QTRY_VERIFY_WITH_TIMEOUT(hygrolux::test::shownMessages().contains(outcome), 30000);
    const QStringList lines = dataLines();
    QCOMPARE(lines.size(), 13 + count);
    QCOMPARE(lines.at(0).section(':', 1, 1).trimmed(), QString::number(count));
    // The limits the logger reported (40 and -10 degC, 80 and 20 %RH) head the file.
    QVERIFY2(lines.at(0).contains(" : ht:40 : lt:-10 : hh:80 : ht:20:"), qPrintable(lines.at(0)));
    QCOMPARE(analysis()->findChild<QTableWidget*>("tableWidget")->rowCount(), count);
    // The eight report lines, then the figures of what came.
    QCOMPARE(analysis()->findChild<QTableWidget*>("tableWidget_2")->rowCount(),
             8 + figures::lines(figures::of(analysis()->loadedData())).size());
    QVERIFY(analysisButton("pushButtonBack")->isEnabled());

    QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
    QVERIFY(window->isVisible());
    // Polling resumes once the analysis window is left.
    const int before = received.size();
    QTRY_VERIFY_WITH_TIMEOUT(received.size() > before && quint8(received.last()[1]) == 0x05, 3000);
}

void MainWindowDownloadTest::stallEndsInDataMissedAndTheNextDownloadStartsClean()
{
    storeRecords(100);
    sim::Settings settings = logger->settings();
    settings.stallAfterBytes = 12 + 10 * 3;
    logger->setSettings(settings);
    QElapsedTimer sinceStall;
    connect(logger, &sim::SimulatedLogger::downloadStalled, this, [&] { sinceStall.start(); });
    connectToLogger();
    pressDownload();
    QTRY_VERIFY_WITH_TIMEOUT(
        hygrolux::test::shownMessages().contains("Download Failed:[data missed]"), 10000);
    QVERIFY(sinceStall.isValid());
    // Two check periods without a byte, never fewer; the upper bound leaves a loaded machine
    // its margin.
    QVERIFY2(sinceStall.elapsed() >= 1900 && sinceStall.elapsed() <= 6000,
             qPrintable(QString("%1 ms after the last byte").arg(sinceStall.elapsed())));
    QCOMPARE(dataLines().last(), QStringLiteral("data missed"));
    QVERIFY(analysisButton("pushButtonBack")->isEnabled());
    QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
    QVERIFY(window->isVisible());

    settings.stallAfterBytes = -1;
    logger->setSettings(settings);
    pressDownload();
    QTRY_VERIFY_WITH_TIMEOUT(hygrolux::test::shownMessages().contains("Download Success!"), 10000);
    QCOMPARE(dataLines().size(), 13 + 100);
    QVERIFY(!dataLines().contains("data missed"));
    QCOMPARE(analysis()->lastDownload().sheet().lastRow(), 13 + 100);
    // The stalled download was no download to keep: the good one took its place.
    QVERIFY(!QFile::exists(dir->filePath("data.previous.txt")));
}

void MainWindowDownloadTest::loggerThatNeverTakesTheRequestIsGivenUp()
{
    storeRecords(10);
    connectToLogger();
    sim::Settings settings = logger->settings();
    settings.silentCode = 0x06;
    logger->setSettings(settings);
    QElapsedTimer sincePress;
    sincePress.start();
    pressDownload();
    QTRY_VERIFY_WITH_TIMEOUT(
        hygrolux::test::shownMessages().contains("Download Failed:[data missed]"), 15000);
    // The request was tried as often as for any command, not cut short by the stall watch.
    QVERIFY2(sincePress.elapsed() >= 5000, qPrintable(QString("%1 ms").arg(sincePress.elapsed())));
    QVERIFY(analysisButton("pushButtonBack")->isEnabled());
    // The request is withdrawn: no more download commands, and the live poll goes on.
    const int requests = downloadRequests();
    const int frames = received.size();
    QTest::qWait(1500);
    QCOMPARE(downloadRequests(), requests);
    QVERIFY(received.size() > frames);
}

void MainWindowDownloadTest::droppedLinkEndsTheDownloadAtOnce()
{
    storeRecords(1000);
    connectToLogger();
    sim::Settings settings = logger->settings();
    settings.dropAfterBytes = 12 + 300 * 3;
    settings.dropCode = 0x06;
    logger->setSettings(settings);
    QElapsedTimer sinceDrop;
    connect(logger, &sim::SimulatedLogger::linkDropped, this, [&] { sinceDrop.start(); });
    pressDownload();
    QTRY_VERIFY_WITH_TIMEOUT(
        hygrolux::test::shownMessages().contains("Download Failed:[data missed]"), 5000);
    QVERIFY(sinceDrop.isValid());
    // At once, not after the stall watch's seconds (with a loaded machine's margin).
    QVERIFY2(sinceDrop.elapsed() < 3000, qPrintable(QString("%1 ms").arg(sinceDrop.elapsed())));
    QVERIFY(hygrolux::test::shownMessages().contains("Critical Error"));
    const QStringList lines = dataLines();
    QCOMPARE(lines.size(), 13 + 300 + 1);
    QCOMPARE(lines.last(), QStringLiteral("data missed"));
    QTest::mouseClick(analysisButton("pushButtonBack"), Qt::LeftButton);
    QVERIFY(window->isVisible());
    QCOMPARE(mainButton("pushButtonConnect")->text(), QStringLiteral("Connect"));
}

void MainWindowDownloadTest::downloadPressedAtOnceCarriesTheLoggersLimits_data()
{
    QTest::addColumn<bool>("reconnected");
    QTest::newRow("before the first live reply") << false;
    QTest::newRow("after reconnecting to changed limits") << true;
}

void MainWindowDownloadTest::downloadPressedAtOnceCarriesTheLoggersLimits()
{
    QFETCH(bool, reconnected);
    storeRecords(10);
    if (reconnected) {
        connectToLogger();
        QTest::mouseClick(mainButton("pushButtonConnect"), Qt::LeftButton);
        hygrolux::test::dismissMessages();
    }
    logger->setParameters({wire::encodeTemperature(35), wire::encodeTemperature(-5),
                           wire::encodeHumidity(70), wire::encodeHumidity(30)});
    // Download pressed as soon as the logger is connected: no live reply has come yet.
    pressConnect();
    QTest::mouseClick(mainButton("pushButtonDownload"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(hygrolux::test::shownMessages().contains("Download Success!"), 10000);
    const QString head = dataLines().value(0);
    QVERIFY2(head.contains(" : ht:35 : lt:-5 : hh:70 : ht:30:"), qPrintable(head));
}

void MainWindowDownloadTest::downloadWithoutAnyLiveReplyIsNotStarted()
{
    storeRecords(10);
    sim::Settings settings = logger->settings();
    settings.silentCode = 0x05;
    logger->setSettings(settings);
    pressConnect();
    QTest::mouseClick(mainButton("pushButtonDownload"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        hygrolux::test::shownMessages().contains("The logger sends no live readings."), 6000);
    // Nothing was asked of the logger and nothing written: the operator can try again.
    QCOMPARE(downloadRequests(), 0);
    QVERIFY(!QFile::exists(dir->filePath("data.txt")));
    QVERIFY(window->isVisible());
    QVERIFY(!analysis()->isVisible());
}

HYGROLUX_TEST_MAIN(MainWindowDownloadTest)
#include "tst_mainwindowdownload.moc"
