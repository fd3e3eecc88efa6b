#include "pdfexport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QPrinter>

namespace exports {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(QRealTimeData)
};

// In the printer's own units (72 a inch at printer resolution), from the top left corner
// of the printable area: 55 baselines a page, 5, 20, ..., 815.
constexpr int FirstBaseline = 5;
constexpr int LineStep = 15;
constexpr int PageBreak = 830;

QFont reportFont()
{
    QFont font;
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    font.setFamily(QStringLiteral("Arial Black"));
    return font;
}

// The text of a line up to its first NUL byte, which ends a line's text for the report.
QString lineText(const QByteArray& line)
{
    const int nul = line.indexOf('\0');
    return QString::fromUtf8(line.constData(), nul < 0 ? line.size() : nul);
}

bool print(const QByteArray& content, const QString& path)
{
    QPrinter printer(QPrinter::PrinterResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(path);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // begin() gives the painter the device's default font: the report's comes after it.
    painter.setFont(reportFont());

    QBuffer lines;
    lines.setData(content);
    lines.open(QIODevice::ReadOnly | QIODevice::Text);
    int y = FirstBaseline;
    bool ok = true;
    while (ok && !lines.atEnd()) {
        painter.drawText(QPointF(0, y), lineText(lines.readLine()));
        y += LineStep;
        if (y % PageBreak == 0) {
            ok = printer.newPage();
            y = FirstBaseline;
        }
    }
    return painter.end() && ok && isCompletePdf(path);
}

} // namespace

bool isCompletePdf(const QString& path)
{
    QFile document(path);
    const QByteArray endMark("%%EOF");
    return document.open(QIODevice::ReadOnly) && document.size() > endMark.size() &&
           document.seek(document.size() - endMark.size() - 1) &&
           document.readAll().contains(endMark);
}

Outcome savePdf(const Target& target)
{
    QByteArray content;
    QString reason;
    if (!readDataFile(target, &content, &reason))
        return {false, reason};
    return saveBuiltFile([&](const QString& path) { return print(content, path); },
                         Texts::tr("the PDF document could not be built"), target);
}

} // namespace exports
