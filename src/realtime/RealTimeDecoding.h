// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Units.h"

#include <QString>
#include <QtGlobal>

struct LogBuffer;

// Turning the module's live-value reply bytes into engineering units, and the sensors'
// status bytes into the texts shown beside the gauges. Pure functions, so the gauges,
// the command-line monitor and the tests all read the module the same way.
namespace RealTimeDecoding {

// The gasoline scale every AFR byte is measured on.
constexpr double kGasolineStoich = Units::kGasolineStoich;

// Gasoline-scale AFR of a raw AFR byte: status codes 0-6 read 10.0, 7-238 are
// b / 25 + 10 to one decimal, 239-241 the lean limit 19.5, 242-255 free air 20.0.
float afrFromRaw(int raw);
// a / 14.69, unrounded.
double lambdaFromAFR(float gasolineAFR);
// The AFR in the burned fuel's own units: a × stoichRatio / 14.69, unrounded.
double fuelAFR(float gasolineAFR, float stoichRatio);

// Engine speed from the pulse period in 4 µs units. A zero count (no period measured)
// or a non-positive pulse count reads 0 RPM rather than dividing by zero.
float rpmFromCount(int count, float pulsePerRev);
// Analog input: 5 V full scale over the byte.
float analogVolts(int raw);
// Heater supply (battery): 20 V full scale over the byte.
float batteryVolts(int raw);
// The ethanol sensor reads 50 at 0 %; below that it is shown as 0 %.
float ethanolPercent(float sensorValue);

// The analog scaling rule: slope × volts + offset in single precision, the voltage span
// floored at 0.1 V so that an empty or reversed calibration never divides by zero.
float scaledAnalog(const LogBuffer& log, float volts);

// Only the sensor-1 byte carries the battery and temperature faults.
QString sensor1StatusText(int raw);
QString sensor2StatusText(int raw);
// Both texts for the diagnostics label: one line each, the first only when it says
// something.
QString diagnosticText(int raw1, int raw2);

} // namespace RealTimeDecoding
