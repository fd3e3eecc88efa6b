#include "desktopnotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QGuiApplication>
#include <QVariantMap>

namespace {

const char* const Service = "org.freedesktop.Notifications";
const char* const Path = "/org/freedesktop/Notifications";
const char* const Interface = "org.freedesktop.Notifications";
// The service chooses how long a notification stays.
constexpr int ServiceDefaultTimeout = -1;

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& privateBus, QObject* parent)
    : QObject(parent), bus(privateBus)
{}

void DesktopNotifier::notify(const QString& summary, const QString& body, Urgency urgency)
{
    if (!bus)
        bus = QDBusConnection::sessionBus();
    if (!bus->isConnected())
        return;
    // The desktop entry names the program and its icon where the program was installed.
    const QString entry = QGuiApplication::desktopFileName();
    QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency))}};
    if (!entry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), entry);
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                       QLatin1String(Interface), QStringLiteral("Notify"));
    call << QCoreApplication::applicationName() << uint(0) << entry << summary << body
         << QStringList() << hints << ServiceDefaultTimeout;
    // The answer (the notification's number, or an error when no service runs) is of no use.
    bus->asyncCall(call);
}
