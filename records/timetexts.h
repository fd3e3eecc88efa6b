#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The two ways a logged time is written. Record time stamps, extremes and the report's
// start and end times use colons ("MM-dd-yyyy HH:mm:ss"); the first line of the data file and the
// workbook's A1 use dashes in the time, because ':' separates the fields of that line.
namespace logged {

constexpr char HeaderTimeFormat[] = "MM-dd-yyyy HH-mm-ss";
// For files that other programs read: the date in ISO order.
constexpr char IsoTimeFormat[] = "yyyy-MM-dd HH:mm:ss";

// What stands in place of a time when the logger's clock is no real date (it lost its
// battery): the lines keep their shape, so their values still read back.
constexpr char UnknownRecordTime[] = "00-00-0000 00:00:00";
constexpr char UnknownHeaderTime[] = "00-00-0000 00-00-00";

// Wall-clock texts: formatted without any time zone, so a local time that a daylight
// saving change skips still reads as the logger wrote it, and in the C locale, so every
// machine writes and reads the same digits. The unknown-time texts for an invalid date
// or time.
QString recordTimeText(const QDate& date, const QTime& time);
QString headerTimeText(const QDate& date, const QTime& time);
// Reads a header time ("MM-dd-yyyy HH-mm-ss", blanks around it ignored) as wall-clock
// date and time; both invalid when the text does not match.
struct WallClock {
    QDate date;
    QTime time;
};
WallClock parseHeaderTime(const QString& text);
// A record time stamp ("MM-dd-yyyy HH:mm:ss") rewritten as "yyyy-MM-dd HH:mm:ss"; empty for
// the unknown time and for any text that is no real date and time.
QString isoTimeText(const QString& recordTime);
// The same stamp as wall-clock date and time held as UTC; invalid where isoTimeText is empty.
QDateTime recordStamp(const QString& recordTime);

} // namespace logged
