// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningLog.h"

#include <QString>

// Where a tuning run's samples come from. Each file format the workbench can learn from
// (the module's .log files, other tools' CSV exports, later the live recordings) is one
// source; the computation sees only the TuningLog it returns.
class TuningSampleSource {
public:
    virtual ~TuningSampleSource() = default;

    // Reads one file. A file that cannot be opened throws QeroFailure; a file this source
    // cannot use at all (a mapped column missing ...) throws TuningInputError. Rows that
    // cannot be read are left out and counted in the log's rowsSkipped.
    virtual TuningLog read(const QString& path) const = 0;

    // True for the module's own log files (".log", any case).
    static bool isLogFile(const QString& path);
};
