#pragma once

#include <QString>

#include <optional>

class SettingsStore;

// The AFR table's options besides the sensor (which has its own setting, AFRTableData):
// stored when Refresh Table puts them to use, and the next table, also after a restart,
// opens with them.
struct AFRTableOptions {
    QString display = QStringLiteral("AFR"); // or "Fuel"
    bool filter = false;
    qint16 minSamples = 5;
    // The target belongs to the fuel it was set for (its stoichiometric ratio).
    std::optional<float> target;
    float targetStoichRatio = 0.0f;

    // The stored options; a missing or unreadable key keeps the window's default.
    static AFRTableOptions load(const SettingsStore& settings);
    void save(SettingsStore& settings) const;
    // The stored target when it was set for `stoichRatio`.
    std::optional<float> targetFor(float stoichRatio) const;
};
