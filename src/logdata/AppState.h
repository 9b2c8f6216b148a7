// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/FramImage.h"
#include "logdata/LogBuffer.h"
#include "support/ModuleStatus.h"
#include "support/SettingsValues.h"
#include "support/WindowState.h"

#include <QString>

// The program's process-wide values, created once at start-up, so that a test can build a
// fresh one. Each class is handed only the parts it works on.
struct AppState {
    LogBuffer log;
    FramImage fram;
    SettingsValues settings;
    ModuleStatus module;
    WindowState window;

    // "#0.000" below 2, "#0.00" from 2 to 10 inclusive, "#0.0" above 10.
    static QString afrFormatFor(float stoichRatio);
    void updateAFRFormat() { settings.AFRFormat = afrFormatFor(log.StoichRatio); }
};
