#include "summarylines.h"

#include "readings.h"

#include <QCoreApplication>

namespace summary {

namespace {

QString alarmTemperature(int wholeDegreesC, bool celsius)
{
    return readings::formatValue(readings::inUnit(wholeDegreesC, celsius));
}

const QString NotMeasured = QStringLiteral("--");

// An extreme and its time stamp, or dashes for the operator where nothing was measured.
QString extreme(float value, float noValue, Reader reader)
{
    return value == noValue && reader == Reader::Operator ? NotMeasured
                                                          : readings::formatValue(value);
}

QString extremeTime(const QString& time, float value, float noValue, Reader reader)
{
    return value == noValue && reader == Reader::Operator ? NotMeasured : time;
}

} // namespace

QStringList lines(const SummaryValues& values, Reader reader)
{
    const LoggedStatistics& s = values.statistics;
    const AlarmLimits& a = values.alarms;
    const bool c = values.celsius;

    // The texts differ in their spacing on purpose; keep them exactly as they are.
    const QString tempAlarm =
        c ? QCoreApplication::translate("QRealTimeData",
                                        ">>Temp Alarm HI: %1℃   Temp Alarm Low: %2℃")
          : QCoreApplication::translate("QRealTimeData",
                                        ">>Temp Alarm HI: %1℉   Temp Alarm Low: %2℉");
    const QString tempExtremes =
        c ? QCoreApplication::translate("QRealTimeData",
                                        ">>Temp MIN: %1℃  @%2   Temp MAX: %3℃  @%4 ")
          : QCoreApplication::translate("QRealTimeData",
                                        ">>Temp MIN: %1℉ @%2   Temp MAX: %3℉ @%4 ");
    return {
        QCoreApplication::translate("QRealTimeData", ">>Start Time:%1").arg(s.startTime),
        QCoreApplication::translate("QRealTimeData", ">>End Time:%1").arg(s.endTime),
        tempAlarm.arg(alarmTemperature(a.tempHigh, c), alarmTemperature(a.tempLow, c)),
        QCoreApplication::translate("QRealTimeData", ">>RH Alarm HI: %1 %RH   RH Alarm Low: %2 %RH")
            .arg(a.humiHigh)
            .arg(a.humiLow),
        QCoreApplication::translate("QRealTimeData", ">>Sampling rate: %1 sec")
            .arg(values.intervalSeconds),
        QCoreApplication::translate("QRealTimeData", ">>Data number: %1").arg(values.recordCount),
        tempExtremes.arg(
            extreme(s.tempMin, LoggedStatistics::NoMinimum, reader),
            extremeTime(s.tempMinTime, s.tempMin, LoggedStatistics::NoMinimum, reader),
            extreme(s.tempMax, LoggedStatistics::NoMaximum, reader),
            extremeTime(s.tempMaxTime, s.tempMax, LoggedStatistics::NoMaximum, reader)),
        QCoreApplication::translate("QRealTimeData", ">>RH MIN: %1%RH @%2   RH MAX:%3%RH @%4")
            .arg(extreme(s.humiMin, LoggedStatistics::NoMinimum, reader),
                 extremeTime(s.humiMinTime, s.humiMin, LoggedStatistics::NoMinimum, reader),
                 extreme(s.humiMax, LoggedStatistics::NoMaximum, reader),
                 extremeTime(s.humiMaxTime, s.humiMax, LoggedStatistics::NoMaximum, reader)),
    };
}

QStringList placeholderLines()
{
    return {
        QCoreApplication::translate("QRealTimeData", ">>Start Time:12-02-2016 15:26:05"),
        QCoreApplication::translate("QRealTimeData", ">>End Time:12-02-2016 15:42:39"),
        QCoreApplication::translate("QRealTimeData",
                                    ">>Temp Alarm HI: 100.0℃   Temp Alarm Low:0.0℃"),
        QCoreApplication::translate("QRealTimeData", ">>RH Alarm HI:100 %RH   RH Alarm Low: 0 %RH"),
        QCoreApplication::translate("QRealTimeData", ">>Sampling rate:  1 sec"),
        QCoreApplication::translate("QRealTimeData", ">>Data number: 1000"),
        QCoreApplication::translate(
            "QRealTimeData",
            ">>Temp MAX: 17.9℃  @12-02-2016 15:42:39   Temp MIN: 19.0℃  @12-02-2016 15:28:02"),
        QCoreApplication::translate(
            "QRealTimeData",
            ">>RH MAX: 41.2%RH @12-02-2016 15:42:39   RH MIN:99.8%RH @12-02-2016 15:28:02"),
    };
}

} // namespace summary
