#pragma once

#include <QString>

// The main window's state that commands far from it read or change: its caption, whether
// the live view runs, whether Esc asked the running command to stop, and whether the AFR
// table holds a merged file.
struct WindowState {
    QString MainCaption = QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3");

    bool RealTimeActive = false;
    bool AbortRequested = false;

    // Set while the AFR table window holds a merged file.
    bool AddedFileLoaded = false;
};
