#pragma once

#include "device/wireformat.h"
#include "figures.h"

#include <QString>
#include <QVector>

// Where the live readings stand against the alarm limits the logger sends with them, and
// when an excursion beyond one starts or ends. The main window's colours and notifications
// and the command line's check and alarm commands all read it. A reading is compared as the
// figures of a download compare a record: in whole tenths, so a value on a limit is within.
namespace liveexcursions {

using figures::Beyond;
using figures::Limit;
using figures::Quantity;

// One live reply against its own limits.
struct Standing {
    Beyond temperature = Beyond::None;
    Beyond humidity = Beyond::None;

    Beyond of(Quantity quantity) const
    {
        return quantity == Quantity::Temperature ? temperature : humidity;
    }
};
Standing standingOf(const wire::LiveValues& live);

// An excursion beyond `limit` that began with this reply (`started`) or ended with it.
struct Change {
    Quantity quantity = Quantity::Temperature;
    Limit limit = Limit::High;
    bool started = true;
    double value = 0;   // the reading, degC or %RH
    int limitWhole = 0; // the limit as the logger holds it: whole degC or %RH
};

// Follows the replies of one connection. The first reply is compared with "within", so a
// logger that is already beyond a limit starts an excursion. A reading that goes from above
// the high limit straight to below the low one ends the one excursion and starts the other:
// every start has its end.
class Tracker
{
public:
    // The changes this reply brings, temperature before humidity, an end before a start.
    QVector<Change> take(const wire::LiveValues& live);
    Standing standing() const { return current; }
    // No reading any more (the link closed): within, without a change to report.
    void reset() { current = Standing(); }

private:
    Standing current;
};

// The reading in the unit shown, one decimal: "9.4".
QString readingNumber(const Change& change, bool celsius);
// The limit in the unit shown, whole where it is whole: "8", "46.4" (8 degC in degF), "80".
QString limitNumber(Quantity quantity, int limitWhole, bool celsius);
// "℃", "℉" or "%RH".
QString unitText(Quantity quantity, bool celsius);

} // namespace liveexcursions
