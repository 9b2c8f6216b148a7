// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/SerialLink.h"
#include "support/QeroFailure.h"
#include "support/VirtualClock.h"

#include "FuzzInput.h"

#include <cstdlib>
#include <deque>
#include <limits>

// A module whose side of the line is the fuzz input. Every byte the program sends takes
// one control byte from the front of the input, which says what comes back:
//   00nnnnnn  n reply bytes (taken from the input) on time, 0.2 ms apart
//   01nnnnnn  n + 1 copies of the next input byte on time (a whole memory block in two
//             bytes of input, so that a full download fits an input)
//   10dddnnn  n + 1 reply bytes starting (d + 1) x 200 ms later: late, partly late or lost
//   11xxxxxx  xxxxxx % 8: 0 to 5 a line event, 6 the next open fails, 7 silence
// When the input runs out the module is silent. Bytes still in flight survive a clear of
// the receive buffer, as they do on a real line, so a late reply can meet the next command.
class FuzzLink : public SerialLink {
public:
    FuzzLink(VirtualClock& clock, FuzzInput& line) : m_clock(clock), m_line(line) {}

    void open(int portNumber) override {
        if (portNumber < 1 || portNumber > 255)
            std::abort(); // no such port number is ever configured
        if (m_failNextOpen) {
            m_failNextOpen = false;
            throw QeroFailure(QStringLiteral("Serial Port"),
                              QStringLiteral("Cannot open Com%1: device busy").arg(portNumber));
        }
        m_open = true;
    }
    void close() override {
        m_open = false;
        m_bytes.clear();
        m_due = 0;
    }
    bool isOpen() const override { return m_open; }
    void clearReceiveBuffer() override {
        deliverDue();
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + arrived());
        m_due = 0;
    }
    void sendByte(quint8) override {
        deliverDue();
        if (!m_open)
            return; // the real port drops it the same way
        ++sentWhileOpen;
        if (m_line.empty())
            return;
        const quint8 c = m_line.front();
        const qint64 now = m_clock.nowUs();
        const int amount = c & 0x3F;
        switch (c >> 6) {
        case 0:
            reply(amount, now + 1000, 200);
            break;
        case 1: {
            const quint8 fill = m_line.front();
            for (int i = 0; i <= amount; ++i)
                m_bytes.push_back({qMax(now + 1000 + i * 200, lastArrival()), fill});
            break;
        }
        case 2:
            reply((amount & 7) + 1, now + ((amount >> 3) + 1) * 200'000, 200);
            break;
        default:
            if (amount % 8 < 6)
                m_events.push_back({now + 1000, LineEvent(amount % 8)});
            else if (amount % 8 == 6)
                m_failNextOpen = true;
            break;
        }
    }
    int receivedCount() override {
        deliverDue();
        if (!m_open)
            return 0;
        return int(arrived());
    }
    quint8 takeByte() override {
        if (!m_open || arrived() == 0)
            std::abort(); // read a byte that had not arrived
        const quint8 b = m_bytes.front().byte;
        m_bytes.pop_front();
        --m_due;
        return b;
    }
    void waitForBytes(qint64 maxUs) override {
        deliverDue();
        qint64 wait = qMax<qint64>(1, maxUs);
        if (m_open) {
            const qint64 next = nextArrival();
            if (next > m_clock.nowUs())
                wait = qMin(wait, next - m_clock.nowUs());
        } else {
            wait = 1; // a closed port returns at once; only real time passes
        }
        m_clock.idle(wait);
        deliverDue();
    }

    int sentWhileOpen = 0;

private:
    struct Pending {
        qint64 atUs;
        quint8 byte;
    };
    struct Event {
        qint64 atUs;
        LineEvent event;
    };

    void reply(int count, qint64 firstUs, qint64 gapUs) {
        for (int i = 0; i < count && !m_line.empty(); ++i) {
            const qint64 at = qMax(firstUs + i * gapUs, lastArrival());
            m_bytes.push_back({at, m_line.front()});
        }
    }

    // Bytes keep their order on the line: none overtakes one sent before it.
    qint64 lastArrival() const { return m_bytes.empty() ? 0 : m_bytes.back().atUs; }

    // Bytes arrive in order and the clock only moves on, so the count of arrived bytes at
    // the front only grows until they are taken; counting them afresh on every poll made
    // each block read quadratic in its length.
    size_t arrived() {
        while (m_due < m_bytes.size() && m_bytes[m_due].atUs <= m_clock.nowUs())
            ++m_due;
        return m_due;
    }

    qint64 nextArrival() {
        qint64 next = std::numeric_limits<qint64>::max();
        if (arrived() < m_bytes.size())
            next = m_bytes[m_due].atUs;
        for (const Event& e : m_events)
            next = qMin(next, e.atUs);
        return next;
    }

    void deliverDue() {
        while (!m_events.empty() && m_events.front().atUs <= m_clock.nowUs()) {
            const LineEvent e = m_events.front().event;
            m_events.pop_front();
            if (e == LineEvent::DeviceRemoved)
                close(); // the port is gone before anyone hears of it
            deliverLineEvent(e, QStringLiteral("/dev/ttyUSB0"));
        }
    }

    VirtualClock& m_clock;
    FuzzInput& m_line;
    bool m_open = false;
    bool m_failNextOpen = false;
    std::deque<Pending> m_bytes;
    size_t m_due = 0; // bytes at the front of m_bytes known to have arrived
    std::deque<Event> m_events;
};
