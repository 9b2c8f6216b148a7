// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningSampleSource.h"

// Samples of a live recording, however long: the load is the recorded scaled analog
// input, the sensors are on the lambda scale (the fuel the recording declares is
// reported), and a sensor with a status code has no reading.
class RecordingSampleSource : public TuningSampleSource {
public:
    TuningLog read(const QString& path) const override;

    static inline const QString kLastRowCut =
        QStringLiteral("the last row was cut off (the recording ended abruptly) and is left out");
};
