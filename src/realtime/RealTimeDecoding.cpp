// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealTimeDecoding.h"

#include "device/FramDecoder.h"
#include "logdata/AnalogScaling.h"
#include "logdata/LogBuffer.h"
#include "support/Numbers.h"

#include <algorithm>

namespace RealTimeDecoding {

float afrFromRaw(int raw) {
    // The live byte is the byte the module logs: one rule for both.
    return FramDecoder::sensorAFR(quint8(std::clamp(raw, 0, 255)));
}

double lambdaFromAFR(float gasolineAFR) {
    return double(gasolineAFR) / kGasolineStoich;
}

double fuelAFR(float gasolineAFR, float stoichRatio) {
    return double(gasolineAFR) * double(stoichRatio) / kGasolineStoich;
}

float rpmFromCount(int count, float pulsePerRev) {
    const float periods = float(count) * pulsePerRev;
    if (!(periods > 0.0f))
        return 0.0f;
    return 15000000.0f / periods;
}

float analogVolts(int raw) {
    return 5.0f * float(raw) / 255.0f;
}

float batteryVolts(int raw) {
    return 20.0f * float(raw) / 255.0f;
}

float ethanolPercent(float sensorValue) {
    const float percent = sensorValue - 50.0f;
    return percent < 0.0f ? 0.0f : percent;
}

float scaledAnalog(const LogBuffer& log, float volts) {
    return AnalogScaling(log).scale(volts);
}

QString sensor1StatusText(int raw) {
    switch (raw) {
    case 1:
        return QStringLiteral("Low Battery");
    case 2:
        return QStringLiteral("High Battery");
    case 3:
        return QStringLiteral("Sensor 1 Short");
    case 4:
        return QStringLiteral("Sensor 1 Open");
    case 5:
        return QStringLiteral("Over Max Temp");
    case 6:
        return QStringLiteral("Sensor 1 Cold");
    default:
        return raw >= 242 && raw <= 255 ? QStringLiteral("Sensor 1 Free Air") : QString();
    }
}

QString sensor2StatusText(int raw) {
    switch (raw) {
    case 3:
        return QStringLiteral("Sensor 2 Short");
    case 4:
        return QStringLiteral("Sensor 2 Open");
    case 6:
        return QStringLiteral("Sensor 2 Cold");
    default:
        return raw >= 242 && raw <= 255 ? QStringLiteral("Sensor 2 Free Air") : QString();
    }
}

QString diagnosticText(int raw1, int raw2) {
    const QString first = sensor1StatusText(raw1);
    const QString second = sensor2StatusText(raw2);
    if (first.isEmpty())
        return second;
    return first + u'\n' + second;
}

} // namespace RealTimeDecoding
