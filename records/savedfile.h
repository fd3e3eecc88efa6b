#pragma once

#include "datafile.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;
class Sheet;

// One record as a saved file holds it; temperatures in the file's unit.
struct SavedRecord {
    QString time; // "MM-dd-yyyy HH:mm:ss"
    float temperature = 0;
    float humidity = 0;
    float heatIndex = 0;
    float dewTemperature = 0; // not a number where the file says "nan"
};

// A data file or workbook read back for viewing.
struct SavedData {
    LoggedHeader header;
    QStringList reportLines; // the eight report lines; those of a text file keep their line ends
    QVector<SavedRecord> records; // at most the header's count, fewer where the file ends
};

// Reading saved data files (./data.txt or a copy) and workbooks back. What is read is
// bounded by what the file holds, whatever its header claims.
namespace savedfile {

enum class Kind { Text, Workbook };
// By the file's own name, not its folder's, case-sensitively: ".txt" anywhere in it makes a
// text file, otherwise ".xls" (also ".xlsx") a workbook; any other name is read as text.
Kind kindOf(const QString& fileName);

// The most records a file may bring: a logger holds at most 65535, and the window keeps
// several objects for each record, so a file of millions would take gigabytes.
constexpr int MaxRecords = 200000;

enum class Status {
    Loaded,
    // Not openable, empty, no record count, or a start time that does not read.
    Unreadable,
    // Header and records read, but without an interval the records have no times to draw.
    NoInterval,
    // More than MaxRecords records: none are read.
    TooManyRecords,
};

struct Result {
    Status status = Status::Unreadable;
    SavedData data;
};

Result load(const QString& path, Kind kind);
Result readText(QIODevice& device);
Result readSheet(const Sheet& sheet);

} // namespace savedfile
