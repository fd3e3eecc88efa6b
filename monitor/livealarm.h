#pragma once

#include "device/wireformat.h"
#include "records/liveexcursions.h"

#include <QCoreApplication>
#include <QObject>

class DesktopNotifier;
class QLabel;

// The main window's watch over the live readings: a reading beyond one of the logger's alarm
// limits is shown, with its unit, in the colour of that limit (red above the high limit,
// blue below the low one), and a desktop notification says once when each excursion starts
// and once when it ends, in the window's language.
class LiveAlarm : public QObject
{
    Q_DECLARE_TR_FUNCTIONS(LiveAlarm)

public:
    // The labels of one reading.
    struct Shown {
        QLabel* value = nullptr;
        QLabel* unit = nullptr;
    };
    LiveAlarm(Shown temperature, Shown humidity, QObject* parent);

    // A live reply, shown in `celsius` or Fahrenheit.
    void take(const wire::LiveValues& live, bool celsius);
    // The link closed: the readings are no longer live, and are shown plain.
    void reset();

private:
    void paint(Shown shown, liveexcursions::Beyond side);
    void notify(const liveexcursions::Change& change, bool celsius);

    Shown temperature;
    Shown humidity;
    liveexcursions::Tracker tracker;
    DesktopNotifier* notifier;
};
