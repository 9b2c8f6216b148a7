// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class ModuleProtocol;
class Prompter;

// Tells the module to erase its log. The log in memory is not touched.
class ClearQEROBufferCommand {
public:
    ClearQEROBufferCommand(ModuleProtocol& protocol, Prompter& prompter);

    // Asks first; true when the module acknowledged the erase.
    bool mnuClearQEROBuffer_Click();
    // The erase without the question (already confirmed).
    bool erase();

    static QString title() { return QStringLiteral("Clear QERO Data Buffer"); }

private:
    ModuleProtocol& m_protocol;
    Prompter& m_prompter;
};
