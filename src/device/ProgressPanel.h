// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/ProgressReport.h"

class QGroupBox;
class QProgressBar;

// The main window's progress frame and bar as the place a long read reports to.
class ProgressPanel : public ProgressReport {
public:
    ProgressPanel(QGroupBox* frame, QProgressBar* bar) : m_frame(frame), m_bar(bar) {}

    void showProgress(const QString& caption) override;
    void setProgress(int percent) override;
    void hideProgress() override;

private:
    QGroupBox* m_frame;
    QProgressBar* m_bar;
};
