#pragma once

#include <QColor>
#include <QDateTime>
#include <QVector>
#include <QWidget>

#include <optional>

#include <qcustomplot.h>

class QGridLayout;

// A trend chart: one series of a saved file against a date-time axis, with horizontal
// alarm lines over the same time range, a legend, and dragging and zooming by mouse.
// A double click fits the value axis to the series and the alarm lines; the next one gives
// back the range the window described. Keys on the time axis are seconds since
// 1970-01-01 00:00 UTC, shown as local time.
class Thermo : public QWidget
{
    Q_OBJECT

public:
    explicit Thermo(QWidget* parent = nullptr);

    // Removes every series and line.
    void clear();
    // The described value range: shown now, and again when a fitted view is given back.
    void setValueRange(double lower, double upper);
    void setValueAxis(double lower, double upper, const QString& label);
    // The visible time range: `span` seconds from `start`.
    void setTimeRange(const QDateTime& start, double span);
    // Point i lies at first + i x interval seconds.
    void addSeries(const QString& name, const QDateTime& first, const QVector<double>& values,
                   int interval, const QColor& color);
    // A horizontal line with one point at each key of the last series added.
    void addLevelLine(const QString& name, double value, const QColor& color);

    QCustomPlot* plot() const { return customPlot; }

private:
    // The values of every graph shown (the series and its alarm lines) with a margin of 5 %
    // of their span, at least one unit, each side; none when no graph holds a value.
    std::optional<QCPRange> fittedValueRange() const;
    void toggleFit();

    QGridLayout* gridLayout = nullptr;
    QCustomPlot* customPlot = nullptr;
    QVector<QCPGraphData> seriesPoints;
    // The value range the window set, which a second double click gives back.
    QCPRange describedRange;
    bool fitted = false;
};
