#pragma once

#include "device/wireformat.h"

#include <QString>

// The answer of check in the format of monitoring plugins, which Nagios, Icinga, Naemon and
// Zabbix run: one line, "HYGROLUX <state> - <text> | <performance data>", and the state as
// the exit code (cli::pluginexit).
namespace monitoringplugin {

struct Answer {
    int exitCode = 0;
    QString line; // without a line end
};

// OK within the limits, CRITICAL with the readings beyond which limit; the performance data
// carry the readings and the logger's limits as their critical ranges, in the unit asked for.
Answer of(const wire::LiveValues& live, bool celsius);
// UNKNOWN, with the reason on the one line.
Answer unknown(const QString& reason);

} // namespace monitoringplugin
