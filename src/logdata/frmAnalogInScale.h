// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/AnalogInScaleLogic.h"
#include "logdata/AnalogScaling.h"

#include <QDialog>

#include <functional>
#include <optional>

class FocusValidator;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Prompter;
class SettingsStore;
struct LogBuffer;

// Edit > Analog Input Scaling: the sensor type presets and the user's own calibration.
// Changes take effect at once; OK and Restore Defaults also store them as settings.
class frmAnalogInScale : public QDialog {
    Q_OBJECT
public:
    frmAnalogInScale(LogBuffer& log, Prompter& prompter, SettingsStore& settings,
                     QWidget* parent = nullptr);

    QRadioButton* optNone = nullptr;
    QRadioButton* optTPS = nullptr;
    QRadioButton* optMAP1bar = nullptr;
    QRadioButton* optMAP2bar = nullptr;
    QRadioButton* optMAP3bar = nullptr;
    QRadioButton* optUserAnalog = nullptr;
    QLineEdit* txtMinVolts = nullptr;
    QLineEdit* txtMaxVolts = nullptr;
    QLineEdit* txtMinValue = nullptr;
    QLineEdit* txtMaxValue = nullptr;
    QLineEdit* txtAnalogLegend = nullptr;
    QPushButton* cmdRestoreDefaults = nullptr;
    QPushButton* cmdOK = nullptr;
    QGroupBox* fraLearn = nullptr;
    QPushButton* cmdLearnClosed = nullptr;
    QPushButton* cmdLearnOpen = nullptr;
    QLabel* lblLearned = nullptr;

    // How "Closed" and "Open" read the analog input's voltage from the module; nullopt when
    // the read failed (its failure has been reported). Without one, learning is disabled.
    void setLearnAction(std::function<std::optional<float>()> readVolts);

    // Focus-loss checks; true when the focus has to stay in the box.
    bool txtMinVolts_Validate();
    bool txtMaxVolts_Validate();
    bool txtMinValue_Validate();
    bool txtMaxValue_Validate();
    bool txtAnalogLegend_Validate();

    void cmdOK_Click();
    void cmdRestoreDefaults_Click();
    void cmdLearnClosed_Click();
    void cmdLearnOpen_Click();

private:
    void Form_Load();
    void option_Click(AnalogScaling::Preset preset);
    QRadioButton* option(AnalogScaling::Preset preset) const;
    void showValues();
    void learn(AnalogInScaleLogic::Box box, const QString& end);
    void updateLearn();

    LogBuffer& m_log;
    AnalogInScaleLogic m_logic;
    FocusValidator* m_validator = nullptr;
    std::function<std::optional<float>()> m_readVolts;
};
