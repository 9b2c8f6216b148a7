// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Clock.h"

#include <QElapsedTimer>

// The real clock: a monotonic timer and the Qt event loop.
class SystemClock : public Clock {
public:
    SystemClock();
    qint64 nowUs() const override;
    void processEvents() override;
    void processEventsFor(qint64 maxUs) override;
    void idle(qint64 maxUs) override;

private:
    QElapsedTimer m_timer;
};
