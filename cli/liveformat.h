#pragma once

#include "device/wireformat.h"

#include <QDateTime>
#include <QString>

// The live readings as the command line prints them: a block of lines for a person, one
// JSON object or one CSV line for a script. Temperatures (the alarm limits too) in the
// chosen unit with one decimal, humidity in %RH; the dew temperature is missing (empty,
// null or "--.-") where the humidity is 0.
namespace liveformat {

QString statusText(const wire::LiveValues& live, bool celsius, const QString& port);
// One line, without a line end.
QString statusJson(const wire::LiveValues& live, bool celsius, const QString& port,
                   const QDateTime& time);
// time (ISO 8601 with the offset from UTC), temperature, humidity, dew temperature, heat
// index, record count; without a line end.
QString csvLine(const wire::LiveValues& live, bool celsius, const QDateTime& time);

} // namespace liveformat
