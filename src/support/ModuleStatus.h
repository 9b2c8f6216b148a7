// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// What the last module command left behind: whether it worked, and what the module said
// about itself. Callers test `CommandOK` right after a command.
struct ModuleStatus {
    bool CommandOK = false;
    QString FirmwareID;
    QString QEROVersion;
    qint16 CommErrorCount = 0;
};
