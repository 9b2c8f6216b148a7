// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSession.h"

#include "cli/CliInterrupt.h"
#include "cli/CliSupport.h"
#include "cli/ModuleCommandSupport.h"
#include "device/ModuleSession.h"
#include "device/PortDevices.h"
#include "device/QSerialPortLink.h"
#include "logdata/SettingsTable.h"
#include "support/ErrorReport.h"
#include "support/SafeWrite.h"

CliSession::CliSession(QTextStream& err) : m_prompter(err), m_clock(m_state), m_err(err) {
    // A conversation with the module stops between two steps, not in the middle of one.
    if (CliInterrupt::installed())
        m_modeBefore = CliInterrupt::mode();
    CliInterrupt::install(QString(), CliInterrupt::Mode::AtCancelPoints);
    m_settings.onWriteFailure = [this](const QString& message) {
        m_err << "qero4d-cli: " << message << Qt::endl;
    };
    SettingsTable::load(m_state, m_settings, m_prompter);
}

CliSession::~CliSession() {
    m_session.reset();
    if (m_modeBefore)
        CliInterrupt::install(QString(), *m_modeBefore);
    else
        CliInterrupt::uninstall();
}

bool CliSession::interrupted() {
    return CliInterrupt::requested();
}

void CliSession::InterruptibleClock::processEvents() {
    m_clock.processEvents();
    if (CliInterrupt::requested())
        m_state.window.AbortRequested = true;
}

bool CliSession::usePort(const QString& port, QString* error) {
    PortDevices devices;
    const std::optional<int> n = ModuleCommandSupport::resolvePort(port, devices);
    if (!n) {
        *error = QStringLiteral("\"%1\" is neither a port number (1 to %2) nor a device path")
                     .arg(port)
                     .arg(PortDevices::kMaxPort);
        return false;
    }
    m_state.settings.PortNumber = qint16(*n);
    m_session = std::make_unique<ModuleSession>(m_state, m_clock, *m_activePrompter,
                                                std::make_unique<QSerialPortLink>(devices));
    return true;
}

void CliSession::useSavedPorts() {
    PortDevices devices;
    devices.loadOverrides(m_settings);
    m_session = std::make_unique<ModuleSession>(m_state, m_clock, *m_activePrompter,
                                                std::make_unique<QSerialPortLink>(devices));
}

ModuleSession& CliSession::module() {
    return *m_session;
}

ModuleProtocol& CliSession::protocol() {
    return m_session->protocol();
}

bool CliSession::makerLabel(QString* label) {
    try {
        *label = CliSupport::makerLabel();
        return true;
    } catch (...) {
        m_err << ErrorReport::describeCurrentException() << Qt::endl;
        return false;
    }
}

bool CliSession::writeFile(const QString& path, const QByteArray& data) {
    try {
        SafeWrite::writeFile(path, data);
        return true;
    } catch (...) {
        m_err << ErrorReport::describeCurrentException() << Qt::endl;
        return false;
    }
}
