// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where one polling cycle hands its values, read by read: the gauges of the main window,
// or the command-line monitor that prints them.
class RealTimeDisplay {
public:
    virtual ~RealTimeDisplay() = default;

    // The two raw AFR bytes (for the status texts), both lambdas and, unless the fuel is
    // lambda itself, both AFRs in the fuel's own units.
    virtual void showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1,
                             double afr2, bool showAFR) = 0;
    virtual void showRPM(float rpm) = 0;
    // The analog input in volts and scaled into the user's quantity.
    virtual void showAnalog(float volts, float scaled) = 0;
    virtual void showBattery(float volts) = 0;
    virtual void showCellResistance1(float value) = 0;
    virtual void showCellResistance2(float value) = 0;
    virtual void showEthanol(float percent) = 0;
    // The link was lost: the gauges go back to their resting values.
    virtual void resetDisplay() = 0;
};
