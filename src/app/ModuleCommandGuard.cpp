// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ModuleCommandGuard.h"

ModuleCommandGuard::ModuleCommandGuard(const std::function<void()>& closeLiveView,
                                       std::function<void(bool running)> setRunning)
    : m_setRunning(std::move(setRunning)) {
    closeLiveView();
    m_setRunning(true);
}

ModuleCommandGuard::~ModuleCommandGuard() {
    m_setRunning(false);
}
