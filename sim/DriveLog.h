// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModuleMemory.h"

#include <QtGlobal>

// A realistic 19-minute drive recorded by the module at 0.096 s per sample: cold sensors
// at the start, idle, town driving with closed-throttle decelerations (free air), highway
// cruise with rich wide-open-throttle pulls, a slow sweep of RPM from 0 to 7000 with the
// throttle swept through its whole range again and again, lean light-load cruise,
// lean-limit decelerations, and the engine switched off at the end. The same seed gives
// the same log.
namespace DriveLog {

struct Sample {
    float rpm = 0;      // 0 for no speed signal
    float throttle = 0; // 0..1
    float afr1 = 14.7f; // gasoline scale
    float afr2 = 14.7f;
    int status1 = 0; // 1..6 fault code in place of a reading, 10 free air, 0 reading
    int status2 = 0;
};

// Sample j (0 = oldest) of the drive.
Sample sample(int j, quint32 seed = 1);

// Sensor byte of a reading or status, as the module records it.
quint8 sensorCode(float afr, int status);
// Speed-signal period in 4 µs ticks; 0 when there is no signal.
quint16 rpmPeriod(float rpm, float pulsesPerRev);
quint8 analogByte(float volts);
// Throttle position sensor volts: 0.45 V closed to 4.6 V wide open.
float throttleVolts(float throttle);

// Ring position of the oldest record in the default image, so that the log wraps
// around both halves of the ring.
constexpr int kOldestRingIndex = 4321;

// The whole default memory: parameters (0.096 s interval, 1 pulse per revolution,
// 0.5 ms debounce, 6 % LED), gasoline fuel bytes, the log pointer and the 12000 records.
void build(ModuleMemory& memory, quint32 seed = 1);

} // namespace DriveLog
