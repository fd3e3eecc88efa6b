#include "liveexcursions.h"

#include "readings.h"

namespace liveexcursions {

namespace {

// The figures compare in tenths of the file's unit; the live reply is in degC.
constexpr bool Celsius = true;

AlarmLimits limitsOf(const wire::LiveValues& live)
{
    return {live.tempAlarmHigh, live.tempAlarmLow, live.humiAlarmHigh, live.humiAlarmLow};
}

double readingOf(const wire::LiveValues& live, Quantity quantity)
{
    return quantity == Quantity::Temperature ? readings::temperatureC(live.temperatureCode)
                                             : readings::humidityPercent(live.humidityCode);
}

int limitOf(const wire::LiveValues& live, Quantity quantity, Limit limit)
{
    if (quantity == Quantity::Temperature)
        return limit == Limit::High ? live.tempAlarmHigh : live.tempAlarmLow;
    return limit == Limit::High ? live.humiAlarmHigh : live.humiAlarmLow;
}

Limit limitBeyond(Beyond side)
{
    return side == Beyond::High ? Limit::High : Limit::Low;
}

} // namespace

Standing standingOf(const wire::LiveValues& live)
{
    const AlarmLimits limits = limitsOf(live);
    return {figures::beyond(readings::temperatureC(live.temperatureCode),
                            figures::temperatureBounds(limits, Celsius)),
            figures::beyond(readings::humidityPercent(live.humidityCode),
                            figures::humidityBounds(limits))};
}

QVector<Change> Tracker::take(const wire::LiveValues& live)
{
    const Standing now = standingOf(live);
    QVector<Change> changes;
    for (const Quantity quantity : {Quantity::Temperature, Quantity::Humidity}) {
        const Beyond before = current.of(quantity);
        const Beyond after = now.of(quantity);
        if (before == after)
            continue;
        const double value = readingOf(live, quantity);
        if (before != Beyond::None) {
            const Limit limit = limitBeyond(before);
            changes.append({quantity, limit, false, value, limitOf(live, quantity, limit)});
        }
        if (after != Beyond::None) {
            const Limit limit = limitBeyond(after);
            changes.append({quantity, limit, true, value, limitOf(live, quantity, limit)});
        }
    }
    current = now;
    return changes;
}

QString readingNumber(const Change& change, bool celsius)
{
    if (change.quantity == Quantity::Humidity)
        return readings::formatValue(change.value);
    return readings::formatValue(readings::inUnit(change.value, celsius));
}

QString limitNumber(Quantity quantity, int limitWhole, bool celsius)
{
    AlarmLimits limits;
    limits.tempHigh = limitWhole;
    limits.humiHigh = limitWhole;
    const int tenths = quantity == Quantity::Temperature
                           ? figures::temperatureBounds(limits, celsius).highTenths
                           : figures::humidityBounds(limits).highTenths;
    if (tenths % 10 == 0)
        return QString::number(tenths / 10);
    return readings::formatValue(tenths / 10.0);
}

QString unitText(Quantity quantity, bool celsius)
{
    return quantity == Quantity::Humidity ? QStringLiteral("%RH") : readings::unitSymbol(celsius);
}

} // namespace liveexcursions
