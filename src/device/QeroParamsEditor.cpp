// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/QeroParamsEditor.h"

#include "device/ModuleParameters.h"
#include "logdata/AppState.h"
#include "support/Numbers.h"
#include "support/Prompter.h"

#include <cmath>

QeroParamsEditor::QeroParamsEditor(AppState& state, SettingsStore& settings, Prompter& prompter)
    : m_state(state), m_settings(settings), m_prompter(prompter) {}

QString QeroParamsEditor::intervalText(float seconds) {
    // The module counts in 16 ms ticks; the box shows the nearest twentieth of a second.
    return Numbers::format(Numbers::roundHalfEven(20.0 * double(seconds)) / 20.0,
                           QStringLiteral("0.00"));
}

QString QeroParamsEditor::pulsesText(float& pulsePerRev) {
    if (pulsePerRev < 1.0f) {
        pulsePerRev = 0.5f;
        return Numbers::format(0.5, QStringLiteral("0.0"));
    }
    pulsePerRev = std::floor(pulsePerRev);
    return Numbers::format(double(pulsePerRev), QStringLiteral("#"));
}

QString QeroParamsEditor::debounceText(quint8 steps) {
    return Numbers::format(steps / 20.0, QStringLiteral("0.00"));
}

QString QeroParamsEditor::brightnessText(quint8 duty) {
    return Numbers::format(Numbers::roundHalfEven(duty * 100.0 / 255.0), QStringLiteral("##0"));
}

QeroParamsEditor::Texts QeroParamsEditor::texts() {
    return {intervalText(m_state.log.DataLogInterval), pulsesText(m_state.settings.PulsePerRev),
            debounceText(m_state.settings.RPMDebounce), brightnessText(m_state.settings.MinLEDPWM)};
}

QeroParamsEditor::Texts QeroParamsEditor::open() {
    m_state.fram.ClearFRAMBuffer();
    m_state.log.ClearDataBuffer();
    return texts();
}

void QeroParamsEditor::outOfRange(FieldCheck& check, const QString& text, const QString& title) {
    check.message = text;
    m_prompter.message(text, title, Prompter::Icon::Exclamation, Prompter::Ok);
}

FieldCheck QeroParamsEditor::txtDataLogInterval_Validate(const QString& text) {
    FieldCheck out;
    const QString title = QStringLiteral("Data Logging Interval");
    double v = Numbers::leadingNumber(text);
    if (v < 0.1) {
        outOfRange(out, QStringLiteral("Value must be greater than or equal to .1"), title);
        v = 0.1;
    } else if (v > 1.0) {
        outOfRange(out, QStringLiteral("Value must be less than or equal to 1"), title);
        v = 1.0;
    }
    const double ticks = Numbers::roundHalfEven(v / ModuleVocabulary::Memory::kIntervalTick);
    m_state.log.DataLogInterval = float(ModuleVocabulary::Memory::kIntervalTick * ticks);
    out.value = double(m_state.log.DataLogInterval);
    out.text = intervalText(m_state.log.DataLogInterval);
    return out;
}

FieldCheck QeroParamsEditor::txtPulsePerRev_Validate(const QString& text) {
    FieldCheck out;
    const QString title = QStringLiteral("RPM Pulses Per Revolution");
    double v = Numbers::leadingNumber(text);
    if (v < 0.5) {
        outOfRange(out, QStringLiteral("Value must be greater than or equal to .5"), title);
        v = 0.5;
    } else if (v > 12.0) {
        outOfRange(out, QStringLiteral("Value must be less than or equal to 12"), title);
        v = 12.0;
    }
    m_state.settings.PulsePerRev = v < 1.0 ? 0.5f : float(std::floor(v));
    out.text = pulsesText(m_state.settings.PulsePerRev);
    out.value = double(m_state.settings.PulsePerRev);
    return out;
}

FieldCheck QeroParamsEditor::txtRPMDebounce_Validate(const QString& text) {
    FieldCheck out;
    const QString title = QStringLiteral("RPM Debounce Time");
    double v = Numbers::leadingNumber(text);
    if (v < 0.1) {
        outOfRange(out, QStringLiteral("Value must be greater than or equal to .1"), title);
        v = 0.1;
    } else if (v > 9.9) {
        outOfRange(out, QStringLiteral("Value must be less than or equal to 9.9"), title);
        v = 9.9;
    }
    // 50 us steps; a part of a step is dropped.
    m_state.settings.RPMDebounce = quint8(std::floor(v * 20.0));
    out.value = m_state.settings.RPMDebounce;
    out.text = debounceText(m_state.settings.RPMDebounce);
    return out;
}

FieldCheck QeroParamsEditor::txtMinLEDPWM_Validate(const QString& text) {
    FieldCheck out;
    const QString title = QStringLiteral("Minimum LED Brightness");
    double v = Numbers::leadingNumber(text);
    v = std::isfinite(v) ? std::floor(v) : v;
    if (!(v >= 5.0)) {
        outOfRange(out, QStringLiteral("Value must be greater than or equal to 5%"), title);
        v = 5.0;
    } else if (v > 100.0) {
        outOfRange(out, QStringLiteral("Value must be less than or equal to 100%"), title);
        v = 100.0;
    }
    m_state.settings.MinLEDPWM = quint8(Numbers::roundHalfEven(v * 255.0 / 100.0));
    out.value = m_state.settings.MinLEDPWM;
    out.text = brightnessText(m_state.settings.MinLEDPWM);
    return out;
}

QeroParamsEditor::Texts QeroParamsEditor::cmdRestoreDefaults_Click() {
    const ModuleParameters defaults = ModuleParameters::defaults();
    defaults.applyTo(m_state.log, m_state.settings);
    defaults.save(m_settings);
    Texts t = texts();
    // The default interval is shown as it is, not on the 16 ms grid.
    t.interval = Numbers::format(double(m_state.log.DataLogInterval), QStringLiteral("0.00"));
    return t;
}

void QeroParamsEditor::cmdQEROParamsOK_Click() {
    const ModuleParameters p = ModuleParameters::current(m_state.log, m_state.settings);
    p.save(m_settings);
    p.writeBytes(m_state.fram.FRAMBuffer.data());
}
