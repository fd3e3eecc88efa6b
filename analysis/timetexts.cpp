#include "timetexts.h"

namespace logged {

namespace {

QString wallClockText(const QDate& date, const QTime& time, const char* format)
{
    if (!date.isValid() || !time.isValid())
        return QString();
    return QDateTime(date, time, Qt::UTC).toString(QLatin1String(format));
}

} // namespace

QString recordTimeText(const QDate& date, const QTime& time)
{
    return wallClockText(date, time, RecordTimeFormat);
}

QString headerTimeText(const QDate& date, const QTime& time)
{
    return wallClockText(date, time, HeaderTimeFormat);
}

WallClock parseHeaderTime(const QString& text)
{
    // Date and time are read apart: as one local date-time, a time that a daylight saving
    // change skips would not read at all.
    const QString format = QLatin1String(HeaderTimeFormat);
    const QString value = text.trimmed();
    const QDate date = QDate::fromString(value.section(QLatin1Char(' '), 0, 0),
                                         format.section(QLatin1Char(' '), 0, 0));
    const QTime time =
        QTime::fromString(value.section(QLatin1Char(' '), 1), format.section(QLatin1Char(' '), 1));
    if (!date.isValid() || !time.isValid())
        return {};
    return {date, time};
}

} // namespace logged
