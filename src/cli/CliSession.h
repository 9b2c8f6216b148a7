// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliInterrupt.h"
#include "cli/ConsolePrompter.h"
#include "logdata/AppState.h"
#include "support/Clock.h"
#include "support/IniSettingsStore.h"
#include "support/SystemClock.h"

#include <QString>
#include <QTextStream>

#include <memory>
#include <optional>

class ModuleSession;
class ModuleProtocol;

// What a command-line command needs to act like the program: the shared state with the
// user's settings (a log carries the fuel and analog scaling), messages on the error stream, the
// real clock, and, for commands that talk to the module, the serial port. Ctrl-C asks the running
// read to stop at its next step instead of killing the program half-way through a file.
class CliSession {
public:
    explicit CliSession(QTextStream& err);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    AppState& state() { return m_state; }
    Prompter& prompter() { return *m_activePrompter; }
    // Messages go through `p` from now on (a decorator around the console prompter).
    void setPrompter(Prompter& p) { m_activePrompter = &p; }
    ConsolePrompter& console() { return m_prompter; }
    Clock& clock() { return m_clock; }
    SettingsStore& settings() { return m_settings; }

    // "3" for Com3, or the path of a device (a pseudo-terminal of
    // qero4d-sim). Opens nothing yet. False with a reason when the text is neither.
    bool usePort(const QString& port, QString* error);
    // For the port scan: every port, each on the device the settings name for it.
    void useSavedPorts();
    ModuleSession& module();
    ModuleProtocol& protocol();

    // True once Ctrl-C was pressed.
    static bool interrupted();

    // Writes the whole file or nothing; false after printing the reason.
    bool writeFile(const QString& path, const QByteArray& data);
    // The maker's short label for the log file's trailer; false after printing the reason.
    bool makerLabel(QString* label);

private:
    // The real clock; once interrupted, every chance to run events also asks the running
    // read to stop, as Esc does in the window.
    class InterruptibleClock : public Clock {
    public:
        explicit InterruptibleClock(AppState& state) : m_state(state) {}
        qint64 nowUs() const override { return m_clock.nowUs(); }
        void processEvents() override;
        void idle(qint64 maxUs) override { m_clock.idle(maxUs); }

    private:
        AppState& m_state;
        SystemClock m_clock;
    };

    AppState m_state;
    ConsolePrompter m_prompter;
    Prompter* m_activePrompter = &m_prompter;
    InterruptibleClock m_clock;
    IniSettingsStore m_settings;
    QTextStream& m_err;
    std::unique_ptr<ModuleSession> m_session;
    // The Ctrl-C handling to go back to when the session ends (none when unset).
    std::optional<CliInterrupt::Mode> m_modeBefore;
};
