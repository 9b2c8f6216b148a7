// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliInterrupt.h"

#include "cli/CliSupport.h"
#include "support/SafeWrite.h"

#include <atomic>
#include <csignal>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace CliInterrupt {

namespace {

volatile std::sig_atomic_t g_requested = 0;
std::atomic<int> g_mode{int(Mode::Immediate)};
bool g_installed = false;
QString g_command;
// The message, ready before any signal: a handler may not build text.
char g_message[256] = {};
std::size_t g_messageSize = 0;

[[noreturn]] void stopNow() {
#ifdef Q_OS_UNIX
    // write() and _exit() are all a signal handler may call.
    (void)!::write(STDERR_FILENO, g_message, g_messageSize);
    ::_exit(CliSupport::kInterrupted);
#else
    std::fputs(g_message, stderr);
    std::_Exit(CliSupport::kInterrupted);
#endif
}

extern "C" void onInterrupt(int) {
    const bool again = g_requested != 0;
    g_requested = 1;
    // A file being written stops itself at its next piece, having removed what it wrote.
    if (SafeWrite::writing())
        return;
    if (again || g_mode.load() == int(Mode::Immediate))
        stopNow();
}

bool requestedHook() {
    return g_requested != 0;
}

void stopHook() {
    stopNow();
}

void prepareMessage() {
    const QByteArray text = (u'\n' + message() + u'\n').toLocal8Bit();
    g_messageSize = std::min<std::size_t>(std::size_t(text.size()), sizeof g_message);
    std::memcpy(g_message, text.constData(), g_messageSize);
}

} // namespace

void install(const QString& command, Mode m) {
    if (!g_installed || !command.isEmpty())
        g_command = command;
    g_mode = int(m);
    prepareMessage();
    if (!g_installed) {
        g_requested = 0;
        SafeWrite::setInterruptHooks(requestedHook, stopHook);
#ifdef Q_OS_UNIX
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(SIGINT, &action, nullptr);
#else
        std::signal(SIGINT, onInterrupt);
#endif
        g_installed = true;
    }
}

bool installed() {
    return g_installed;
}

Mode mode() {
    return Mode(g_mode.load());
}

void uninstall() {
    std::signal(SIGINT, SIG_DFL);
    SafeWrite::setInterruptHooks(nullptr, nullptr);
    g_installed = false;
    g_mode = int(Mode::Immediate);
}

bool requested() {
    return g_requested != 0;
}

QString message() {
    const QString who = g_command.isEmpty() ? QStringLiteral("qero4d-cli")
                                            : QStringLiteral("qero4d-cli ") + g_command;
    return who + QStringLiteral(": interrupted; no output file was written or changed.");
}

} // namespace CliInterrupt
