// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/FieldCheck.h"

#include <QString>

class Prompter;
class SettingsStore;
struct AppState;

// What the module-parameter panel does, without its widgets: the texts of its four boxes,
// the range checks run when a box loses the focus, Restore Defaults and OK. The values
// live in AppState in the module's own units; the boxes show them in seconds,
// milliseconds and percent.
class QeroParamsEditor {
public:
    struct Texts {
        QString interval;
        QString pulses;
        QString debounce;
        QString brightness;
        bool operator==(const Texts&) const = default;
    };

    QeroParamsEditor(AppState& state, SettingsStore& settings, Prompter& prompter);

    // Display rules. The pulses text settles the value it shows: below 1 it becomes half
    // a pulse, otherwise its whole part, so the box always shows what an upload writes.
    static QString intervalText(float seconds);
    static QString pulsesText(float& pulsePerRev);
    static QString debounceText(quint8 steps);
    static QString brightnessText(quint8 duty);
    Texts texts();

    // Opening the panel empties the log and the memory image: the parameters edited
    // here no longer describe a log that was downloaded before.
    Texts open();

    // Each reads the leading number of `text`, refuses a value out of range with a message
    // naming the bound, and stores the value; the box's new text is in the result. The
    // focus moves on even after a refusal.
    FieldCheck txtDataLogInterval_Validate(const QString& text);
    FieldCheck txtPulsePerRev_Validate(const QString& text);
    FieldCheck txtRPMDebounce_Validate(const QString& text);
    FieldCheck txtMinLEDPWM_Validate(const QString& text);

    Texts cmdRestoreDefaults_Click();
    // Stores the four settings and writes the parameter bytes of the memory image.
    void cmdQEROParamsOK_Click();

private:
    void outOfRange(FieldCheck& check, const QString& text, const QString& title);

    AppState& m_state;
    SettingsStore& m_settings;
    Prompter& m_prompter;
};
