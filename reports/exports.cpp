#include "exports.h"

#include "readings.h"
#include "sheet.h"
#include "sheetlayout.h"
#include "timetexts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cmath>

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

} // namespace

Form formOf(const QString& fileName)
{
    const std::pair<const char*, Form> endings[] = {
        {".txt", Form::Text}, {".xls", Form::Workbook}, {".pdf", Form::Pdf},
        {".csv", Form::Csv},  {".png", Form::Picture},
    };
    for (const auto& [ending, form] : endings) {
        if (fileName.contains(QLatin1String(ending)))
            return form;
    }
    return Form::None;
}

QString refusalOf(const QString& dataFilePath, const QString& target)
{
    if (target.isEmpty())
        return noName();
    const QString data = QFileInfo(dataFilePath).canonicalFilePath();
    if (!data.isEmpty() && QFileInfo(target).canonicalFilePath() == data)
        return Texts::tr("%1 is the download's own data file; choose another name").arg(target);
    return QString();
}

bool readDataFile(const QString& dataFilePath, const QString& target, QByteArray* content,
                  QString* reason)
{
    *reason = refusalOf(dataFilePath, target);
    if (!reason->isEmpty())
        return false;
    QFile data(dataFilePath);
    if (data.open(QIODevice::ReadOnly)) {
        *content = data.readAll();
        if (data.error() == QFileDevice::NoError)
            return true;
    }
    *reason =
        Texts::tr("the data file %1 cannot be read (%2)").arg(dataFilePath, data.errorString());
    return false;
}

Outcome saveFile(const QByteArray& content, const QString& target)
{
    if (target.isEmpty())
        return failed(noName());
    QSaveFile file(target);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return {true, QString()};
    return failed(Texts::tr("%1 cannot be written (%2)").arg(target, file.errorString()));
}

Outcome saveText(const QString& dataFilePath, const QString& target)
{
    QByteArray content;
    QString reason;
    if (!readDataFile(dataFilePath, target, &content, &reason))
        return failed(reason);
    return saveFile(content, target);
}

Outcome saveBuiltFile(const std::function<bool(const QString& path)>& build,
                      const QString& buildFailure, const QString& target)
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
                     const QString& target)
{
    Sheet report = downloadSheet;
    sheetlayout::writeSummary(report, summaryLines);
    return saveBuiltFile([&](const QString& path) { return report.saveAs(path); },
                         Texts::tr("the workbook could not be built"), target);
}

Outcome saveCsv(const SavedData& data, const QString& target)
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
