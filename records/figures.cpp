#include "figures.h"

#include "readings.h"
#include "timetexts.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cmath>
#include <limits>

namespace figures {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(Figures)
};

constexpr double KelvinAtZeroCelsius = 273.15;
constexpr char JsonTimeFormat[] = "yyyy-MM-ddTHH:mm:ss";

int tenthsOf(float value)
{
    return int(std::lround(double(value) * 10));
}

// Made as UTC at once: read as local time, every stamp asked the system's time zone, which
// took over a second for the tens of thousands of excursions of a restless download, and a
// local time that a daylight saving change skips would not read.
QDateTime stampOf(const SavedRecord& record)
{
    const logged::WallClock clock = logged::parseRecordTime(record.time);
    if (!clock.date.isValid())
        return QDateTime();
    return QDateTime(clock.date, clock.time, Qt::UTC);
}

double celsiusOf(double value, bool celsius)
{
    return celsius ? value : (value - 32) / 1.8;
}

// Walks one quantity's values once: extremes, mean, time beyond each limit and the runs.
class QuantityWalk
{
public:
    QuantityWalk(Quantity which, const Bounds& limits, int seconds, QVector<Excursion>& runs)
        : quantity(which), interval(seconds), events(runs)
    {
        result.bounds = limits;
    }

    void take(int index, float value, const SavedRecord& record)
    {
        const double v = double(value);
        if (index == 0 || v < result.minimum)
            result.minimum = v;
        if (index == 0 || v > result.maximum)
            result.maximum = v;
        sum += v;
        ++count;

        const Beyond side = beyond(value, result.bounds);
        if (side != running)
            closeRun();
        if (side == Beyond::None)
            return;
        (side == Beyond::High ? result.aboveSeconds : result.belowSeconds) += interval;
        if (running == Beyond::None) {
            running = side;
            run = Excursion();
            run.quantity = quantity;
            run.limit = side == Beyond::High ? Limit::High : Limit::Low;
            run.firstRecord = index;
            run.first = stampOf(record);
            run.extreme = v;
        }
        ++run.records;
        run.extreme = side == Beyond::High ? qMax(run.extreme, v) : qMin(run.extreme, v);
    }

    QuantityFigures finish()
    {
        closeRun();
        result.mean = count > 0 ? sum / count : 0;
        return result;
    }

private:
    void closeRun()
    {
        if (running == Beyond::None)
            return;
        run.durationSeconds = qint64(run.records) * interval;
        result.longestExcursionSeconds = qMax(result.longestExcursionSeconds, run.durationSeconds);
        ++result.excursions;
        events.append(run);
        running = Beyond::None;
    }

    Quantity quantity;
    qint64 interval;
    QVector<Excursion>& events;
    QuantityFigures result;
    double sum = 0;
    int count = 0;
    Beyond running = Beyond::None;
    Excursion run;
};

QString valueText(Quantity quantity, double value, bool celsius)
{
    const QString number = readings::formatValue(value);
    if (quantity == Quantity::Humidity)
        return number + QLatin1String(" %RH");
    return number + QLatin1Char(' ') + readings::unitSymbol(celsius);
}

QString quantityName(Quantity quantity)
{
    return quantity == Quantity::Temperature ? QStringLiteral("temperature")
                                             : QStringLiteral("humidity");
}

QJsonValue jsonTime(const QDateTime& stamp)
{
    return stamp.isValid() ? QJsonValue(stamp.toString(QLatin1String(JsonTimeFormat)))
                           : QJsonValue();
}

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// Without records there are no extremes and no means: null, never a value of 0.
QJsonValue measured(bool any, double value, int decimals)
{
    return any ? QJsonValue(rounded(value, decimals)) : QJsonValue();
}

QJsonObject quantityJson(const QuantityFigures& q, bool any)
{
    const double unitsPerTenth = 0.1;
    return QJsonObject{
        {"min", measured(any, q.minimum, 1)},
        {"max", measured(any, q.maximum, 1)},
        {"mean", measured(any, q.mean, 2)},
        {"high_limit", rounded(q.bounds.highTenths * unitsPerTenth, 1)},
        {"low_limit", rounded(q.bounds.lowTenths * unitsPerTenth, 1)},
        {"above_s", double(q.aboveSeconds)},
        {"below_s", double(q.belowSeconds)},
        {"excursions", q.excursions},
        {"longest_excursion_s", double(q.longestExcursionSeconds)},
    };
}

} // namespace

