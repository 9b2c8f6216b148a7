// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Clock.h"

#include <functional>
#include <map>
#include <vector>

// A clock that only moves when the program waits: a 10-second time-out takes
// microseconds of real time and never depends on the machine's load.
class VirtualClock : public Clock {
public:
    qint64 nowUs() const override { return m_now; }
    // Runs the event hooks, then lets a little virtual time pass (the event loop is
    // never instantaneous) and fires whatever became due.
    void processEvents() override;
    // Jumps to the next scheduled event, or by maxUs when nothing is due before.
    void idle(qint64 maxUs) override;

    // Move time forward, firing due events in order.
    void advance(qint64 us);
    void advanceTo(qint64 us);

    // Run `action` once virtual time reaches `atUs`.
    void schedule(qint64 atUs, std::function<void()> action);
    // Run `hook` on every processEvents (a key press, a timer tick, a click...).
    int addEventHook(std::function<void()> hook);
    void removeEventHook(int id);

    // How much virtual time one processEvents call takes.
    void setEventQuantumUs(qint64 us) { m_quantum = us; }
    int processEventsCalls() const { return m_eventCalls; }

private:
    qint64 m_now = 0;
    qint64 m_quantum = 100;
    int m_eventCalls = 0;
    int m_nextHookId = 1;
    std::multimap<qint64, std::function<void()>> m_scheduled;
    std::map<int, std::function<void()>> m_hooks;
};
