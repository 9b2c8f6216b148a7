// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/QeroParamsEditor.h"

#include "support/FocusValidator.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;
class ModuleSession;
class Prompter;
class SettingsStore;
struct AppState;

// The module-parameter panel inside the main window: four boxes, each checked when the
// focus leaves it, and the four buttons. The rules live in QeroParamsEditor and the
// module transfers in ParameterTransfer; this only moves text in and out of the boxes.
class QEROParamsPanel : public QGroupBox {
    Q_OBJECT
public:
    QEROParamsPanel(AppState& state, SettingsStore& settings, Prompter& prompter,
                    ModuleSession& session, QWidget* parent = nullptr);

    // Empties the log and the memory image, fills the boxes and shows the panel.
    void openPanel();
    // Fills the boxes from the parameters as they are now (a download or an opened log
    // has replaced them behind the open panel).
    void showCurrentValues();

    QLabel* lblDataLogInterval = nullptr;
    QLineEdit* txtDataLogInterval = nullptr;
    QLabel* lblPulsePerRev = nullptr;
    QLineEdit* txtPulsePerRev = nullptr;
    QLabel* lblRPMDebounce = nullptr;
    QLineEdit* txtRPMDebounce = nullptr;
    QLabel* lblMinLEDPWM = nullptr;
    QLineEdit* txtMinLEDPWM = nullptr;
    QPushButton* cmdQEROParamsDownload = nullptr;
    QPushButton* cmdQEROParamsUpload = nullptr;
    QPushButton* cmdRestoreDefaults = nullptr;
    QPushButton* cmdQEROParamsOK = nullptr;

Q_SIGNALS:
    // A transfer with the module starts (true) or has ended (false); the window keeps
    // other module commands from starting in the middle of it.
    void moduleCommandRunning(bool running);

private:
    void fill(const QeroParamsEditor::Texts& texts);
    // A box's check, under the common error report.
    FieldCheck checked(const QString& text, FieldCheck (QeroParamsEditor::*check)(const QString&));
    void cmdQEROParamsDownload_Click();
    void cmdQEROParamsUpload_Click();
    void cmdRestoreDefaults_Click();
    void cmdQEROParamsOK_Click();

    AppState& m_state;
    SettingsStore& m_settings;
    Prompter& m_prompter;
    // The session, not its protocol: the link behind it can be replaced.
    ModuleSession& m_session;
    QeroParamsEditor m_editor;
    // Leaving a box the user has not changed checks nothing, so it cannot put its old
    // text over values that changed behind it.
    FocusValidator* m_validator = nullptr;
};
