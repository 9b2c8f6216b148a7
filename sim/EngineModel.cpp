// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineModel.h"

#include "DriveLog.h"

#include <algorithm>
#include <cmath>

namespace {

float lerp(float a, float b, float t) {
    return a + (b - a) * std::clamp(t, 0.0f, 1.0f);
}

} // namespace

EngineModel::Values EngineModel::at(double t) {
    Values v;
    float rpm = 850;
    float throttle = 0.01f;
    float afr = 14.6f;
    bool freeAir = false;
    const double loop = t < 10.0 ? -1.0 : std::fmod(t - 10.0, 60.0);
    if (t < 1.0) {
        rpm = float(250.0 * t); // cranking
    } else if (t < 10.0) {
        rpm = lerp(1300, 900, float((t - 1.0) / 9.0)); // fast idle while warming up
    } else if (loop < 10) {
        rpm = 850;
    } else if (loop < 20) {
        rpm = lerp(900, 3000, float((loop - 10) / 10));
        throttle = 0.25f;
        afr = 14.7f;
    } else if (loop < 26) {
        rpm = lerp(3000, 6800, float((loop - 20) / 6));
        throttle = 1.0f;
        afr = lerp(12.8f, 12.1f, float((loop - 20) / 6));
    } else if (loop < 31) {
        rpm = lerp(6800, 1800, float((loop - 26) / 5));
        throttle = 0.0f;
        freeAir = true;
    } else if (loop < 46) {
        rpm = 2500 + 200 * float(std::sin(loop));
        throttle = 0.12f;
        afr = 15.8f;
    } else if (loop < 55) {
        rpm = lerp(2500, 850, float((loop - 46) / 9));
        throttle = 0.02f;
        afr = 14.9f;
    }
    // A little flutter so the gauges look alive.
    const float wobble = float(std::sin(t * 7.3) * 0.5 + std::sin(t * 2.9) * 0.5);
    v.rpm = rpm > 0 ? rpm * (1.0f + 0.005f * wobble) : 0.0f;
    v.throttleVolts = DriveLog::throttleVolts(throttle);
    v.batteryVolts = t < 1.0 ? 11.2f : 14.1f + 0.1f * wobble;

    // Heaters bring the sensors to temperature within a few seconds of power-up.
    const bool cold1 = t < 6.0;
    const bool cold2 = t < 8.0;
    const float a1 = afr + 0.1f * wobble;
    const float a2 = afr + 0.15f - 0.1f * wobble;
    v.afrCode1 = DriveLog::sensorCode(a1, cold1 ? 6 : (freeAir ? 10 : 0));
    v.afrCode2 = DriveLog::sensorCode(a2, cold2 ? 6 : (freeAir ? 10 : 0));
    v.cellRes1 = quint8(std::clamp<long>(std::lround(80 + std::max(0.0, 6.0 - t) * 29), 0, 255));
    v.cellRes2 = quint8(std::clamp<long>(std::lround(82 + std::max(0.0, 8.0 - t) * 21), 0, 255));
    return v;
}
