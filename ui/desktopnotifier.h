#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

// Desktop notifications through the notification service of the session bus
// (org.freedesktop.Notifications), which every Linux desktop and daemons such as dunst
// provide. A notification is sent without waiting for the answer, so that a service that
// hangs never holds up a window; without a session bus or without a service, nothing is
// shown and nothing fails.
class DesktopNotifier : public QObject
{
public:
    enum class Urgency : uchar { Low = 0, Normal = 1, Critical = 2 };

    // On the session bus, reached at the first notification.
    explicit DesktopNotifier(QObject* parent = nullptr);
    // On `bus`, e.g. a private one.
    DesktopNotifier(const QDBusConnection& bus, QObject* parent);

    void notify(const QString& summary, const QString& body, Urgency urgency);

private:
    std::optional<QDBusConnection> bus;
};
