// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"
#include "tuning/TuningSampleSource.h"

// Samples of any log the table of readers takes (other tools' CSV, MSL, MLG ...), by the
// channels the reader recognised: engine speed, the load (manifold pressure in kPa, else
// throttle position, else a scaled analog input), and the ratio of sensor 1 and 2 on the
// scale the log gives them. What was picked is said in the log's `picked`.
class LogSampleSource : public TuningSampleSource {
public:
    TuningLog read(const QString& path) const override;
    // The same from a log already read.
    static TuningLog fromLog(const Log& log);
};
