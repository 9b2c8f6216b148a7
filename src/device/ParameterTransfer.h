// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <QString>

class ModuleProtocol;
class SettingsStore;
struct LogBuffer;
struct SettingsValues;

// Reads the four parameters from the module, or writes them and reads each byte back.
class ParameterTransfer {
public:
    // The interval lives in `log`, the other parameters in `values`; `settings` stores them.
    ParameterTransfer(LogBuffer& log, SettingsValues& values, SettingsStore& settings,
                      ModuleProtocol& protocol, Prompter& prompter);

    // Bytes 0 to 5 into FRAMBuffer and the parameters, which are stored as settings. True
    // when the parameters were read (the caller refills the boxes).
    bool cmdQEROParamsDownload_Click();
    // Stores the settings, writes bytes 0, 1, 4 and 5 into FRAMBuffer and then into the
    // module, each read back and compared. True when all four were verified.
    bool cmdQEROParamsUpload_Click();

private:
    void tell(const QString& text, const QString& title);
    // ReSync and identify; false after its message.
    bool connect(const QString& title, const QString& verb);

    LogBuffer& m_log;
    SettingsValues& m_values;
    SettingsStore& m_settings;
    ModuleProtocol& m_protocol;
    Prompter& m_prompter;
};
