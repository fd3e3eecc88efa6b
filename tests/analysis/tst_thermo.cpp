#include "analysis/thermo.h"
#include "testsupport.h"

// The trend chart: where the points of a series and its alarm lines lie.
class TestThermo : public QObject
{
    Q_OBJECT

private slots:
    void seriesAndLevelLines_data();
    void seriesAndLevelLines();
    void setUpForDatesDraggingAndZooming();
    void timeAxisShowsTheLoggersWallClock();
    void doubleClickFitsTheValuesAndGivesTheRangeBack();
};

void TestThermo::seriesAndLevelLines_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<int>("interval");
    QTest::newRow("interval 60") << QVector<double>{20.5, 21.0, 21.5} << 60;
    QTest::newRow("no points") << QVector<double>{} << 60;
    QTest::newRow("zero interval") << QVector<double>{1, 2, 3} << 0;
    QTest::newRow("65535 points, longest interval") << QVector<double>(65535, 5.0) << 2147483647;
}

void TestThermo::seriesAndLevelLines()
{
    QFETCH(QVector<double>, values);
    QFETCH(int, interval);
    Thermo chart;
    const QDateTime start(QDate(2016, 12, 2), QTime(15, 26, 5));
    const double first = double(start.toSecsSinceEpoch());
    chart.addLevelLine("before any series", 1, Qt::black);
    QCOMPARE(chart.plot()->graph(0)->dataCount(), 0);
    chart.clear();

    chart.addSeries("Temperature", start, values, interval, Qt::green);
    chart.addLevelLine("High", 40, Qt::red);
    chart.addLevelLine("Low", -10, Qt::blue);
    QCustomPlot* plot = chart.plot();
    QCOMPARE(plot->graphCount(), 3);
    QCOMPARE(plot->legend->itemCount(), 3);
    const QStringList names{"Temperature", "High", "Low"};
    for (int g = 0; g < 3; ++g) {
        QCOMPARE(plot->graph(g)->name(), names.at(g));
        QCOMPARE(plot->graph(g)->dataCount(), values.size());
    }
    QCOMPARE(plot->graph(1)->pen().color(), QColor(Qt::red));
    for (int i = 0; i < values.size(); i += qMax(1, values.size() / 7)) {
        const double key = first + double(i) * interval;
        QCOMPARE(plot->graph(0)->data()->at(i)->key, key);
        QCOMPARE(plot->graph(0)->data()->at(i)->value, values.at(i));
        QCOMPARE(plot->graph(1)->data()->at(i)->key, key);
        QCOMPARE(plot->graph(1)->data()->at(i)->value, 40.0);
        QCOMPARE(plot->graph(2)->data()->at(i)->value, -10.0);
    }
    if (values.size() == 3 && interval == 60)
        QCOMPARE(plot->graph(0)->data()->at(2)->key, first + 120);

    chart.clear();
    QCOMPARE(plot->graphCount(), 0);
}

void TestThermo::setUpForDatesDraggingAndZooming()
{
    Thermo chart;
    QCustomPlot* plot = chart.plot();
    auto ticker = plot->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    QVERIFY(ticker);
    QCOMPARE(ticker->dateTimeFormat(), QStringLiteral("MM/dd/yyyy\nhh:mm:ss"));
    QCOMPARE(plot->locale().decimalPoint(), QChar('.'));
    QVERIFY(plot->xAxis2->visible());
    QVERIFY(!plot->xAxis2->ticks());
    QVERIFY(!plot->yAxis2->visible());
    QCOMPARE(plot->interactions(), QCP::iRangeDrag | QCP::iRangeZoom);
    QVERIFY(plot->legend->visible());

    const QDateTime start(QDate(2024, 3, 9), QTime(22, 30));
    chart.setTimeRange(start, 3600);
    QCOMPARE(plot->xAxis->range().lower, double(start.toSecsSinceEpoch()));
    QCOMPARE(plot->xAxis->range().size(), 3600.0);
    chart.setValueAxis(-49, 284, "unit: ℉");
    QCOMPARE(plot->yAxis->range(), QCPRange(-49, 284));
    QCOMPARE(plot->yAxis->label(), QStringLiteral("unit: ℉"));
}

void TestThermo::timeAxisShowsTheLoggersWallClock()
{
    // Keys are the logger's wall-clock seconds; the machine's own zone must not shift them.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Asia/Tokyo");
    Thermo chart;
    chart.resize(800, 400);
    const QDateTime start(QDate(2024, 3, 9), QTime(22, 30), Qt::UTC);
    chart.addSeries("Temperature", start, QVector<double>(61, 20.0), 60, Qt::green);
    chart.setTimeRange(start, 3600);
    chart.plot()->replot();
    const QVector<QString> labels = chart.plot()->xAxis->tickVectorLabels();
    qputenv("TZ", zone);
    QVERIFY(!labels.isEmpty());
    for (const QString& label : labels)
        QVERIFY2(label.startsWith("03/09/2024\n22:") || label.startsWith("03/09/2024\n23:"),
                 qPrintable(label));
}

void TestThermo::doubleClickFitsTheValuesAndGivesTheRangeBack()
{
    Thermo chart;
    chart.resize(800, 400);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QCustomPlot* plot = chart.plot();
    const auto doubleClick = [plot] {
        QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier, plot->axisRect()->rect().center());
        return plot->yAxis->range();
    };
    const QCPRange described(-45, 140);
    chart.setValueAxis(described.lower, described.upper, "unit: ℃");
    QCOMPARE(doubleClick(), described); // nothing shown: nothing to fit

    const QDateTime start(QDate(2024, 3, 9), QTime(22, 30), Qt::UTC);
    chart.addSeries("Temperature", start, {21.5, 35.0, 20.0}, 60, Qt::green);
    chart.addLevelLine("High", 30, Qt::red);
    chart.addLevelLine("Low", 10, Qt::blue);
    // 10 .. 35 with 5 % of the span, 1.25, each side; the time axis stays.
    const QCPRange time = plot->xAxis->range();
    QCOMPARE(doubleClick(), QCPRange(8.75, 36.25));
    QCOMPARE(plot->xAxis->range(), time);
    // Dragged or zoomed in between, the next double click still gives the range back.
    plot->yAxis->moveRange(3);
    QCOMPARE(doubleClick(), described);

    // A narrow span gets a whole unit of room; a new load starts from its described range.
    chart.clear();
    chart.setValueAxis(-5, 110, "unit %");
    chart.addSeries("Humidity", start, {45.0, 45.5}, 60, Qt::green);
    chart.addLevelLine("High", 46, Qt::red);
    chart.addLevelLine("Low", 45, Qt::blue);
    QCOMPARE(plot->yAxis->range(), QCPRange(-5, 110));
    QCOMPARE(doubleClick(), QCPRange(44, 47));
}

HYGROLUX_TEST_MAIN(TestThermo)
#include "tst_thermo.moc"
