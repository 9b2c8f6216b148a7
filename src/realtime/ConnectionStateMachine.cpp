// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/ConnectionStateMachine.h"

#include "support/Clock.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/SettingsValues.h"

ConnectionStateMachine::ConnectionStateMachine(const SettingsValues& settings, Prompter& prompter,
                                               Clock& clock, PortTestFn portTest,
                                               std::function<void()> openPortSetup)
    : m_settings(settings), m_prompter(prompter), m_clock(clock), m_portTest(std::move(portTest)),
      m_openPortSetup(std::move(openPortSetup)) {}

void ConnectionStateMachine::tmrStateMachine_Timer() {
    if (StateMachineState == -1 && !StateMachineBusy)
        QEROStateMachine();
}

void ConnectionStateMachine::QEROStateMachine() {
    StateMachineBusy = true;
    // Let the main window paint before any box covers it.
    m_clock.processEvents();
    if (StateMachineState == -1) {
        StateMachineState = 0;
        const QString title = QStringLiteral("Auto Connect");
        const QString port = Numbers::format(m_settings.PortNumber, QStringLiteral("##0"));
        Prompter::Button answer = Prompter::No;
        if (m_settings.AutoConnect) {
            if (m_portTest(m_settings.PortNumber, QStringLiteral("Brenwick QERO"))) {
                m_prompter.message(QStringLiteral("Found QERO on port ") + port +
                                       QStringLiteral(". "),
                                   title, Prompter::Icon::Exclamation, Prompter::Ok);
            } else {
                answer = m_prompter.message(
                    QStringLiteral("No QERO on expected port ") + port +
                        QStringLiteral(". Do you want to open the Port Setup dialog box?"),
                    title, Prompter::Icon::Question, Prompter::Yes | Prompter::No);
            }
        } else {
            answer =
                m_prompter.message(QStringLiteral("Auto connect not enabled. Do you want to "
                                                  "open the Port Setup dialog box?"),
                                   title, Prompter::Icon::Question, Prompter::Yes | Prompter::No);
        }
        if (answer == Prompter::Yes && m_openPortSetup)
            m_openPortSetup();
    }
    StateMachineBusy = false;
}
