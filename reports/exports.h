#pragma once

#include "savedfile.h"

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
// Case-sensitive, anywhere in the name, in this order: ".txt", ".xls", ".pdf", ".csv", ".png".
Form formOf(const QString& fileName);

struct Outcome {
    bool saved = false;
    QString reason; // why it was not saved, for the message; empty when saved
};

// Why no report may be written to `target`: it has no name, or it is the data file itself
// under any spelling or through a link, which the report would destroy. Empty when it may.
QString refusalOf(const QString& dataFilePath, const QString& target);

Outcome saveText(const QString& dataFilePath, const QString& target);
// The sheet as the download left it; the summary rows are added to a copy.
Outcome saveWorkbook(const Sheet& downloadSheet, const QStringList& summaryLines,
                     const QString& target);
// The records as a load of the data file gives them (savedfile::load); the unit from the header.
Outcome saveCsv(const SavedData& data, const QString& target);
// Any content, written whole or not at all (the forms above, the window's picture).
Outcome saveFile(const QByteArray& content, const QString& target);
// A file that a library writes by name (the workbook, the PDF): `build` writes it to the path
// it is given, in a folder of its own, and the result is saved like any other content.
// `buildFailure` is the reason when `build` returns false.
Outcome saveBuiltFile(const std::function<bool(const QString& path)>& build,
                      const QString& buildFailure, const QString& target);

// The data file's bytes for a report to `target`; false with the reason when the target is
// refused (refusalOf) or the data file cannot be read.
bool readDataFile(const QString& dataFilePath, const QString& target, QByteArray* content,
                  QString* reason);

} // namespace exports
