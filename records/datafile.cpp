#include "datafile.h"

#include "readings.h"
#include "timetexts.h"

#include <QIODevice>
#include <QSaveFile>
#include <QStringBuilder>

#include <limits>
#include <vector>

QDateTime LoggedHeader::start() const
{
    if (clockUnknown)
        return QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    return QDateTime(startDate, startTime, Qt::UTC);
}

namespace datafile {

namespace {

// Field positions of the header line cut at ':'.
enum HeaderField {
    CountField = 1,
    TimeField = 3,
    TempHighField = 5,
    TempLowField = 7,
    HumiHighField = 9,
    HumiLowField = 11,
    IntervalField = 13,
    UnitField = 15,
};

// The value part of a record line: the time stamp holds the first two colons.
constexpr int ValueField = 3;

// The head has three lines between the report and the records: the dashes, the padding
// and the column titles. Files whose summary was once rewritten in place shorter than the
// placeholders carry a fragment of the old report as one more line; the titles are looked
// for among this many lines.
constexpr int MaxLinesBeforeRecords = 5;
constexpr int TitlesAsWritten = 2;

// Report lines that name the first and last record's time stamps and the record count.
constexpr int ReportStartLine = 0;
constexpr int ReportEndLine = 1;
constexpr int ReportCountLine = 5;

// Where the colon after the time stamp stands (the stamp holds the two before it); the
// line's length when there is none.
int valueSeparator(const QString& line)
{
    int at = -1;
    for (int colon = 0; colon < ValueField; ++colon) {
        at = line.indexOf(QLatin1Char(':'), at + 1);
        if (at < 0)
            return line.size();
    }
    return at;
}

QStringRef valuePart(const QString& line)
{
    const int from = valueSeparator(line) + 1;
    const int to = line.indexOf(QLatin1Char(':'), from);
    return line.midRef(from, to < 0 ? -1 : to - from);
}

bool isColumnTitles(const QString& line)
{
    return line.trimmed().startsWith(QLatin1String("NO "));
}

QString headerField(const QString& line, int field)
{
    return line.section(QLatin1Char(':'), field, field).trimmed();
}

int signedField(const QString& line, int field)
{
    return headerField(line, field).toInt();
}

int unsignedField(const QString& line, int field)
{
    const uint value = headerField(line, field).toUInt();
    return int(qMin<uint>(value, std::numeric_limits<int>::max()));
}

QString fillHeader(QString pattern, const LoggedHeader& h)
{
    return pattern.arg(h.recordCount)
        .arg(logged::headerTimeText(h.startDate, h.startTime))
        .arg(h.alarms.tempHigh)
        .arg(h.alarms.tempLow)
        .arg(h.alarms.humiHigh)
        .arg(h.alarms.humiLow)
        .arg(h.intervalSeconds)
        .arg(h.celsius ? 1 : 0);
}

// One line as the reader hands it on: bytes valid until the next line is read.
struct LineBytes {
    const char* data = nullptr;
    int size = 0;

    bool isEmpty() const { return size == 0; }
    bool endsLine() const { return size > 0 && data[size - 1] == '\n'; }
    QString text() const { return QString::fromUtf8(data, size); }
    QByteArray copy() const { return QByteArray(data, size); }
};

// Reads a device line by line through one buffer of a fixed size: a file of any size, with
// lines of any length, costs no more memory than that and no allocation a line.
class LineReader
{
public:
    // Longer lines are cut to their first MaxLineBytes: no line of a data file comes near it.
    static constexpr int MaxLineBytes = 64 * 1024;

    explicit LineReader(QIODevice& source) : device(source), buffer(MaxLineBytes + ReadBytes) {}

    // The next line, decoded up to its first NUL byte, with its line end as '\n'; a line
    // cut by the end of the data, by a NUL byte or at MaxLineBytes has none. Empty at the
    // end of the data or when the device cannot be read.
    LineBytes next()
    {
        if (skipRestOfLine && !skipToNextLine())
            return {};
        for (;;) {
            const char* const from = buffer.data() + begin;
            const qint64 held = end - begin;
            if (const void* lineEnd = memchr(from, '\n', size_t(held)))
                return take(int(static_cast<const char*>(lineEnd) - from) + 1);
            if (held >= MaxLineBytes) {
                skipRestOfLine = true;
                return take(MaxLineBytes);
            }
            if (!fill())
                return take(int(end - begin));
        }
    }

