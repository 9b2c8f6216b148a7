// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "workbench/WorkbenchTable.h"

#include <QtGlobal>

#include <optional>

// The colour of a table cell, as tuners read a VE table at a glance: red where the engine
// ran lean of the target, green on target, blue rich; how sure the cell is shows as
// intensity, so a cell with a trace of weight stays pale and a well-fed one is strong.
class HeatMapScale {
public:
    struct Colour {
        int red = 255;
        int green = 255;
        int blue = 255;
        bool operator==(const Colour&) const = default;
    };
    // Corrections within this many percent count as on target.
    static constexpr double kOnTargetPercent = 1.0;
    // A correction this large (percent) or beyond takes the full hue.
    static constexpr double kFullScalePercent = 10.0;

    // The colour of a cell that is `correctionPercent` off its target (NaN: not known;
    // for the bank difference, sensor 1 against sensor 2) and whose
    // weight is `weight` against the minimum weight; nullopt leaves the cell uncoloured
    // (empty cells, and tables that carry no lean/rich meaning).
    static std::optional<Colour> colour(WorkbenchTable table, double correctionPercent,
                                        double weight, double minWeight);
    // 0 (no weight) to 1 (four times the minimum weight and more).
    static double intensity(double weight, double minWeight);
};
