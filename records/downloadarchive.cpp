#include "downloadarchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace archive {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(DownloadArchive)
};

// Dates in ISO order and no colons, so that names sort by time and suit every file system.
constexpr char DateFormat[] = "yyyy-MM-dd";
constexpr char TimeFormat[] = "HH-mm-ss";
constexpr char UnknownStart[] = "unknown-clock";
constexpr char StartMark[] = "_start__";
// Copies of one name (downloads of the same second) before giving up.
constexpr int MaxCopies = 1000;

const QRegularExpression& namePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:(\\d{4}-\\d\\d-\\d\\d)_(\\d\\d-\\d\\d-\\d\\d)|unknown-clock)_start__"
                       "(\\d{4}-\\d\\d-\\d\\d)_(\\d\\d-\\d\\d-\\d\\d)_downloaded__\\d+_records"
                       "(?:_\\d+)?\\.txt$"));
    return pattern;
}

QString wallClockText(const QDate& date, const QTime& time)
{
    // The C locale: every machine writes the same digits.
    const QLocale c = QLocale::c();
    return c.toString(date, QLatin1String(DateFormat)) + QLatin1Char('_') +
           c.toString(time, QLatin1String(TimeFormat));
}

QString startText(const LoggedHeader& header)
{
    if (header.clockUnknown || !header.startDate.isValid() || !header.startTime.isValid())
        return QLatin1String(UnknownStart);
    return wallClockText(header.startDate, header.startTime);
}

QDateTime wallClock(const QString& date, const QString& time, Qt::TimeSpec zone)
{
    const QLocale c = QLocale::c();
    return QDateTime(c.toDate(date, QLatin1String(DateFormat)),
                     c.toTime(time, QLatin1String(TimeFormat)), zone);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Stored notArchived(const QString& reason)
{
    Stored stored;
    stored.reason = reason;
    return stored;
}

// The record lines of a data file as the program writes it: every byte below its head.
QByteArray recordBytes(const QByteArray& dataFile)
{
    int at = 0;
    for (int line = 0; line < datafile::HeadLineCount && at >= 0; ++line) {
        at = dataFile.indexOf('\n', at);
        if (at >= 0)
            ++at;
    }
    return at < 0 ? QByteArray() : dataFile.mid(at);
}

// The newest archived file of a start: names of one start sort by their download time, and
// a later copy of the same second after the first.
QString newestOfStart(const QDir& dir, const QString& start)
{
    QStringList names = dir.entryList({start + QLatin1String(StartMark) + QLatin1Char('*')},
                                      QDir::Files, QDir::Name);
    while (!names.isEmpty() && !namePattern().match(names.last()).hasMatch())
        names.removeLast();
    return names.isEmpty() ? QString() : dir.filePath(names.last());
}

bool holdsTheSameRecords(const QString& path, const QByteArray& records)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && recordBytes(file.readAll()) == records;
}

// A write the system cuts short is tried again with the rest, so that the refusal comes with
// its reason.
bool writeAll(QFileDevice& file, const QByteArray& bytes)
{
    for (qint64 at = 0; at < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + at, bytes.size() - at);
        if (written <= 0)
            return false;
        at += written;
    }
    return file.flush();
}

bool isTaken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

QString folder()
{
    const QString named = qEnvironmentVariable("HYGROLUX_ARCHIVE");
    if (!named.isEmpty())
        return QDir::cleanPath(QFileInfo(named).absoluteFilePath());
    // A relative XDG_DATA_HOME is invalid and to be ignored.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data))
        data = QDir::homePath() + QLatin1String("/.local/share");
    return QDir::cleanPath(data + QLatin1String("/hygrolux/downloads"));
}

QString fileName(const LoggedHeader& header, const QDateTime& downloaded, int copy)
{
    QString name = startText(header) + QLatin1String(StartMark) +
                   wallClockText(downloaded.date(), downloaded.time()) +
                   QStringLiteral("_downloaded__%1_records").arg(header.recordCount);
    if (copy > 1)
        name += QStringLiteral("_%1").arg(copy);
    return name + QLatin1String(".txt");
}

