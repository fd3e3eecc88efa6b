#pragma once

#include "wireformat.h"

#include <QString>

// The recording parameters as the operator enters them, the range each entry takes, and
// the checks an entry passes before it goes to the logger. The settings window and the
// command line both use them, so that both accept and refuse the same entries with the
// same words.
namespace recordingentry {

struct Range {
    int minimum = 0;
    int maximum = 0;

    constexpr bool contains(int value) const { return value >= minimum && value <= maximum; }
};

// Alarm limits in the unit they are entered in: -40 degC is -40 degF, 130 degC is 266 degF.
constexpr Range TemperatureC{-40, 130};
constexpr Range TemperatureF{-40, 266};
constexpr Range temperatureRange(bool celsius)
{
    return celsius ? TemperatureC : TemperatureF;
}
constexpr Range Humidity{0, 100};
constexpr Range RecordNumber{1, 20000};
// The interval as the settings window takes it, in three boxes.
constexpr Range IntervalHours{0, 24};
constexpr Range IntervalMinutes{0, 60};
constexpr Range IntervalSeconds{0, 60};

struct Entry {
    bool celsius = true; // the unit of the two temperatures
    int highTemp = 0;
    int lowTemp = 0;
    int highHumi = 0; // whole %RH
    int lowHumi = 0;
    int intervalSeconds = 0;
    int recordNumber = RecordNumber.minimum;
    bool manualMode = false;
};

struct Verdict {
    // Why the entry is refused, as the operator reads it; empty when it is accepted.
    QString refusal;
    // What goes to the logger, temperatures in whole degC; set only when accepted.
    wire::RecordingParameters parameters;

    bool accepted() const { return refusal.isEmpty(); }
};

// Whole degF as entered -> the logger's whole degC, truncating toward zero (33 degF and 32 degF
// both give 0).
int wholeCelsiusFromFahrenheit(int fahrenheit);
// Whole degC held by the logger -> the whole degF the settings window shows for it: the one
// next to degC x 1.8 + 32, away from 32 degF, that wholeCelsiusFromFahrenheit takes back to
// the same degC (3 degC = 37.4 degF shows as 38, -3 degC = 26.6 degF as 26). So an Apply of
// what is shown gives the logger the limits it held.
int wholeFahrenheitFromCelsius(int celsius);

// The checks, in this order, the first failure deciding the message: an interval of 0, an
// interval beyond the 16 bits of its field, a high temperature not above the low one
// (compared in whole degC after converting degF), a high humidity not above the low one.
Verdict check(const Entry& entry);

} // namespace recordingentry
