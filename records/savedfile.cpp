#include "savedfile.h"

#include "sheetlayout.h"
#include "workbook/sheet.h"

#include <QFile>
#include <QFileInfo>

namespace savedfile {

namespace {

// Where the workbook keeps the header, the report lines and the record columns.
constexpr int HeaderRow = 1;
constexpr int FirstReportRow = 4;
constexpr int TimeColumn = 2;
constexpr int FirstValueColumn = 3;

enum ValueColumn { Temperature, Humidity, HeatIndex, DewTemperature };

SavedRecord recordFromLine(const QString& line, const QString& time)
{
    SavedRecord record;
    record.time = time;
    const auto values = datafile::recordValues(line);
    record.temperature = values[Temperature];
    record.humidity = values[Humidity];
    record.heatIndex = values[HeatIndex];
    record.dewTemperature = values[DewTemperature];
    return record;
}

// Without a record count there is nothing to show; without a start time nothing to draw.
bool isUsable(const LoggedHeader& header)
{
    return header.recordCount > 0 && header.start().isValid();
}

Status statusOf(const LoggedHeader& header)
{
    return header.intervalSeconds > 0 ? Status::Loaded : Status::NoInterval;
}

} // namespace

Kind kindOf(const QString& fileName)
{
    const QString ownName = QFileInfo(fileName).fileName();
    if (ownName.contains(QLatin1String(".txt")))
        return Kind::Text;
    if (ownName.contains(QLatin1String(".xls")))
        return Kind::Workbook;
    return Kind::Text;
}

Result load(const QString& path, Kind kind)
{
    if (kind == Kind::Workbook)
        return readSheet(Sheet::load(path));
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return readText(file);
}

Result readText(QIODevice& device)
{
    const datafile::Contents contents = datafile::read(device, MaxRecords + 1);
    Result result;
    if (!isUsable(contents.header))
        return result;
    if (contents.recordLines.size() > MaxRecords) {
        result.status = Status::TooManyRecords;
        return result;
    }
    result.data.header = contents.header;
    result.data.reportLines = contents.reportLines;
    result.data.records.reserve(contents.recordLines.size());
    for (const QString& line : contents.recordLines)
        result.data.records.append(recordFromLine(line, datafile::recordTime(line)));
    result.status = statusOf(contents.header);
    return result;
}

Result readSheet(const Sheet& sheet)
{
    Result result;
    const LoggedHeader header = datafile::parseHeaderLine(sheet.read(HeaderRow, 1));
    if (!isUsable(header))
        return result;
    result.data.header = header;
    for (int i = 0; i < summary::LineCount; ++i)
        result.data.reportLines << sheet.read(FirstReportRow + i, 1);
    // Rows past the last one the sheet holds read empty, so the count cannot run away.
    for (int row = sheetlayout::FirstRecordRow; result.data.records.size() < header.recordCount;
         ++row) {
        const QString time = sheet.read(row, TimeColumn);
        if (time.isEmpty())
            break;
        if (result.data.records.size() == MaxRecords) {
            result.data = SavedData();
            result.status = Status::TooManyRecords;
            return result;
        }
        const QString line =
            datafile::recordLineFromCells(time, sheet.read(row, FirstValueColumn + Temperature),
                                          sheet.read(row, FirstValueColumn + Humidity),
                                          sheet.read(row, FirstValueColumn + HeatIndex),
                                          sheet.read(row, FirstValueColumn + DewTemperature));
        result.data.records.append(recordFromLine(line, time.trimmed()));
    }
    result.status = statusOf(header);
    return result;
}

} // namespace savedfile
