#pragma once

#include "device/LineErrorHandler.h"
#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"

#include <memory>

class Clock;
class Prompter;
struct AppState;

// The program's one conversation with the module: the link, the handling of its line
// errors, and the command protocol on top. The main window holds one for the whole run.
class ModuleSession {
public:
    ModuleSession(AppState& state, Clock& clock, Prompter& prompter,
                  std::unique_ptr<SerialLink> link);
    ~ModuleSession();

    // Puts another link in place (the simulated module); the old one is closed.
    void replaceLink(std::unique_ptr<SerialLink> link);

    SerialLink& link() { return *m_link; }
    ModuleProtocol& protocol() { return *m_protocol; }
    LineErrorHandler& lineErrors() { return *m_lineErrors; }

private:
    AppState& m_state;
    Clock& m_clock;
    Prompter& m_prompter;
    std::unique_ptr<SerialLink> m_link;
    std::unique_ptr<LineErrorHandler> m_lineErrors;
    std::unique_ptr<ModuleProtocol> m_protocol;
};
