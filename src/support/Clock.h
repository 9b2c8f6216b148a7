// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Monotonic time and the "let the window system run pending events" step, behind one
// seam so that tests run every time-out and pause on a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;

    // Monotonic microseconds; never the time of day, so midnight never matters.
    virtual qint64 nowUs() const = 0;
    // Let pending window events (clicks, key presses, timer ticks) run.
    virtual void processEvents() = 0;
    // Let pending window events run, then rest until more may have come, at most `maxUs`
    // microseconds, leaving the processor to other programs (a simulated module on the
    // same machine, say). It may return early; callers loop on their own deadline.
    virtual void processEventsFor(qint64 maxUs) {
        Q_UNUSED(maxUs);
        processEvents();
    }
    // Wait a little without running window events, at most `maxUs` microseconds
    // (used while waiting for reply bytes).
    virtual void idle(qint64 maxUs) = 0;

    qint64 nowMs() const { return nowUs() / 1000; }
};

// A pause of `ms` milliseconds during which window events keep running. The duration in
// microseconds must fit a 32-bit signed value; a larger pause is an overflow failure.
void DelayTimer(Clock& clock, qint32 ms);
