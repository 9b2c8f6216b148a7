// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QeroModule.h"
#include "device/SerialLink.h"

#include <deque>

class Clock;

// A link to an in-process simulated module. Bytes travel at the line rate on the given
// clock (on a virtual clock a whole download takes microseconds of real time), the
// module answers after its own delays, line noise raises framing errors, and an
// unplugged module closes the port and cannot be opened again.
class SimulatedLink : public SerialLink {
public:
    // 56000 bit/s with start and stop bits, as the module's UART paces them.
    static constexpr double kBytesPerSecond = 5600.0;

    SimulatedLink(QeroModule& module, Clock& clock, bool pacing = true);

    // The port number the module is connected to; 0 (the default) answers on every port.
    void setModulePort(int portNumber) { m_modulePort = portNumber; }
    int modulePort() const { return m_modulePort; }
    // The port number given at the last open.
    int openedPort() const { return m_openedPort; }

    // The module's port is there, as a simulated module; the others are not.
    PortListing portListing(int portNumber) const override {
        if (m_modulePort != 0 && portNumber != m_modulePort)
            return {};
        return {QStringLiteral("simulated"), QStringLiteral("QERO module"), true};
    }
    void open(int portNumber) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void clearReceiveBuffer() override;
    void sendByte(quint8 b) override;
    int receivedCount() override;
    quint8 takeByte() override;
    void waitForBytes(qint64 maxUs) override;

    // Every byte sent since the link was made, and when it was sent.
    struct Sent {
        quint8 byte;
        qint64 atUs;
    };
    const std::vector<Sent>& sent() const { return m_sent; }
    void clearSent() { m_sent.clear(); }
    int openCount() const { return m_openCount; }

private:
    struct Arrival {
        qint64 atUs;
        quint8 byte;
        bool garbled;
    };
    void poll();
    qint64 byteUs() const { return m_pacing ? qint64(1e6 / kBytesPerSecond + 0.5) : 0; }

    QeroModule& m_module;
    Clock& m_clock;
    bool m_pacing;
    int m_modulePort = 0;
    int m_openedPort = 0;
    bool m_open = false;
    bool m_gone = false;
    qint64 m_unplugAtUs = -1;
    qint64 m_hostLineFreeUs = 0;
    qint64 m_moduleLineFreeUs = 0;
    std::deque<Arrival> m_inFlight;
    std::deque<quint8> m_received;
    std::vector<Sent> m_sent;
    int m_openCount = 0;
};
