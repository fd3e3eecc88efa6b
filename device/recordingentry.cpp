#include "recordingentry.h"

#include <QCoreApplication>

namespace recordingentry {

namespace {

QString refused(const char* text)
{
    return QCoreApplication::translate("Set", text);
}

} // namespace

int wholeCelsiusFromFahrenheit(int fahrenheit)
{
    return int((fahrenheit - 32) / 1.8);
}

int wholeFahrenheitFromCelsius(int celsius)
{
    // In tenths, exactly: degC x 18 + 320; above 0 degC it is above 32 degF, and the
    // other way round.
    const int tenths = celsius * 18 + 320;
    if (celsius > 0)
        return (tenths + 9) / 10;
    if (tenths >= 0)
        return tenths / 10;
    return -((-tenths + 9) / 10);
}

Verdict check(const Entry& entry)
{
    Verdict verdict;
    int high = entry.highTemp;
    int low = entry.lowTemp;
    if (!entry.celsius) {
        high = wholeCelsiusFromFahrenheit(high);
        low = wholeCelsiusFromFahrenheit(low);
    }

    if (entry.intervalSeconds <= 0) {
        verdict.refusal = refused(
            QT_TRANSLATE_NOOP("Set", "record interval is illegal, should be greater than 0!"));
        return verdict;
    }
    static_assert(wire::MaxIntervalSeconds == 18 * 3600 + 12 * 60 + 15,
                  "the message below names the longest interval");
    if (entry.intervalSeconds > wire::MaxIntervalSeconds) {
        verdict.refusal = refused(QT_TRANSLATE_NOOP(
            "Set", "Error:Record interval is too long, should be at most 18 h 12 min 15 s "
                   "(65535 sec)"));
        return verdict;
    }
    if (high <= low) {
        verdict.refusal = refused(QT_TRANSLATE_NOOP(
            "Set",
            "Error:High temperature value should be greater than the low temperature value"));
        return verdict;
    }
    if (entry.highHumi <= entry.lowHumi) {
        verdict.refusal = refused(QT_TRANSLATE_NOOP(
            "Set", "Error:High humidity value should be greater than the low humidity value"));
        return verdict;
    }

    wire::RecordingParameters& parameters = verdict.parameters;
    parameters.highTempC = high;
    parameters.lowTempC = low;
    parameters.highHumi = entry.highHumi;
    parameters.lowHumi = entry.lowHumi;
    parameters.recordNumber = entry.recordNumber;
    parameters.intervalSeconds = entry.intervalSeconds;
    parameters.manualMode = entry.manualMode;
    return verdict;
}

} // namespace recordingentry
