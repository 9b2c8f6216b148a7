// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The main window's state that commands far from it read or change: its caption, whether
// the live view runs, whether Esc asked the running command to stop, whether the log in
// memory exists only there, and whether the AFR table holds a merged file.
struct WindowState {
    QString MainCaption = QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3");

    bool RealTimeActive = false;
    bool AbortRequested = false;

    // Set from a download (or a merge) until the log is saved or another is opened:
    // the log exists nowhere but in memory, so exit asks before it is lost.
    bool LogUnsaved = false;

    // Set while the AFR table window holds a merged file.
    bool AddedFileLoaded = false;
};
