// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running copy of the program per user and settings file: a second start finds the
// first through a local socket, asks it to come to the front and ends, instead of opening
// the same serial port a second time.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The notice a second start shows before it ends.
    static inline const QString kAlreadyRunning = QStringLiteral(
        "QERO4D Log is already running. Its window has been brought to the front; this copy "
        "closes so that the two do not share the serial port.");

    // The socket name of the copies that share `settingsLocation` for this user; `kind`
    // tells apart copies that use different ports (the simulated module shares none).
    static QString serverName(const QString& settingsLocation, const QString& kind = QString());

    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Asks a running copy to come to the front. True when one took the request: this copy
    // should end then. Otherwise this copy becomes the running one and listens; a socket
    // left behind by a copy that crashed is cleared away first.
    bool handOverToRunningCopy();

Q_SIGNALS:
    // A later start asked this copy to show its window.
    void raiseRequested();

private:
    bool askRunningCopy();
    void acceptConnections();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
