// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The samples of one log as the tuning workbench needs them, whatever file they came
// from. Times are seconds and strictly ascending; a sensor value is NaN where the sensor
// had no valid reading (a status such as heating, an error or free air, or an empty cell).
struct TuningLog {
    QString source; // the file, for messages

    std::vector<double> time;
    std::vector<double> rpm;
    std::vector<double> load;
    std::vector<double> afr1;
    std::vector<double> afr2;

    // The stoichiometric ratio of the scale the sensor values are on: 14.69 for the
    // module's gasoline-scale ratios, 1 for lambda. Unset: the values are already in the
    // units of the fuel the run is computed for.
    std::optional<double> afrScale;
    // The fuel ratio the file itself declares, when it declares one.
    std::optional<double> fuelStoichRatio;

    // What the load is, where the source says (manifold pressure or throttle position);
    // Other for the module's scaled analog input, whose meaning the user set.
    Quantity loadQuantity = Quantity::Other;
    // The channels taken for engine speed, load and ratio, when they were recognised
    // rather than named.
    QString picked;

    // Per sample, 0 where every channel filter holds, else the number (from 1) of the
    // first one that does not; empty when no filter was applied.
    std::vector<quint8> filtered;

    // Rows of the file that could not be read and were left out.
    qint64 rowsSkipped = 0;
    // What the reader noticed but could live with (a log that ended early ...).
    QStringList warnings;

    std::size_t size() const { return time.size(); }
    void reserve(std::size_t n) {
        time.reserve(n);
        rpm.reserve(n);
        load.reserve(n);
        afr1.reserve(n);
        afr2.reserve(n);
    }
};
