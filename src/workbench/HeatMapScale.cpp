// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/HeatMapScale.h"

#include <algorithm>
#include <cmath>

double HeatMapScale::intensity(double weight, double minWeight) {
    if (!(weight > 0.0))
        return 0.0;
    const double full = std::max(4.0 * minWeight, 1e-9);
    // Below the minimum weight a cell is never shown stronger than a third.
    const double value = std::clamp(weight / full, 0.0, 1.0);
    return weight < minWeight ? std::min(value, 1.0 / 3.0) : std::max(value, 1.0 / 3.0);
}

std::optional<HeatMapScale::Colour> HeatMapScale::colour(WorkbenchTable table,
                                                         double correctionPercent, double weight,
                                                         double minWeight) {
    const double strength = intensity(weight, minWeight);
    if (!(strength > 0.0))
        return std::nullopt;
    const auto blend = [strength](int r, int g, int b) {
        const auto mix = [strength](int c) { return int(std::lround(255 - (255 - c) * strength)); };
        return Colour{mix(r), mix(g), mix(b)};
    };
    switch (table) {
    case WorkbenchTable::Weight:
        // How much the cell saw: a single blue-grey hue by weight.
        return blend(90, 120, 170);
    case WorkbenchTable::Mean:
    case WorkbenchTable::Correction:
    case WorkbenchTable::Corrected:
    case WorkbenchTable::BankDifference:
        break;
    case WorkbenchTable::Target:
    case WorkbenchTable::Base:
        return std::nullopt;
    }
    if (std::isnan(correctionPercent)) {
        // Samples, but not enough of them for a correction: a pale grey.
        return blend(170, 170, 170);
    }
    const double size = std::fabs(correctionPercent);
    if (size <= kOnTargetPercent)
        return blend(60, 180, 75);
    // From a light tint just off target to the full hue at the full scale.
    const double reach =
        std::clamp((size - kOnTargetPercent) / (kFullScalePercent - kOnTargetPercent), 0.25, 1.0);
    const double s = strength * reach;
    const auto tint = [s](int r, int g, int b) {
        const auto mix = [s](int c) { return int(std::lround(255 - (255 - c) * s)); };
        return Colour{mix(r), mix(g), mix(b)};
    };
    return correctionPercent > 0 ? tint(215, 40, 40) : tint(40, 90, 220);
}
