// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ModuleParameters.h"

#include "logdata/LogBuffer.h"
#include "logdata/SettingsTable.h"
#include "support/Numbers.h"
#include "support/SettingsValues.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace ModuleVocabulary::Memory;

// A value from the settings store can be anything a float holds; the module byte is
// kept within 0 to 255 instead of wrapping around.
quint8 toByte(double value) {
    const double r = Numbers::roundHalfEven(value);
    if (!(r >= 0.0))
        return 0;
    return quint8(std::min(r, 255.0));
}

} // namespace

ModuleParameters ModuleParameters::fromBytes(const quint8* bytes, bool capPulses) {
    ModuleParameters p;
    p.DataLogInterval = float(kIntervalTick * bytes[kIntervalByte]);
    const quint8 pulses = bytes[kPulsesByte];
    if (pulses == 0)
        p.PulsePerRev = 0.5f;
    else if (capPulses && pulses > 12)
        p.PulsePerRev = 12.0f;
    else
        p.PulsePerRev = float(pulses);
    p.RPMDebounce = bytes[kDebounceByte];
    p.MinLEDPWM = bytes[kBrightnessByte];
    return p;
}

ModuleParameters ModuleParameters::current(const LogBuffer& log, const SettingsValues& settings) {
    ModuleParameters p;
    p.DataLogInterval = log.DataLogInterval;
    p.PulsePerRev = settings.PulsePerRev;
    p.RPMDebounce = settings.RPMDebounce;
    p.MinLEDPWM = settings.MinLEDPWM;
    return p;
}

void ModuleParameters::applyTo(LogBuffer& log, SettingsValues& settings) const {
    log.DataLogInterval = DataLogInterval;
    settings.PulsePerRev = PulsePerRev;
    settings.RPMDebounce = RPMDebounce;
    settings.MinLEDPWM = MinLEDPWM;
}

void ModuleParameters::writeBytes(quint8* bytes) const {
    bytes[kIntervalByte] = toByte(double(DataLogInterval) / kIntervalTick);
    bytes[kPulsesByte] = PulsePerRev == 0.5f ? 0 : toByte(double(PulsePerRev));
    bytes[kDebounceByte] = RPMDebounce;
    bytes[kBrightnessByte] = MinLEDPWM;
}

void ModuleParameters::save(SettingsStore& store) const {
    SettingsTable::save(store, QStringLiteral("DataLogInterval"), DataLogInterval);
    SettingsTable::save(store, QStringLiteral("PulsePerRev"), PulsePerRev);
    SettingsTable::save(store, QStringLiteral("RPMDebounce"), int(RPMDebounce));
    SettingsTable::save(store, QStringLiteral("MinLEDPWM"), int(MinLEDPWM));
}
