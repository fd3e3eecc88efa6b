#pragma once

#include "datafile.h"
#include "loggeddecoder.h"
#include "workbook/sheet.h"

#include <QStringList>

// Where a download and its report go in the workbook: the title cells and column titles
// (rows 1, 2 and 13), one row per record from row 14, and the summary in rows 4..12.
namespace sheetlayout {

constexpr int FirstRecordRow = 14;

constexpr int recordRow(int number)
{
    return FirstRecordRow - 1 + number;
}

// A1 (merged over A1:F1), "Test Report" in A2 (merged and centred over A2:F2) and the
// column titles in row 13.
void writeHead(Sheet& sheet, const LoggedHeader& header);
// Record `number` (1-based) in row 13 + number.
void writeRecord(Sheet& sheet, int number, const LoggedRecord& record);
// In column A of `row`, the row after the last record written.
void writeDataMissed(Sheet& sheet, int row);
// The eight summary lines in A4..A11 and a dashed line in A12, each merged across.
void writeSummary(Sheet& sheet, const QStringList& summaryLines);

} // namespace sheetlayout
