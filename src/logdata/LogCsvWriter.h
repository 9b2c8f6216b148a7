// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"

#include <QByteArray>

#include <vector>

// A log as a CSV table any spreadsheet reads: the time in seconds first, then one column
// per channel, a header row of names with their units, a missing value as an empty field.
// Numbers are the shortest text that reads back as the same value.
namespace LogCsvWriter {

// The rows whose time lies in [from, to] (every row when not given), the chosen channels
// in their order (every channel when empty).
QByteArray write(const Log& log, const std::vector<int>& channels = {},
                 double from = -std::numeric_limits<double>::infinity(),
                 double to = std::numeric_limits<double>::infinity());

// "Name (unit)", or the name alone for a channel without a unit.
QString columnTitle(const LogChannel& channel);

} // namespace LogCsvWriter
