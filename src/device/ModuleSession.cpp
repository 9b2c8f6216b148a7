// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ModuleSession.h"

#include "logdata/AppState.h"

ModuleSession::ModuleSession(AppState& state, Clock& clock, Prompter& prompter,
                             std::unique_ptr<SerialLink> link)
    : m_link(std::move(link)), m_lineErrors(state.module, state.window, *m_link, prompter),
      m_protocol(state.module, state.fram, state.settings, *m_link, clock, prompter) {}

ModuleSession::~ModuleSession() {
    m_link->closeIfOpen();
}