    QString nextText() { return next().text(); }

private:
    static constexpr int ReadBytes = 64 * 1024;

    // The next `size` unread bytes as a line.
    LineBytes take(int size)
    {
        char* const from = buffer.data() + begin;
        begin += size;
        int length = int(qstrnlen(from, uint(size)));
        if (length == size && length >= 2 && from[length - 2] == '\r') {
            from[length - 2] = '\n';
            --length;
        }
        return {from, length};
    }

    // Moves what is left to the front and reads more behind it; false when nothing came.
    bool fill()
    {
        if (atEnd)
            return false;
        const qint64 held = end - begin;
        memmove(buffer.data(), buffer.data() + begin, size_t(held));
        begin = 0;
        end = held;
        const qint64 got = device.isReadable()
                               ? device.read(buffer.data() + end, qint64(buffer.size()) - end)
                               : -1;
        if (got <= 0) {
            atEnd = true;
            return false;
        }
        end += got;
        return true;
    }

    // Drops the rest of a line cut at MaxLineBytes; false when the data ends inside it.
    bool skipToNextLine()
    {
        for (;;) {
            const char* from = buffer.data() + begin;
            if (const void* lineEnd = memchr(from, '\n', size_t(end - begin))) {
                begin += static_cast<const char*>(lineEnd) - from + 1;
                skipRestOfLine = false;
                return true;
            }
            begin = end;
            if (!fill())
                return false;
        }
    }

