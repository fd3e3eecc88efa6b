#pragma once

#include "loggeddecoder.h"
#include "summarylines.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <array>

class QIODevice;

// The values of a data file's first line (and of a workbook's A1).
struct LoggedHeader {
    int recordCount = 0;
    QDate startDate; // the block header's clock, not the first record's time stamp
    QTime startTime;
    AlarmLimits alarms; // whole degC and %RH, whatever the unit
    int intervalSeconds = 0;
    bool celsius = true;

    // The logger's clock was no real date (it lost its battery): its times are unknown.
    bool clockUnknown = false;

    // The start as the logger's wall clock, held as UTC: a local time that a daylight
    // saving change skips or repeats stays valid and unique, and seconds counted from it
    // are wall-clock seconds. A logger whose clock was unknown counts from its own zero,
    // 01-01-2000 00:00:00; a start that does not read is invalid.
    QDateTime start() const;
};

// The data file every download writes (./data.txt): a 13-line head with the report block,
// then one line per record.
namespace datafile {

// Lines before the first record line.
constexpr int HeadLineCount = 13;
// Written below the last record of a transfer that stalled; no record follows it.
constexpr char DataMissedLine[] = "data missed";

QString headerLine(const LoggedHeader& header);
// The workbook's A1 carries the same fields with slightly different spacing.
QString workbookHeaderLine(const LoggedHeader& header);
// Reads either form. The line is cut at ':' and only the values are read, never the keys;
// a missing or non-numeric value reads as 0, and an unreadable time as an invalid one.
LoggedHeader parseHeaderLine(const QString& line);

QString reportBanner();
QString reportEndLine();
QString paddingLine();
QString columnTitles(bool celsius);

// " 0012  ": at least four digits, wider numbers kept whole. Records count from 1.
QString recordNumberText(int number);
// Without the line end.
QString recordLine(int number, const LoggedRecord& record);

// One value of a record line: column 0 temperature, 1 humidity, 2 heat index, 3 dew
// temperature. A line without values, or with text in their place, reads as 0.
float recordValue(const QString& line, int column);
// All four at once, for reading whole files.
constexpr int RecordValueCount = 4;
std::array<float, RecordValueCount> recordValues(const QString& line);
// The value as the records table shows it: "23.5 ℃", "23.5 ℉" or, for humidity, "41.2 %".
QString valueText(float value, bool fahrenheit, bool temperature);
QString valueText(const QString& line, int column, bool fahrenheit, bool temperature);
// The time stamp of a record line, without the record number in front of it (of any width).
QString recordTime(const QString& line);
// A workbook record row (columns B..F) as a record line, so the same value rules apply.
QString recordLineFromCells(const QString& time, const QString& temperature,
                            const QString& humidity, const QString& heatIndex,
                            const QString& dewTemperature);

struct Contents {
    LoggedHeader header;
    QStringList reportLines; // the eight report lines, each with its line end
    QStringList recordLines; // with their line ends
};
// Reads a data file: nothing past line 1 when its record count is 0, otherwise the report
// lines and up to min(record count, maxRecords) record lines. The records begin after the
// column titles, wherever they are, and end at a "data missed" line. Only whole record
// lines count: a line with its line end and four numbers (or "nan") after the time stamp,
// as the program writes them; empty lines, lines cut short (at the end of the file or by a
// NUL byte) and anything else are passed over. Lines end in '\n' whether the device was
// opened in text mode or not (CR LF files included); a line longer than 64 KiB is cut
// there. The reader holds one line at a time, whatever the file's size. A device that is
// not open for reading, or fails, reads as far as it gave lines.
Contents read(QIODevice& device, int maxRecords);

// Whether the device holds a whole download: a head announcing records and a report made
// from them (not the placeholders, in any language), then exactly as many whole record
// lines and nothing after them, no "data missed" either. Reads the device to its end.
bool isCompleteDownload(QIODevice& device);

} // namespace datafile

// Writes the data file while a download runs. The head and the record lines go out as
// they come, reaching the file at least every FlushIntervalMs; flush() sends them at once.
// Every write is checked: bytes the system refuses (a full disk, a quota) make the writer
// fail, and it writes nothing more until the next open(). Only the final summary rewrite
// replaces the file, and it does so atomically.
class DataFileWriter
{
public:
    static constexpr qint64 FlushIntervalMs = 200;
    // Bytes held back at most, however fast the records come.
    static constexpr int MaxHeldBytes = 16 * 1024;

    explicit DataFileWriter(const QString& filePath = QStringLiteral("./data.txt"));

    // Empties the file and keeps it open for writing.
    bool open();
    bool isOpen() const { return file.isOpen(); }
    // Why the file did not open, or the system's reason for refusing bytes.
    QString errorString() const { return failed ? failure : file.errorString(); }
    // Bytes written since open() did not all reach the file.
    bool hasFailed() const { return failed; }

    // Line 1, the report banner, the eight placeholder lines, the dashes, the padding line
    // and the column titles of the header's unit.
    void writeHead(const LoggedHeader& header);
    void writeRecord(int number, const LoggedRecord& record);
    // After a stalled transfer, below the last record; the file stays open.
    void writeDataMissed();
    // False when the file did not take every byte written so far.
    bool flush();
    // Flushes and closes; false when the file did not take every byte written since open().
    bool close();

    // At success: the file becomes the same head with the real summary lines in place of
    // the placeholders, followed by every record line written. The new file is built
    // beside the old one and replaces it in one step; where the folder takes no new file,
    // the file is rewritten in place. On failure (hasFailed() when bytes were refused) the
    // written file stays as it was and false is returned. The file is closed either way.
    bool writeSummary(const QStringList& summaryLines);

private:
    void put(const QString& line);
    bool send(const QByteArray& bytes);
    bool replaceWithSummary(const QStringList& summaryLines, const QByteArray& asWritten) const;
    QByteArray headLines(const QStringList& summaryLines) const;

    QString path;
    QFile file;
    QByteArray held; // written, not yet sent to the file
    qint64 sentBytes = 0;
    bool failed = false;
    QString failure;
    QString firstLine;
    bool celsius = true;
    qint64 headBytes = -1; // size of the head as written, -1 before writeHead()
    QElapsedTimer sinceFlush;
};
