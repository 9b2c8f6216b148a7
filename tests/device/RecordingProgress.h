// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/ProgressReport.h"

#include <QList>
#include <QString>

// Remembers what the progress panel was told, in order.
struct RecordingProgress : ProgressReport {
    QStringList captions;
    QList<int> values;
    bool visible = false;
    int hides = 0;

    void showProgress(const QString& caption) override {
        captions << caption;
        visible = true;
    }
    void setProgress(int percent) override { values << percent; }
    void hideProgress() override {
        visible = false;
        ++hides;
    }
};
