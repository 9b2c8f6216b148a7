// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QTimer;
class Prompter;
struct SettingsValues;

// The splash window: reads the configuration file, shows the maker's branding and
// closes itself after a few seconds.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    // The configuration file read behind the splash fills `settings`.
    frmSplash(SettingsValues& settings, Prompter& prompter, int showMs = 4000,
              QWidget* parent = nullptr);

    // Shows the window modally and returns once it has closed itself. Unlike exec(), it
    // cannot wait forever when the window closes while it is still being shown (a very
    // short display time on a busy machine).
    int showAndWait();

    QLabel* lblCompanyName = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblNotice = nullptr;
    QLabel* imgLogo = nullptr;
    QTimer* tmrSplashUnload = nullptr;

private:
    void Form_Load();
    void tmrSplashUnload_Timer();

    SettingsValues& m_settings;
    Prompter& m_prompter;
};
