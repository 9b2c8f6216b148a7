// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/SerialLink.h"
#include "support/Clock.h"

#include <QByteArray>
#include <QMap>

#include <deque>
#include <vector>

// A module that answers each command byte with fixed reply bytes, after a fixed delay,
// on the given clock. Lets a test put exact bytes on the line.
class ReplyLink : public SerialLink {
public:
    explicit ReplyLink(Clock& clock) : m_clock(clock) {}

    QMap<int, QByteArray> replies; // command byte -> reply; absent: silent
    qint64 replyDelayUs = 2000;

    void open(int portNumber) override {
        m_open = true;
        openedPort = portNumber;
        ++opens;
    }
    void close() override {
        m_open = false;
        m_pending.clear();
    }
    bool isOpen() const override { return m_open; }
    void clearReceiveBuffer() override { m_pending.clear(); }
    void sendByte(quint8 b) override {
        sent.push_back(b);
        const auto it = replies.constFind(b);
        if (it == replies.cend())
            return;
        for (char c : *it)
            m_pending.push_back({m_clock.nowUs() + replyDelayUs, quint8(c)});
    }
    int receivedCount() override {
        int n = 0;
        for (const auto& p : m_pending)
            if (p.atUs <= m_clock.nowUs())
                ++n;
        return n;
    }
    quint8 takeByte() override {
        const quint8 b = m_pending.front().byte;
        m_pending.pop_front();
        ++taken;
        return b;
    }
    void waitForBytes(qint64 maxUs) override { m_clock.idle(maxUs); }

    std::vector<quint8> sent;
    int opens = 0;
    int openedPort = 0;
    int taken = 0;
    int pendingCount() const { return int(m_pending.size()); }

private:
    struct Pending {
        qint64 atUs;
        quint8 byte;
    };
    Clock& m_clock;
    bool m_open = false;
    std::deque<Pending> m_pending;
};
