// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/ChartTrace.h"
#include "logdata/FuelTarget.h"

#include <optional>

class SettingsStore;

// What the user chose to see in the chart window, kept in the settings store so that the
// next chart, also after a restart, opens with the same traces and target line.
struct ChartChoices {
    TraceQuantity trace1 = TraceQuantity::RPM;
    TraceQuantity trace2 = TraceQuantity::AFR1;
    std::optional<TraceQuantity> trace3;
    bool targetLine = false;
    FuelTarget target;

    // The stored choices; a missing or unreadable key keeps the window's default.
    static ChartChoices load(const SettingsStore& settings);
    void save(SettingsStore& settings) const;

    static QString name(TraceQuantity quantity);
};
