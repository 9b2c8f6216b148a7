// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What a value measures and how it converts, written once: fuel ratios and lambda, the
// sensors' status codes and their words, pressures, temperatures and times. Readers,
// the chart, the tables, the workbench, the gauges, the recorder and the CLI all take
// their conversions from here, so a ratio read from one file means the same everywhere.
namespace Units {

// The module measures every ratio on the gasoline scale.
inline constexpr double kGasolineStoich = 14.69;
// The ratio other tools' AFR columns are on when the file says nothing of the fuel.
inline constexpr double kDefaultAfrStoich = 14.7;
// A ratio scale of 1 is lambda.
inline constexpr double kLambdaScale = 1.0;

// A ratio read on the scale of `fromStoich` shown on the scale of `toStoich` (1 for
// lambda): the same mixture, so ratio / fromStoich × toStoich.
double convertRatio(double ratio, double fromStoich, double toStoich);
double afrToLambda(double afr, double stoich);
double lambdaToAfr(double lambda, double stoich);

enum class Pressure { KPa, Bar, Psi, MBar, HPa, InHg };
enum class Temperature { Celsius, Fahrenheit, Kelvin };
enum class Time { Seconds, Milliseconds, Microseconds, Minutes };

// The unit a unit text names ("kPa", "kpa", "bar", "psi", "mbar", "°C", "degF", "F",
// "ms", "msec", "µs", "us", "sec" ...), letter case and blanks ignored; nothing when the
// text names no unit of that kind.
std::optional<Pressure> pressureUnit(QStringView text);
std::optional<Temperature> temperatureUnit(QStringView text);
std::optional<Time> timeUnit(QStringView text);

// Whether the text is a unit as logs write them in a row of units: a pressure, a
// temperature or a time, or "%", "rpm", "V", "AFR", "lambda", "deg", "km/h", "Hz" ...;
// letter case and blanks ignored. Empty text is none.
bool isUnitText(QStringView text);

double toKPa(double value, Pressure unit);
double fromKPa(double kPa, Pressure unit);
double toCelsius(double value, Temperature unit);
double fromCelsius(double celsius, Temperature unit);
double toSeconds(double value, Time unit);

// The unit texts this program writes.
QString pressureName(Pressure unit);
QString temperatureName(Temperature unit);
inline QString lambdaName() {
    return QStringLiteral("lambda");
}
inline QString afrName() {
    return QStringLiteral("AFR");
}

} // namespace Units

// Status codes of a sensor sample, as the module's log and recordings write them.
namespace SensorStatus {
constexpr int Valid = 0;
constexpr int LowBattery = 1;
constexpr int HighBattery = 2;
constexpr int SensorShort = 3;
constexpr int SensorOpen = 4;
constexpr int OverMaxTemp = 5;
constexpr int SensorCold = 6;
constexpr int FreeAir = 10;
// "Low Battery", "Sensor Short", ... ; empty for 0 and unknown codes.
QString text(int code);
} // namespace SensorStatus
