// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AnalogScaling.h"

#include <array>

AnalogScaling::AnalogScaling(float minInVolts, float maxInVolts, float minScaledValue,
                             float maxScaledValue) {
    const float span = maxInVolts - minInVolts;
    const float rise = maxScaledValue - minScaledValue;
    // An empty, reversed or tiny voltage range never divides by less than 0.1 V.
    m_slope = span > 0.1f ? rise / span : float(double(rise) / 0.1);
    m_offset = minScaledValue - float(m_slope * minInVolts);
}

namespace {

const QString kMapLegend = QStringLiteral("MAP (In-Hg)");

const std::array<AnalogScaling::PresetValues, 6> kPresets = {{
    {AnalogScaling::Preset::None, "optNone", QStringLiteral("None (0-5V Without Scaling)"),
     QStringLiteral("NONE"), 0.0f, 5.0f, 0.0f, 5.0f, QStringLiteral("Volts"), false, false},
    {AnalogScaling::Preset::TPS, "optTPS", QStringLiteral("TPS Percent"), QStringLiteral("TPS"),
     std::nullopt, std::nullopt, std::nullopt, std::nullopt, QStringLiteral("TPS(%)"), true, false},
    {AnalogScaling::Preset::MAP1bar, "optMAP1bar", QStringLiteral("1 bar MAP"),
     QStringLiteral("MAP1BAR"), 0.25f, 4.85f, 4.45f, 30.1f, kMapLegend, false, false},
    {AnalogScaling::Preset::MAP2bar, "optMAP2bar", QStringLiteral("2 bar MAP"),
     QStringLiteral("MAP2BAR"), 0.3f, 4.8f, 5.9f, 59.1f, kMapLegend, false, false},
    {AnalogScaling::Preset::MAP3bar, "optMAP3bar", QStringLiteral("3 bar MAP"),
     QStringLiteral("MAP3BAR"), 0.62f, 4.82f, 11.8f, 89.9f, kMapLegend, false, false},
    {AnalogScaling::Preset::User, "optUserAnalog", QStringLiteral("User Defined"),
     QStringLiteral("USER"), std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
     true, true},
}};

} // namespace

const AnalogScaling::PresetValues& AnalogScaling::preset(Preset p) {
    return kPresets[size_t(p)];
}

AnalogScaling::Preset AnalogScaling::presetFor(const QString& analogInputType) {
    for (const PresetValues& v : kPresets)
        if (v.preset != Preset::User && analogInputType == v.code)
            return v.preset;
    return Preset::User;
}

void AnalogScaling::apply(Preset p, LogBuffer& log) {
    const PresetValues& v = preset(p);
    log.MinInVolts = v.minInVolts.value_or(log.MinInVolts);
    log.MaxInVolts = v.maxInVolts.value_or(log.MaxInVolts);
    log.MinScaledValue = v.minScaledValue.value_or(log.MinScaledValue);
    log.MaxScaledValue = v.maxScaledValue.value_or(log.MaxScaledValue);
    log.AnalogLegend = v.legend.value_or(log.AnalogLegend);
    log.AnalogInputType = v.code;
}
