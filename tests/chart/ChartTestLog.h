// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/AppState.h"
#include "support/Numbers.h"

// A loaded buffer logged every 0.1 s, with values that tell the samples apart:
// sample at t seconds (index i) has RPM 1000 + 10 i, sensor 1 AFR 12 + (i mod 50) / 10,
// sensor 2 AFR 13.5, and 2.5 V on the analog input. The sample at 42.5 s reports a
// cold sensor 1.
inline void fillTestLog(AppState& s) {
    LogBuffer& log = s.log;
    log.DataLogInterval = 0.1f;
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        log.ElapsedTime[i] = float(Numbers::roundHalfEven(0.1 * (i + 1), 2));
        log.RPM[i] = 1000.0f + 10.0f * float(i % 800);
        log.AFR1[i] = 12.0f + float(i % 50) / 10.0f;
        log.AFR2[i] = 13.5f;
        log.AnalogInVolts[i] = 2.5f;
        log.Sensor1Status[i] = 0.0f;
        log.Sensor2Status[i] = 0.0f;
    }
    log.AFR1[424] = 10.0f;
    log.Sensor1Status[424] = 6.0f;
    log.DownloadDate = QStringLiteral("12/10/2026 9:41:07 AM");
    log.DataBufferEmpty = false;
    s.settings.ConfigList2 =
        QStringList{QStringLiteral("Brenwick"), QStringLiteral("Brenwick Engineering")};
}
