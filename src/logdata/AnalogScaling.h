// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QString>

#include <optional>

// The linear calibration that turns the analog input's volts into the user's quantity
// (throttle percent, manifold pressure, ...). Every display of a scaled value uses this
// one rule so that gauges, chart and AFR table agree to the last bit.
class AnalogScaling {
public:
    AnalogScaling(float minInVolts, float maxInVolts, float minScaledValue, float maxScaledValue);
    explicit AnalogScaling(const LogBuffer& log)
        : AnalogScaling(log.MinInVolts, log.MaxInVolts, log.MinScaledValue, log.MaxScaledValue) {}

    // slope × volts + offset in single precision; not clamped.
    float scale(float volts) const { return float(m_slope * volts) + m_offset; }
    float slope() const { return m_slope; }
    float offset() const { return m_offset; }

    // The sensor types the user can choose, with the values each one sets.
    enum class Preset { None, TPS, MAP1bar, MAP2bar, MAP3bar, User };
    struct PresetValues {
        Preset preset;
        const char* option; // the option button's name
        QString caption;
        QString code; // AnalogInputType
        // Unset: the preset leaves the current value as it is.
        std::optional<float> minInVolts, maxInVolts, minScaledValue, maxScaledValue;
        std::optional<QString> legend;
        bool numbersEditable;
        bool legendEditable;
    };
    static const PresetValues& preset(Preset p);
    // "NONE", "MAP1BAR", "MAP2BAR", "MAP3BAR", "TPS"; anything else is the user's own.
    static Preset presetFor(const QString& analogInputType);
    // Sets the preset's values and its type code in `log`.
    static void apply(Preset p, LogBuffer& log);

private:
    float m_slope;
    float m_offset;
};
