#include "linkmessages.h"

#include "portscan.h"

#include <QCoreApplication>

namespace linkmessages {

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("Temp", text);
}

} // namespace

QString openFailed(const QSerialPort& port)
{
    if (!devicelink::isPermissionDenied(port))
        return deviceNotFound();
    return translated(QT_TRANSLATE_NOOP("Temp",
                                        "The logger's port %1 cannot be opened: permission denied. "
                                        "Add your user to the \"dialout\" group (\"uucp\" on some "
                                        "systems), then log out and in again."))
        .arg(devicelink::deviceFile(port.portName()));
}

QString deviceNotFound()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Not found a valid device!"));
}

QString connected()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Connected to the device:OK"));
}

QString connectFailed()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Connected to Device failed!"));
}

QString clockSet()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Calibration time:OK"));
}

QString recordingStopped()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Stop record:OK"));
}

QString parametersSent()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Set data command sent"));
}

QString commandUnacknowledged()
{
    return translated(QT_TRANSLATE_NOOP(
        "Temp", "The logger did not acknowledge the command. Check the connection and try again."));
}

QString noLiveReadings()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "The logger sends no live readings."));
}

QString linkLost()
{
    return translated(QT_TRANSLATE_NOOP("Temp", "Critical Error"));
}

} // namespace linkmessages
