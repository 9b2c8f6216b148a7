// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyServer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 kByteUs = 179; // 5600 bytes per second
// A byte due this soon is waited for here rather than through the event loop, whose
// timers step in whole milliseconds: every reply would otherwise start up to a
// millisecond late, more than five byte times, and a host could never reach the line
// rate against this module.
constexpr qint64 kWaitHereUs = 2000;

} // namespace

PtyServer::PtyServer(QeroModule& module, bool pacing, QObject* parent)
    : QObject(parent), m_module(module), m_pacing(pacing) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PtyServer::writeDue);
    m_clock.start();
}

PtyServer::~PtyServer() {
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyServer::start(QString* error) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        if (error)
            *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const char* name = ::ptsname(m_master);
    m_path = QString::fromLocal8Bit(name ? name : "");
    // Holding the far end open keeps the terminal alive between the host's opens, and
    // makes it raw from the start so nothing is echoed or translated.
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave >= 0) {
        termios t{};
        if (::tcgetattr(m_slave, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(m_slave, TCSANOW, &t);
        }
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyServer::onReadable);
    return true;
}

void PtyServer::onReadable() {
    unsigned char buf[256];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n <= 0)
        return;
    const qint64 now = nowUs();
    for (ssize_t i = 0; i < n; ++i) {
        const QeroModule::Reply reply = m_module.receive(buf[i], now);
        if (reply.unplug) {
            unplug();
            return;
        }
        qint64 t = qMax(now + reply.delayUs, m_lineFreeUs);
        for (char c : reply.bytes) {
            t += m_pacing ? kByteUs : 0;
            m_out.emplace_back(t, quint8(c));
        }
        m_lineFreeUs = t;
    }
    writeDue();
}

void PtyServer::writeDue() {
    while (m_master >= 0) {
        const qint64 now = nowUs();
        QByteArray chunk;
        while (!m_out.empty() && m_out.front().first <= now) {
            chunk.append(char(m_out.front().second));
            m_out.pop_front();
        }
        if (!chunk.isEmpty()) {
            const ssize_t written = ::write(m_master, chunk.constData(), size_t(chunk.size()));
            Q_UNUSED(written); // a host that does not read loses what the terminal cannot hold
        }
        if (m_out.empty()) {
            m_timer.stop();
            return;
        }
        const qint64 wait = m_out.front().first - now;
        if (wait > kWaitHereUs) {
            // Back through the event loop, waking a millisecond early; the rest is
            // waited for here.
            m_timer.start(int((wait - 1000) / 1000));
            return;
        }
        // The host is waiting for this reply and sends nothing meanwhile.
        ::usleep(useconds_t(wait));
    }
}

void PtyServer::unplug() {
    m_timer.stop();
    m_out.clear();
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    Q_EMIT unplugged();
}