Stored keep(const QString& dataFilePath, const QString& folderPath, const QDateTime& downloaded)
{
    QFile data(dataFilePath);
    if (!data.open(QIODevice::ReadOnly))
        return notArchived(
            Texts::tr("%1 cannot be read (%2)").arg(shown(dataFilePath), data.errorString()));
    const QByteArray bytes = data.readAll();
    if (data.error() != QFileDevice::NoError)
        return notArchived(
            Texts::tr("%1 cannot be read (%2)").arg(shown(dataFilePath), data.errorString()));
    data.close();
    const LoggedHeader header =
        datafile::parseHeaderLine(QString::fromUtf8(bytes.left(qMax(0, bytes.indexOf('\n')))));

    const QFileInfo place(folderPath);
    if (place.exists() && !place.isDir())
        return notArchived(Texts::tr("%1 is not a folder").arg(shown(folderPath)));
    const QDir dir(folderPath);
    if (!dir.mkpath(QStringLiteral(".")))
        return notArchived(
            Texts::tr("%1 cannot be created (%2)").arg(shown(folderPath), qt_error_string(errno)));

    // The logger downloaded again without new records: its record lines, every byte below the
    // head, are those of the newest file of the same start. The head is left out of the
    // comparison: its alarm limits come from the live view, not from the records.
    const QString newest = newestOfStart(dir, startText(header));
    if (!newest.isEmpty() && holdsTheSameRecords(newest, recordBytes(bytes))) {
        Stored stored;
        stored.kind = Stored::Kind::AlreadyArchived;
        stored.path = newest;
        return stored;
    }

    // Hidden, and no archive name: a copy cut short by a crash is never taken for a download.
    QTemporaryFile copy(dir.filePath(QStringLiteral(".archiving-XXXXXX")));
    const auto unwritable = [&](const QString& why) {
        return notArchived(Texts::tr("%1 cannot be written (%2)").arg(shown(folderPath), why));
    };
    if (!copy.open())
        return unwritable(copy.errorString());
    if (!writeAll(copy, bytes))
        return unwritable(copy.errorString());
    if (::fsync(copy.handle()) != 0)
        return unwritable(qt_error_string(errno));
    if (!copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadUser |
                             QFileDevice::ReadGroup | QFileDevice::ReadOther))
        return unwritable(copy.errorString());
    // The rename never replaces a file: where another download took the name meanwhile, the
    // next copy number is tried.
    for (int number = 1; number <= MaxCopies; ++number) {
        const QString target = dir.filePath(fileName(header, downloaded, number));
        if (isTaken(target))
            continue;
        if (copy.rename(target)) {
            copy.setAutoRemove(false);
            Stored stored;
            stored.kind = Stored::Kind::Archived;
            stored.path = target;
            return stored;
        }
        if (!isTaken(target))
            return unwritable(copy.errorString());
    }
    return unwritable(Texts::tr("every name of this download is taken"));
}

QString message(const Stored& stored)
{
    switch (stored.kind) {
    case Stored::Kind::Archived:
        return Texts::tr("Archived: %1").arg(shown(stored.path));
    case Stored::Kind::AlreadyArchived:
        return Texts::tr("Already archived with the same records: %1").arg(shown(stored.path));
    case Stored::Kind::NotArchived:
        break;
    }
    return Texts::tr("Not archived: %1").arg(stored.reason);
}

QVector<Entry> list(const QString& folderPath)
{
    const QDir dir(folderPath);
    QVector<Entry> entries;
    // Latest name first, so that among downloads of the same second the later copy leads.
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch match = namePattern().match(file.fileName());
        if (!match.hasMatch())
            continue;
        Entry entry;
        entry.path = file.absoluteFilePath();
        if (match.capturedLength(1) > 0)
            entry.start = wallClock(match.captured(1), match.captured(2), Qt::UTC);
        entry.downloaded = wallClock(match.captured(3), match.captured(4), Qt::LocalTime);
        entries << entry;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.downloaded > b.downloaded; });
    return entries;
}

} // namespace archive
