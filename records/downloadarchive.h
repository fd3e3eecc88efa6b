#pragma once

#include "datafile.h"

#include <QDateTime>
#include <QString>
#include <QVector>

// The archive: a copy of every complete download in a folder of its own, which no later
// download overwrites. ./data.txt and ./data.previous.txt keep only the last two; a cold
// store keeps its records for years. The program adds files to the archive and never
// changes or removes one: that is the operator's decision.
namespace archive {

// HYGROLUX_ARCHIVE when set (a shared folder, or the tests' own), else
// $XDG_DATA_HOME/hygrolux/downloads when that is an absolute path, else
// ~/.local/share/hygrolux/downloads. Absolute and clean; it may not exist yet.
QString folder();

// The name a download is archived under, such that names sort by the logger's start and then
// by the download time: "2024-03-05_22-30-00_start__2026-12-09_06-00-12_downloaded__288_
// records.txt". A logger whose clock was unknown starts "unknown-clock_start__", which sorts
// after every dated start, its downloads among themselves by their time. A `copy` above 1
// is written before the ending ("…_records_2.txt"), for a name that was taken.
QString fileName(const LoggedHeader& header, const QDateTime& downloaded, int copy = 1);

struct Stored {
    enum class Kind {
        Archived,
        // The newest archived file of the same start holds the same record lines: the
        // logger was downloaded again without new records.
        AlreadyArchived,
        NotArchived,
    };
    Kind kind = Kind::NotArchived;
    QString path;   // the archived file, also the earlier one of AlreadyArchived
    QString reason; // NotArchived: why, with the folder or file and the system's reason
};

// Keeps a copy of the data file in `folder` (created when missing), named after its header
// and `downloaded`. The file must hold a complete download: LoggedDownload calls this at
// success only, so a failed or partial download is never archived (checking the file again
// would add a parse of every record line to each download). The copy is written under a temporary
// name in the folder, flushed to the disk and checked, then renamed into place, never over a file
// of that name, and left read-only (0444). Nothing is left in the folder when this fails.
Stored keep(const QString& dataFilePath, const QString& folder, const QDateTime& downloaded);

// The one line the operator is told of it: "Archived: …", "Already archived with the same
// records: …" or "Not archived: …", translated.
QString message(const Stored& stored);

// A file of the archive, as its name describes it.
struct Entry {
    QString path;
    QDateTime start;      // the logger's wall clock held as UTC; invalid when its clock was unknown
    QDateTime downloaded; // this computer's local time, as the name gives it
};

// The archived downloads in `folder`, newest download first (among downloads of the same
// second, the later copy first). Files not named as the archive names them are left out; a
// folder that does not exist holds none.
QVector<Entry> list(const QString& folder);

} // namespace archive
