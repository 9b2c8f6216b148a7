// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/FuelTypeLogic.h"

#include <QDialog>

#include <functional>

class FocusValidator;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Prompter;
class SettingsStore;
struct LogBuffer;
struct SettingsValues;

// Edit > Fuel Type: six fixed fuels or a named user fuel with its own ratio.
class frmFuelType : public QDialog {
    Q_OBJECT
public:
    frmFuelType(LogBuffer& log, SettingsValues& values, Prompter& prompter, SettingsStore& settings,
                QWidget* parent = nullptr);

    QRadioButton* optGasolineFuel = nullptr;
    QRadioButton* optE10Fuel = nullptr;
    QRadioButton* optE85Fuel = nullptr;
    QRadioButton* optEthanolFuel = nullptr;
    QRadioButton* optMethanolFuel = nullptr;
    QRadioButton* optLambda = nullptr;
    QRadioButton* optUserFuel = nullptr;
    QLabel* lblFuelType = nullptr;
    QLineEdit* txtFuelType = nullptr;
    QLabel* lblStoichRatio = nullptr;
    QLineEdit* txtStoichRatio = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdFuelTypeUpload = nullptr;

    // What OK does with the choice, without closing: fuel name, ratio, AFR pattern and
    // both settings.
    void applyChoice();

    // The module upload. Setting an action enables "Upload To QERO"; the action is run by
    // the button and must begin with applyChoice(), so that the program's own fuel choice
    // stands even when the module cannot be reached.
    void setUploadAction(std::function<void()> action);

    // Focus-loss check of the ratio box; true when the focus has to stay in it.
    bool txtStoichRatio_Validate();
    void cmdOK_Click();
    void cmdFuelTypeUpload_Click();

    FuelTypeLogic::Fuel chosenFuel() const;

private:
    void Form_Load();
    void option_Click(FuelTypeLogic::Fuel fuel);
    QRadioButton* option(FuelTypeLogic::Fuel fuel) const;

    LogBuffer& m_log;
    FuelTypeLogic m_logic;
    std::function<void()> m_upload;
    FocusValidator* m_validator = nullptr;
};
