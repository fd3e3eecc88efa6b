#include "timetexts.h"

#include <QLocale>
#include <QStringBuilder>

#include <cstring>

namespace logged {

namespace {

// Writes `value` as `width` digits at `out` and moves past them.
void putDigits(QChar*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QLatin1Char(char('0' + value % 10));
        value /= 10;
    }
    out += width;
}

// "MM-dd-yyyy HH<sep>mm<sep>ss", digit by digit: a download stamps every record, and the
// general date formatting took almost half of a record's decoding. Years have four digits,
// as the logger's (2000 + one byte) and those read back from files always do.
QString wallClockText(const QDate& date, const QTime& time, QChar timeSeparator,
                      const char* unknown)
{
    if (!date.isValid() || !time.isValid())
        return QLatin1String(unknown);
    QString text(int(std::strlen(unknown)), Qt::Uninitialized);
    QChar* out = text.data();
    putDigits(out, date.month(), 2);
    *out++ = QLatin1Char('-');
    putDigits(out, date.day(), 2);
    *out++ = QLatin1Char('-');
    putDigits(out, date.year(), 4);
    *out++ = QLatin1Char(' ');
    putDigits(out, time.hour(), 2);
    *out++ = timeSeparator;
    putDigits(out, time.minute(), 2);
    *out++ = timeSeparator;
    putDigits(out, time.second(), 2);
    return text;
}

// The number written in `text` from `at` over `digits` places; -1 unless all are digits.
int digitsAt(const QString& text, int at, int digits)
{
    int value = 0;
    for (int i = at; i < at + digits; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QString recordTimeText(const QDate& date, const QTime& time)
{
    return wallClockText(date, time, QLatin1Char(':'), UnknownRecordTime);
}

QString headerTimeText(const QDate& date, const QTime& time)
{
    return wallClockText(date, time, QLatin1Char('-'), UnknownHeaderTime);
}

WallClock parseHeaderTime(const QString& text)
{
    // Date and time are read apart: as one local date-time, a time that a daylight saving
    // change skips would not read at all.
    const QString format = QLatin1String(HeaderTimeFormat);
    const QString value = text.trimmed();
    const QLocale c = QLocale::c();
    const QDate date =
        c.toDate(value.section(QLatin1Char(' '), 0, 0), format.section(QLatin1Char(' '), 0, 0));
    const QTime time =
        c.toTime(value.section(QLatin1Char(' '), 1), format.section(QLatin1Char(' '), 1));
    if (!date.isValid() || !time.isValid())
        return {};
    return {date, time};
}

namespace {

// A record time stamp ("MM-dd-yyyy HH:mm:ss") read by position rather than parsed as a
// date-time: a long download has tens of thousands of stamps, and the general parser would
// take most of an export's time. False for the unknown time and any text that is no real date
// and time.
bool readRecordTime(const QString& recordTime, QDate* date, QTime* time)
{
    const QLatin1String shape("00-00-0000 00:00:00");
    if (recordTime.size() != shape.size())
        return false;
    for (int i = 0; i < shape.size(); ++i) {
        if (shape.at(i) != QLatin1Char('0') && recordTime.at(i) != shape.at(i))
            return false;
    }
    const int month = digitsAt(recordTime, 0, 2);
    const int day = digitsAt(recordTime, 3, 2);
    const int year = digitsAt(recordTime, 6, 4);
    const int hour = digitsAt(recordTime, 11, 2);
    const int minute = digitsAt(recordTime, 14, 2);
    const int second = digitsAt(recordTime, 17, 2);
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return false;
    *date = QDate(year, month, day);
    *time = QTime(hour, minute, second);
    return true;
}

} // namespace

QString isoTimeText(const QString& recordTime)
{
    QDate date;
    QTime time;
    if (!readRecordTime(recordTime, &date, &time))
        return QString();
    return recordTime.midRef(6, 4) % QLatin1Char('-') % recordTime.midRef(0, 2) % QLatin1Char('-') %
           recordTime.midRef(3, 2) % QLatin1Char(' ') % recordTime.midRef(11);
}

QDateTime recordStamp(const QString& recordTime)
{
    QDate date;
    QTime time;
    if (!readRecordTime(recordTime, &date, &time))
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

} // namespace logged
