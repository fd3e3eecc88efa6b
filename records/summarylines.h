#pragma once

#include "loggeddecoder.h"

#include <QStringList>

// Alarm limits as the logger last reported them: whole degC and whole %RH.
struct AlarmLimits {
    int tempHigh = 0;
    int tempLow = 0;
    int humiHigh = 0;
    int humiLow = 0;
};

// The eight ">>" lines that summarise a download, shared by the summary table, the report
// block of the data file and rows 4..11 of the workbook.
struct SummaryValues {
    LoggedStatistics statistics; // extremes in the download's unit, start and end texts
    AlarmLimits alarms;
    int intervalSeconds = 0;
    int recordCount = 0; // the block header's count
    bool celsius = true;
};

namespace summary {

constexpr int LineCount = 8;

// Who reads the lines. Without records there are no extremes: the data file keeps the
// markers 9999.0 and -9999.0 in their places, as its readers know them; what the operator
// reads shows dashes instead of numbers that were never measured.
enum class Reader { DataFile, Operator };

QStringList lines(const SummaryValues& values, Reader reader);
// What the data file shows in place of the summary while a download runs.
QStringList placeholderLines();

} // namespace summary
