#include "exports.h"

#include "records/loggeddownload.h"
#include "records/readings.h"
#include "records/sheetlayout.h"
#include "records/timetexts.h"
#include "workbook/sheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace exports {

namespace {

// The reasons end up in the analysis window's message, and are translated with it.
class Texts
{
    Q_DECLARE_TR_FUNCTIONS(QRealTimeData)
};

Outcome failed(const QString& reason)
{
    return {false, reason};
}

QString noName()
{
    return Texts::tr("no file name was given");
}

// RFC 4180: fields separated by commas, records ended by CR LF.
constexpr char CsvSeparator = ',';
constexpr char CsvLineEnd[] = "\r\n";

// A value the record does not have (the dew temperature at 0 %RH) is left empty, which
// spreadsheets, pandas and R all read as missing. Values are written with a point whatever
// the machine's language.
QString csvValue(float value)
{
    return std::isfinite(value) ? readings::formatValue(double(value)) : QString();
}

// Times and numbers only: no field holds a comma, a quote or a line break, so none needs
// RFC 4180's quotes.
void appendCsvRow(QByteArray& text, const QStringList& fields)
{
    text += fields.join(QLatin1Char(CsvSeparator)).toUtf8();
    text += CsvLineEnd;
}

QStringList csvTitles(bool celsius)
{
    const QString unit = celsius ? QStringLiteral("°C") : QStringLiteral("°F");
    return {QStringLiteral("time"), QStringLiteral("temperature (%1)").arg(unit),
            QStringLiteral("humidity (%RH)"), QStringLiteral("heat index (%1)").arg(unit),
            QStringLiteral("dew temperature (%1)").arg(unit)};
}

// As many links as the system follows before it gives up on a name.
constexpr int MaxLinks = 40;

// The file that writing to `name` reaches: its links followed to their end, also an end that
// does not exist yet, in the canonical path of its folder.
QString fileReachedBy(const QString& name)
{
    QString path = name;
    for (int link = 0; link <= MaxLinks; ++link) {
        const QFileInfo file(path);
        const QString folder = QFileInfo(file.path()).canonicalFilePath();
        path = folder.isEmpty() ? file.absoluteFilePath() : QDir(folder).filePath(file.fileName());
        if (!QFileInfo(path).isSymLink())
            break;
        path = QFileInfo(path).symLinkTarget();
    }
    return path;
}

QString cannotWrite(const Target& target, const QString& why)
{
    return Texts::tr("%1 cannot be written (%2)").arg(target.name, why);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Writes `content` into `file` and onto the disk, then closes it; why it could not, or empty.
QString writeToDisk(QFile& file, const QByteArray& content)
{
    if (file.write(content) != content.size() || !file.flush())
        return file.errorString();
    if (::fsync(file.handle()) != 0)
        return systemError();
    file.close();
    return file.error() == QFileDevice::NoError ? QString() : file.errorString();
}

// A random name for the new file beside `path`; it is opened only if no file has it.
QString freshNameBeside(const QString& path)
{
    const QFileInfo file(path);
    return QDir(file.path())
        .filePath(QStringLiteral(".%1.%2")
                      .arg(file.fileName())
                      .arg(QRandomGenerator::global()->generate64(), 0, 36));
}

} // namespace

Form formOf(const QString& fileName)
{
    const std::pair<const char*, Form> endings[] = {
        {".txt", Form::Text}, {".xls", Form::Workbook}, {".pdf", Form::Pdf},
        {".csv", Form::Csv},  {".png", Form::Picture},
    };
    const QString ownName = QFileInfo(fileName).fileName();
    for (const auto& [ending, form] : endings) {
        if (ownName.contains(QLatin1String(ending)))
            return form;
    }
    return Form::None;
}

QString keptFileNamedBy(const Target& target)
{
    const QString reached = fileReachedBy(target.name);
    const QString canonical = QFileInfo(target.name).canonicalFilePath();
    for (const QString& kept : LoggedDownload::keptFiles(target.dataFilePath)) {
        if (reached == fileReachedBy(kept) ||
            (!canonical.isEmpty() && canonical == QFileInfo(kept).canonicalFilePath()))
            return kept;
    }
    return QString();
}

QString refusalOf(const Target& target)
{
    if (target.name.isEmpty())
        return noName();
    const QString kept = keptFileNamedBy(target);
    if (kept.isEmpty())
        return QString();
    if (kept == target.dataFilePath)
        return Texts::tr("%1 is the download's own data file; choose another name")
            .arg(target.name);
    return Texts::tr("%1 is the data file kept from the download before; choose another name")
        .arg(target.name);
}

bool readDataFile(const Target& target, QByteArray* content, QString* reason)
{
    *reason = refusalOf(target);
    if (!reason->isEmpty())
        return false;
    QFile data(target.dataFilePath);
    if (data.open(QIODevice::ReadOnly)) {
        *content = data.readAll();
        if (data.error() == QFileDevice::NoError)
            return true;
    }
    *reason = Texts::tr("the data file %1 cannot be read (%2)")
                  .arg(target.dataFilePath, data.errorString());
    return false;
}

Outcome saveFile(const QByteArray& content, const Target& target)
{
    QString refusal = refusalOf(target);
    if (!refusal.isEmpty())
        return failed(refusal);
    // The new file is written beside the end of the target's links, and takes that file's
    // place in one rename once every byte of it is on the disk.
    const QString destination = fileReachedBy(target.name);
    QFile file(freshNameBeside(destination));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return failed(cannotWrite(target, file.errorString()));
    QString problem = writeToDisk(file, content);
    if (problem.isEmpty()) {
        if (QFileInfo::exists(destination))
            file.setPermissions(QFileInfo(destination).permissions());
        // A link made meanwhile must not turn the report onto a kept file.
        refusal = refusalOf(target);
        if (!refusal.isEmpty()) {
            file.remove();
            return failed(refusal);
        }
        if (std::rename(QFile::encodeName(file.fileName()).constData(),
                        QFile::encodeName(destination).constData()) == 0)
            return {true, QString()};
        problem = systemError();
    }
    file.remove();
    return failed(cannotWrite(target, problem));
}

Outcome saveText(const Target& target)
{
    QByteArray content;
    QString reason;
    if (!readDataFile(target, &content, &reason))
        return failed(reason);
    return saveFile(content, target);
}

Outcome saveBuiltFile(const std::function<bool(const QString& path)>& build,
                      const QString& buildFailure, const Target& target)
{
    // Built apart first, so that the target is written the way every other form is, and a
    // failure there has its reason.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return failed(
            Texts::tr("no temporary folder to build the file in (%1)").arg(scratch.errorString()));
    const QString built = scratch.filePath(QStringLiteral("report"));
    QFile file(built);
    if (!build(built) || !file.open(QIODevice::ReadOnly))
        return failed(buildFailure);
    return saveFile(file.readAll(), target);
}

Outcome saveWorkbook(const Sheet& downloadSheet, const QStringList& summaryLines,
                     const Target& target)
{
    Sheet report = downloadSheet;
    sheetlayout::writeSummary(report, summaryLines);
    return saveBuiltFile([&](const QString& path) { return report.saveAs(path); },
                         Texts::tr("the workbook could not be built"), target);
}

Outcome saveCsv(const SavedData& data, const Target& target)
{
    QByteArray text;
    constexpr int BytesPerRow = 64;
    text.reserve((data.records.size() + 1) * BytesPerRow);
    appendCsvRow(text, csvTitles(data.header.celsius));
    for (const SavedRecord& record : data.records) {
        appendCsvRow(text, {logged::isoTimeText(record.time), csvValue(record.temperature),
                            csvValue(record.humidity), csvValue(record.heatIndex),
                            csvValue(record.dewTemperature)});
    }
    return saveFile(text, target);
}

} // namespace exports
