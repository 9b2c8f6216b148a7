#pragma once

#include <QString>

// Where a long module read shows how far it has come: the main window's progress panel,
// or a line on the terminal.
class DownloadProgress {
public:
    virtual ~DownloadProgress() = default;
    // Shows the panel with `caption` and the bar at 0, drawn at once.
    virtual void showProgress(const QString& caption) = 0;
    // 0 to 100.
    virtual void setProgress(int percent) = 0;
    virtual void hideProgress() = 0;
};
