#include "report.h"

#include "pdfexport.h"
#include "workbook/sheet.h"

#include <QCoreApplication>

namespace exports {

namespace {

// The reasons end up in the analysis window's message, and are translated with it.
class Texts
{
    Q_DECLARE_TR_FUNCTIONS(QRealTimeData)
};

Outcome saveRecords(const ReportSources& sources, const Target& target)
{
    if (sources.records)
        return saveCsv(*sources.records, target);
    const savedfile::Result loaded = savedfile::load(sources.dataFilePath, savedfile::Kind::Text);
    if (loaded.status == savedfile::Status::Unreadable)
        return {false, Texts::tr("the data file %1 cannot be read (%2)")
                           .arg(sources.dataFilePath, Texts::tr("no records in it"))};
    return saveCsv(loaded.data, target);
}

} // namespace

Outcome saveReport(const ReportSources& sources, const QString& name)
{
    const Form form = formOf(name);
    if (form == Form::None)
        return {false,
                Texts::tr("the name must contain .txt, .xlsx, .xls, .pdf, .csv or .png, in small "
                          "letters")};
    // No form may take the place of a file the download keeps, a picture no more than a copy.
    const Target target{name, sources.dataFilePath};
    const QString refusal = refusalOf(target);
    if (!refusal.isEmpty())
        return {false, refusal};
    switch (form) {
    case Form::Text:
        return saveText(target);
    case Form::Workbook:
        if (!sources.sheet)
            return {false, Texts::tr("the workbook could not be built")};
        return saveWorkbook(*sources.sheet, sources.summaryLines, target);
    case Form::Pdf:
        return savePdf(target);
    case Form::Csv:
        return saveRecords(sources, target);
    case Form::Picture: {
        const QByteArray picture = sources.drawCharts ? sources.drawCharts() : QByteArray();
        if (picture.isEmpty())
            return {false, Texts::tr("the picture could not be drawn")};
        return saveFile(picture, target);
    }
    case Form::None:
        break;
    }
    return {};
}

} // namespace exports
