// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/FuelTarget.h"

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
    FuelTarget target;

    // The stored options; a missing or unreadable key keeps the window's default.
    static AFRTableOptions load(const SettingsStore& settings);
    void save(SettingsStore& settings) const;
};
