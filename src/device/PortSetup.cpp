// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortSetup.h"

#include "device/ModuleProtocol.h"
#include "device/ProgressReport.h"
#include "device/SerialLink.h"
#include "logdata/SettingsTable.h"
#include "support/ModuleStatus.h"
#include "support/Numbers.h"
#include "support/SettingsStore.h"
#include "support/SettingsValues.h"

#include <algorithm>

PortSetup::PortSetup(SettingsValues& settings, ModuleProtocol& protocol)
    : m_settings(settings), m_protocol(protocol) {}

bool PortSetup::answers(qint16 port, const QString& identity) {
    SerialLink& link = m_protocol.link();
    bool found = false;
    // Failures are ignored here: a port that cannot be opened, or fails under us, is
    // simply not where the module is.
    try {
        link.open(port);
    } catch (...) {
        return false;
    }
    try {
        // A port that closes under a try (a device pulled out) is given up rather than
        // letting the next try open PortNumber instead.
        const auto opening = m_protocol.OpenConversation(ModuleProtocol::kResyncTries, true);
        found = opening != ModuleProtocol::Opening::NoLink && m_protocol.module().CommandOK &&
                m_protocol.module().FirmwareID.contains(identity, Qt::CaseInsensitive);
    } catch (...) {
        found = false;
    }
    try {
        link.closeIfOpen();
    } catch (...) {
    }
    return found;
}

qint16 PortSetup::PortScan(const qint16& lastPort, const QString& identity,
                           ProgressReport* progress) {
    qint16 result = 0;
    try {
        m_protocol.link().closeIfOpen();
    } catch (...) {
    }
    if (progress) {
        progress->showProgress(QStringLiteral("Scanning Ports"));
        progress->setProgress(0);
    }
    for (qint16 k = 1; k <= lastPort; ++k) {
        if (progress) {
            const double percent = Numbers::roundHalfEven(double(k) * 100.0 / lastPort);
            progress->setProgress(int(std::clamp(percent, 0.0, 100.0)));
        }
        if (answers(k, identity)) {
            result = k;
            break;
        }
    }
    if (progress)
        progress->hideProgress();
    try {
        m_protocol.link().closeIfOpen();
    } catch (...) {
    }
    return result;
}

bool PortSetup::PortTest(const qint16& port, const QString& identity) {
    try {
        m_protocol.link().closeIfOpen();
    } catch (...) {
    }
    return answers(port, identity);
}

PortSetup::Features PortSetup::features(const QStringList& configList3) {
    Features f;
    for (const QString& line : configList3) {
        if (line == QLatin1String("Port_Scan_Enable_True"))
            f.portScan = true;
        if (line == QLatin1String("Auto_Connect_Enable_True"))
            f.autoConnect = true;
    }
    return f;
}

bool PortSetup::autoConnectOnOpening(bool offered, SettingsStore& store) {
    const QString key = QStringLiteral("AutoConnect");
    if (!offered) {
        SettingsTable::save(store, key, false);
        return false;
    }
    const std::optional<QString> saved = store.value(key);
    if (!saved)
        return false;
    try {
        return SettingsTable::toBoolean(key, *saved);
    } catch (...) {
        // A damaged value counts as off; the next OK writes a proper one.
        return false;
    }
}

void PortSetup::selectPort(int listIndex, SettingsStore& store) {
    m_settings.PortNumber = qint16(listIndex + 1);
    SettingsTable::save(store, QStringLiteral("CommPort"), int(m_settings.PortNumber));
    m_protocol.link().closeIfOpen();
}
