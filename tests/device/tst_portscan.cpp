#include "testsupport.h"

#include "device/portscan.h"

using devicelink::PortDescription;

Q_DECLARE_METATYPE(QList<PortDescription>)

namespace {

PortDescription port(const QString& name, const QString& description)
{
    PortDescription p;
    p.portName = name;
    p.description = description;
    return p;
}

PortDescription usbPort(const QString& name, const QString& description, quint16 vendor,
                        quint16 product)
{
    PortDescription p = port(name, description);
    p.hasUsbIds = true;
    p.vendorId = vendor;
    p.productId = product;
    return p;
}

// Sets an environment variable for one test and puts the old state back afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : variableName(name), wasSet(qEnvironmentVariableIsSet(name)), oldValue(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (wasSet)
            qputenv(variableName, oldValue);
        else
            qunsetenv(variableName);
    }

private:
    const char* variableName;
    bool wasSet;
    QByteArray oldValue;
};

} // namespace

class TestPortScan : public QObject
{
    Q_OBJECT

private slots:
    void adapterDescriptionsMatchInAnyCase_data();
    void adapterDescriptionsMatchInAnyCase();
    void selectsTheRightPort_data();
    void selectsTheRightPort();
    void overrideSkipsTheScan();
    void emptyOverrideIsIgnored();
    void lineSettingsAreFixedAndKeepThePort();
};

void TestPortScan::adapterDescriptionsMatchInAnyCase_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("matches");
    QTest::newRow("capitals with chip name") << "USB-SERIAL CH340" << true;
    QTest::newRow("lower case") << "usb serial" << true;
    QTest::newRow("capital initial") << "Serial" << true;
    QTest::newRow("chip number only") << "CH340 adapter" << true;
    QTest::newRow("other adapter") << "FT232R USB UART" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPortScan::adapterDescriptionsMatchInAnyCase()
{
    QFETCH(QString, description);
    QFETCH(bool, matches);
    QCOMPARE(devicelink::namesLoggerAdapter(description), matches);
    const QString expected = matches ? QStringLiteral("ttyUSB0") : QStringLiteral("old");
    QCOMPARE(devicelink::selectLoggerPort({port("ttyUSB0", description)}, "old"), expected);
}

void TestPortScan::selectsTheRightPort_data()
{
    QTest::addColumn<QList<PortDescription>>("ports");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("overrideName");
    QTest::addColumn<QString>("expected");

    const PortDescription ch340A = usbPort("ttyUSB0", "USB2.0-Ser!", 0x1a86, 0x7523);
    const PortDescription ch340B = usbPort("ttyUSB2", "", 0x1a86, 0x7523);
    const PortDescription ftdi = usbPort("ttyUSB1", "FT232R USB UART", 0x0403, 0x6001);
    const PortDescription onboard = port("ttyS0", "");

    QTest::newRow("two matching descriptions: the later wins")
        << QList<PortDescription>{port("ttyUSB0", "USB-SERIAL CH340"), onboard,
                                  port("ttyUSB1", "usb serial")}
        << ""
        << ""
        << "ttyUSB1";
    QTest::newRow("description match beats a later CH340 id")
        << QList<PortDescription>{port("ttyUSB5", "Serial"), ch340B} << ""
        << ""
        << "ttyUSB5";
    QTest::newRow("CH340 ids when no description matches: the later wins")
        << QList<PortDescription>{ch340A, ftdi, onboard, ch340B} << ""
        << ""
        << "ttyUSB2";
    QTest::newRow("same vendor, other product does not match")
        << QList<PortDescription>{usbPort("ttyUSB0", "", 0x1a86, 0x5523)} << "ttyUSB9"
        << ""
        << "ttyUSB9";
    QTest::newRow("no match keeps the old name")
        << QList<PortDescription>{ftdi, onboard} << "ttyUSB7"
        << ""
        << "ttyUSB7";
    QTest::newRow("no match and no old name stays empty") << QList<PortDescription>{onboard} << ""
                                                          << ""
                                                          << "";
    QTest::newRow("no ports keeps the old name") << QList<PortDescription>{} << "ttyUSB3"
                                                 << ""
                                                 << "ttyUSB3";
    QTest::newRow("override beats every match")
        << QList<PortDescription>{port("ttyUSB0", "usb serial"), ch340B} << "ttyUSB0"
        << "/dev/pts/3"
        << "/dev/pts/3";
}

void TestPortScan::selectsTheRightPort()
{
    QFETCH(QList<PortDescription>, ports);
    QFETCH(QString, storedName);
    QFETCH(QString, overrideName);
    QFETCH(QString, expected);
    QCOMPARE(devicelink::selectLoggerPort(ports, storedName, overrideName), expected);
}

void TestPortScan::overrideSkipsTheScan()
{
    ScopedEnvironment environment(devicelink::PortOverrideVariable, "/dev/pts/7");
    QCOMPARE(devicelink::portOverride(), QStringLiteral("/dev/pts/7"));
    QCOMPARE(devicelink::findLoggerPort("ttyUSB0"), QStringLiteral("/dev/pts/7"));
}

void TestPortScan::emptyOverrideIsIgnored()
{
    ScopedEnvironment environment(devicelink::PortOverrideVariable, "");
    QVERIFY(devicelink::portOverride().isEmpty());
    // Whatever ports this machine has, the result is the plain scan's.
    const QString stored = QStringLiteral("previous");
    QCOMPARE(devicelink::findLoggerPort(stored),
             devicelink::selectLoggerPort(devicelink::systemPorts(), stored));
}

void TestPortScan::lineSettingsAreFixedAndKeepThePort()
{
    devicelink::LinkSettings settings;
    settings.portName = QStringLiteral("ttyUSB0");
    settings.baudRate = 115200;
    settings.dataBits = QSerialPort::Data7;
    settings.parity = QSerialPort::EvenParity;
    settings.stopBits = QSerialPort::TwoStop;
    settings.flowControl = QSerialPort::HardwareControl;
    devicelink::applyLineSettings(settings);

    QCOMPARE(settings.portName, QStringLiteral("ttyUSB0"));
    QCOMPARE(settings.baudRate, 9600);
    QCOMPARE(settings.baudRateText, QStringLiteral("9600"));
    QCOMPARE(settings.dataBits, QSerialPort::Data8);
    QCOMPARE(settings.dataBitsText, QStringLiteral("8"));
    QCOMPARE(settings.parity, QSerialPort::NoParity);
    QCOMPARE(settings.stopBits, QSerialPort::OneStop);
    QCOMPARE(settings.flowControl, QSerialPort::NoFlowControl);
}

HYGROLUX_TEST_MAIN_CORE(TestPortScan)
#include "tst_portscan.moc"
