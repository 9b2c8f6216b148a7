// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/LineErrorHandler.h"
#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"

#include <memory>

class Clock;
class Prompter;
struct AppState;

// The program's one conversation with the module: the link, the handling of its line
// errors, and the command protocol on top. It is built once, where the program starts
// (the desktop program's main and the command line's session), and handed by reference to
// everything that talks to the module, so no one holds a link that may go away.
class ModuleSession {
public:
    ModuleSession(AppState& state, Clock& clock, Prompter& prompter,
                  std::unique_ptr<SerialLink> link);
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    SerialLink& link() { return *m_link; }
    ModuleProtocol& protocol() { return m_protocol; }
    LineErrorHandler& lineErrors() { return m_lineErrors; }

private:
    std::unique_ptr<SerialLink> m_link;
    LineErrorHandler m_lineErrors;
    ModuleProtocol m_protocol;
};
