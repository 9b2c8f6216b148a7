#pragma once

#include <QString>

class ModuleProtocol;
class Prompter;
struct AppState;

// Tells the module to erase its log. The log in memory is not touched.
class ClearQEROBufferCommand {
public:
    ClearQEROBufferCommand(AppState& state, ModuleProtocol& protocol, Prompter& prompter);

    // Asks first; true when the module acknowledged the erase.
    bool mnuClearQEROBuffer_Click();
    // The erase without the question (already confirmed).
    bool erase();

    static QString title() { return QStringLiteral("Clear QERO Data Buffer"); }

private:
    AppState& m_state;
    ModuleProtocol& m_protocol;
    Prompter& m_prompter;
};
