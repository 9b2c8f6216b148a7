#include "device/ModuleSession.h"

ModuleSession::ModuleSession(AppState& state, Clock& clock, Prompter& prompter,
                             std::unique_ptr<SerialLink> link)
    : m_link(std::move(link)), m_lineErrors(state, *m_link, prompter),
      m_protocol(state, *m_link, clock, prompter) {}

ModuleSession::~ModuleSession() {
    m_link->closeIfOpen();
}
