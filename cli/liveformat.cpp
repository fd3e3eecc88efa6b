#include "liveformat.h"

#include "records/readings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace liveformat {

namespace {

// The four values of a live reply, formatted as the main window shows them.
struct Values {
    QString temperature;
    QString humidity;
    QString dewTemperature; // empty where undefined
    QString heatIndex;
};

Values values(const wire::LiveValues& live, bool celsius)
{
    const double dew = readings::dewPointC(live.temperatureCode, live.humidityCode);
    const auto inUnit = [celsius](double value) {
        return readings::formatValue(readings::inUnit(value, celsius));
    };
    return {inUnit(readings::temperatureC(live.temperatureCode)),
            readings::formatValue(readings::humidityPercent(live.humidityCode)),
            std::isfinite(dew) ? inUnit(dew) : QString(),
            inUnit(readings::heatIndexC(live.temperatureCode, live.humidityCode))};
}

QString alarmTemperature(int wholeDegreesC, bool celsius)
{
    return readings::formatValue(readings::inUnit(wholeDegreesC, celsius));
}

QString isoTime(const QDateTime& time)
{
    // The local time with its offset, so that lines from machines in other zones compare.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonValue number(const QString& formatted)
{
    return formatted.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(formatted.toDouble());
}

} // namespace

QString statusText(const wire::LiveValues& live, bool celsius, const QString& port)
{
    const Values v = values(live, celsius);
    const QString unit = readings::unitSymbol(celsius);
    const auto line = [](const char* label, const QString& value) {
        return QStringLiteral("%1%2\n").arg(QLatin1String(label), -21).arg(value);
    };
    return line("Port:", port) + line("Temperature:", v.temperature + ' ' + unit) +
           line("Humidity:", v.humidity + QStringLiteral(" %RH")) +
           line("Dew temperature:",
                (v.dewTemperature.isEmpty() ? QStringLiteral("--.-") : v.dewTemperature) + ' ' +
                    unit) +
           line("Heat index:", v.heatIndex + ' ' + unit) +
           line("Records:", QString::number(live.recordCount)) +
           line("Temperature alarms:",
                QStringLiteral("high %1 %3, low %2 %3")
                    .arg(alarmTemperature(live.tempAlarmHigh, celsius),
                         alarmTemperature(live.tempAlarmLow, celsius), unit)) +
           line("Humidity alarms:", QStringLiteral("high %1 %RH, low %2 %RH")
                                        .arg(live.humiAlarmHigh)
                                        .arg(live.humiAlarmLow));
}

QString statusJson(const wire::LiveValues& live, bool celsius, const QString& port,
                   const QDateTime& time)
{
    const Values v = values(live, celsius);
    const QJsonObject object{
        {"port", port},
        {"time", isoTime(time)},
        {"unit", celsius ? "C" : "F"},
        {"temperature", number(v.temperature)},
        {"humidity", number(v.humidity)},
        {"dewTemperature", number(v.dewTemperature)},
        {"heatIndex", number(v.heatIndex)},
        {"recordCount", live.recordCount},
        {"tempAlarmHigh", number(alarmTemperature(live.tempAlarmHigh, celsius))},
        {"tempAlarmLow", number(alarmTemperature(live.tempAlarmLow, celsius))},
        {"humiAlarmHigh", live.humiAlarmHigh},
        {"humiAlarmLow", live.humiAlarmLow},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString csvLine(const wire::LiveValues& live, bool celsius, const QDateTime& time)
{
    const Values v = values(live, celsius);
    return QStringList{isoTime(time),    v.temperature, v.humidity,
                       v.dewTemperature, v.heatIndex,   QString::number(live.recordCount)}
        .join(QLatin1Char(','));
}

} // namespace liveformat
