// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningResult.h"

#include <QString>

// A run's grids as CSV, one line per cell with its breakpoints: the form a spreadsheet or
// a script reads without knowing the table layout. Numbers are the shortest text that
// reads back as the same value; empty cells are empty.
namespace TuningResultCsv {
QString text(const TuningResult& result);
// Shortest text that reads back as the same double; `empty` for NaN.
QString number(double value, const char* empty);
} // namespace TuningResultCsv
