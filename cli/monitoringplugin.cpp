#include "monitoringplugin.h"

#include "exitcodes.h"
#include "records/liveexcursions.h"
#include "records/readings.h"

#include <QStringList>

#include <cmath>

using liveexcursions::Beyond;
using liveexcursions::Quantity;

namespace monitoringplugin {

namespace {

const char* const Prefix = "HYGROLUX";

// One quantity in the text and the performance data.
struct Reading {
    const char* name;
    Quantity quantity;
    QString value; // in the unit asked for, one decimal
    int highLimit; // whole degC or %RH, as the logger holds them
    int lowLimit;
};

// Monitoring systems show the text as it comes: ASCII units.
QString unitOf(Quantity quantity, bool celsius)
{
    if (quantity == Quantity::Humidity)
        return QStringLiteral("%RH");
    return celsius ? QStringLiteral("C") : QStringLiteral("F");
}

QString described(const Reading& reading, Beyond side, bool celsius)
{
    const QString unit = unitOf(reading.quantity, celsius);
    QString text = QStringLiteral("%1 %2 %3").arg(QLatin1String(reading.name), reading.value, unit);
    if (side == Beyond::None)
        return text;
    const bool high = side == Beyond::High;
    return text + QStringLiteral(" is %1 the %2 limit %3 %4")
                      .arg(high ? QStringLiteral("above") : QStringLiteral("below"),
                           high ? QStringLiteral("high") : QStringLiteral("low"),
                           liveexcursions::limitNumber(reading.quantity,
                                                       high ? reading.highLimit : reading.lowLimit,
                                                       celsius),
                           unit);
}

// label=value;warning;critical, the critical range "low:high": a value on a limit is OK.
QString performance(const Reading& reading, bool celsius)
{
    return QStringLiteral("%1=%2;;%3:%4")
        .arg(QLatin1String(reading.name), reading.value,
             liveexcursions::limitNumber(reading.quantity, reading.lowLimit, celsius),
             liveexcursions::limitNumber(reading.quantity, reading.highLimit, celsius));
}

QString inUnit(double celsiusValue, bool celsius)
{
    // "U": a value the plugin cannot determine (the dew temperature of dry air).
    if (!std::isfinite(celsiusValue))
        return QStringLiteral("U");
    return readings::formatValue(readings::inUnit(celsiusValue, celsius));
}

} // namespace

Answer of(const wire::LiveValues& live, bool celsius)
{
    const Reading temperature{"temperature", Quantity::Temperature,
                              inUnit(readings::temperatureC(live.temperatureCode), celsius),
                              live.tempAlarmHigh, live.tempAlarmLow};
    const Reading humidity{"humidity", Quantity::Humidity,
                           readings::formatValue(readings::humidityPercent(live.humidityCode)),
                           live.humiAlarmHigh, live.humiAlarmLow};
    const liveexcursions::Standing standing = liveexcursions::standingOf(live);
    const bool within = standing.temperature == Beyond::None && standing.humidity == Beyond::None;
    const QString text = described(temperature, standing.temperature, celsius) +
                         QStringLiteral(", ") + described(humidity, standing.humidity, celsius);
    const QStringList data{
        performance(temperature, celsius), performance(humidity, celsius),
        QStringLiteral("dew_point=") +
            inUnit(readings::dewPointC(live.temperatureCode, live.humidityCode), celsius),
        QStringLiteral("heat_index=") +
            inUnit(readings::heatIndexC(live.temperatureCode, live.humidityCode), celsius)};
    return {within ? cli::pluginexit::Ok : cli::pluginexit::Critical,
            QStringLiteral("%1 %2 - %3 | %4")
                .arg(QLatin1String(Prefix),
                     within ? QStringLiteral("OK") : QStringLiteral("CRITICAL"), text,
                     data.join(QLatin1Char(' ')))};
}

Answer unknown(const QString& reason)
{
    // The reasons of the other commands may take two lines; a plugin says it in one.
    return {cli::pluginexit::Unknown,
            QStringLiteral("%1 UNKNOWN - %2").arg(QLatin1String(Prefix), reason.simplified())};
}

} // namespace monitoringplugin
