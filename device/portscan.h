#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

// Finding the logger's USB-to-serial adapter among the machine's serial ports, and the
// fixed line settings the logger speaks. The user never picks a port or a baud rate.
namespace devicelink {

struct LinkSettings {
    QString portName; // empty until a port has been found
    qint32 baudRate = 9600;
    QString baudRateText = QStringLiteral("9600");
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QString dataBitsText = QStringLiteral("8");
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

// Resets everything but the port name to the logger's fixed line settings.
void applyLineSettings(LinkSettings& settings);

// What the scan needs to know about one serial port, so that the matching can be
// exercised without hardware.
struct PortDescription {
    QString portName;
    QString description;
    bool hasUsbIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// The common CH340 adapter, whose Linux description rarely says "serial" or "340".
constexpr quint16 Ch340VendorId = 0x1a86;
constexpr quint16 Ch340ProductId = 0x7523;

// Environment variable naming the port to open (a device path or a pseudo-terminal);
// when set and not empty, no scan takes place.
constexpr char PortOverrideVariable[] = "HYGROLUX_PORT";

// True when the text contains "serial" or "340", in any letter case.
bool namesLoggerAdapter(const QString& text);

// The port name a scan stores: the override when not empty; else the last port, in list
// order, whose description names a serial adapter; else the last port with the CH340's
// USB ids; else `storedName` unchanged.
QString selectLoggerPort(const QList<PortDescription>& ports, const QString& storedName,
                         const QString& overrideName = QString());

// The serial ports of this machine, in the order the system lists them.
QList<PortDescription> systemPorts();
// The value of HYGROLUX_PORT, or an empty string.
QString portOverride();
// selectLoggerPort over this machine's ports and the environment's override.
QString findLoggerPort(const QString& storedName);

// The device file behind a port name: QSerialPort takes "ttyUSB0" as well as a full path.
QString deviceFile(const QString& portName);
// Sets the logger's line settings on `port`, named after `settings`, and opens it for
// reading and writing.
bool openPort(QSerialPort& port, const LinkSettings& settings);
// Why openPort() failed.
enum class OpenProblem {
    Missing,          // no such device file
    NotSerial,        // a file that is no serial port (a plain file, a folder, /dev/null)
    InUse,            // another program holds it
    PermissionDenied, // this user may not open it (as when not in the group of serial ports)
    Other,            // QSerialPort's errorString() says what
};
OpenProblem openProblem(const QSerialPort& port);
// After a failed openPort(): the port is there, but this user may not open it.
bool isPermissionDenied(const QSerialPort& port);
// An error after which an open port is of no more use. An unplugged adapter reports
// ResourceError; a pseudo-terminal whose other side went away reports ReadError on every
// read instead, and left open it would keep failing reads without end.
bool endsLink(QSerialPort::SerialPortError error);

} // namespace devicelink
