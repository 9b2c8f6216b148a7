// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/frmFuelType.h"

#include "support/FocusValidator.h"

#include "logdata/LogBuffer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using Fuel = FuelTypeLogic::Fuel;

namespace {
constexpr int kFuels = 7;
} // namespace

frmFuelType::frmFuelType(LogBuffer& log, SettingsValues& values, Prompter& prompter,
                         SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_log(log), m_logic(log, values, prompter, settings) {
    setObjectName(QStringLiteral("frmFuelType"));
    setWindowTitle(QStringLiteral("Fuel Type"));
    setModal(true);

    auto* fuels = new QGroupBox(QStringLiteral("Fuel"), this);
    auto* fuelsLayout = new QVBoxLayout(fuels);
    QRadioButton** options[kFuels] = {&optGasolineFuel, &optE10Fuel, &optE85Fuel, &optEthanolFuel,
                                      &optMethanolFuel, &optLambda,  &optUserFuel};
    for (int f = 0; f < kFuels; ++f) {
        const FuelTypeLogic::Entry& e = FuelTypeLogic::entry(Fuel(f));
        auto* o = new QRadioButton(e.caption, fuels);
        o->setObjectName(QLatin1String(e.option));
        fuelsLayout->addWidget(o);
        *options[f] = o;
        // Checking an option from the program runs the same action as a click.
        connect(o, &QRadioButton::toggled, this, [this, f](bool on) {
            if (on)
                option_Click(Fuel(f));
        });
    }

    lblFuelType = new QLabel(QStringLiteral("Fuel Name"), this);
    lblFuelType->setObjectName(QStringLiteral("lblFuelType"));
    txtFuelType = new QLineEdit(this);
    txtFuelType->setObjectName(QStringLiteral("txtFuelType"));
    txtFuelType->setMaxLength(64);
    lblStoichRatio = new QLabel(QStringLiteral("Stoichiometric Ratio"), this);
    lblStoichRatio->setObjectName(QStringLiteral("lblStoichRatio"));
    txtStoichRatio = new QLineEdit(this);
    txtStoichRatio->setObjectName(QStringLiteral("txtStoichRatio"));
    // A refused ratio keeps the focus in its box until it is corrected.
    m_validator = new FocusValidator(this);
    m_validator->watch(txtStoichRatio,
                       [this](const QString& typed) { return m_logic.validateRatio(typed); });
    auto* user = new QGridLayout;
    user->addWidget(lblFuelType, 0, 0);
    user->addWidget(txtFuelType, 0, 1);
    user->addWidget(lblStoichRatio, 1, 0);
    user->addWidget(txtStoichRatio, 1, 1);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdFuelTypeUpload = new QPushButton(QStringLiteral("Upload To QERO"), this);
    cmdFuelTypeUpload->setObjectName(QStringLiteral("cmdFuelTypeUpload"));
    cmdFuelTypeUpload->setEnabled(false); // until the module upload is provided
    connect(cmdOK, &QPushButton::clicked, this, &frmFuelType::cmdOK_Click);
    connect(cmdFuelTypeUpload, &QPushButton::clicked, this, &frmFuelType::cmdFuelTypeUpload_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdFuelTypeUpload);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);

    auto* right = new QVBoxLayout;
    right->addLayout(user);
    right->addStretch(1);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addWidget(fuels);
    top->addLayout(right, 1);

    Form_Load();
}

QRadioButton* frmFuelType::option(Fuel fuel) const {
    QRadioButton* const options[kFuels] = {optGasolineFuel, optE10Fuel, optE85Fuel, optEthanolFuel,
                                           optMethanolFuel, optLambda,  optUserFuel};
    return options[int(fuel)];
}

void frmFuelType::Form_Load() {
    // No option is checked yet, so checking one always runs its action.
    option(FuelTypeLogic::fuelFor(m_log.FuelType))->setChecked(true);
}

void frmFuelType::option_Click(Fuel fuel) {
    const bool user = fuel == Fuel::User;
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblFuelType, txtFuelType, lblStoichRatio, txtStoichRatio})
        w->setVisible(user);
    if (user) {
        txtFuelType->setText(m_log.FuelType);
        txtStoichRatio->setText(FuelTypeLogic::ratioText(m_log.StoichRatio));
    }
}

Fuel frmFuelType::chosenFuel() const {
    for (int f = 0; f < kFuels; ++f)
        if (option(Fuel(f))->isChecked())
            return Fuel(f);
    return Fuel::User;
}

bool frmFuelType::txtStoichRatio_Validate() {
    return m_validator->check(txtStoichRatio);
}

void frmFuelType::applyChoice() {
    m_logic.applyChoice(chosenFuel(), txtFuelType->text());
}

void frmFuelType::setUploadAction(std::function<void()> action) {
    m_upload = std::move(action);
    cmdFuelTypeUpload->setEnabled(bool(m_upload));
}

void frmFuelType::cmdOK_Click() {
    // Enter in the ratio box presses OK without the box losing the focus: check it first.
    if (m_validator->checkFocused(this))
        return;
    applyChoice();
    accept();
}

void frmFuelType::cmdFuelTypeUpload_Click() {
    if (m_validator->checkFocused(this) || !m_upload)
        return;
    m_upload();
}
