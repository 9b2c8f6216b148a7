// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SystemClock.h"

#include <QCoreApplication>
#include <QThread>

SystemClock::SystemClock() {
    m_timer.start();
}

qint64 SystemClock::nowUs() const {
    return m_timer.nsecsElapsed() / 1000;
}

void SystemClock::processEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    else
        QThread::usleep(100);
}

void SystemClock::processEventsFor(qint64 maxUs) {
    const qint64 start = nowUs();
    processEvents();
    // Short rests keep clicks and key presses answered within half a millisecond.
    const qint64 rest = qMin<qint64>(maxUs - (nowUs() - start), 500);
    if (rest > 0)
        QThread::usleep(static_cast<unsigned long>(rest));
}

void SystemClock::idle(qint64 maxUs) {
    if (maxUs > 0)
        QThread::usleep(static_cast<unsigned long>(qMin<qint64>(maxUs, 500)));
}
