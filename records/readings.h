#pragma once

#include <QString>
#include <QtGlobal>

// The readings the program derives from the logger's temperature and humidity codes,
// shared by the live view and the decoding of logged records. Values are computed in
// degrees Celsius; Fahrenheit exists only for display, files and reports.
namespace readings {

// Temperature code = degC x 10 + 400; humidity code = %RH x 10.
float temperatureC(quint16 temperatureCode);
float humidityPercent(quint16 humidityCode);

// Heat index in degC: the temperature itself below 26.7 degC, above it the Rothfusz
// regression, evaluated in degF and rounded to single precision.
float heatIndexC(quint16 temperatureCode, quint16 humidityCode);

// Dew temperature in degC by the Magnus formula, with the ice constants below 0 degC.
// Not a number when the humidity code is 0 (the logarithm of zero).
double dewPointC(quint16 temperatureCode, quint16 humidityCode);

// degC -> degF: the product rounded to single precision, then 32 added.
float toFahrenheit(double celsius);
float inUnit(double celsius, bool celsiusUnit);

// The unit symbols shown beside temperatures.
QString unitSymbol(bool celsiusUnit);

// A reading as shown to the operator and written to files: one decimal, no padding.
QString formatValue(double value);

} // namespace readings
