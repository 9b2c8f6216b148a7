// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/PortDevices.h"
#include "device/SerialLink.h"

#include <QSerialPort>

// The link over a real serial port (or a pseudo-terminal): 56000 bit/s, no parity, 8 data
// bits, 1 stop bit, no handshaking, DTR on, RTS off, every byte kept (NUL included).
class QSerialPortLink : public SerialLink {
public:
    explicit QSerialPortLink(PortDevices devices = PortDevices());
    ~QSerialPortLink() override;

    void open(int portNumber) override;
    void close() override;
    bool isOpen() const override;
    QString portDescription(int portNumber) const override;
    PortListing portListing(int portNumber) const override;
    void clearReceiveBuffer() override;
    void sendByte(quint8 b) override;
    int receivedCount() override;
    quint8 takeByte() override;
    void waitForBytes(qint64 maxUs) override;

    PortDevices& devices() { return m_devices; }
    const PortDevices& devices() const { return m_devices; }

    // The text shown when a port cannot be opened: the port, its device, the system's
    // reason, and on Linux how to get access when access was refused; a port the user may
    // use but another program holds is said to be in use.
    static QString openFailureText(const QString& port, QSerialPort::SerialPortError error,
                                   const QString& systemReason, bool accessAllowed = false);

private:
    void deliverPending();

    PortDevices m_devices;
    QSerialPort m_port;
    bool m_removed = false;
    QString m_removedReason;

private:
    // The system's serial ports, read once for a whole list rather than once per port.
    struct Available {
        qint64 readAtMs = -1;
        QList<QPair<QString, QString>> ports; // system location or name, description
    };
    mutable Available m_available;
};
