#include "device/ModuleSession.h"

ModuleSession::ModuleSession(AppState& state, Clock& clock, Prompter& prompter,
                             std::unique_ptr<SerialLink> link)
    : m_state(state), m_clock(clock), m_prompter(prompter) {
    replaceLink(std::move(link));
}

ModuleSession::~ModuleSession() {
    m_protocol.reset();
    m_lineErrors.reset();
    if (m_link)
        m_link->closeIfOpen();
}

void ModuleSession::replaceLink(std::unique_ptr<SerialLink> link) {
    m_protocol.reset();
    m_lineErrors.reset();
    if (m_link)
        m_link->closeIfOpen();
    m_link = std::move(link);
    m_lineErrors = std::make_unique<LineErrorHandler>(m_state, *m_link, m_prompter);
    m_protocol = std::make_unique<ModuleProtocol>(m_state, *m_link, m_clock, m_prompter);
}
