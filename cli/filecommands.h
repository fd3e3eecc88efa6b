#pragma once

#include "records/savedfile.h"

#include <QString>

class QTextStream;

// The commands on a file the program wrote, which need no logger: summary and report, and
// the report with charts that a download saves with --report.
namespace cli {

struct Invocation;

// Reads a data file or workbook the program wrote, as the analysis window's Open does;
// false with the reason when it is none.
bool loadOwnFile(const QString& path, SavedData* data, QString* reason);

// Why `name` may not take the report of `source`: it names a file the download keeps or the
// file the report is made from; empty when it may.
QString reportRefusal(const QString& option, const QString& name, const QString& source);

// summary: the figures, as lines or as one JSON object; the exit code.
int summary(const Invocation& invocation, QTextStream& out, QTextStream& err);
// report: the report with charts of the file; the exit code.
int report(const Invocation& invocation, QTextStream& out, QTextStream& err);
// Saves the report with charts of `source` as `name` and says so; the exit code.
int saveReportWithCharts(const SavedData& data, const QString& source, const QString& name,
                         QTextStream& out, QTextStream& err);

} // namespace cli
