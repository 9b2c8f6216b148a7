#pragma once

#include "chart/ChartTrace.h"

#include <optional>

class SettingsStore;

// What the user chose to see in the chart window, kept in the settings store so that the
// next chart, also after a restart, opens with the same traces and target line.
struct ChartChoices {
    TraceQuantity trace1 = TraceQuantity::RPM;
    TraceQuantity trace2 = TraceQuantity::AFR1;
    std::optional<TraceQuantity> trace3;
    bool targetLine = false;
    // The target's value belongs to the fuel it was set for (its stoichiometric ratio): a
    // target set on the gasoline scale means nothing on the lambda scale.
    std::optional<float> target;
    float targetStoichRatio = 0.0f;

    // The stored choices; a missing or unreadable key keeps the window's default.
    static ChartChoices load(const SettingsStore& settings);
    void save(SettingsStore& settings) const;
    // The stored target when it was set for `stoichRatio`.
    std::optional<float> targetFor(float stoichRatio) const;

    static QString name(TraceQuantity quantity);
};