Bounds temperatureBounds(const AlarmLimits& alarms, bool celsius)
{
    // degF = degC x 1.8 + 32, exactly: in tenths, degC x 18 + 320.
    if (celsius)
        return {alarms.tempHigh * 10, alarms.tempLow * 10};
    return {alarms.tempHigh * 18 + 320, alarms.tempLow * 18 + 320};
}

Bounds humidityBounds(const AlarmLimits& alarms)
{
    return {alarms.humiHigh * 10, alarms.humiLow * 10};
}

Beyond beyond(float value, const Bounds& bounds)
{
    if (!std::isfinite(value))
        return Beyond::None;
    const int tenths = tenthsOf(value);
    if (tenths > bounds.highTenths)
        return Beyond::High;
    if (tenths < bounds.lowTenths)
        return Beyond::Low;
    return Beyond::None;
}

QString limitText(Quantity quantity, int tenths, bool celsius)
{
    if (quantity == Quantity::Humidity)
        return QString::number(tenths / 10) + QLatin1String(" %RH");
    return valueText(quantity, tenths / 10.0, celsius);
}

double meanKineticTemperatureC(const QVector<double>& celsius)
{
    if (celsius.isEmpty())
        return 0;
    // ln of the mean of exp(x_i), taken about the largest x_i: the terms are near 1e-16
    // and would lose digits summed as they are.
    QVector<double> exponents;
    exponents.reserve(celsius.size());
    double largest = -std::numeric_limits<double>::infinity();
    for (double t : celsius) {
        const double x = -ActivationOverGasConstant / (t + KelvinAtZeroCelsius);
        exponents.append(x);
        largest = qMax(largest, x);
    }
    double sum = 0;
    for (double x : qAsConst(exponents))
        sum += std::exp(x - largest);
    const double logMean = largest + std::log(sum / celsius.size());
    return ActivationOverGasConstant / -logMean - KelvinAtZeroCelsius;
}

Figures of(const SavedData& data)
{
    Figures f;
    const LoggedHeader& header = data.header;
    f.records = data.records.size();
    f.announced = header.recordCount;
    f.partial = f.records < f.announced;
    f.intervalSeconds = header.intervalSeconds;
    f.celsius = header.celsius;
    // The limits hold whether or not any record arrived.
    f.temperature.bounds = temperatureBounds(header.alarms, f.celsius);
    f.humidity.bounds = humidityBounds(header.alarms);
    if (f.isEmpty())
        return f;

    f.first = stampOf(data.records.first());
    f.last = stampOf(data.records.last());
    QVector<Excursion> temperatureRuns;
    QVector<Excursion> humidityRuns;
    QuantityWalk temperature(Quantity::Temperature, f.temperature.bounds, f.intervalSeconds,
                             temperatureRuns);
    QuantityWalk humidity(Quantity::Humidity, f.humidity.bounds, f.intervalSeconds, humidityRuns);
    QVector<double> celsius;
    celsius.reserve(f.records);
    for (int i = 0; i < f.records; ++i) {
        const SavedRecord& record = data.records.at(i);
        temperature.take(i, record.temperature, record);
        humidity.take(i, record.humidity, record);
        celsius.append(celsiusOf(double(record.temperature), f.celsius));
    }
    f.temperature = temperature.finish();
    f.humidity = humidity.finish();
    const double mkt = meanKineticTemperatureC(celsius);
    f.meanKineticTemperature = f.celsius ? mkt : mkt * 1.8 + 32;

    // Both lists are in record order; merged, temperature first where both begin together.
    f.events.reserve(temperatureRuns.size() + humidityRuns.size());
    int t = 0;
    int h = 0;
    while (t < temperatureRuns.size() || h < humidityRuns.size()) {
        const bool takeTemperature =
            h == humidityRuns.size() ||
            (t < temperatureRuns.size() &&
             temperatureRuns.at(t).firstRecord <= humidityRuns.at(h).firstRecord);
        f.events.append(takeTemperature ? temperatureRuns.at(t++) : humidityRuns.at(h++));
    }
    return f;
}

QString durationText(qint64 seconds)
{
    struct Unit {
        qint64 seconds;
        const char* symbol;
    };
    static const Unit units[] = {{86400, QT_TRANSLATE_NOOP("Figures", "d")},
                                 {3600, QT_TRANSLATE_NOOP("Figures", "h")},
                                 {60, QT_TRANSLATE_NOOP("Figures", "min")},
                                 {1, QT_TRANSLATE_NOOP("Figures", "s")}};
    constexpr int UnitCount = int(sizeof units / sizeof units[0]);
    // The largest unit that counts at least one, and the next one when it is not zero.
    int largest = UnitCount - 1;
    for (int i = 0; i < UnitCount; ++i)
        if (seconds >= units[i].seconds) {
            largest = i;
            break;
        }
    const qint64 amount = qMax<qint64>(seconds, 0) / units[largest].seconds;
    QString text = QStringLiteral("%1 %2").arg(amount).arg(Texts::tr(units[largest].symbol));
    if (largest + 1 < UnitCount) {
        const Unit& next = units[largest + 1];
        const qint64 rest = (seconds % units[largest].seconds) / next.seconds;
        if (rest > 0)
            text += QStringLiteral(" %1 %2").arg(rest).arg(Texts::tr(next.symbol));
    }
    return text;
}

