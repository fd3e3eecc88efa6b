#include "sheetlayout.h"

#include "readings.h"

namespace sheetlayout {

namespace {

constexpr int LastColumn = 6; // F
constexpr int TitleRow = 13;
constexpr int FirstSummaryRow = 4;
constexpr int SummaryEndRow = FirstSummaryRow + summary::LineCount;

// The summary rows are merged over A:D (times and alarms), A:C (rate and count) or
// A:F (the extremes and the closing dashes).
int summaryLastColumn(int row)
{
    if (row < 8)
        return 4;
    if (row < 10)
        return 3;
    return LastColumn;
}

void mergeRow(Sheet& sheet, int row, int lastColumn, Qt::Alignment alignment = {})
{
    sheet.mergeCells({row, 1, row, lastColumn}, alignment);
}

} // namespace

void writeHead(Sheet& sheet, const LoggedHeader& header)
{
    sheet.write(1, 1, datafile::workbookHeaderLine(header));
    mergeRow(sheet, 1, LastColumn);
    sheet.write(2, 1, QStringLiteral("Test Report"));
    mergeRow(sheet, 2, LastColumn, Qt::AlignHCenter | Qt::AlignVCenter);

    const QString unit = readings::unitSymbol(header.celsius);
    const QStringList titles{
        QStringLiteral("NO"),
        QStringLiteral("time"),
        QStringLiteral("temperature(%1)").arg(unit),
        QStringLiteral("humidity"),
        QStringLiteral("Heat Index(%1)").arg(unit),
        QStringLiteral("Dew Temperature(%1)").arg(unit),
    };
    for (int column = 1; column <= titles.size(); ++column)
        sheet.write(TitleRow, column, titles.at(column - 1));
}

void writeRecord(Sheet& sheet, int number, const LoggedRecord& record)
{
    const int row = recordRow(number);
    sheet.write(row, 1, datafile::recordNumberText(number));
    sheet.write(row, 2, record.timeText);
    sheet.write(row, 3, record.temperatureText);
    sheet.write(row, 4, record.humidityText);
    sheet.write(row, 5, record.heatIndexText);
    sheet.write(row, 6, record.dewTemperatureText);
}

void writeDataMissed(Sheet& sheet, int row)
{
    sheet.write(row, 1, QLatin1String(datafile::DataMissedLine));
}

void writeSummary(Sheet& sheet, const QStringList& summaryLines)
{
    for (int row = FirstSummaryRow; row < SummaryEndRow; ++row) {
        sheet.write(row, 1, summaryLines.value(row - FirstSummaryRow));
        mergeRow(sheet, row, summaryLastColumn(row));
    }
    sheet.write(SummaryEndRow, 1, QString(113, QLatin1Char('-')));
    mergeRow(sheet, SummaryEndRow, LastColumn);
}

} // namespace sheetlayout
