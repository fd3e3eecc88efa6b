#include "monitor/temp.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QDBusConnection>
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
    "<busconfig><type>session</type><listen>unix:dir=%1</listen><policy context=\"default\">"
    "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
    "</policy></busconfig>";

const QString White = QStringLiteral("color: rgb(255, 255, 255);");
const QString Red = QStringLiteral("color: rgb(255, 130, 120);");
const QString Blue = QStringLiteral("color: rgb(140, 210, 255);");
const QStringList Plain = {White, White, White, White};

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
    // The logger answers `codes` from now on; back once the window shows `temperature`.
    void reply(wire::block::RecordCodes codes, const char* temperature)
    {
        logger->setLiveCodes(codes);
        QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel*>("labelTempValue")->text(),
                                  QString(temperature), 5000);
    }
    // Of the temperature, its unit, the humidity and its unit.
    QStringList colours() const
    {
        QStringList sheets;
        for (const char* name :
             {"labelTempValue", "labelTempUnit", "labelHumiValue", "labelHumiUnit"})
            sheets << window->findChild<QLabel*>(name)->styleSheet();
        return sheets;
    }

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
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    service.shown.clear();
    window = new Temp;
    window->show();
    logger->setLiveCodes({650, 500});
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    reply({650, 500}, "25.0");
    hygrolux::test::dismissMessages();
}

void LiveAlarmTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
    hygrolux::test::dismissMessages();
}

void LiveAlarmTest::excursionIsColouredAndNotifiedAtItsStartAndEnd()
{
    QCOMPARE(colours(), Plain);
    // On the limit is within; beyond it, the value and its unit turn the limit's colour, and
    // the next replies beyond add no notification.
    reply({800, 800}, "40.0");
    QCOMPARE(colours(), Plain);
    reply({809, 150}, "40.9");
    QCOMPARE(colours(), (QStringList{Red, Red, Blue, Blue}));
    reply({812, 150}, "41.2");
    reply({650, 500}, "25.0");
    QCOMPARE(colours(), Plain);
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
    reply({850, 500}, "45.0");
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    QCOMPARE(colours(), Plain);
    QTest::mouseClick(window->findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(service.shown.size(), 6, 5000);
    const QString started =
        "Temperature alarm | Temperature 45.0 ℃ is above the high limit 40 ℃ | 2";
    QCOMPARE(service.shown.mid(4), (QStringList{started, started}));
}

void LiveAlarmTest::withoutANotificationServiceTheWindowGoesOn()
{
    QDBusConnection serviceSide("notification service");
    QVERIFY(serviceSide.unregisterService("org.freedesktop.Notifications"));
    reply({850, 500}, "45.0");
    QCOMPARE(colours().first(), Red);
    reply({650, 500}, "25.0");
    QCOMPARE(colours(), Plain);
    QVERIFY(service.shown.isEmpty());
    QVERIFY(serviceSide.registerService("org.freedesktop.Notifications"));
}

HYGROLUX_TEST_MAIN(LiveAlarmTest)
#include "tst_livealarm.moc"
