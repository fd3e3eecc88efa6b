#pragma once

#include "exports.h"

#include <functional>

class Sheet;

// The report of a download in the form its name asks for: the one choice of form that the
// analysis window's Export button and the command line's --out share.
namespace exports {

// What a report is made of.
struct ReportSources {
    QString dataFilePath;
    const Sheet* sheet = nullptr;
    QStringList summaryLines;
    // The records as the data file reads back; read from the file when not given.
    const SavedData* records = nullptr;
    // Draws the two trend charts as PNG bytes (empty when it fails); only where charts are
    // shown.
    std::function<QByteArray()> drawCharts;
};

// Takes the form from the file's name, refuses the files the download keeps, then saves.
Outcome saveReport(const ReportSources& sources, const QString& name);

} // namespace exports
