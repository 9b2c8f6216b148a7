// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTextBrowser;

// The user guide shown by the program itself, where no desktop browser is at hand. It
// stays open beside the main window, so the guide can be read while working.
class frmHelp : public QDialog {
    Q_OBJECT
public:
    explicit frmHelp(const QString& path, QWidget* parent = nullptr);

    QTextBrowser* txtHelp = nullptr;
};
