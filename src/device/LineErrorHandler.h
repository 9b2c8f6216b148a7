// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/SerialLink.h"

class Prompter;
struct ModuleStatus;
struct WindowState;

// What the program does when the port reports a line condition: a report in a
// Retry/Cancel box while no live view runs; during the live view most conditions are
// ignored or just close the port, because the next poll reopens it anyway.
class LineErrorHandler {
public:
    // Attaches itself to `link` as its line-event handler.
    LineErrorHandler(ModuleStatus& module, const WindowState& window, SerialLink& link,
                     Prompter& prompter);
    ~LineErrorHandler();
    LineErrorHandler(const LineErrorHandler&) = delete;
    LineErrorHandler& operator=(const LineErrorHandler&) = delete;

    void handle(LineEvent event, const QString& detail = QString());

    // The box text of a line error ("Framing Error", ...).
    static QString reportText(LineEvent event);

private:
    void report(LineEvent event);

    ModuleStatus& m_module;
    const WindowState& m_window;
    SerialLink& m_link;
    Prompter& m_prompter;
};
