#include "records/figures.h"
#include "testsupport.h"

#include <QJsonArray>
#include <cmath>

using namespace figures;

namespace {

// Records a minute apart, the first a minute after the start (05-03-2024 22:30:00 unless
// given), temperature and humidity as given.
SavedData data(const QVector<float>& temperatures, const QVector<float>& humidities,
               bool celsius = true, int announced = -1,
               const QDateTime& start = QDateTime(QDate(2024, 3, 5), QTime(22, 30), Qt::UTC))
{
    SavedData d;
    const int count = announced < 0 ? temperatures.size() : announced;
    d.header = {count, start.date(), start.time(), {8, 2, 80, 20}, 60, celsius};
    for (int i = 0; i < temperatures.size(); ++i) {
        SavedRecord r;
        r.time = start.addSecs(60 * (i + 1)).toString("MM-dd-yyyy HH:mm:ss");
        r.temperature = temperatures.at(i);
        r.humidity = humidities.value(i, 50);
        d.records.append(r);
    }
    return d;
}

QString eventText(const Excursion& e)
{
    return QStringLiteral("%1 %2 @%3 %4 s %5")
        .arg(e.quantity == Quantity::Temperature ? "T" : "H")
        .arg(e.limit == Limit::High ? "high" : "low")
        .arg(e.first.toString("HH:mm"))
        .arg(e.durationSeconds)
        .arg(e.extreme);
}

// The closed form, summed plainly in long double.
double plainMkt(const QVector<double>& celsius)
{
    long double sum = 0;
    for (double t : celsius)
        sum += std::exp(-10000.0L / (t + 273.15L));
    return double(10000.0L / -std::log(sum / celsius.size()) - 273.15L);
}

} // namespace

Q_DECLARE_METATYPE(SavedData)

class FiguresTest : public QObject
{
    Q_OBJECT

private slots:
    void excursions_data();
    void excursions();
    void meanKineticTemperature_data();
    void meanKineticTemperature();
    void partialAndEmptyDownloads();
    void stampsAreTheLoggersWallClockInAnyZone();
};

void FiguresTest::excursions_data()
{
    QTest::addColumn<SavedData>("input");
    // Of each quantity: minimum maximum mean | seconds above, below, excursions, the longest.
    QTest::addColumn<QString>("temperature");
    QTest::addColumn<QString>("humidity");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("verdict");

    // Limits 8 / 2 degC and 80 / 20 %RH. 8.0 touches the high limit without crossing it.
    QTest::newRow("excursions at the first and the last record")
        << data({9.0f, 5.0f, 5.0f, 1.5f, 1.0f, 5.0f, 8.0f, 8.1f},
                {50, 50, 81, 81, 80, 20, 19.9f, 50})
        << "1 9 5.325 | 120 120 3 120"
        << "19.9 81 53.9875 | 120 60 2 120"
        << QStringList{"T high @22:31 60 s 9", "H high @22:33 120 s 81", "T low @22:34 120 s 1",
                       "H low @22:37 60 s 19.9", "T high @22:38 60 s 8.1"}
        << "5 excursions: 2 min above 8.0 ℃, 2 min below 2.0 ℃, 2 min above 80 %RH, 1 min below 20 "
           "%RH";
    // 8 degC = 46.4 degF exactly, 2 degC = 35.6 degF: values on them are within.
    QTest::newRow("a Fahrenheit file")
        << data({46.4f, 46.5f, 35.6f, 35.5f}, {}, false) << "35.5 46.5 41 | 60 60 2 60"
        << "50 50 50 | 0 0 0 0" << QStringList{"T high @22:32 60 s 46.5", "T low @22:34 60 s 35.5"}
        << "2 excursions: 1 min above 46.4 ℉, 1 min below 35.6 ℉";
    QTest::newRow("a single record within limits")
        << data({5.0f}, {50}) << "5 5 5 | 0 0 0 0"
        << "50 50 50 | 0 0 0 0" << QStringList() << "Within limits";
    QTest::newRow("one long run at the end")
        << data({5.0f, 8.5f, 9.5f, 8.1f}, {}) << "5 9.5 7.775 | 180 0 1 180"
        << "50 50 50 | 0 0 0 0" << QStringList{"T high @22:32 180 s 9.5"}
        << "1 excursion: 3 min above 8.0 ℃";
}

