// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/GaugeSetup.h"

#include "support/Numbers.h"

#include <cmath>

namespace GaugeSetup {

bool isLambdaFuel(const QString& fuelType) {
    return fuelType.toUpper() == QLatin1String("LAMBDA");
}

BarScale afrScale(const QString& fuelType) {
    const QString fuel = fuelType.toUpper();
    if (fuel == QLatin1String("E85"))
        return {6.5, 13.5, 7, 13, 1, {{6.5, 8.3, BandTone::Rich}, {9.8, 13.5, BandTone::Lean}}};
    if (fuel == QLatin1String("ETHANOL"))
        return {6.0, 12.5, 6, 12, 1, {{6.0, 7.7, BandTone::Rich}, {9.0, 12.5, BandTone::Lean}}};
    if (fuel == QLatin1String("METHANOL"))
        return {4.0, 9.0, 4, 9, 0.5, {{4.0, 5.5, BandTone::Rich}, {6.5, 9.0, BandTone::Lean}}};
    return {9.5, 20.5, 10, 20, 1, {{9.5, 12.5, BandTone::Rich}, {15, 20.5, BandTone::Lean}}};
}

BarScale lambdaScale() {
    return {
        0.65,
        1.35,
        0.7,
        1.3,
        0.1,
        {{0.65, 0.85, BandTone::Rich}, {0.85, 1.0, BandTone::Good}, {1.0, 1.35, BandTone::Lean}}};
}

BarScale cellResistanceScale() {
    return {-2,
            257,
            0,
            250,
            50,
            {{-2, 40, BandTone::Low},
             {40, 160, BandTone::Normal},
             {60, 100, BandTone::Good},
             {160, 257, BandTone::High}}};
}

BarScale batteryScale() {
    return {-1, 19, 0,
            18, 2,  {{-1, 11, BandTone::Low}, {11, 16, BandTone::Good}, {16, 19, BandTone::High}}};
}

BarScale analogVoltsScale() {
    return {-0.2, 5.2, 0, 5, 1, {}};
}

BarScale ethanolScale() {
    return {-1, 101, 0, 100, 10, {}};
}

BarScale tpsScale() {
    return {-1,
            101,
            0,
            100,
            10,
            {{-1, 10, BandTone::Zone},
             {10, 15, BandTone::Zone},
             {15, 22.5, BandTone::Zone},
             {22.5, 35, BandTone::Zone},
             {35, 50, BandTone::Zone},
             {50, 70, BandTone::Zone},
             {70, 101, BandTone::Zone}}};
}

int tpsBand(double percent) {
    static constexpr double bounds[] = {10, 15, 22.5, 35, 50, 70};
    int band = 0;
    for (double b : bounds) {
        if (percent <= b)
            return band;
        ++band;
    }
    return band;
}

AnalogGauge analogGaugeFor(const QString& analogInputType) {
    if (analogInputType == QLatin1String("NONE"))
        return AnalogGauge::None;
    if (analogInputType == QLatin1String("MAP1BAR") ||
        analogInputType == QLatin1String("MAP2BAR") || analogInputType == QLatin1String("MAP3BAR"))
        return AnalogGauge::MAP;
    if (analogInputType == QLatin1String("TPS"))
        return AnalogGauge::TPS;
    return AnalogGauge::User;
}

BarScale mapScale(const QString& analogInputType) {
    if (analogInputType == QLatin1String("MAP2BAR"))
        return {-1, 61, 0, 60, 5, {{-1, 61, BandTone::Normal}}};
    if (analogInputType == QLatin1String("MAP3BAR"))
        return {-1, 91, 0, 90, 10, {{-1, 91, BandTone::Normal}}};
    return {-1, 31, 0, 30, 5, {{-1, 31, BandTone::Normal}}};
}

BarScale userScale(float minScaledValue, float maxScaledValue) {
    const double lo = minScaledValue;
    const double hi = maxScaledValue;
    const double span = Numbers::roundHalfEven(hi - lo);
    return {lo,
            hi,
            std::trunc(lo),
            Numbers::roundHalfEven(hi),
            span * 0.5 / 5,
            {{lo, hi, BandTone::Normal}}};
}

TachScale tachScale(int maxRPMDisplay) {
    TachScale t;
    t.fullScale = int(Numbers::roundHalfEven(maxRPMDisplay / 1000.0));
    t.zone1 = Numbers::roundHalfEven(0.75 * maxRPMDisplay / 1000.0, 1);
    t.zone2 = Numbers::roundHalfEven(0.7 * maxRPMDisplay / 1000.0, 1);
    return t;
}

SensorLayout sensorLayout(const QString& fuelType) {
    if (isLambdaFuel(fuelType))
        return {false, 1320, 5400};
    return {true, 2400, 6480};
}

bool hasEthanolSensor(const QString& qeroVersion) {
    return qeroVersion == QLatin1String("QERO3Dual Rev 2") ||
           qeroVersion == QLatin1String("QERO3Dual Rev 3");
}

} // namespace GaugeSetup
