// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A qero4d-sim process serving a module on a pseudo-terminal, for the tests and benchmarks
// that run the real serial code against it. The simulator prints its device path on the
// first line of its output; the process is ended when this object goes.
class SimProcess {
public:
    explicit SimProcess(QString program,
                        QProcess::ProcessChannelMode channels = QProcess::SeparateChannels)
        : m_program(std::move(program)) {
        process.setProcessChannelMode(channels);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess() { stop(); }

    // Starts the simulator with `args` and waits for its device path.
    bool start(const QStringList& args = {}) {
        process.start(m_program, args);
        if (!process.waitForStarted(5000))
            return false;
        while (!process.canReadLine())
            if (!process.waitForReadyRead(5000))
                return false;
        device = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !device.isEmpty();
    }

    // Ends it as Ctrl+C would, so that it writes what it was told to write on exit.
    void stop() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                process.kill();
        }
    }

    QProcess process;
    QString device;

private:
    QString m_program;
};
