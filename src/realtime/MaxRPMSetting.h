// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Prompter;
class SettingsStore;
struct LogBuffer;

// Edit > Maximum RPM: asks for the RPM full scale of the tachometer and the chart until
// the answer lies within 4000 to 20000, then saves it.
class MaxRPMSetting {
public:
    static constexpr int kMin = 4000;
    static constexpr int kMax = 20000;

    // Cancel or an empty answer keeps the current value (and asks again while that is
    // out of range); a text that is not a number reads as 0. The value is saved as
    // "MaxRPMDisplay" once it is within range.
    static void ask(Prompter& prompter, LogBuffer& log, SettingsStore& store);
};
