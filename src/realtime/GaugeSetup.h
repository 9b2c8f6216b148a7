// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

struct LogBuffer;

// How the live-data gauges are scaled and arranged for the chosen fuel, analog input
// type and module model. Kept free of widgets so that every choice can be checked
// without painting anything.
namespace GaugeSetup {

// What a highlighted band of a bar gauge means to the eye.
enum class BandTone { Rich, Good, Lean, Low, Normal, High, Zone };

struct GaugeBand {
    double from = 0;
    double to = 0;
    BandTone tone = BandTone::Normal;
};

// Value range of a bar gauge, its scale labels (from, to, step) and highlighted bands.
struct BarScale {
    double min = 0;
    double max = 1;
    double labelFrom = 0;
    double labelTo = 1;
    double labelStep = 1;
    QList<GaugeBand> bands;
};

// Fuel names are compared upper-cased, so a user fuel called "e85" scales as E85.
bool isLambdaFuel(const QString& fuelType);
BarScale afrScale(const QString& fuelType);
BarScale lambdaScale();
BarScale cellResistanceScale();
BarScale batteryScale();
BarScale analogVoltsScale();
BarScale ethanolScale();
// Seven load bands; the one holding the throttle value is highlighted.
BarScale tpsScale();
// The band of a throttle value: 0 up to 10 %, 1 up to 15, 2 up to 22.5, 3 up to 35,
// 4 up to 50, 5 up to 70, 6 above.
int tpsBand(double percent);

// Which gauge shows the scaled analog value.
enum class AnalogGauge { None, MAP, TPS, User };
AnalogGauge analogGaugeFor(const QString& analogInputType);
// Scale of the MAP gauge for "MAP1BAR", "MAP2BAR" or "MAP3BAR".
BarScale mapScale(const QString& analogInputType);
// The user's own quantity: the scaled range, labelled from its integer part to its
// rounded top, one label per tenth of the rounded span.
BarScale userScale(float minScaledValue, float maxScaledValue);

// The tachometer in thousands of RPM: full scale and the two zone boundaries.
struct TachScale {
    int fullScale = 10;
    double zone1 = 7.5; // 0.75 of full scale
    double zone2 = 7.0; // 0.70 of full scale
};
TachScale tachScale(int maxRPMDisplay);

// Left edges (twips from the frame's left edge) of the two cell-resistance gauges and
// whether the AFR gauges are shown: with lambda as the fuel the AFR gauges go and the
// cell-resistance gauges close up.
struct SensorLayout {
    bool afrVisible = true;
    int cellRes1Left = 2400;
    int cellRes2Left = 6480;
};
SensorLayout sensorLayout(const QString& fuelType);

// Only the QERO3Dual modules report the ethanol content.
bool hasEthanolSensor(const QString& qeroVersion);

// Values the gauges fall back to when the link is lost.
constexpr double kResetAFR = 15.0;
constexpr double kResetLambda = 1.0;

} // namespace GaugeSetup
