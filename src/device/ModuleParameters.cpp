#include "device/ModuleParameters.h"

#include "logdata/AppState.h"

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

ModuleParameters ModuleParameters::current(const AppState& state) {
    ModuleParameters p;
    p.DataLogInterval = state.log.DataLogInterval;
    p.PulsePerRev = state.PulsePerRev;
    p.RPMDebounce = state.RPMDebounce;
    p.MinLEDPWM = state.MinLEDPWM;
    return p;
}

void ModuleParameters::applyTo(AppState& state) const {
    state.log.DataLogInterval = DataLogInterval;
    state.PulsePerRev = PulsePerRev;
    state.RPMDebounce = RPMDebounce;
    state.MinLEDPWM = MinLEDPWM;
}
