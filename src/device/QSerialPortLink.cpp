// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/QSerialPortLink.h"

#include "support/QeroFailure.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPortInfo>

namespace {

const QString kSource = QStringLiteral("Serial Port");

} // namespace

QSerialPortLink::QSerialPortLink(PortDevices devices) : m_devices(std::move(devices)) {
    QObject::connect(
        &m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError error) {
            // A port that went away matters here: the driver reports it as
            // a resource error, or (a hung-up terminal, a pulled adapter) as
            // reads that fail for good. Time-outs of our own polling and
            // modem-line control refused by a pseudo-terminal are no line errors.
            if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) ||
                m_removed || !m_port.isOpen())
                return;
            m_removed = true;
            // After a hang-up the system's last error text is stale.
            m_removedReason = error == QSerialPort::ResourceError
                                  ? m_port.errorString()
                                  : QStringLiteral("the device stopped answering");
            // Noticed even while no command runs; a command in progress
            // notices it at its next operation on the link.
            QMetaObject::invokeMethod(
                &m_port, [this] { deliverPending(); }, Qt::QueuedConnection);
        });
}

QSerialPortLink::~QSerialPortLink() {
    if (m_port.isOpen())
        m_port.close();
}

QString QSerialPortLink::openFailureText(const QString& port, QSerialPort::SerialPortError error,
                                         const QString& systemReason, bool accessAllowed) {
    // The serial-port library reports a port held by another program (its lock file, or
    // the exclusive mode of an open terminal) as a permission error too; when the user
    // may read and write the device, that is what it is.
    if (error == QSerialPort::PermissionError && accessAllowed)
        return QStringLiteral("Cannot open %1: the port is in use by another program (%2).")
            .arg(port, systemReason);
    QString text = QStringLiteral("Cannot open %1: %2").arg(port, systemReason);
#if defined(Q_OS_LINUX)
    if (error == QSerialPort::PermissionError)
        text += QStringLiteral("\r\nTo get access, add your user to the dialout group "
                               "(sudo usermod -aG dialout $USER), then log out and in again.");
#else
    Q_UNUSED(error);
#endif
    return text;
}

void QSerialPortLink::open(int portNumber) {
    const QString device = m_devices.deviceFor(portNumber);
    if (device.isEmpty())
        throw QeroFailure(kSource, QStringLiteral("Cannot open Com%1: no serial device stands "
                                                  "for this port on this system.")
                                       .arg(portNumber));
    if (m_port.isOpen())
        m_port.close();
    m_removed = false;
    m_removedReason.clear();
    m_port.setPortName(device);
    m_port.setBaudRate(56000);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        const QFileInfo node(device);
        const bool accessAllowed = node.exists() && node.isReadable() && node.isWritable();
        throw QeroFailure(
            kSource, openFailureText(m_devices.describe(portNumber), error, reason, accessAllowed));
    }
    // A pseudo-terminal or a three-wire adapter refuses modem-line control; that is not
    // a failure of the link.
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(false);
    m_port.clearError();
}

void QSerialPortLink::close() {
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool QSerialPortLink::isOpen() const {
    return m_port.isOpen();
}

void QSerialPortLink::clearReceiveBuffer() {
    deliverPending();
    if (!m_port.isOpen())
        return;
    // Pull in whatever the driver already holds, then drop it all.
    m_port.waitForReadyRead(0);
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    m_port.clearError();
}

void QSerialPortLink::sendByte(quint8 b) {
    deliverPending();
    if (!m_port.isOpen())
        return;
    const char c = char(b);
    m_port.write(&c, 1);
    // Commands wait without the event loop, so the byte must leave now.
    m_port.flush();
}

int QSerialPortLink::receivedCount() {
    deliverPending();
    if (!m_port.isOpen())
        return 0;
    if (m_port.bytesAvailable() == 0)
        m_port.waitForReadyRead(0); // look at the driver without waiting
    deliverPending();
    return m_port.isOpen() ? int(qMin<qint64>(m_port.bytesAvailable(), INT_MAX)) : 0;
}

quint8 QSerialPortLink::takeByte() {
    char c = 0;
    if (!m_port.isOpen() || !m_port.getChar(&c))
        return 0;
    return quint8(c);
}

void QSerialPortLink::waitForBytes(qint64 maxUs) {
    deliverPending();
    if (!m_port.isOpen())
        return;
    const int ms = int(qBound(qint64(1), (maxUs + 999) / 1000, qint64(1000)));
    m_port.waitForReadyRead(ms);
    deliverPending();
}

void QSerialPortLink::deliverPending() {
    if (!m_removed)
        return;
    m_removed = false;
    const QString reason = m_removedReason;
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    deliverLineEvent(LineEvent::DeviceRemoved,
                     QStringLiteral("%1: %2").arg(m_port.portName(), reason));
}

QString QSerialPortLink::portDescription(int portNumber) const {
    return m_devices.deviceFor(portNumber);
}

SerialLink::PortListing QSerialPortLink::portListing(int portNumber) const {
    PortListing out;
    out.device = m_devices.deviceFor(portNumber);
    if (out.device.isEmpty())
        return out;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_available.readAtMs < 0 || now - m_available.readAtMs > 1000) {
        m_available.ports.clear();
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            m_available.ports.append({info.systemLocation(), info.description()});
            m_available.ports.append({info.portName(), info.description()});
        }
        m_available.readAtMs = now;
    }
    for (const auto& [location, description] : m_available.ports)
        if (location == out.device) {
            out.present = true;
            out.product = description;
            return out;
        }
    // A device the serial library does not list (a pseudo-terminal, a link) is there
    // when its file is.
    out.present = out.device.startsWith(u'/') && QFileInfo::exists(out.device);
    return out;
}
