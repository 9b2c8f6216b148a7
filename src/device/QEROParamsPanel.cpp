#include "device/QEROParamsPanel.h"

#include "device/ModuleSession.h"
#include "device/ParameterTransfer.h"
#include "support/ErrorReport.h"

#include <QEvent>
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
        e->installEventFilter(this);
        ++row;
    }
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
    for (const auto& [box, text] : boxes) {
        box->setText(text);
        m_filled.insert(box, text);
    }
}

bool QEROParamsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (auto* e = qobject_cast<QLineEdit*>(watched))
            validate(e);
    }
    return QGroupBox::eventFilter(watched, event);
}

void QEROParamsPanel::validate(QLineEdit* e) {
    // The message box of a refused value takes the focus itself; that must not start a
    // second check of the same box.
    if (m_validating)
        return;
    // The focus also leaves a box when a window or a message box opens over the panel,
    // for instance the chart after a download; an unchanged box holds nothing to take.
    const auto filled = m_filled.constFind(e);
    if (filled != m_filled.cend() && *filled == e->text())
        return;
    m_validating = true;
    ErrorReport::runStep(m_prompter, [&] {
        const QString text = e->text();
        if (e == txtDataLogInterval)
            e->setText(m_editor.txtDataLogInterval_Validate(text));
        else if (e == txtPulsePerRev)
            e->setText(m_editor.txtPulsePerRev_Validate(text));
        else if (e == txtRPMDebounce)
            e->setText(m_editor.txtRPMDebounce_Validate(text));
        else if (e == txtMinLEDPWM)
            e->setText(m_editor.txtMinLEDPWM_Validate(text));
        m_filled.insert(e, e->text());
    });
    m_validating = false;
}

void QEROParamsPanel::cmdQEROParamsDownload_Click() {
    Q_EMIT moduleCommandRunning(true);
    ErrorReport::runStep(m_prompter, [&] {
        ParameterTransfer transfer(m_state, m_settings, m_session.protocol(), m_prompter);
        if (transfer.cmdQEROParamsDownload_Click())
            fill(m_editor.texts());
    });
    Q_EMIT moduleCommandRunning(false);
}

void QEROParamsPanel::cmdQEROParamsUpload_Click() {
    Q_EMIT moduleCommandRunning(true);
    ErrorReport::runStep(m_prompter, [&] {
        ParameterTransfer transfer(m_state, m_settings, m_session.protocol(), m_prompter);
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
