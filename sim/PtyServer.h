// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QeroModule.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class QSocketNotifier;

// Serves a simulated module on a pseudo-terminal: the host opens the device path like any
// serial port. Replies are paced at the module's line rate unless pacing is off.
class PtyServer : public QObject {
    Q_OBJECT
public:
    PtyServer(QeroModule& module, bool pacing, QObject* parent = nullptr);
    ~PtyServer() override;

    // Opens the pseudo-terminal; false with the system's reason when it cannot.
    bool start(QString* error);
    // The device the host opens (/dev/pts/N).
    QString devicePath() const { return m_path; }

    // Closes the pseudo-terminal, as if the module's cable were pulled.
    void unplug();

Q_SIGNALS:
    void unplugged();

private:
    void onReadable();
    void writeDue();
    qint64 nowUs() const { return m_clock.nsecsElapsed() / 1000; }

    QeroModule& m_module;
    bool m_pacing;
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<std::pair<qint64, quint8>> m_out;
    qint64 m_lineFreeUs = 0;
};
