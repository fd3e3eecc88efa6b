#pragma once

#include <QColor>
#include <QDateTime>
#include <QVector>
#include <QWidget>

#include <qcustomplot.h>

class QGridLayout;

// A trend chart: one series of a saved file against a date-time axis, with horizontal
// alarm lines over the same time range, a legend, and dragging and zooming by mouse.
// Keys on the time axis are seconds since 1970-01-01 00:00 UTC, shown as local time.
class Thermo : public QWidget
{
    Q_OBJECT

public:
    explicit Thermo(QWidget* parent = nullptr);

    // Removes every series and line.
    void clear();
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
    QGridLayout* gridLayout = nullptr;
    QCustomPlot* customPlot = nullptr;
    QVector<QCPGraphData> seriesPoints;
};
