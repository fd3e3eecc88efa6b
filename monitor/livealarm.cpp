#include "livealarm.h"

#include "ui/desktopnotifier.h"

#include <QLabel>

using liveexcursions::Beyond;
using liveexcursions::Change;
using liveexcursions::Limit;
using liveexcursions::Quantity;

namespace {

// Readable on the skin's blue as large text: a light red and a sky blue; the readings are
// white otherwise, as the form has them.
const char* const Plain = "color: rgb(255, 255, 255);";
const char* const AboveHigh = "color: rgb(255, 130, 120);";
const char* const BelowLow = "color: rgb(140, 210, 255);";

// Whole sentences, so that each language words them its own way.
const char* const StartTexts[2][2] = {
    {QT_TRANSLATE_NOOP("LiveAlarm", "Temperature %1 is above the high limit %2"),
     QT_TRANSLATE_NOOP("LiveAlarm", "Temperature %1 is below the low limit %2")},
    {QT_TRANSLATE_NOOP("LiveAlarm", "Humidity %1 is above the high limit %2"),
     QT_TRANSLATE_NOOP("LiveAlarm", "Humidity %1 is below the low limit %2")}};
const char* const EndTexts[2][2] = {
    {QT_TRANSLATE_NOOP("LiveAlarm", "Temperature %1 is back below the high limit %2"),
     QT_TRANSLATE_NOOP("LiveAlarm", "Temperature %1 is back above the low limit %2")},
    {QT_TRANSLATE_NOOP("LiveAlarm", "Humidity %1 is back below the high limit %2"),
     QT_TRANSLATE_NOOP("LiveAlarm", "Humidity %1 is back above the low limit %2")}};
const char* const Summaries[2][2] = {
    {QT_TRANSLATE_NOOP("LiveAlarm", "Temperature alarm"),
     QT_TRANSLATE_NOOP("LiveAlarm", "Temperature back within limits")},
    {QT_TRANSLATE_NOOP("LiveAlarm", "Humidity alarm"),
     QT_TRANSLATE_NOOP("LiveAlarm", "Humidity back within limits")}};

} // namespace

LiveAlarm::LiveAlarm(Shown temperature_, Shown humidity_, QObject* parent)
    : QObject(parent), temperature(temperature_), humidity(humidity_),
      notifier(new DesktopNotifier(this))
{}

void LiveAlarm::take(const wire::LiveValues& live, bool celsius)
{
    const QVector<Change> changes = tracker.take(live);
    paint(temperature, tracker.standing().temperature);
    paint(humidity, tracker.standing().humidity);
    for (const Change& change : changes)
        notify(change, celsius);
}

void LiveAlarm::reset()
{
    tracker.reset();
    paint(temperature, Beyond::None);
    paint(humidity, Beyond::None);
}

void LiveAlarm::paint(Shown shown, Beyond side)
{
    const QLatin1String colour(side == Beyond::High  ? AboveHigh
                               : side == Beyond::Low ? BelowLow
                                                     : Plain);
    // A new style sheet restyles the label: only when the colour changes, not every second.
    for (QLabel* label : {shown.value, shown.unit})
        if (label->styleSheet() != colour)
            label->setStyleSheet(colour);
}

void LiveAlarm::notify(const Change& change, bool celsius)
{
    const int quantity = change.quantity == Quantity::Temperature ? 0 : 1;
    const int limit = change.limit == Limit::High ? 0 : 1;
    const QString unit = QLatin1Char(' ') + liveexcursions::unitText(change.quantity, celsius);
    const QString body =
        tr(change.started ? StartTexts[quantity][limit] : EndTexts[quantity][limit])
            .arg(liveexcursions::readingNumber(change, celsius) + unit,
                 liveexcursions::limitNumber(change.quantity, change.limitWhole, celsius) + unit);
    notifier->notify(tr(Summaries[quantity][change.started ? 0 : 1]), body,
                     change.started ? DesktopNotifier::Urgency::Critical
                                    : DesktopNotifier::Urgency::Normal);
}
