#pragma once

#include "savedfile.h"
#include "summarylines.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

// What an auditor asks of a download: how long and how often the goods were outside their
// alarm limits, the extremes and means, and the mean kinetic temperature. Computed from the
// records a data file or workbook holds, in the file's unit; shared by the analysis window,
// the report and the command line.
namespace figures {

enum class Quantity { Temperature, Humidity };
enum class Limit { High, Low };
enum class Beyond { None, High, Low };

// Alarm limits of one quantity in tenths of the file's unit. Record values carry one decimal,
// so comparing whole tenths is exact: 46.4 degF read back as a float is neither above nor
// below a limit of 8 degC = 46.4 degF.
struct Bounds {
    int highTenths = 0;
    int lowTenths = 0;
};
Bounds temperatureBounds(const AlarmLimits& alarms, bool celsius);
Bounds humidityBounds(const AlarmLimits& alarms);
// Strictly above the high limit or strictly below the low one; a value on a limit is within.
Beyond beyond(float value, const Bounds& bounds);
// A limit as it is shown: one decimal for temperatures, a whole number for humidity.
QString limitText(Quantity quantity, int tenths, bool celsius);

// A maximal run of consecutive records beyond the same limit.
struct Excursion {
    Quantity quantity = Quantity::Temperature;
    Limit limit = Limit::High;
    int firstRecord = 0; // index into the records
    int records = 0;
    QDateTime first; // the first record's stamp, wall clock held as UTC; invalid when unknown
    qint64 durationSeconds = 0; // records x interval
    double extreme = 0;         // the highest value of a run above, the lowest of a run below
};

struct QuantityFigures {
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    Bounds bounds;
    qint64 aboveSeconds = 0;
    qint64 belowSeconds = 0;
    int excursions = 0;
    qint64 longestExcursionSeconds = 0;
};

struct Figures {
    int records = 0;   // the records present
    int announced = 0; // the count the file's header announces
    // The download stopped early ("data missed", or fewer records than announced): the
    // figures are over the records that arrived.
    bool partial = false;
    int intervalSeconds = 0;
    bool celsius = true;
    QDateTime first; // stamps of the first and last record; invalid when unknown
    QDateTime last;
    QuantityFigures temperature;
    QuantityFigures humidity;
    double meanKineticTemperature = 0; // in the file's unit
    QVector<Excursion> events;         // in the order they began

    bool isEmpty() const { return records == 0; }
};

// Delta H / R for the mean kinetic temperature, in kelvin: 83.144 kJ/mol over the gas
// constant, the value pharmacopoeias use.
constexpr double ActivationOverGasConstant = 10000;

// MKT in degC of temperatures in degC; 0 for none.
double meanKineticTemperatureC(const QVector<double>& celsius);

Figures of(const SavedData& data);

// "1 h 20 min", "45 s", "2 d 3 h": the two largest units, at most.
QString durationText(qint64 seconds);
// One line: "Within limits", or how many excursions and the time beyond each limit.
QString verdict(const Figures& figures);
// The figures as rows of text for the summary table and the report, translated; one plain
// row when there are no records.
QStringList lines(const Figures& figures);
// The figures as the command line's summary --json prints them.
QJsonObject toJson(const Figures& figures);

} // namespace figures
