// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningLog.h"

#include <cmath>
#include <limits>

// Small logs for the tuning tests, written sample by sample.
namespace TuningTestLogs {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

struct Sample {
    double time;
    double rpm;
    double load;
    double afr1;
    double afr2 = kNone;
};

inline void append(TuningLog& log, const Sample& s) {
    log.time.push_back(s.time);
    log.rpm.push_back(s.rpm);
    log.load.push_back(s.load);
    log.afr1.push_back(s.afr1);
    log.afr2.push_back(s.afr2);
}

// `count` samples 0.1 s apart at one operating point.
inline TuningLog steady(int count, double rpm, double load, double afr1, double afr2 = kNone,
                        double start = 0.0) {
    TuningLog log;
    for (int i = 0; i < count; ++i)
        append(log, {start + 0.1 * i, rpm, load, afr1, afr2});
    return log;
}

} // namespace TuningTestLogs
