#include "monitor/temp.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A notification service as a desktop runs one, keeping what it is asked to show.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown; // "summary | body | urgency"

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int)
    {
        shown << QStringLiteral("%1 | %2 | %3")
                     .arg(summary, body)
                     .arg(hints.value(QStringLiteral("urgency")).toInt());
        return uint(shown.size());
    }
};

// A session bus of the test's own, which activates no service of the machine.
const char* const BusConfiguration =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig>\n"
    "  <type>session</type>\n"
    "  <listen>unix:dir=%1</listen>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
    "    <allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";

const char* const White = "color: rgb(255, 255, 255);";
const char* const Red = "color: rgb(255, 130, 120);";
const char* const Blue = "color: rgb(140, 210, 255);";

} // namespace

// The main window against the simulated logger while its readings cross the logger's alarm
// limits (40 / -10 degC, 80 / 20 %RH), with a notification service on a private session bus.
class LiveAlarmTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void excursionIsColouredAndNotifiedAtItsStartAndEnd();
    void withoutANotificationServiceTheWindowGoesOn();

private:
    QLabel* label(const char* name) const { return window->findChild<QLabel*>(name); }
    void connectToLogger();

    QTemporaryDir busFolder;
    QProcess bus;
    FakeNotifications service;
    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
};

void LiveAlarmTest::initTestCase()
{
    QFile configuration(busFolder.filePath("bus.conf"));
    QVERIFY(configuration.open(QIODevice::WriteOnly));
    configuration.write(QString::fromLatin1(BusConfiguration).arg(busFolder.path()).toUtf8());
    configuration.close();
    bus.start("dbus-daemon",
              {"--config-file=" + configuration.fileName(), "--nofork", "--print-address"});
    QVERIFY2(bus.waitForStarted(), "dbus-daemon is needed (Debian package dbus-daemon)");
    QVERIFY(bus.waitForReadyRead(10000));
    const QByteArray address = bus.readLine().trimmed();
    // Before the window reaches for the session bus for the first time.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QDBusConnection serviceSide = QDBusConnection::connectToBus(address, "notification service");
    QVERIFY(serviceSide.isConnected());
    QVERIFY(serviceSide.registerObject("/org/freedesktop/Notifications", &service,
                                       QDBusConnection::ExportAllSlots));
    QVERIFY(serviceSide.registerService("org.freedesktop.Notifications"));
}

void LiveAlarmTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus("notification service");
    bus.terminate();
    bus.waitForFinished();
}

void LiveAlarmTest::init()
{
    logger = new sim::SimulatedLogger(3);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    sim::Settings settings = logger->settings();
    settings.drift = false;
    settings.fast = true;
    logger->setSettings(settings);
    logger->setLiveCodes({650, 500}); // 25.0 degC, 50.0 %RH
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    service.shown.clear();
    window = new Temp;
    window->show();
}

void LiveAlarmTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
    hygrolux::test::dismissMessages();
}

void LiveAlarmTest::connectToLogger()
{
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->text(), QStringLiteral("25.0"), 5000);
    hygrolux::test::dismissMessages();
}

void LiveAlarmTest::excursionIsColouredAndNotifiedAtItsStartAndEnd()
{
    connectToLogger();
    QCOMPARE(label("labelTempValue")->styleSheet(), QString(White));

    // On the limit is within; beyond it, the value and its unit turn the limit's colour.
    logger->setLiveCodes({800, 500});
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->text(), QStringLiteral("40.0"), 5000);
    logger->setLiveCodes({809, 150});
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->text(), QStringLiteral("40.9"), 5000);
    QCOMPARE(label("labelTempValue")->styleSheet(), QString(Red));
    QCOMPARE(label("labelTempUnit")->styleSheet(), QString(Red));
    QCOMPARE(label("labelHumiValue")->styleSheet(), QString(Blue));
    QCOMPARE(label("labelHumiUnit")->styleSheet(), QString(Blue));
    QTRY_COMPARE_WITH_TIMEOUT(service.shown.size(), 2, 5000);

    // Said once: the next replies beyond the limits add nothing.
    logger->setLiveCodes({812, 150});
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->text(), QStringLiteral("41.2"), 5000);
    logger->setLiveCodes({650, 500});
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->text(), QStringLiteral("25.0"), 5000);
    QCOMPARE(label("labelTempValue")->styleSheet(), QString(White));
    QCOMPARE(label("labelHumiUnit")->styleSheet(), QString(White));
    QTRY_COMPARE_WITH_TIMEOUT(service.shown.size(), 4, 5000);
    QCOMPARE(service.shown,
             (QStringList{
                 "Temperature alarm | Temperature 40.9 ℃ is above the high limit 40 ℃ | 2",
                 "Humidity alarm | Humidity 15.0 %RH is below the low limit 20 %RH | 2",
                 "Temperature back within limits | Temperature 25.0 ℃ is back below the high "
                 "limit 40 ℃ | 1",
                 "Humidity back within limits | Humidity 50.0 %RH is back above the low limit 20 "
                 "%RH | 1"}));

    // A link closed during an excursion leaves the readings plain without an end to tell; the
    // next connection starts the excursion anew.
    logger->setLiveCodes({850, 500});
    QTRY_COMPARE_WITH_TIMEOUT(service.shown.size(), 5, 5000);
    QCOMPARE(label("labelTempValue")->styleSheet(), QString(Red));
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    QCOMPARE(label("labelTempValue")->styleSheet(), QString(White));
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(service.shown.size(), 6, 5000);
    const QString started =
        "Temperature alarm | Temperature 45.0 ℃ is above the high limit 40 ℃ | 2";
    QCOMPARE(service.shown.mid(4), (QStringList{started, started}));
}

void LiveAlarmTest::withoutANotificationServiceTheWindowGoesOn()
{
    QDBusConnection serviceSide = QDBusConnection("notification service");
    QVERIFY(serviceSide.unregisterService("org.freedesktop.Notifications"));
    connectToLogger();
    logger->setLiveCodes({850, 500});
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->styleSheet(), QString(Red), 5000);
    logger->setLiveCodes({650, 500});
    QTRY_COMPARE_WITH_TIMEOUT(label("labelTempValue")->styleSheet(), QString(White), 5000);
    QVERIFY(service.shown.isEmpty());
    QVERIFY(serviceSide.registerService("org.freedesktop.Notifications"));
}

HYGROLUX_TEST_MAIN(LiveAlarmTest)
#include "tst_livealarm.moc"
