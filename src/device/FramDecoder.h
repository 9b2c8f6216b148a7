// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/ModuleParameters.h"
#include "device/ModuleVocabulary.h"
#include "logdata/FramImage.h"
#include "logdata/LogBuffer.h"

#include <QString>

#include <array>

// Turns a copy of the module's whole memory into a log: the parameter bytes at the start
// and the ring of 12000 five-byte records (sensor 1 code, sensor 2 code, speed period low
// and high byte, analog input). A pure function of the 65536 bytes; any byte value
// decodes, only a log pointer that leads a record past the last address is refused.
class FramDecoder {
public:
    using Image = std::array<quint8, FramImage::kSize>;

    static_assert(ModuleVocabulary::Memory::kRecords == LogBuffer::kSamples,
                  "one sample of the log for each record of the module's ring");
    // One speed-signal period tick is 4 us: 60 s x 250000 ticks per second.
    static constexpr double kTicksPerMinute = 15000000.0;

    struct Outcome {
        bool ok = false;
        QString failure; // why the log could not be decoded, for the error report
        ModuleParameters parameters;
    };

    // Fills the seven sample arrays of `log` and returns the module parameters. When a
    // record would run past the last address nothing in `log` is changed and the outcome
    // carries the reason.
    static Outcome decode(const Image& image, LogBuffer& log);

    // The position of the next record to read: positions that would overlap the gap
    // between the halves jump to the upper half, positions past the end wrap to the lower.
    static int ringPosition(int position);

    // Sensor byte to ratio and status code.
    static float sensorAFR(quint8 code);
    static float sensorStatus(quint8 code);
    // Period ticks to revolutions per minute; 0 and 65535 mean no speed signal.
    static float rpm(quint16 period, float pulsePerRev);
    // Analog byte (0 to 255 for 0 to 5 V) to volts, two decimals.
    static float analogVolts(quint8 value);
    // Time of sample `sample` (from 1), two decimals.
    static float elapsedTime(float interval, int sample);
};
