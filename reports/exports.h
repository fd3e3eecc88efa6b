#pragma once

#include "records/savedfile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class Sheet;

// The report of a download, saved in the form its file name asks for. Every export either
// saves the whole file or leaves the target as it was and says why: the new file is written
// beside the target and takes its place only once it is complete.
namespace exports {

enum class Form {
    None,     // no known ending: nothing is saved (the window says which endings it takes)
    Text,     // ".txt": a byte-for-byte copy of the data file
    Workbook, // ".xls" (also ".xlsx"): the download's sheet with its summary rows 4..12
    Pdf,      // ".pdf": the data file printed line by line on A4
    Csv,      // ".csv": a header row and one row per record, for spreadsheets and scripts
    Picture,  // ".png": the two trend charts, drawn by the window (not in this unit)
};
// By the file's own name, not its folder's: the first of ".txt", ".xls", ".pdf", ".csv",
// ".png" found anywhere in it, in small letters.
Form formOf(const QString& fileName);

struct Outcome {
    bool saved = false;
    QString reason; // why it was not saved, for the message; empty when saved
};

// Where a report goes: the name it was given, and the data file of the download it reports.
struct Target {
    QString name;
    QString dataFilePath;
};

// The file a download keeps (LoggedDownload::keptFiles) that writing to `target.name` would
// replace: named under any spelling, through a link or a chain of links, also one whose end
// does not exist yet. Empty when there is none.
QString keptFileNamedBy(const Target& target);
// Why no report may be written to `target`: it has no name, or it names a file the
// download keeps, which the report would destroy. Empty when it may.
QString refusalOf(const Target& target);

Outcome saveText(const Target& target);
// The sheet as the download left it; the summary rows are added to a copy.
Outcome saveWorkbook(const Sheet& downloadSheet, const QStringList& summaryLines,
                     const Target& target);
// The records as a load of the data file gives them (savedfile::load); the unit from the header.
Outcome saveCsv(const SavedData& data, const Target& target);
// Any content, written whole or not at all (the forms above, the window's picture). A
// target that is a link has the end of its links replaced.
Outcome saveFile(const QByteArray& content, const Target& target);
// A file that a library writes by name (the workbook, the PDF): `build` writes it to the path
// it is given, in a folder of its own, and the result is saved like any other content.
// `buildFailure` is the reason when `build` returns false.
Outcome saveBuiltFile(const std::function<bool(const QString& path)>& build,
                      const QString& buildFailure, const Target& target);

// The data file's bytes for a report to `target`; false with the reason when the target is
// refused (refusalOf) or the data file cannot be read.
bool readDataFile(const Target& target, QByteArray* content, QString* reason);

} // namespace exports
