// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class ModuleProtocol;
class ProgressReport;
class SettingsStore;
struct SettingsValues;

// Finding the module: testing one port, scanning ports 1 to N, and the choices of the
// port setup panel that do not depend on its widgets.
class PortSetup {
public:
    // Text every module's identification carries, compared without regard to case.
    static inline const QString kIdentity = QStringLiteral("Brenwick QERO");
    // The scan covers the ports where a module is usually connected.
    static constexpr qint16 kScanLastPort = 15;

    // `settings` holds the chosen port (PortNumber), which selectPort changes.
    PortSetup(SettingsValues& settings, ModuleProtocol& protocol);

    // The first port from 1 to lastPort on which the module answers and identifies
    // itself with `identity`, or 0. Ports that do not exist or do not open are passed
    // over without a message. PortNumber is not changed; the port is left closed.
    qint16 PortScan(const qint16& lastPort, const QString& identity,
                    ProgressReport* progress = nullptr);
    // Whether the module answers on `port`; the port is left closed.
    bool PortTest(const qint16& port, const QString& identity);

    // Feature lines of the configuration file's third section (exact match).
    struct Features {
        bool portScan = false;
        bool autoConnect = false;
    };
    static Features features(const QStringList& configList3);

    // Auto-connect when the panel opens: the saved choice when the feature is offered,
    // otherwise False, which is saved at once.
    static bool autoConnectOnOpening(bool offered, SettingsStore& store);

    // A new choice in the port list (list position + 1): remembered, saved, and the open
    // port closed so that the next command opens the new one.
    void selectPort(int listIndex, SettingsStore& store);

private:
    // Opens `port` and asks for the module on it; ignores every failure on the way.
    bool answers(qint16 port, const QString& identity);

    SettingsValues& m_settings;
    ModuleProtocol& m_protocol;
};
