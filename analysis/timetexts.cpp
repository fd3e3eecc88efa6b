#include "timetexts.h"

#include <QLocale>

namespace logged {

namespace {

QString wallClockText(const QDate& date, const QTime& time, const char* format, const char* unknown)
{
    if (!date.isValid() || !time.isValid())
        return QLatin1String(unknown);
    return QLocale::c().toString(QDateTime(date, time, Qt::UTC), QLatin1String(format));
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

} // namespace logged