    QIODevice& device;
    std::vector<char> buffer;
    qint64 begin = 0; // the unread bytes of the buffer: [begin, end)
    qint64 end = 0;
    bool atEnd = false;
    bool skipRestOfLine = false;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number, "nan" or "inf" (with a sign or an exponent where they fit), between
// blanks: what the program ever wrote as a value.
bool isNumber(const char* from, const char* to)
{
    while (from < to && isSpace(*from))
        ++from;
    while (to > from && isSpace(to[-1]))
        --to;
    if (from < to && (*from == '-' || *from == '+'))
        ++from;
    const QLatin1String word(from, int(to - from));
    if (word.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0 ||
        word.compare(QLatin1String("inf"), Qt::CaseInsensitive) == 0)
        return true;
    int digits = 0;
    while (from < to && isDigit(*from))
        ++from, ++digits;
    if (from < to && *from == '.')
        for (++from; from < to && isDigit(*from); ++from)
            ++digits;
    if (digits == 0)
        return false;
    if (from < to && (*from == 'e' || *from == 'E')) {
        ++from;
        if (from < to && (*from == '-' || *from == '+'))
            ++from;
        if (from == to || !isDigit(*from))
            return false;
        while (from < to && isDigit(*from))
            ++from;
    }
    return from == to;
}

// A record line as the program writes it, whole: its line end, the time stamp with the
// value separator, and four values that are numbers. A line cut short (the last one of a
// file written as the bytes arrived, when the power failed) or anything else is no record,
// nor is a line far longer than the hundred bytes the program writes.
bool holdsWholeRecord(const LineBytes& line)
{
    constexpr int MaxRecordLineBytes = 256;
    if (!line.endsLine() || line.size > MaxRecordLineBytes)
        return false;
    const char* at = line.data;
    const char* const end = line.data + line.size - 1;
    for (int colon = 0; colon < ValueField; ++colon) {
        at = static_cast<const char*>(memchr(at, ':', size_t(end - at)));
        if (!at)
            return false;
        ++at;
    }
    const auto* nextColon = static_cast<const char*>(memchr(at, ':', size_t(end - at)));
    const char* const valuesEnd = nextColon ? nextColon : end;
    for (int value = 0; value < RecordValueCount; ++value) {
        const bool last = value == RecordValueCount - 1;
        const auto* comma = static_cast<const char*>(memchr(at, ',', size_t(valuesEnd - at)));
        if (last == (comma != nullptr) || !isNumber(at, last ? valuesEnd : comma))
            return false;
        if (!last)
            at = comma + 1;
    }
    return true;
}

bool isDataMissed(const LineBytes& line)
{
    const char* from = line.data;
    const char* to = line.data + line.size;
    while (from < to && isSpace(*from))
        ++from;
    while (to > from && isSpace(to[-1]))
        --to;
    return QLatin1String(from, int(to - from)) == QLatin1String(DataMissedLine);
}

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// One value of a record line. Values as the program writes them have one decimal
// ("-12.3") and are read digit by digit: the whole number of tenths divided by ten is
// rounded once, exactly as the decimal text is by the general conversion, which reads
// everything else ("nan", other forms, text in place of a number reads as 0).
float pieceValue(const QStringRef& piece)
{
    const QStringRef text = piece.trimmed();
    const int size = text.size();
    const QChar* c = text.unicode();
    const int firstDigit = size > 0 && c[0] == QLatin1Char('-') ? 1 : 0;
    constexpr int MaxDigits = 15; // well within a double's exact integers
    qint64 tenths = 0;
    int at = firstDigit;
    while (at < size && at - firstDigit < MaxDigits && isAsciiDigit(c[at]))
        tenths = tenths * 10 + (c[at++].unicode() - '0');
    if (at > firstDigit && at + 2 == size && c[at] == QLatin1Char('.') && isAsciiDigit(c[at + 1])) {
        const double value = double(tenths * 10 + (c[at + 1].unicode() - '0')) / 10;
        return float(firstDigit ? -value : value);
    }
    return text.toFloat();
}

} // namespace

QString headerLine(const LoggedHeader& header)
{
    return fillHeader(QStringLiteral("Record data number:%1 : time:%2 : ht:%3 : lt:%4 : hh:%5 : "
                                     "ht:%6:inval:%7:isC:%8"),
                      header);
}

QString workbookHeaderLine(const LoggedHeader& header)
{
    return fillHeader(QStringLiteral("Record data number:%1 : time:%2 : ht:%3 : lt:%4 : hh:%5 : "
                                     "ht:%6 : inval:%7 :isC:%8"),
                      header);
}

LoggedHeader parseHeaderLine(const QString& line)
{
    LoggedHeader header;
    header.recordCount = unsignedField(line, CountField);
    const QString time = headerField(line, TimeField);
    header.clockUnknown = time == QLatin1String(logged::UnknownHeaderTime);
    const logged::WallClock start = logged::parseHeaderTime(time);
    header.startDate = start.date;
    header.startTime = start.time;
    header.alarms.tempHigh = signedField(line, TempHighField);
    header.alarms.tempLow = signedField(line, TempLowField);
    header.alarms.humiHigh = unsignedField(line, HumiHighField);
    header.alarms.humiLow = unsignedField(line, HumiLowField);
    header.intervalSeconds = unsignedField(line, IntervalField);
    header.celsius = unsignedField(line, UnitField) == 1;
    return header;
}

QString reportBanner()
{
    return QString(44, QLatin1Char('-')) + QLatin1String("Report") + QString(46, QLatin1Char('-'));
}

QString reportEndLine()
{
    return QString(96, QLatin1Char('-'));
}

QString paddingLine()
{
    return QString(55, QLatin1Char(' '));
}

QString columnTitles(bool celsius)
{
    return celsius
               ? QStringLiteral("  NO           time            temperature(c)   humidity      "
                                "Heat-Index(c)   Dew-Temperature(c)")
               : QStringLiteral("  NO            time            temperature(f)   humidity      "
                                "Heat-Index(f)   Dew-Temperature(f)");
}

QString recordNumberText(int number)
{
    // Written twice for every record of a download (data file and sheet): digit by digit.
    int digits = 1;
    for (int rest = number / 10; rest > 0; rest /= 10)
        ++digits;
    const int width = qMax(digits, 4);
    QString text(width + 3, QLatin1Char(' '));
    QChar* out = text.data() + 1;
    for (int i = width - 1, rest = number; i >= 0; --i, rest /= 10)
        out[i] = QLatin1Char(char('0' + rest % 10));
    return text;
}

QString recordLine(int number, const LoggedRecord& record)
{
    return recordNumberText(number) % record.timeText % QLatin1String(" :    ") %
           record.temperatureText % QLatin1String(",           ") % record.humidityText %
           QLatin1String(",           ") % record.heatIndexText % QLatin1String(",             ") %
           record.dewTemperatureText;
}

float recordValue(const QString& line, int column)
{
    return column >= 0 && column < RecordValueCount ? recordValues(line)[size_t(column)] : 0;
}

std::array<float, RecordValueCount> recordValues(const QString& line)
{
    const QStringRef values = valuePart(line);
    std::array<float, RecordValueCount> result{};
    int from = 0;
    for (float& value : result) {
        const int comma = values.indexOf(QLatin1Char(','), from);
        value = pieceValue(values.mid(from, comma < 0 ? -1 : comma - from));
        if (comma < 0)
            break;
        from = comma + 1;
    }
    return result;
}

QString valueText(float value, bool fahrenheit, bool temperature)
{
    const QString text = readings::formatValue(double(value));
    if (!temperature)
        return text + QLatin1String(" %");
    return text + QLatin1Char(' ') + readings::unitSymbol(!fahrenheit);
}

QString valueText(const QString& line, int column, bool fahrenheit, bool temperature)
{
    return valueText(recordValue(line, column), fahrenheit, temperature);
}

QString recordTime(const QString& line)
{
    const QStringRef numbered = line.leftRef(valueSeparator(line));
    int at = 0;
    while (at < numbered.size() && numbered.at(at).isSpace())
        ++at;
    while (at < numbered.size() && numbered.at(at).isDigit())
        ++at;
    return numbered.mid(at).trimmed().toString();
}

QString recordLineFromCells(const QString& time, const QString& temperature,
                            const QString& humidity, const QString& heatIndex,
                            const QString& dewTemperature)
{
    return QStringLiteral("%1 : %2,%3,%4,%5")
        .arg(time, temperature, humidity, heatIndex, dewTemperature);
}

Contents read(QIODevice& device, int maxRecords)
{
    LineReader lines(device);
    Contents contents;
    contents.header = parseHeaderLine(lines.nextText());
    if (contents.header.recordCount == 0)
        return contents;
    lines.next(); // the banner
    for (int i = 0; i < summary::LineCount; ++i)
        contents.reportLines << lines.nextText();
    QList<QByteArray> beforeRecords;
    while (beforeRecords.size() < MaxLinesBeforeRecords) {
        const LineBytes line = lines.next();
        if (line.isEmpty())
            break;
        beforeRecords << line.copy();
    }
    int titles = 0;
    while (titles < beforeRecords.size() &&
           !isColumnTitles(QString::fromUtf8(beforeRecords.at(titles))))
        ++titles;
    if (titles == beforeRecords.size())
        titles = TitlesAsWritten;
    const QList<QByteArray> pending = beforeRecords.mid(titles + 1);

    const int wanted = qMin(contents.header.recordCount, maxRecords);
    for (int taken = 0; contents.recordLines.size() < wanted; ++taken) {
        const LineBytes line = taken < pending.size() ? LineBytes{pending.at(taken).constData(),
                                                                  int(pending.at(taken).size())}
                                                      : lines.next();
        if (line.isEmpty() || isDataMissed(line))
            break;
        if (holdsWholeRecord(line))
            contents.recordLines << line.text();
    }
    return contents;
}

bool isCompleteDownload(QIODevice& device)
{
    LineReader lines(device);
    const int count = parseHeaderLine(lines.nextText()).recordCount;
    if (count <= 0)
        return false;
    lines.next(); // the banner
    QStringList report;
    for (int i = 0; i < summary::LineCount; ++i)
        report << lines.nextText().trimmed();
    QString line = lines.nextText();
    for (int before = 0; !isColumnTitles(line); ++before) {
        if (line.isEmpty() || before == MaxLinesBeforeRecords)
            return false;
        line = lines.nextText();
    }
    QString first;
    QString last;
    int records = 0;
    for (LineBytes record = lines.next(); !record.isEmpty(); record = lines.next()) {
        // A cut line or "data missed" is what a failed download leaves.
        if (!holdsWholeRecord(record) || ++records > count)
            return false;
        last = recordTime(record.text());
        if (records == 1)
            first = last;
    }
    // The report is the records' own: it names their first and last time stamps and their
    // number. The placeholders, in either language, name times and a number that no
    // download has together.
    return records == count && report.at(ReportStartLine).endsWith(first) &&
           report.at(ReportEndLine).endsWith(last) &&
           report.at(ReportCountLine).section(QLatin1Char(':'), -1).trimmed() ==
               QString::number(count);
}

} // namespace datafile

DataFileWriter::DataFileWriter(const QString& filePath) : path(filePath), file(filePath) {}

bool DataFileWriter::open()
{
    if (file.isOpen())
        close();
    held.clear();
    sentBytes = 0;
    failed = false;
    failure.clear();
    headBytes = -1;
    // The lines are held here and sent in pieces; a second buffer in the file would only
    // hide what the system refused until later.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text |
                   QIODevice::Unbuffered))
        return false;
    sinceFlush.start();
    return true;
}