QString verdict(const Figures& f)
{
    if (f.isEmpty())
        return Texts::tr("No records");
    if (f.events.isEmpty())
        return Texts::tr("Within limits");
    QStringList beyondLimits;
    const auto add = [&](Quantity quantity, const QuantityFigures& q) {
        if (q.aboveSeconds > 0)
            beyondLimits << Texts::tr("%1 above %2")
                                .arg(durationText(q.aboveSeconds),
                                     limitText(quantity, q.bounds.highTenths, f.celsius));
        if (q.belowSeconds > 0)
            beyondLimits << Texts::tr("%1 below %2")
                                .arg(durationText(q.belowSeconds),
                                     limitText(quantity, q.bounds.lowTenths, f.celsius));
    };
    add(Quantity::Temperature, f.temperature);
    add(Quantity::Humidity, f.humidity);
    const QString times = beyondLimits.join(QStringLiteral(", "));
    if (f.events.size() == 1)
        return Texts::tr("1 excursion: %1").arg(times);
    return Texts::tr("%1 excursions: %2").arg(f.events.size()).arg(times);
}

QStringList lines(const Figures& f)
{
    if (f.isEmpty())
        return {Texts::tr("No records, so no figures.")};
    QStringList rows;
    if (f.partial)
        rows << Texts::tr("Figures over the %1 records that arrived of %2 announced")
                    .arg(f.records)
                    .arg(f.announced);
    const auto quantityRows = [&](Quantity quantity, const QuantityFigures& q) {
        const bool temperature = quantity == Quantity::Temperature;
        rows << (temperature ? Texts::tr("Temperature: min %1, max %2, mean %3")
                             : Texts::tr("Humidity: min %1, max %2, mean %3"))
                    .arg(valueText(quantity, q.minimum, f.celsius),
                         valueText(quantity, q.maximum, f.celsius),
                         valueText(quantity, q.mean, f.celsius));
        if (temperature)
            rows << Texts::tr("Mean kinetic temperature: %1")
                        .arg(valueText(quantity, f.meanKineticTemperature, f.celsius));
        rows << (temperature ? Texts::tr("Temperature above %1: %2, below %3: %4")
                             : Texts::tr("Humidity above %1: %2, below %3: %4"))
                    .arg(limitText(quantity, q.bounds.highTenths, f.celsius),
                         durationText(q.aboveSeconds),
                         limitText(quantity, q.bounds.lowTenths, f.celsius),
                         durationText(q.belowSeconds));
        rows << (temperature ? Texts::tr("Temperature excursions: %1, longest %2")
                             : Texts::tr("Humidity excursions: %1, longest %2"))
                    .arg(q.excursions)
                    .arg(durationText(q.longestExcursionSeconds));
    };
    quantityRows(Quantity::Temperature, f.temperature);
    quantityRows(Quantity::Humidity, f.humidity);
    rows << Texts::tr("Result: %1").arg(verdict(f));
    return rows;
}

QJsonObject toJson(const Figures& f)
{
    QJsonArray events;
    for (const Excursion& e : f.events) {
        events.append(QJsonObject{
            {"quantity", quantityName(e.quantity)},
            {"limit", e.limit == Limit::High ? QStringLiteral("high") : QStringLiteral("low")},
            {"first", jsonTime(e.first)},
            {"duration_s", double(e.durationSeconds)},
            {"extreme", rounded(e.extreme, 1)},
        });
    }
    const bool any = !f.isEmpty();
    QJsonObject temperature = quantityJson(f.temperature, any);
    temperature.insert(QStringLiteral("mkt"), measured(any, f.meanKineticTemperature, 2));
    return QJsonObject{
        {"records", f.records},
        {"interval_s", f.intervalSeconds},
        {"unit", f.celsius ? QStringLiteral("C") : QStringLiteral("F")},
        {"first", jsonTime(f.first)},
        {"last", jsonTime(f.last)},
        {"temperature", temperature},
        {"humidity", quantityJson(f.humidity, any)},
        {"events", events},
    };
}

} // namespace figures
