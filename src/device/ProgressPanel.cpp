// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ProgressPanel.h"

#include <QGroupBox>
#include <QProgressBar>

void ProgressPanel::showProgress(const QString& caption) {
    m_frame->setTitle(caption);
    m_bar->setValue(0);
    m_frame->show();
    // Drawn now: the read that follows lets events run only between blocks.
    m_frame->repaint();
}

void ProgressPanel::setProgress(int percent) {
    m_bar->setValue(percent);
}

void ProgressPanel::hideProgress() {
    m_frame->hide();
}
