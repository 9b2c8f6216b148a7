// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/SerialLink.h"

#include <QElapsedTimer>

// Passes every operation on to another link and counts the bytes that went each way,
// so that a transfer can be set against the line time those bytes need; it also adds up
// the time spent opening and closing the port and waiting for reply bytes.
class CountingLink : public SerialLink {
public:
    explicit CountingLink(SerialLink& inner) : m_inner(inner) {
        m_inner.setLineEventHandler(
            [this](LineEvent event, const QString& detail) { deliverLineEvent(event, detail); });
    }

    void open(int portNumber) override {
        const Span span(m_openCloseNs);
        ++m_opens;
        m_inner.open(portNumber);
    }
    void close() override {
        const Span span(m_openCloseNs);
        m_inner.close();
    }
    bool isOpen() const override { return m_inner.isOpen(); }
    void clearReceiveBuffer() override { m_inner.clearReceiveBuffer(); }
    void sendByte(quint8 b) override {
        ++m_sent;
        m_inner.sendByte(b);
    }
    int receivedCount() override { return m_inner.receivedCount(); }
    quint8 takeByte() override {
        ++m_received;
        return m_inner.takeByte();
    }
    void waitForBytes(qint64 maxUs) override {
        const Span span(m_waitNs);
        m_inner.waitForBytes(maxUs);
    }

    qint64 sent() const { return m_sent; }
    qint64 received() const { return m_received; }
    qint64 opens() const { return m_opens; }
    double openCloseSeconds() const { return double(m_openCloseNs) / 1e9; }
    double waitSeconds() const { return double(m_waitNs) / 1e9; }
    void resetCounts() { m_sent = m_received = m_opens = m_openCloseNs = m_waitNs = 0; }

private:
    class Span {
    public:
        explicit Span(qint64& total) : m_total(total) { m_timer.start(); }
        ~Span() { m_total += m_timer.nsecsElapsed(); }

    private:
        qint64& m_total;
        QElapsedTimer m_timer;
    };

    SerialLink& m_inner;
    qint64 m_sent = 0;
    qint64 m_received = 0;
    qint64 m_opens = 0;
    qint64 m_openCloseNs = 0;
    qint64 m_waitNs = 0;
};
