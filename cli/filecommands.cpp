#include "filecommands.h"

#include "exitcodes.h"
#include "invocation.h"
#include "records/figures.h"
#include "records/loggeddownload.h"
#include "reports/auditreport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace cli {

namespace {

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Downloads keep their data in the folder the command runs in.
QString dataFile()
{
    return LoggedDownload().dataFilePath();
}

} // namespace

bool loadOwnFile(const QString& path, SavedData* data, QString* reason)
{
    const QFileInfo info(path);
    // Anything but a plain file (a folder, a pipe, a device) is not read: a pipe would
    // hold the command forever.
    if (!info.exists()) {
        *reason = QStringLiteral("%1 does not exist.").arg(path);
        return false;
    }
    if (!info.isFile()) {
        *reason = QStringLiteral("%1 is no plain file.").arg(path);
        return false;
    }
    if (!info.isReadable()) {
        *reason = QStringLiteral("%1 cannot be read: permission denied.").arg(path);
        return false;
    }
    savedfile::Result loaded = savedfile::load(path, savedfile::kindOf(path));
    switch (loaded.status) {
    case savedfile::Status::Loaded:
        *data = std::move(loaded.data);
        return true;
    case savedfile::Status::Unreadable:
        *reason = QStringLiteral("%1 is no data file or workbook of this program: it has no "
                                 "records header.")
                      .arg(path);
        break;
    case savedfile::Status::NoInterval:
        *reason =
            QStringLiteral("%1 has no sampling interval, so its records have no times.").arg(path);
        break;
    case savedfile::Status::TooManyRecords:
        *reason = QStringLiteral("%1 holds more than %2 records, more than any logger.")
                      .arg(path)
                      .arg(savedfile::MaxRecords);
        break;
    }
    return false;
}

QString reportRefusal(const QString& option, const QString& name, const QString& source)
{
    // The download replaces both before the report is written: a report in their place
    // would destroy the new data file or the one kept from the download before.
    const QString kept = exports::keptFileNamedBy({name, dataFile()});
    if (!kept.isEmpty())
        return QStringLiteral("--%1 must not name %2, which the download keeps.")
            .arg(option, absolute(kept));
    if (!source.isEmpty() && exports::keptFileNamedBy({name, source}) == source)
        return QStringLiteral("--%1 must not name %2, the file the report is made from.")
            .arg(option, absolute(source));
    return QString();
}

int summary(const Invocation& invocation, QTextStream& out, QTextStream& err)
{
    SavedData data;
    QString reason;
    if (!loadOwnFile(invocation.file, &data, &reason)) {
        err << reason << '\n';
        return exitcode::Usage;
    }
    const figures::Figures f = figures::of(data);
    if (invocation.json) {
        out << QJsonDocument(figures::toJson(f)).toJson(QJsonDocument::Compact) << '\n';
        return exitcode::Done;
    }
    out << QStringLiteral("File: %1").arg(absolute(invocation.file)) << '\n';
    if (!f.isEmpty())
        out << QStringLiteral("Records: %1, every %2, from %3 to %4")
                   .arg(f.records)
                   .arg(figures::durationText(f.intervalSeconds),
                        f.first.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        f.last.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
            << '\n';
    for (const QString& line : figures::lines(f))
        out << line << '\n';
    return exitcode::Done;
}

int report(const Invocation& invocation, QTextStream& out, QTextStream& err)
{
    const QString refusal = reportRefusal(QStringLiteral("out"), invocation.out, invocation.file);
    if (!refusal.isEmpty()) {
        err << refusal << '\n';
        return exitcode::Usage;
    }
    SavedData data;
    QString reason;
    if (!loadOwnFile(invocation.file, &data, &reason)) {
        err << reason << '\n';
        return exitcode::Usage;
    }
    return saveReportWithCharts(data, invocation.file, invocation.out, out, err);
}

int saveReportWithCharts(const SavedData& data, const QString& source, const QString& name,
                         QTextStream& out, QTextStream& err)
{
    const exports::Outcome outcome =
        auditreport::save({&data, source, QDateTime::currentDateTime()}, {name, dataFile()});
    if (!outcome.saved) {
        err << QCoreApplication::translate("QRealTimeData", "File was not saved: %1")
                   .arg(outcome.reason)
            << '\n';
        return exitcode::ReportNotSaved;
    }
    out << QCoreApplication::translate("QRealTimeData", "File has saved") << '\n'
        << QStringLiteral("Report: %1").arg(absolute(name)) << '\n';
    return exitcode::Done;
}

} // namespace cli
