// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/ModuleVocabulary.h"
#include "logdata/FramImage.h"

#include <QtGlobal>

class SettingsStore;
struct LogBuffer;
struct SettingsValues;

// The module's four operating parameters in the units the program keeps them in: the
// interval in seconds, the pulses per revolution, the debounce in 50 us steps and the
// minimum LED duty on a scale of 0 to 255.
struct ModuleParameters {
    float DataLogInterval = 0.1f;
    float PulsePerRev = 1.0f;
    quint8 RPMDebounce = 10;
    quint8 MinLEDPWM = 15;

    // Read from the first bytes of a memory image. A pulse byte of 0 stands for half a
    // pulse; `capPulses` limits the pulses to 12, which a log needs to turn periods into
    // sensible speeds, while the parameter panel shows what the module really holds.
    static ModuleParameters fromBytes(const quint8* bytes, bool capPulses);

    static ModuleParameters defaults() { return {}; }
    // The interval belongs to the log; the other three are settings.
    static ModuleParameters current(const LogBuffer& log, const SettingsValues& settings);
    void applyTo(LogBuffer& log, SettingsValues& settings) const;

    // The bytes the module keeps them in. The log pointer between them belongs to the
    // module and is never written.
    void writeBytes(quint8* bytes) const;
    static constexpr int kWrittenBytes[] = {
        ModuleVocabulary::Memory::kIntervalByte, ModuleVocabulary::Memory::kPulsesByte,
        ModuleVocabulary::Memory::kDebounceByte, ModuleVocabulary::Memory::kBrightnessByte};

    // Each under its own setting key.
    void save(SettingsStore& store) const;

    bool operator==(const ModuleParameters&) const = default;
};
