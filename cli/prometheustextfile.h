#pragma once

#include "device/wireformat.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The live readings for Prometheus, in its text exposition format, as a file that
// node_exporter's textfile collector reads (--collector.textfile.directory). Temperatures
// are in degrees Celsius whatever the unit asked for, as Prometheus keeps base units; every
// sample carries the port as a label.
namespace prometheustextfile {

struct Sample {
    QString port;
    // The last reply; none when the logger did not answer: hygrolux_up 0 and no readings.
    std::optional<wire::LiveValues> live;
    // When the logger last answered in this run; invalid before its first reply.
    QDateTime lastReply;
};

QByteArray text(const Sample& sample);

// Writes `content` as `path` whole or not at all, so that a collector never reads half a
// file: under a hidden name in the same folder, then renamed over `path`. Why it could not,
// or empty.
QString write(const QString& path, const QByteArray& content);

} // namespace prometheustextfile
