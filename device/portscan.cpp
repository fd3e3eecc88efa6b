#include "portscan.h"

#include <QFile>
#include <QSerialPortInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace devicelink {

void applyLineSettings(LinkSettings& settings)
{
    const QString portName = settings.portName;
    settings = LinkSettings();
    settings.portName = portName;
}

bool namesLoggerAdapter(const QString& text)
{
    return text.contains(QLatin1String("serial"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("340"), Qt::CaseInsensitive);
}

QString selectLoggerPort(const QList<PortDescription>& ports, const QString& storedName,
                         const QString& overrideName)
{
    if (!overrideName.isEmpty())
        return overrideName;

    QString byDescription;
    QString byUsbIds;
    for (const PortDescription& port : ports) {
        if (namesLoggerAdapter(port.description))
            byDescription = port.portName;
        else if (port.hasUsbIds && port.vendorId == Ch340VendorId &&
                 port.productId == Ch340ProductId)
            byUsbIds = port.portName;
    }
    if (!byDescription.isEmpty())
        return byDescription;
    if (!byUsbIds.isEmpty())
        return byUsbIds;
    return storedName;
}

QList<PortDescription> systemPorts()
{
    QList<PortDescription> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        PortDescription port;
        port.portName = info.portName();
        port.description = info.description();
        port.hasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.productId = info.productIdentifier();
        ports << port;
    }
    return ports;
}

QString portOverride()
{
    return qEnvironmentVariable(PortOverrideVariable);
}

QString findLoggerPort(const QString& storedName)
{
    const QString overrideName = portOverride();
    if (!overrideName.isEmpty())
        return overrideName;
    return selectLoggerPort(systemPorts(), storedName);
}

QString deviceFile(const QString& portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

bool openPort(QSerialPort& port, const LinkSettings& settings)
{
    port.setPortName(settings.portName);
    port.setBaudRate(settings.baudRate, QSerialPort::AllDirections);
    port.setDataBits(settings.dataBits);
    port.setParity(settings.parity);
    port.setStopBits(settings.stopBits);
    port.setFlowControl(settings.flowControl);
    return port.open(QIODevice::ReadWrite);
}

OpenProblem openProblem(const QSerialPort& port)
{
    const QByteArray file = QFile::encodeName(deviceFile(port.portName()));
    struct stat status {
    };
    if (port.error() == QSerialPort::DeviceNotFoundError || ::stat(file.constData(), &status) != 0)
        return OpenProblem::Missing;
    // A character device that is no terminal (/dev/null) fails the line settings.
    if (!S_ISCHR(status.st_mode) || port.error() == QSerialPort::UnsupportedOperationError)
        return OpenProblem::NotSerial;
    // QSerialPort reports a port locked by another program as a permission error, too.
    if (port.error() == QSerialPort::PermissionError)
        return ::access(file.constData(), R_OK | W_OK) != 0 ? OpenProblem::PermissionDenied
                                                            : OpenProblem::InUse;
    return OpenProblem::Other;
}

bool isPermissionDenied(const QSerialPort& port)
{
    return !port.portName().isEmpty() && openProblem(port) == OpenProblem::PermissionDenied;
}

bool endsLink(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

} // namespace devicelink
