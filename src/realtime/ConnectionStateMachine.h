// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class Clock;
class Prompter;
struct SettingsValues;

// The one-shot connection check shortly after the main window appears: with
// auto-connect on it looks for the module on the saved port and says what it found;
// otherwise it offers the port setup.
class ConnectionStateMachine {
public:
    using PortTestFn = std::function<bool(qint16 port, const QString& identity)>;

    ConnectionStateMachine(const SettingsValues& settings, Prompter& prompter, Clock& clock,
                           PortTestFn portTest, std::function<void()> openPortSetup);

    // -1: check pending; 0: idle for the rest of the run.
    qint16 StateMachineState = -1;
    bool StateMachineBusy = false;

    void tmrStateMachine_Timer();
    void QEROStateMachine();

private:
    const SettingsValues& m_settings;
    Prompter& m_prompter;
    Clock& m_clock;
    PortTestFn m_portTest;
    std::function<void()> m_openPortSetup;
};
