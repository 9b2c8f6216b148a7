// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/AnalogScaling.h"
#include "logdata/LogBuffer.h"
#include "support/FieldCheck.h"

#include <QString>

#include <functional>

class Prompter;
class SettingsStore;

// What the analog input scaling window does, without its widgets: presets, the checks of
// the four number boxes and the legend, OK and Restore Defaults. Every change takes effect
// in the log at once; only OK and Restore Defaults store the values as settings.
class AnalogInScaleLogic {
public:
    AnalogInScaleLogic(LogBuffer& log, Prompter& prompter, SettingsStore& settings);

    enum class Box { MinVolts, MaxVolts, MinValue, MaxValue };
    struct BoxRule {
        const char* name; // the text box
        QString title;    // of its messages
        double upperBound;
        int decimals;
        QString pattern;
    };
    static const BoxRule& rule(Box box);

    // The value shown in a box, in its display pattern.
    QString boxText(Box box) const;

    // Reads the box's leading number; a value below 0 or above the box's bound is refused
    // with a message and replaced by the bound. Stores the rounded value.
    FieldCheck validate(Box box, const QString& text);
    // Blanks trimmed; a legend longer than 20 characters is cut without a message.
    FieldCheck validateLegend(const QString& text);

    // A throttle sensor is read in percent everywhere (the live gauge's 0-100 scale, the AFR
    // table's 0-100 % columns), so OK with TPS Percent and another scaled range asks once
    // whether to make it 0 to 100. True when the range was changed.
    bool offerTpsPercentRange();
    // Takes a voltage read from the module as the closed-throttle (MinVolts) or the
    // full-throttle (MaxVolts) end of the range, kept within 0-5 V and rounded as typed
    // values are.
    void learnVolts(Box box, float volts);

    // Saves the six values as settings, in the order the window shows them.
    void saveSettings();
    // Asks first; true when the user agreed and the None preset was applied and saved.
    // `selectNone` selects the None option (which applies the preset).
    bool restoreDefaults(const std::function<void()>& selectNone);

    static constexpr int kMaxLegend = 20;

private:
    float& value(Box box) const;

    LogBuffer& m_log;
    Prompter& m_prompter;
    SettingsStore& m_settings;
};