void DataFileWriter::writeHead(const LoggedHeader& header)
{
    if (!file.isOpen() || failed)
        return;
    firstLine = datafile::headerLine(header);
    celsius = header.celsius;
    held += headLines(summary::placeholderLines());
    if (flush())
        headBytes = sentBytes;
}

void DataFileWriter::writeRecord(int number, const LoggedRecord& record)
{
    if (!file.isOpen() || failed)
        return;
    put(datafile::recordLine(number, record));
    // Records show up in the file while the download runs, without a write per record.
    if (sinceFlush.hasExpired(FlushIntervalMs) || held.size() >= MaxHeldBytes)
        flush();
}

void DataFileWriter::writeDataMissed()
{
    if (!file.isOpen() || failed)
        return;
    put(QLatin1String(datafile::DataMissedLine));
    flush();
}

bool DataFileWriter::flush()
{
    sinceFlush.start();
    if (!file.isOpen() || failed)
        return !failed;
    if (!send(held)) {
        failed = true;
        failure = file.errorString();
    }
    held.clear();
    return !failed;
}

bool DataFileWriter::close()
{
    if (!file.isOpen())
        return !failed;
    flush();
    file.close();
    if (!failed && file.error() != QFileDevice::NoError) {
        failed = true;
        failure = file.errorString();
    }
    return !failed;
}

