// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/VirtualClock.h"

void VirtualClock::processEvents() {
    ++m_eventCalls;
    // Copy: a hook may remove itself.
    const auto hooks = m_hooks;
    for (const auto& [id, hook] : hooks)
        hook();
    advance(m_quantum);
}

void VirtualClock::idle(qint64 maxUs) {
    qint64 target = m_now + (maxUs > 0 ? maxUs : 1);
    if (!m_scheduled.empty() && m_scheduled.begin()->first < target)
        target = qMax(m_now, m_scheduled.begin()->first);
    advanceTo(target);
}

void VirtualClock::advance(qint64 us) {
    advanceTo(m_now + qMax<qint64>(us, 0));
}

void VirtualClock::advanceTo(qint64 us) {
    while (!m_scheduled.empty() && m_scheduled.begin()->first <= us) {
        auto it = m_scheduled.begin();
        m_now = qMax(m_now, it->first);
        auto action = std::move(it->second);
        m_scheduled.erase(it);
        action();
    }
    m_now = qMax(m_now, us);
}

void VirtualClock::schedule(qint64 atUs, std::function<void()> action) {
    m_scheduled.emplace(atUs, std::move(action));
}

int VirtualClock::addEventHook(std::function<void()> hook) {
    const int id = m_nextHookId++;
    m_hooks.emplace(id, std::move(hook));
    return id;
}

void VirtualClock::removeEventHook(int id) {
    m_hooks.erase(id);
}
