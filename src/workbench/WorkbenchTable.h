// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The grids the workbench shows, one at a time, in the order of its switch.
enum class WorkbenchTable { Mean, Weight, Correction, Target, Base, Corrected, BankDifference };

namespace WorkbenchTables {
constexpr int kCount = 7;
WorkbenchTable at(int index);
// "Mean AFR", "Weight", ... as the switch shows them.
QString caption(WorkbenchTable table);
// The name in exported files: "mean", "weight", ...
QString key(WorkbenchTable table);
} // namespace WorkbenchTables
