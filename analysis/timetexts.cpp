#include "timetexts.h"

#include <QLocale>
#include <QStringBuilder>

namespace logged {

namespace {

QString wallClockText(const QDate& date, const QTime& time, const char* format, const char* unknown)
{
    if (!date.isValid() || !time.isValid())
        return QLatin1String(unknown);
    return QLocale::c().toString(QDateTime(date, time, Qt::UTC), QLatin1String(format));
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
    return wallClockText(date, time, RecordTimeFormat, UnknownRecordTime);
}

QString headerTimeText(const QDate& date, const QTime& time)
{
    return wallClockText(date, time, HeaderTimeFormat, UnknownHeaderTime);
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

QString isoTimeText(const QString& recordTime)
{
    // Rearranged by position rather than parsed as a date-time: a long download has tens of
    // thousands of stamps, and the general parser would take most of an export's time.
    const QLatin1String shape("00-00-0000 00:00:00");
    if (recordTime.size() != shape.size())
        return QString();
    for (int i = 0; i < shape.size(); ++i) {
        if (shape.at(i) != QLatin1Char('0') && recordTime.at(i) != shape.at(i))
            return QString();
    }
    const int month = digitsAt(recordTime, 0, 2);
    const int day = digitsAt(recordTime, 3, 2);
    const int year = digitsAt(recordTime, 6, 4);
    const int hour = digitsAt(recordTime, 11, 2);
    const int minute = digitsAt(recordTime, 14, 2);
    const int second = digitsAt(recordTime, 17, 2);
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return QString();
    return recordTime.midRef(6, 4) % QLatin1Char('-') % recordTime.midRef(0, 2) % QLatin1Char('-') %
           recordTime.midRef(3, 2) % QLatin1Char(' ') % recordTime.midRef(11);
}

} // namespace logged
