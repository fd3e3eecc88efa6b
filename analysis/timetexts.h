#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The two ways a logged time is written. Record time stamps, extremes and the report's
// start and end times use colons; the first line of the data file and the workbook's A1
// use dashes in the time, because ':' separates the fields of that line.
namespace logged {

constexpr char RecordTimeFormat[] = "MM-dd-yyyy HH:mm:ss";
constexpr char HeaderTimeFormat[] = "MM-dd-yyyy HH-mm-ss";

// Wall-clock texts: formatted without any time zone, so a local time that a daylight
// saving change skips still reads as the logger wrote it. Empty for an invalid date or time.
QString recordTimeText(const QDate& date, const QTime& time);
QString headerTimeText(const QDate& date, const QTime& time);
// Reads a header time ("MM-dd-yyyy HH-mm-ss", blanks around it ignored) as wall-clock
// date and time; both invalid when the text does not match.
struct WallClock {
    QDate date;
    QTime time;
};
WallClock parseHeaderTime(const QString& text);

} // namespace logged
