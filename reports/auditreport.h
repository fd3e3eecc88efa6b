#pragma once

#include "exports.h"
#include "records/savedfile.h"

#include <QDateTime>
#include <QString>

// The report an auditor signs: on A4 pages, the logger's settings, the figures and their
// verdict, both charts with their alarm lines, the excursions, every record with the values
// beyond a limit marked, the file's name and SHA-256, when it was made, "page k of n" and
// a line for the signature. In the language of the installed catalogue (English without
// one). Needs a QGuiApplication for its fonts; the offscreen platform will do.
namespace auditreport {

struct Source {
    const SavedData* data = nullptr;
    // The file `data` was read from: its name and the SHA-256 of its bytes stand on every page.
    QString filePath;
    QDateTime madeAt; // when the report is made, as the report states it
};

// Saved like every export: whole or not at all, never in the place of a file the download
// keeps, nor of the file it reports.
exports::Outcome save(const Source& source, const exports::Target& target);

} // namespace auditreport
