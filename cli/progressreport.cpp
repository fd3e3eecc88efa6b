#include "progressreport.h"

#include <QTextStream>

namespace {

constexpr int BarWidth = 40;
constexpr int LineStep = 10;

} // namespace

ProgressReport::ProgressReport(QTextStream& stream, bool terminal)
    : out(stream), onTerminal(terminal)
{}

QString ProgressReport::bar(int percent, int records, int total)
{
    const int filled = percent * BarWidth / 100;
    QString text =
        QStringLiteral("Downloading [%1%2] %3%")
            .arg(QString(filled, QLatin1Char('#')), QString(BarWidth - filled, QLatin1Char('-')))
            .arg(percent, 3);
    if (total > 0)
        text += QStringLiteral("  %1 of %2 records").arg(records).arg(total);
    return text;
}

void ProgressReport::update(int percent, int records, int total)
{
    if (onTerminal) {
        // Carriage return and erase to the end of the line: the bar is drawn over itself.
        out << '\r' << bar(percent, records, total) << "\x1b[K";
        out.flush();
        barDrawn = true;
        return;
    }
    const int step = percent / LineStep * LineStep;
    if (step <= shownPercent)
        return;
    shownPercent = step;
    out << QStringLiteral("Downloading: %1%").arg(step);
    if (total > 0)
        out << QStringLiteral(" (%1 of %2 records)").arg(records).arg(total);
    out << '\n';
    out.flush();
}

void ProgressReport::finish()
{
    if (barDrawn)
        out << '\n';
    out.flush();
    barDrawn = false;
}
