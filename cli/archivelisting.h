#pragma once

#include "records/downloadarchive.h"
#include "records/figures.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// The archived downloads as `hygrolux-cli archive` lists them: one line for a person, one
// JSON object for a script, each with the first excursion beyond the alarm limits.
namespace archivelisting {

struct Listed {
    archive::Entry entry;
    std::optional<figures::Figures> figures; // empty when the file cannot be read
};

Listed read(const archive::Entry& entry);
// "start 2024-03-09 22:30:00, downloaded 2026-12-09 06:00:12, 288 records, within limits",
// or "…, first excursion: temperature above 8.0 ℃ from 2024-03-10 01:30:00 for 20 min";
// without a line end.
QString line(const Listed& listed);
// path, start (null when the logger's clock was unknown), downloaded, records, unit,
// excursions and first_excursion (null within limits; as summary --json gives events), times
// as "yyyy-MM-ddTHH:mm:ss"; records and what follows null when the file cannot be read.
QJsonObject json(const Listed& listed);

} // namespace archivelisting
