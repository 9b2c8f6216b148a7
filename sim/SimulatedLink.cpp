// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedLink.h"

#include "support/Clock.h"
#include "support/QeroFailure.h"

SimulatedLink::SimulatedLink(QeroModule& module, Clock& clock, bool pacing)
    : m_module(module), m_clock(clock), m_pacing(pacing) {}

void SimulatedLink::open(int portNumber) {
    const QString source = QStringLiteral("Serial Port");
    if (m_modulePort != 0 && portNumber != m_modulePort)
        throw QeroFailure(source, QStringLiteral("Cannot open Com%1: No such device (the "
                                                 "simulated QERO is on Com%2)")
                                      .arg(portNumber)
                                      .arg(m_modulePort));
    if (m_gone || m_module.unplugged())
        throw QeroFailure(source, QStringLiteral("Cannot open Com%1: No such device (the "
                                                 "simulated QERO was unplugged)")
                                      .arg(portNumber));
    m_open = true;
    m_openedPort = portNumber;
    ++m_openCount;
}

void SimulatedLink::close() {
    // Whatever was still on its way to a closed port is lost.
    m_open = false;
    m_inFlight.clear();
    m_received.clear();
}

void SimulatedLink::poll() {
    const qint64 now = m_clock.nowUs();
    bool garbled = false;
    while (!m_inFlight.empty() && m_inFlight.front().atUs <= now) {
        if (m_open)
            m_received.push_back(m_inFlight.front().byte);
        garbled = garbled || m_inFlight.front().garbled;
        m_inFlight.pop_front();
    }
    if (garbled && m_open)
        deliverLineEvent(LineEvent::FramingError);
    if (m_unplugAtUs >= 0 && m_unplugAtUs <= now) {
        m_unplugAtUs = -1;
        m_gone = true;
        if (m_open) {
            close();
            deliverLineEvent(LineEvent::DeviceRemoved,
                             QStringLiteral("the simulated QERO was unplugged"));
        }
    }
}

void SimulatedLink::clearReceiveBuffer() {
    poll();
    m_received.clear();
}

void SimulatedLink::sendByte(quint8 b) {
    poll();
    if (!m_open)
        return;
    const qint64 now = m_clock.nowUs();
    m_sent.push_back({b, now});
    const qint64 atModule = qMax(now, m_hostLineFreeUs) + byteUs();
    m_hostLineFreeUs = atModule;
    const QeroModule::Reply reply = m_module.receive(b, atModule);
    if (reply.unplug)
        m_unplugAtUs = atModule;
    qint64 t = qMax(atModule + reply.delayUs, m_moduleLineFreeUs);
    for (int i = 0; i < reply.bytes.size(); ++i) {
        t += byteUs();
        m_inFlight.push_back({t, quint8(reply.bytes.at(i)), reply.garbled.contains(i)});
    }
    m_moduleLineFreeUs = t;
}

int SimulatedLink::receivedCount() {
    poll();
    return int(m_received.size());
}

quint8 SimulatedLink::takeByte() {
    if (m_received.empty())
        return 0;
    const quint8 b = m_received.front();
    m_received.pop_front();
    return b;
}

void SimulatedLink::waitForBytes(qint64 maxUs) {
    poll();
    const qint64 now = m_clock.nowUs();
    qint64 until = now + qMax<qint64>(maxUs, 1);
    if (!m_inFlight.empty())
        until = qMin(until, qMax(now + 1, m_inFlight.front().atUs));
    if (m_unplugAtUs >= 0)
        until = qMin(until, qMax(now + 1, m_unplugAtUs));
    // A virtual clock jumps there; the real one sleeps a short step and the caller
    // comes back.
    m_clock.idle(until - now);
    poll();
}
