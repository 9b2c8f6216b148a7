// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "realtime/RealTimeDisplay.h"

#include <QStringList>

// Records what a polling cycle shows, in order.
class RecordingDisplay : public RealTimeDisplay {
public:
    QStringList calls;
    double lambda1 = -1, afr1 = -1;
    bool afrShown = false;
    float rpm = -1, volts = -1, scaled = -1, battery = -1, cell1 = -1, cell2 = -1, ethanol = -1;
    int raw1 = -1, raw2 = -1;

    void showSensors(int r1, int r2, double l1, double, double a1, double, bool showAFR) override {
        calls << QStringLiteral("sensors");
        raw1 = r1;
        raw2 = r2;
        lambda1 = l1;
        afr1 = a1;
        afrShown = showAFR;
    }
    void showRPM(float v) override {
        calls << QStringLiteral("rpm");
        rpm = v;
    }
    void showAnalog(float v, float s) override {
        calls << QStringLiteral("analog");
        volts = v;
        scaled = s;
    }
    void showBattery(float v) override {
        calls << QStringLiteral("battery");
        battery = v;
    }
    void showCellResistance1(float v) override {
        calls << QStringLiteral("cell1");
        cell1 = v;
    }
    void showCellResistance2(float v) override {
        calls << QStringLiteral("cell2");
        cell2 = v;
    }
    void showEthanol(float v) override {
        calls << QStringLiteral("ethanol");
        ethanol = v;
    }
    void resetDisplay() override { calls << QStringLiteral("reset"); }
};
