#pragma once

#include <QString>

// Where a port scan shows how far it has got: the main window's progress panel, or
// nothing at all on the command line.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    virtual void begin(const QString& caption) = 0;
    virtual void progress(int percent) = 0;
    virtual void end() = 0;
};
