// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

const QByteArray kRaise = QByteArrayLiteral("raise\n");
// A running copy answers within milliseconds; a dead one never does.
constexpr int kConnectMs = 1000;

} // namespace

QString SingleInstance::serverName(const QString& settingsLocation, const QString& kind) {
    // The user's home folder and the settings file name a copy; hashed, since socket
    // names are short and must not hold separators.
    const QString key =
        QDir::homePath() + u'\n' + QFileInfo(settingsLocation).absoluteFilePath() + u'\n' + kind;
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("qero4d-log-") + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent), m_name(serverName) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::askRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(kConnectMs))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::handOverToRunningCopy() {
    if (askRunningCopy())
        return true;
    m_server = new QLocalServer(this);
    // Only this user may reach the socket.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Two starts at once: the other one may have just become the running copy.
        if (m_server->serverError() == QAbstractSocket::AddressInUseError && askRunningCopy())
            return true;
        // Nobody answers on the name: the socket of a copy that crashed.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) {
            // Without the socket this copy still works; it just cannot be found by the next.
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return false;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto read = [this, socket] {
            if (socket->canReadLine() && socket->readLine() == kRaise)
                Q_EMIT raiseRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        // The request may have arrived with the connection.
        read();
    }
}
