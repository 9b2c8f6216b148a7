// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/LineErrorHandler.h"

#include "support/ModuleStatus.h"
#include "support/Prompter.h"
#include "support/WindowState.h"

#include <limits>

LineErrorHandler::LineErrorHandler(ModuleStatus& module, const WindowState& window,
                                   SerialLink& link, Prompter& prompter)
    : m_module(module), m_window(window), m_link(link), m_prompter(prompter) {
    m_link.setLineEventHandler(
        [this](LineEvent event, const QString& detail) { handle(event, detail); });
}

LineErrorHandler::~LineErrorHandler() {
    m_link.setLineEventHandler({});
}

QString LineErrorHandler::reportText(LineEvent event) {
    switch (event) {
    case LineEvent::FramingError:
        return QStringLiteral("Framing Error");
    case LineEvent::HardwareOverrun:
        return QStringLiteral("Port Hardware Overrun");
    case LineEvent::ReceiveBufferOverflow:
        return QStringLiteral("Receive Buffer Overflow");
    case LineEvent::ParityError:
        return QStringLiteral("Parity Error");
    case LineEvent::DeviceControlBlockError:
        return QStringLiteral("Device Control Block Error");
    case LineEvent::DeviceRemoved:
        return QStringLiteral("Serial Device Removed");
    }
    return QString();
}

void LineErrorHandler::handle(LineEvent event, const QString& detail) {
    if (event == LineEvent::DeviceRemoved) {
        // The port is gone: keep nothing open on it, and say so once, live view or not,
        // so that the time-out that follows has an evident cause.
        m_link.closeIfOpen();
        QString text = QStringLiteral("The serial port was removed or stopped working");
        if (!detail.isEmpty())
            text += QStringLiteral(" (") + detail + u')';
        text += QStringLiteral(".\r\nCheck the cable or the USB adapter, then try again.");
        m_prompter.message(text, QStringLiteral("Communications Error"), Prompter::Icon::Critical,
                           Prompter::Ok);
        return;
    }
    if (!m_window.RealTimeActive) {
        report(event);
        return;
    }
    switch (event) {
    case LineEvent::FramingError:
    case LineEvent::ParityError:
        return;
    case LineEvent::HardwareOverrun:
    case LineEvent::ReceiveBufferOverflow:
        m_link.closeIfOpen();
        return;
    case LineEvent::DeviceControlBlockError:
        report(event);
        return;
    case LineEvent::DeviceRemoved:
        return;
    }
}

void LineErrorHandler::report(LineEvent event) {
    if (m_module.CommErrorCount < std::numeric_limits<qint16>::max())
        ++m_module.CommErrorCount;
    if (m_module.CommErrorCount > 2)
        m_link.closeIfOpen();
    const Prompter::Button b =
        m_prompter.message(reportText(event), QStringLiteral("Communications Error"),
                           Prompter::Icon::Critical, Prompter::Retry | Prompter::Cancel);
    if (b == Prompter::Retry)
        m_link.clearReceiveBuffer(); // a command waiting for its reply keeps waiting
    else
        m_link.closeIfOpen();
}
