#include "thermo.h"

#include <QGridLayout>

#include <cmath>

namespace {

// Date above time in every tick label.
const char* const TickFormat = "MM/dd/yyyy\nhh:mm:ss";
constexpr int AxisLabelPixels = 32;
// Room left above and below the fitted values: a share of their span, at least one unit.
constexpr double FitMarginShare = 0.05;
constexpr double FitMarginMinimum = 1;

} // namespace

Thermo::Thermo(QWidget* parent) : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("Thermo"));
    resize(400, 300);
    gridLayout = new QGridLayout(this);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    customPlot = new QCustomPlot(this);
    customPlot->setObjectName(QStringLiteral("customPlot"));
    gridLayout->addWidget(customPlot, 0, 0, 1, 1);

    // A point as the decimal separator of the tick labels, whatever the system's language.
    customPlot->setLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QLatin1String(TickFormat));
    // Keys count the logger's wall-clock seconds as if they were UTC, so that no daylight
    // saving change shifts or skips them: they are shown as UTC too.
    ticker->setDateTimeSpec(Qt::UTC);
    customPlot->xAxis->setTicker(ticker);
    customPlot->xAxis2->setVisible(true);
    customPlot->xAxis2->setTicks(false);
    customPlot->yAxis2->setTicks(false);
    customPlot->xAxis2->setTickLabels(false);
    customPlot->yAxis2->setTickLabels(false);
    customPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    customPlot->legend->setVisible(true);
    connect(customPlot, &QCustomPlot::mouseDoubleClick, this, &Thermo::toggleFit);
}

void Thermo::clear()
{
    customPlot->clearGraphs();
    customPlot->replot(QCustomPlot::rpQueuedReplot);
}

void Thermo::setValueRange(double lower, double upper)
{
    describedRange = QCPRange(lower, upper);
    fitted = false;
    customPlot->yAxis->setRange(describedRange);
}

void Thermo::setValueAxis(double lower, double upper, const QString& label)
{
    setValueRange(lower, upper);
    customPlot->yAxis->setLabel(label);
    QFont font;
    font.setWeight(QFont::Black);
    font.setPixelSize(AxisLabelPixels);
    customPlot->yAxis->setLabelFont(font);
}

void Thermo::setTimeRange(const QDateTime& start, double span)
{
    const double first = double(start.toSecsSinceEpoch());
    customPlot->xAxis->setRange(first, first + span);
}

void Thermo::addSeries(const QString& name, const QDateTime& first, const QVector<double>& values,
                       int interval, const QColor& color)
{
    QCPGraph* graph = customPlot->addGraph();
    graph->setName(name);
    graph->setPen(QPen(color));
    const double firstKey = double(first.toSecsSinceEpoch());
    seriesPoints.resize(values.size());
    for (int i = 0; i < values.size(); ++i)
        seriesPoints[i] = QCPGraphData(firstKey + double(i) * interval, values.at(i));
    // Rising keys need no sorting.
    graph->data()->set(seriesPoints, interval >= 0);
    customPlot->replot(QCustomPlot::rpQueuedReplot);
}

void Thermo::addLevelLine(const QString& name, double value, const QColor& color)
{
    QCPGraph* graph = customPlot->addGraph();
    graph->setName(name);
    graph->setPen(QPen(color));
    QVector<QCPGraphData> line(seriesPoints.size());
    for (int i = 0; i < seriesPoints.size(); ++i)
        line[i] = QCPGraphData(seriesPoints.at(i).key, value);
    graph->data()->set(line, true);
    customPlot->replot(QCustomPlot::rpQueuedReplot);
}

std::optional<QCPRange> Thermo::fittedValueRange() const
{
    QCPRange values;
    bool anyValue = false;
    for (int g = 0; g < customPlot->graphCount(); ++g) {
        bool found = false;
        const QCPRange range = customPlot->graph(g)->getValueRange(found);
        if (!found || !std::isfinite(range.lower) || !std::isfinite(range.upper))
            continue;
        values = anyValue
                     ? QCPRange(qMin(values.lower, range.lower), qMax(values.upper, range.upper))
                     : range;
        anyValue = true;
    }
    if (!anyValue)
        return std::nullopt;
    const double margin = qMax(values.size() * FitMarginShare, FitMarginMinimum);
    return QCPRange(values.lower - margin, values.upper + margin);
}

void Thermo::toggleFit()
{
    if (fitted) {
        customPlot->yAxis->setRange(describedRange);
        fitted = false;
    } else if (const std::optional<QCPRange> range = fittedValueRange()) {
        customPlot->yAxis->setRange(*range);
        fitted = true;
    }
    customPlot->replot(QCustomPlot::rpQueuedReplot);
}
