#include "readings.h"

#include "device/wireformat.h"

#include <cmath>
#include <iterator>

namespace readings {

namespace {

// Magnus coefficients (Sonntag): over ice below 0 degC, over water otherwise.
struct MagnusConstants {
    float a;
    float c;
};
constexpr MagnusConstants OverIce{22.46f, 272.62f};
constexpr MagnusConstants OverWater{17.62f, 243.12f};

// Codes 1..399 are -39.9 .. -0.1 degC; exactly -40.0 degC (code 0) uses the water pair.
constexpr int FirstIceCode = 1;
constexpr int LastIceCode = wire::TemperatureOffset - 1;
// 26.7 degC, from which the heat index regression applies.
constexpr int HeatIndexThresholdCode = 667;

} // namespace

float temperatureC(quint16 temperatureCode)
{
    return float(temperatureCode - wire::TemperatureOffset) / wire::TenthsPerUnit;
}

float humidityPercent(quint16 humidityCode)
{
    return float(humidityCode) / wire::TenthsPerUnit;
}

float heatIndexC(quint16 temperatureCode, quint16 humidityCode)
{
    const float t = temperatureC(temperatureCode);
    if (temperatureCode < HeatIndexThresholdCode)
        return t;
    const double tf = double(toFahrenheit(t));
    const double rh = humidityPercent(humidityCode);
    const float hiF =
        float(-42.379 + 2.04901523 * tf + 10.14333127 * rh - 0.22475541 * tf * rh -
              0.00683783 * tf * tf - 0.05481717 * rh * rh + 0.00122874 * tf * tf * rh +
              0.00085282 * tf * rh * rh - 0.00000199 * tf * tf * rh * rh);
    return float((hiF - 32.0) / 1.8);
}

double dewPointC(quint16 temperatureCode, quint16 humidityCode)
{
    const bool overIce = temperatureCode >= FirstIceCode && temperatureCode <= LastIceCode;
    const MagnusConstants k = overIce ? OverIce : OverWater;
    const double t = temperatureC(temperatureCode);
    const double gamma = std::log(double(float(humidityCode) / 1000.0f)) + k.a * t / (k.c + t);
    return k.c * gamma / (k.a - gamma);
}

float toFahrenheit(double celsius)
{
    return float(celsius * 1.8) + 32.0f;
}

float inUnit(double celsius, bool celsiusUnit)
{
    return celsiusUnit ? float(celsius) : toFahrenheit(celsius);
}

QString unitSymbol(bool celsiusUnit)
{
    return celsiusUnit ? QStringLiteral("℃") : QStringLiteral("℉");
}

QString formatValue(double value)
{
    // A download formats four values a record, 262140 for a full logger, and the general
    // conversion is most of its cost. Rounding to one decimal turns the exact value into the
    // nearest whole number of tenths; only where the value lies about half a tenth from two
    // of them could the error of `value * 10` choose the wrong one. Everywhere else the text
    // is written from that number. Values near that boundary, huge ones, and negative values
    // that round to zero (written "-0.0") take the general way.
    const double tenths = value * 10;
    const double nearest = std::nearbyint(tenths);
    constexpr double MaxFastTenths = 1e9;
    constexpr double BoundaryMargin = 1e-6;
    if (!(std::fabs(tenths - nearest) < 0.5 - BoundaryMargin) ||
        !(std::fabs(nearest) < MaxFastTenths) || (nearest == 0 && std::signbit(value)))
        return QString::number(value, 'f', 1);
    qint64 whole = qint64(std::fabs(nearest));
    // Filled from the end: the tenth, the point, the whole part, the sign.
    QChar text[16];
    int first = int(std::size(text));
    text[--first] = QLatin1Char(char('0' + whole % 10));
    text[--first] = QLatin1Char('.');
    whole /= 10;
    do {
        text[--first] = QLatin1Char(char('0' + whole % 10));
        whole /= 10;
    } while (whole > 0);
    if (nearest < 0)
        text[--first] = QLatin1Char('-');
    return QString(text + first, int(std::size(text)) - first);
}

} // namespace readings
