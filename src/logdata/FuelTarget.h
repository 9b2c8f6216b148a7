// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class SettingsStore;

// A target ratio remembered with the fuel it was set for (its stoichiometric ratio): a
// target set on the gasoline scale means nothing on the lambda scale, so it is offered
// again only for the same fuel. Stored under `<prefix>Target` and
// `<prefix>TargetStoichRatio`.
struct FuelTarget {
    std::optional<float> value;
    float stoichRatio = 0.0f;

    // Nothing remembered when the target is missing or unreadable.
    static FuelTarget load(const SettingsStore& settings, const QString& prefix);
    // Stores nothing without a target, keeping the one remembered before.
    void save(SettingsStore& settings, const QString& prefix) const;
    // The target when it was set for `fuelStoichRatio`.
    std::optional<float> forFuel(float fuelStoichRatio) const;
};
