#include "loggeddecoder.h"

#include "readings.h"
#include "timetexts.h"

namespace {
constexpr int SecondsPerDay = 24 * 60 * 60;
}

void LoggedDecoder::takeHeader(const BlockHeader& header)
{
    interval = header.intervalSeconds;
    runningDate = header.startDate;
    clockValid = header.startDate.isValid() && header.startTime.isValid();
    runningSeconds = clockValid ? header.startTime.msecsSinceStartOfDay() / 1000 : 0;
    stats = LoggedStatistics();
}

LoggedRecord LoggedDecoder::decode(wire::block::RecordCodes codes)
{
    LoggedRecord record;
    if (clockValid) {
        // The interval is below one day, so the clock passes midnight at most once a step.
        const int previous = runningSeconds;
        runningSeconds = (runningSeconds + interval) % SecondsPerDay;
        if (runningSeconds < previous)
            runningDate = runningDate.addDays(1);
        record.date = runningDate;
        record.time = QTime::fromMSecsSinceStartOfDay(runningSeconds * 1000);
    }
    record.timeText = logged::recordTimeText(record.date, record.time);

    record.temperature = readings::inUnit(readings::temperatureC(codes.temperature), celsius);
    record.humidity = readings::humidityPercent(codes.humidity);
    record.heatIndex =
        readings::inUnit(readings::heatIndexC(codes.temperature, codes.humidity), celsius);
    const double dewC = readings::dewPointC(codes.temperature, codes.humidity);
    record.dewTemperature = celsius ? dewC : double(readings::toFahrenheit(dewC));
    record.temperatureText = readings::formatValue(double(record.temperature));
    record.humidityText = readings::formatValue(double(record.humidity));
    record.heatIndexText = readings::formatValue(double(record.heatIndex));
    record.dewTemperatureText = readings::formatValue(record.dewTemperature);

    if (stats.startTime.isEmpty())
        stats.startTime = record.timeText;
    if (record.temperature < stats.tempMin) {
        stats.tempMin = record.temperature;
        stats.tempMinTime = record.timeText;
    }
    if (record.temperature > stats.tempMax) {
        stats.tempMax = record.temperature;
        stats.tempMaxTime = record.timeText;
    }
    if (record.humidity < stats.humiMin) {
        stats.humiMin = record.humidity;
        stats.humiMinTime = record.timeText;
    }
    if (record.humidity > stats.humiMax) {
        stats.humiMax = record.humidity;
        stats.humiMaxTime = record.timeText;
    }
    return record;
}

void LoggedDecoder::finish()
{
    const QTime time =
        clockValid ? QTime::fromMSecsSinceStartOfDay(runningSeconds * 1000) : QTime();
    stats.endTime = logged::recordTimeText(runningDate, time);
}
