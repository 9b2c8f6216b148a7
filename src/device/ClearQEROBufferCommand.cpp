// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ClearQEROBufferCommand.h"

#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "support/ModuleStatus.h"
#include "support/Prompter.h"

ClearQEROBufferCommand::ClearQEROBufferCommand(ModuleProtocol& protocol, Prompter& prompter)
    : m_protocol(protocol), m_prompter(prompter) {}

bool ClearQEROBufferCommand::mnuClearQEROBuffer_Click() {
    const auto answer =
        m_prompter.message(QStringLiteral("All data logged by QERO will be lost. Proceed?"),
                           title(), Prompter::Icon::Exclamation, Prompter::Ok | Prompter::Cancel);
    if (answer != Prompter::Ok)
        return false;
    return erase();
}

bool ClearQEROBufferCommand::erase() {
    if (!m_protocol.ReSyncUpTo()) {
        m_prompter.message(
            QStringLiteral("Cannot establish RS-232 link. Check cable and module power."), title(),
            Prompter::Icon::Exclamation, Prompter::Ok);
        m_protocol.link().closeIfOpen();
        return false;
    }
    m_protocol.ClearQEROBuffer();
    const bool ok = m_protocol.module().CommandOK;
    m_prompter.message(ok ? QStringLiteral("QERO data buffer cleared.")
                          : QStringLiteral("Command failed - QERO data buffer not cleared."),
                       title(), Prompter::Icon::Information, Prompter::Ok);
    return ok;
}
