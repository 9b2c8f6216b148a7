// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where long work with the module (a memory read, a port scan) shows how far it has come:
// the main window's progress panel, a line on the terminal, or nowhere.
class ProgressReport {
public:
    virtual ~ProgressReport() = default;
    // Shows the panel with `caption` and the bar at 0, drawn at once.
    virtual void showProgress(const QString& caption) = 0;
    // 0 to 100.
    virtual void setProgress(int percent) = 0;
    virtual void hideProgress() = 0;
};
