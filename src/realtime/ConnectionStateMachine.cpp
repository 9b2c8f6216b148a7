#include "realtime/ConnectionStateMachine.h"

#include "logdata/AppState.h"
#include "support/Clock.h"
#include "support/Numbers.h"
#include "support/Prompter.h"

ConnectionStateMachine::ConnectionStateMachine(AppState& state, Prompter& prompter, Clock& clock,
                                               PortTestFn portTest,
                                               std::function<void()> openPortSetup)
    : m_state(state), m_prompter(prompter), m_clock(clock), m_portTest(std::move(portTest)),
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
        const QString port = Numbers::format(m_state.settings.PortNumber, QStringLiteral("##0"));
        Prompter::Button answer = Prompter::No;
        if (m_state.settings.AutoConnect) {
            if (m_portTest(m_state.settings.PortNumber, QStringLiteral("Brenwick QERO"))) {
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