void DataFileWriter::put(const QString& line)
{
    held += line.toUtf8();
    held += '\n';
}

bool DataFileWriter::send(const QByteArray& bytes)
{
    // A write the system cuts short is tried again with the rest, so that the refusal
    // comes with its reason.
    for (qint64 at = 0; at < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + at, bytes.size() - at);
        if (written <= 0)
            return false;
        at += written;
        sentBytes += written;
    }
    return true;
}

bool DataFileWriter::writeSummary(const QStringList& summaryLines)
{
    // Anything but eight lines would shift the records away from line 14.
    const bool ready = file.isOpen() && headBytes >= 0 && summaryLines.size() == summary::LineCount;
    if (!close() || !ready)
        return false;

    QFile written(path);
    if (!written.open(QIODevice::ReadOnly))
        return false;
    const QByteArray asWritten = written.readAll();
    written.close();
    if (asWritten.size() != sentBytes)
        return false;
    if (replaceWithSummary(summaryLines, asWritten))
        return true;
    // Written in place (the folder takes no new file), a failure may have cut the file
    // short: put back the records as they were.
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == asWritten)
        return false;
    current.close();
    if (current.open(QIODevice::WriteOnly))
        current.write(asWritten);
    return false;
}

bool DataFileWriter::replaceWithSummary(const QStringList& summaryLines,
                                        const QByteArray& asWritten) const
{
    QSaveFile replacement(path);
    // Where the working folder takes no new file but the data file may be written, the
    // summary is written into the file itself: placeholder lines that look like real data
    // would be worse.
    replacement.setDirectWriteFallback(true);
    if (!replacement.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QByteArray head = headLines(summaryLines);
    if (replacement.write(head) != head.size())
        return false;
    // The record lines already carry the platform's line ends: copy them as bytes.
    // Without the Text flag for this part, so nothing is converted twice.
    replacement.setTextModeEnabled(false);
    const qint64 recordBytes = asWritten.size() - headBytes;
    if (replacement.write(asWritten.constData() + headBytes, recordBytes) != recordBytes)
        return false;
    return replacement.commit();
}

QByteArray DataFileWriter::headLines(const QStringList& summaryLines) const
{
    QString lines = firstLine % QLatin1Char('\n') % datafile::reportBanner() % QLatin1Char('\n');
    for (const QString& line : summaryLines)
        lines += line % QLatin1Char('\n');
    lines += datafile::reportEndLine() % QLatin1Char('\n') % datafile::paddingLine() %
             QLatin1Char('\n') % datafile::columnTitles(celsius) % QLatin1Char('\n');
    return lines.toUtf8();
}