void FiguresTest::excursions()
{
    QFETCH(SavedData, input);
    const Figures f = figures::of(input);
    const auto text = [](const QuantityFigures& q) {
        return QStringLiteral("%1 %2 %3 | %4 %5 %6 %7")
            .arg(q.minimum)
            .arg(q.maximum)
            .arg(q.mean, 0, 'g', 6)
            .arg(q.aboveSeconds)
            .arg(q.belowSeconds)
            .arg(q.excursions)
            .arg(q.longestExcursionSeconds);
    };
    QTEST(text(f.temperature), "temperature");
    QTEST(text(f.humidity), "humidity");
    QStringList events;
    for (const Excursion& e : f.events)
        events << eventText(e);
    QTEST(events, "events");
    QCOMPARE(f.first, QDateTime(QDate(2024, 3, 5), QTime(22, 31), Qt::UTC));
    QCOMPARE(f.last, f.first.addSecs(60 * (input.records.size() - 1)));
    QVERIFY(!f.partial);
    QTEST(verdict(f), "verdict");
}

void FiguresTest::meanKineticTemperature_data()
{
    QTest::addColumn<QVector<double>>("celsius");
    QTest::addColumn<double>("expected");
    QTest::newRow("a constant series is its own temperature") << QVector<double>(50, 25.0) << 25.0;
    QTest::newRow("one value") << QVector<double>{-12.5} << -12.5;
    QTest::newRow("20 and 30 degC") << QVector<double>{20, 30} << plainMkt({20, 30});
    QTest::newRow("a cold store with a warm hour")
        << QVector<double>{4, 4, 4, 5, 6, 15, 16, 5, 4, 4}
        << plainMkt({4, 4, 4, 5, 6, 15, 16, 5, 4, 4});
}

void FiguresTest::meanKineticTemperature()
{
    QFETCH(QVector<double>, celsius);
    QFETCH(double, expected);
    QVERIFY2(std::abs(meanKineticTemperatureC(celsius) - expected) < 1e-9,
             qPrintable(QString::number(meanKineticTemperatureC(celsius), 'g', 15)));
}

void FiguresTest::partialAndEmptyDownloads()
{
    // A Fahrenheit file's MKT is the Celsius one converted.
    const Figures f = figures::of(data({68.0f, 86.0f}, {}, false, 10));
    QVERIFY(std::abs(f.meanKineticTemperature - (plainMkt({20, 30}) * 1.8 + 32)) < 1e-6);
    QVERIFY(f.partial);
    QVERIFY(lines(f).first().contains("2 records that arrived of 10"));

    const Figures none = figures::of(data({}, {}, true, 10));
    QVERIFY(none.isEmpty());
    QCOMPARE(lines(none).size(), 1);
    // No records have no extremes, means or MKT: null, never a temperature of 0.
    const QJsonObject json = toJson(none);
    QVERIFY(json.value("events").toArray().isEmpty());
    for (const char* quantity : {"temperature", "humidity"})
        for (const char* key : {"min", "max", "mean", "mkt"}) {
            const QJsonObject q = json.value(quantity).toObject();
            QVERIFY2(q.contains(key) ==
                         (QLatin1String(quantity) == "temperature" || key != QLatin1String("mkt")),
                     key);
            QVERIFY2(!q.contains(key) || q.value(key).isNull(), key);
        }
    QCOMPARE(json.value("temperature").toObject().value("high_limit").toDouble(), 8.0);
}

// 02:30 on 31 March 2024 does not exist in Berlin: the clocks went from 02:00 to 03:00. The
// logger's clock knows no zones, and neither may its stamps.
void FiguresTest::stampsAreTheLoggersWallClockInAnyZone()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    const Figures f = figures::of(
        data({5, 9, 9}, {}, true, -1, QDateTime(QDate(2024, 3, 31), QTime(2, 28), Qt::UTC)));
    qputenv("TZ", zone);
    QCOMPARE(f.events.size(), 1);
    QCOMPARE(f.events.first().first, QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::UTC));
    QCOMPARE(f.last, QDateTime(QDate(2024, 3, 31), QTime(2, 31), Qt::UTC));
}

HYGROLUX_TEST_MAIN_CORE(FiguresTest)
#include "tst_figures.moc"
