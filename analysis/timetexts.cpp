#include "timetexts.h"

namespace logged
{

namespace
{

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

QDateTime parseHeaderTime(const QString& text)
{
    return QDateTime::fromString(text.trimmed(), QLatin1String(HeaderTimeFormat));
}

} // namespace logged
