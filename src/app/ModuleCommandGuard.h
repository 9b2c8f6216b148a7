// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// One conversation with the module at a time: the live view is closed before a command
// starts (its polling would share the port), the menus and module panels stay disabled
// while it runs, and they come back however the command ends, a failure report included.
class ModuleCommandGuard {
public:
    ModuleCommandGuard(const std::function<void()>& closeLiveView,
                       std::function<void(bool running)> setRunning);
    ~ModuleCommandGuard();
    ModuleCommandGuard(const ModuleCommandGuard&) = delete;
    ModuleCommandGuard& operator=(const ModuleCommandGuard&) = delete;

private:
    std::function<void(bool)> m_setRunning;
};
