// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Ctrl-C, the same for every command: stop, leave the old output file as it was, say so,
// exit 130.
//
// Commands that read files end at once: nothing of theirs is open for writing, and a read
// blocked on a pipe or a device would never see a flag (Qt repeats a read a signal
// interrupts). A write under way is the exception: it notices at its next piece, removes
// its temporary file and then ends the program, so the old file is never given up.
//
// Commands that talk to the module stop at their next step instead, as Esc does in the
// window, so that the line is left between two requests; a second Ctrl-C ends them at once.
namespace CliInterrupt {

enum class Mode {
    Immediate,      // end at once (with the exception of a write under way)
    AtCancelPoints, // only note the request; the command asks requested()
};

// Installs the handler for the command `command` ("convert"), whose name the message
// carries. Called again, it changes the mode; the command's name stays.
void install(const QString& command, Mode mode);
// The handler's mode now (Immediate when none is installed).
Mode mode();
bool installed();
// Takes the handler away: Ctrl-C ends the program as without one.
void uninstall();

// True once Ctrl-C was pressed since install().
bool requested();

// What the interrupted command says.
QString message();

} // namespace CliInterrupt
