// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveLog.h"

#include <algorithm>
#include <cmath>

namespace DriveLog {

namespace {

constexpr float kStoich = 14.69f;

// A small deterministic hash so that sample j never depends on the order of generation.
float noise(int j, quint32 seed, quint32 channel) {
    quint32 x = quint32(j) * 2654435761u ^ (seed * 40503u) ^ (channel * 2246822519u);
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    x *= 3266489917u;
    x ^= x >> 16;
    return float(x & 0xFFFFFF) / float(0xFFFFFF) * 2.0f - 1.0f; // -1..1
}

float lerp(float a, float b, float t) {
    return a + (b - a) * std::clamp(t, 0.0f, 1.0f);
}

// Mixture a tuned engine aims for at a given load and speed.
float targetAfr(float rpm, float throttle) {
    if (throttle > 0.85f)
        return lerp(12.8f, 12.1f, (rpm - 2500.0f) / 4500.0f); // power enrichment
    if (throttle > 0.55f)
        return lerp(13.6f, 12.8f, (throttle - 0.55f) / 0.3f);
    if (throttle < 0.03f && rpm > 1500.0f)
        return 0.0f; // closed throttle above idle: fuel cut
    if (throttle < 0.25f && rpm > 1800.0f)
        return lerp(15.2f, 16.3f, (rpm - 1800.0f) / 2500.0f); // light-load lean cruise
    return kStoich + 0.1f * std::sin(rpm / 400.0f);
}

struct Segment {
    int start;
    int end;
};

// A town cycle of 300 samples (29 s): pull away, cruise, lift off, stop, idle.
void townCycle(int k, float& rpm, float& throttle) {
    if (k < 40) { // pull away
        rpm = lerp(850, 3200, k / 40.0f);
        throttle = 0.45f;
    } else if (k < 140) { // cruise
        rpm = 2200 + 150 * std::sin(k / 9.0f);
        throttle = 0.18f + 0.04f * std::sin(k / 7.0f);
    } else if (k < 190) { // lift off: closed throttle deceleration
        rpm = lerp(2300, 1100, (k - 140) / 50.0f);
        throttle = 0.0f;
    } else { // stopped at the lights
        rpm = 850;
        throttle = 0.01f;
    }
}

// A highway block of 500 samples with one wide-open-throttle pull from 2500 to 7000.
void highwayBlock(int k, float& rpm, float& throttle) {
    if (k < 300) {
        rpm = 3100 + 200 * std::sin(k / 25.0f);
        throttle = 0.3f + 0.05f * std::sin(k / 11.0f);
    } else if (k < 310) { // downshift, roll on
        rpm = lerp(3100, 2500, (k - 300) / 10.0f);
        throttle = lerp(0.3f, 1.0f, (k - 300) / 10.0f);
    } else if (k < 400) { // the pull
        rpm = lerp(2500, 7000, (k - 310) / 90.0f);
        throttle = 1.0f;
    } else if (k < 430) { // lift off at the limiter: free air
        rpm = lerp(7000, 3500, (k - 400) / 30.0f);
        throttle = 0.0f;
    } else {
        rpm = lerp(3500, 3100, (k - 430) / 70.0f);
        throttle = 0.28f;
    }
}

} // namespace

quint8 sensorCode(float afr, int status) {
    if (status >= 1 && status <= 6)
        return quint8(status);
    if (status == 10)
        return 250;
    if (afr >= 19.55f)
        return 240; // lean limit
    const long code = std::lround((afr - 10.0f) * 25.0f);
    return quint8(std::clamp<long>(code, 7, 238));
}

quint16 rpmPeriod(float rpm, float pulsesPerRev) {
    if (rpm <= 0.0f)
        return 0;
    const double t = 15000000.0 / (double(pulsesPerRev) * double(rpm));
    if (t >= 65535.0)
        return 0; // slower than the counter can time: no signal
    return quint16(std::lround(t));
}

quint8 analogByte(float volts) {
    return quint8(std::clamp<long>(std::lround(volts / 5.0f * 255.0f), 0, 255));
}

float throttleVolts(float throttle) {
    return 0.45f + 4.15f * std::clamp(throttle, 0.0f, 1.0f);
}

Sample sample(int j, quint32 seed) {
    Sample s;
    float rpm = 850;
    float throttle = 0.01f;
    if (j < 300) { // cold start: fast idle settling
        rpm = j < 8 ? 250.0f + 100.0f * j : lerp(1350, 950, (j - 8) / 290.0f);
        throttle = 0.02f;
    } else if (j < 900) { // warm idle
        rpm = 850;
        throttle = 0.01f;
    } else if (j < 3000) { // town
        townCycle((j - 900) % 300, rpm, throttle);
    } else if (j < 5000) { // highway
        highwayBlock((j - 3000) % 500, rpm, throttle);
    } else if (j < 8000) {
        // The sweep: RPM climbs from 0 to 7000 while the throttle runs from closed to wide
        // open every 64 samples, so every speed band sees every throttle position.
        const int k = j - 5000;
        rpm = 7000.0f * float(k) / 2999.0f;
        const int phase = k % 64;
        throttle = float(phase < 32 ? phase : 63 - phase) / 31.0f;
    } else if (j < 11000) { // back roads: lean cruise, tip-ins, lean-limit overrun
        const int k = (j - 8000) % 250;
        if (k < 120) {
            rpm = 2600 + 300 * std::sin(k / 13.0f);
            throttle = 0.12f;
        } else if (k < 135) {
            rpm = lerp(2600, 4200, (k - 120) / 15.0f);
            throttle = 0.7f;
        } else if (k < 180) {
            rpm = lerp(4200, 2000, (k - 135) / 45.0f);
            throttle = 0.02f;
        } else {
            rpm = lerp(2000, 2600, (k - 180) / 70.0f);
            throttle = 0.2f;
        }
    } else if (j < 11900) { // home: idle
        rpm = 870;
        throttle = 0.01f;
    } else { // engine off, ignition on
        rpm = 0;
        throttle = 0.0f;
    }

    rpm = rpm > 0 ? std::max(0.0f, rpm * (1.0f + 0.01f * noise(j, seed, 1))) : 0.0f;
    throttle = std::clamp(throttle + 0.005f * noise(j, seed, 2), 0.0f, 1.0f);
    s.rpm = rpm;
    s.throttle = throttle;

    const float target = targetAfr(rpm, throttle);
    for (int ch = 0; ch < 2; ++ch) {
        float afr = 0;
        int status = 0;
        if (rpm == 0.0f || target == 0.0f) {
            status = 10; // pumping air, or the engine off with the pump still running
        } else {
            // The second bank runs a touch leaner; the sensors see a little noise.
            afr = target + (ch == 1 ? 0.15f : 0.0f) + 0.12f * noise(j, seed, 10 + quint32(ch));
            // Right after a fuel cut the mixture is briefly beyond the lean limit.
            if (j >= 8000 && j < 11000 && (j - 8000) % 250 >= 180 && (j - 8000) % 250 < 184)
                afr = 19.8f;
        }
        // Cold start: cranking on a low battery, then the heaters bring the sensors up
        // to temperature, the second one a few seconds later.
        if (j < 6)
            status = 1;
        else if (j < 180 + 40 * ch)
            status = 6;
        if (ch == 0) {
            s.afr1 = afr;
            s.status1 = status;
        } else {
            s.afr2 = afr;
            s.status2 = status;
        }
    }
    return s;
}

void build(ModuleMemory& memory, quint32 seed) {
    memory.bytes.fill(0);
    using namespace ModuleVocabulary::Memory;
    memory.bytes[kIntervalByte] = 6;     // 0.096 s
    memory.bytes[kPulsesByte] = 1;       // one pulse per revolution
    memory.bytes[kDebounceByte] = 10;    // 0.5 ms debounce
    memory.bytes[kBrightnessByte] = 15;  // 6 % minimum LED brightness
    memory.bytes[kFuelFactorLow] = 0xFF; // gasoline
    memory.bytes[kFuelFactorHigh] = 0x7F;
    memory.setLogPointer(quint16(ModuleMemory::recordAddress(kOldestRingIndex)));
    for (int j = 0; j < kRecords; ++j) {
        const Sample s = sample(j, seed);
        const int a = ModuleMemory::recordAddress(kOldestRingIndex + j);
        const quint16 period = rpmPeriod(s.rpm, 1.0f);
        memory.bytes[size_t(a)] = sensorCode(s.afr1, s.status1);
        memory.bytes[size_t(a + 1)] = sensorCode(s.afr2, s.status2);
        memory.bytes[size_t(a + 2)] = quint8(period & 0xFF);
        memory.bytes[size_t(a + 3)] = quint8(period >> 8);
        memory.bytes[size_t(a + 4)] = analogByte(throttleVolts(s.throttle));
    }
}

} // namespace DriveLog
