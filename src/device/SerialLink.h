// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Line conditions a port can report while it is open. The first five are the classic
// UART/driver conditions; DeviceRemoved is the port vanishing under us (a USB adapter
// pulled out, the far end of a pseudo-terminal closed).
enum class LineEvent {
    FramingError,
    HardwareOverrun,
    ReceiveBufferOverflow,
    ParityError,
    DeviceControlBlockError,
    DeviceRemoved,
};

// The primitive operations every module command is made of. One implementation drives a
// real serial port, another the in-process simulated module, so the protocol above never
// knows which one it talks to.
class SerialLink {
public:
    using LineEventHandler = std::function<void(LineEvent event, const QString& detail)>;

    virtual ~SerialLink() = default;

    // Opens the port that stands for `portNumber` (1 is the first port). Throws
    // QeroFailure with the system's own reason when the port cannot be opened.
    virtual void open(int portNumber) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // The port number is given at every open, so a new number takes effect at the next
    // open and never while the port is open.
    void openIfClosed(int portNumber) {
        if (!isOpen())
            open(portNumber);
    }
    void closeIfOpen() {
        if (isOpen())
            close();
    }

    // What stands behind `portNumber` here (a device path), for the port list; empty when
    // the link has nothing to add to the port's name.
    virtual QString portDescription(int portNumber) const {
        Q_UNUSED(portNumber);
        return QString();
    }

    // What the port list shows beside ComN: the device it stands for, the product name
    // the system gives it ("FT232R USB UART") and whether it is there now.
    struct PortListing {
        QString device;
        QString product;
        bool present = false;
    };
    virtual PortListing portListing(int portNumber) const {
        return {portDescription(portNumber), QString(), false};
    }

    virtual void clearReceiveBuffer() = 0;
    virtual void sendByte(quint8 b) = 0;
    virtual int receivedCount() = 0;
    // The oldest waiting byte; only called when receivedCount() > 0.
    virtual quint8 takeByte() = 0;

    // Waits without running window events until more bytes may have arrived, at most
    // `maxUs` microseconds. It may return early; callers loop on their own deadline.
    virtual void waitForBytes(qint64 maxUs) = 0;

    // Where line events go. They are delivered from the link's own operations (and,
    // for a real port, from the event loop), never from inside the serial library.
    void setLineEventHandler(LineEventHandler handler) { m_lineHandler = std::move(handler); }

protected:
    void deliverLineEvent(LineEvent event, const QString& detail = QString()) {
        if (m_lineHandler)
            m_lineHandler(event, detail);
    }

private:
    LineEventHandler m_lineHandler;
};
