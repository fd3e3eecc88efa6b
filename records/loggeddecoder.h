#pragma once

#include "blockreceiver.h"
#include "device/wireformat.h"

#include <QDate>
#include <QString>
#include <QTime>

// One logged record, decoded and stamped. Temperature, heat index and dew temperature are
// in the unit of the download; humidity is always %RH.
struct LoggedRecord {
    QDate date;
    QTime time;
    QString timeText; // "MM-dd-yyyy HH:mm:ss", the unknown-time text for an invalid clock
    float temperature = 0;
    float humidity = 0;
    float heatIndex = 0;
    double dewTemperature = 0; // not a number at 0 %RH
    // The four values as the data file and the workbook write them, one decimal each;
    // formatted once here because both write every record.
    QString temperatureText;
    QString humidityText;
    QString heatIndexText;
    QString dewTemperatureText;
};

// What the report says about a download. Ties keep the earlier record.
struct LoggedStatistics {
    static constexpr float NoMinimum = 9999;
    static constexpr float NoMaximum = -9999;

    QString startTime; // first record's time stamp
    QString endTime;   // last record's, once the download succeeded
    float tempMin = NoMinimum;
    float tempMax = NoMaximum;
    float humiMin = NoMinimum;
    float humiMax = NoMaximum;
    QString tempMinTime;
    QString tempMaxTime;
    QString humiMinTime;
    QString humiMaxTime;
};

// Turns the records of one download into values, in block order.
class LoggedDecoder
{
public:
    explicit LoggedDecoder(bool celsiusUnit = true) : celsius(celsiusUnit) {}

    // The unit of the next download's values.
    void setCelsius(bool isCelsius) { celsius = isCelsius; }
    bool isCelsius() const { return celsius; }

    // Starts a download: the clock runs from the header time and the statistics start over.
    void takeHeader(const BlockHeader& header);
    // Stamps the next record (header time + n x interval) and counts it.
    LoggedRecord decode(wire::block::RecordCodes codes);
    // At success: the end time becomes the last record's time stamp.
    void finish();
    // Forgets the extremes, as when the analysis window is left.
    void resetStatistics() { stats = LoggedStatistics(); }

    const LoggedStatistics& statistics() const { return stats; }
    int intervalSeconds() const { return interval; }

private:
    bool celsius;
    int interval = 0;
    QDate runningDate;
    int runningSeconds = 0; // time of day
    bool clockValid = false;
    LoggedStatistics stats;
};
