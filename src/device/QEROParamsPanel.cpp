// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/QEROParamsPanel.h"

#include "device/ModuleSession.h"
#include "device/ParameterTransfer.h"
#include "logdata/AppState.h"
#include "support/ErrorReport.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit* box(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaximumWidth(90);
    return e;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

QEROParamsPanel::QEROParamsPanel(AppState& state, SettingsStore& settings, Prompter& prompter,
                                 ModuleSession& session, QWidget* parent)
    : QGroupBox(QStringLiteral("QERO Parameters"), parent), m_state(state), m_settings(settings),
      m_prompter(prompter), m_session(session), m_editor(state, settings, prompter) {
    setObjectName(QStringLiteral("fraQEROParams"));

    lblDataLogInterval =
        label(this, "lblDataLogInterval", QStringLiteral("Data Logging Interval (0.1-1.0 sec)"));
    txtDataLogInterval = box(this, "txtDataLogInterval");
    lblPulsePerRev = label(this, "lblPulsePerRev", QStringLiteral("RPM Pulses/Rev (0.5-12)"));
    txtPulsePerRev = box(this, "txtPulsePerRev");
    lblRPMDebounce = label(this, "lblRPMDebounce", QStringLiteral("RPM Debounce (0.1-9.9 msec)"));
    txtRPMDebounce = box(this, "txtRPMDebounce");
    lblMinLEDPWM = label(this, "lblMinLEDPWM", QStringLiteral("Minimum LED Brightness (5-100%)"));
    txtMinLEDPWM = box(this, "txtMinLEDPWM");

    cmdQEROParamsDownload =
        button(this, "cmdQEROParamsDownload", QStringLiteral("Download From QERO"));
    cmdQEROParamsUpload = button(this, "cmdQEROParamsUpload", QStringLiteral("Upload To QERO"));
    cmdRestoreDefaults = button(this, "cmdRestoreDefaults", QStringLiteral("Restore Defaults"));
    cmdQEROParamsOK = button(this, "cmdQEROParamsOK", QStringLiteral("OK"));

    auto* grid = new QGridLayout;
    int row = 0;
    for (auto [l, e] :
         {std::pair{lblDataLogInterval, txtDataLogInterval},
          std::pair{lblPulsePerRev, txtPulsePerRev}, std::pair{lblRPMDebounce, txtRPMDebounce},
          std::pair{lblMinLEDPWM, txtMinLEDPWM}}) {
        grid->addWidget(e, row, 0);
        grid->addWidget(l, row, 1);
        l->setBuddy(e);
        ++row;
    }
    m_validator = new FocusValidator(this);
    const std::pair<QLineEdit*, FieldCheck (QeroParamsEditor::*)(const QString&)> checks[] = {
        {txtDataLogInterval, &QeroParamsEditor::txtDataLogInterval_Validate},
        {txtPulsePerRev, &QeroParamsEditor::txtPulsePerRev_Validate},
        {txtRPMDebounce, &QeroParamsEditor::txtRPMDebounce_Validate},
        {txtMinLEDPWM, &QeroParamsEditor::txtMinLEDPWM_Validate}};
    for (const auto& [e, check] : checks)
        m_validator->watch(
            e, [this, check](const QString& text) { return checked(text, check); },
            FocusValidator::When::Edited);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b :
         {cmdQEROParamsDownload, cmdQEROParamsUpload, cmdRestoreDefaults, cmdQEROParamsOK})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(cmdQEROParamsDownload, &QPushButton::clicked, this,
            &QEROParamsPanel::cmdQEROParamsDownload_Click);
    connect(cmdQEROParamsUpload, &QPushButton::clicked, this,
            &QEROParamsPanel::cmdQEROParamsUpload_Click);
    connect(cmdRestoreDefaults, &QPushButton::clicked, this,
            &QEROParamsPanel::cmdRestoreDefaults_Click);
    connect(cmdQEROParamsOK, &QPushButton::clicked, this, &QEROParamsPanel::cmdQEROParamsOK_Click);
}

void QEROParamsPanel::openPanel() {
    fill(m_editor.open());
    show();
}

void QEROParamsPanel::showCurrentValues() {
    fill(m_editor.texts());
}

void QEROParamsPanel::fill(const QeroParamsEditor::Texts& texts) {
    const std::pair<QLineEdit*, QString> boxes[] = {{txtDataLogInterval, texts.interval},
                                                    {txtPulsePerRev, texts.pulses},
                                                    {txtRPMDebounce, texts.debounce},
                                                    {txtMinLEDPWM, texts.brightness}};
    for (const auto& [box, text] : boxes)
        m_validator->fill(box, text);
}

FieldCheck QEROParamsPanel::checked(const QString& text,
                                    FieldCheck (QeroParamsEditor::*check)(const QString&)) {
    FieldCheck out;
    out.text = text; // a check that failed leaves the box as it was
    ErrorReport::runStep(m_prompter, [&] { out = (m_editor.*check)(text); });
    return out;
}

void QEROParamsPanel::cmdQEROParamsDownload_Click() {
    Q_EMIT moduleCommandRunning(true);
    ErrorReport::runStep(m_prompter, [&] {
        ParameterTransfer transfer(m_state.log, m_state.settings, m_settings, m_session.protocol(),
                                   m_prompter);
        if (transfer.cmdQEROParamsDownload_Click())
            fill(m_editor.texts());
    });
    Q_EMIT moduleCommandRunning(false);
}

void QEROParamsPanel::cmdQEROParamsUpload_Click() {
    Q_EMIT moduleCommandRunning(true);
    ErrorReport::runStep(m_prompter, [&] {
        ParameterTransfer transfer(m_state.log, m_state.settings, m_settings, m_session.protocol(),
                                   m_prompter);
        transfer.cmdQEROParamsUpload_Click();
    });
    Q_EMIT moduleCommandRunning(false);
}

void QEROParamsPanel::cmdRestoreDefaults_Click() {
    ErrorReport::runStep(m_prompter, [&] { fill(m_editor.cmdRestoreDefaults_Click()); });
}

void QEROParamsPanel::cmdQEROParamsOK_Click() {
    m_editor.cmdQEROParamsOK_Click();
    hide();
}
