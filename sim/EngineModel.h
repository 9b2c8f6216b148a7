// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Live values for the module's real-time replies: an engine that starts cold and then
// drives a 60-second loop of idle, pull-away, cruise, a wide-open-throttle pull, a
// closed-throttle deceleration and light-load lean cruise.
class EngineModel {
public:
    struct Values {
        float rpm = 0;           // 0: no speed signal
        float throttleVolts = 0; // analog input
        float batteryVolts = 0;
        quint8 afrCode1 = 0; // sensor bytes as the module sends them
        quint8 afrCode2 = 0;
        quint8 cellRes1 = 0; // sensor cell resistance values
        quint8 cellRes2 = 0;
    };

    // The values `secondsSinceStart` after the module powered up or restarted.
    static Values at(double secondsSinceStart);
};
