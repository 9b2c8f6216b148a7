#include "logdata/frmAnalogInScale.h"

#include "logdata/LogBuffer.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

using Box = AnalogInScaleLogic::Box;
using Preset = AnalogScaling::Preset;

namespace {

QLineEdit* textBox(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

} // namespace

frmAnalogInScale::frmAnalogInScale(LogBuffer& log, Prompter& prompter, SettingsStore& settings,
                                   QWidget* parent)
    : QDialog(parent), m_log(log), m_logic(log, prompter, settings) {
    setObjectName(QStringLiteral("frmAnalogInScale"));
    setWindowTitle(QStringLiteral("Analog Input Scaling"));
    setModal(true);

    auto* types = new QGroupBox(QStringLiteral("Sensor Type"), this);
    auto* typesLayout = new QVBoxLayout(types);
    QRadioButton** options[] = {&optNone,    &optTPS,     &optMAP1bar,
                                &optMAP2bar, &optMAP3bar, &optUserAnalog};
    for (int p = 0; p < 6; ++p) {
        const AnalogScaling::PresetValues& v = AnalogScaling::preset(Preset(p));
        auto* o = new QRadioButton(v.caption, types);
        o->setObjectName(QLatin1String(v.option));
        typesLayout->addWidget(o);
        *options[p] = o;
        // Checking an option from the program runs the same action as a click.
        connect(o, &QRadioButton::toggled, this, [this, p](bool on) {
            if (on)
                option_Click(Preset(p));
        });
    }

    txtMinVolts = textBox(this, "txtMinVolts");
    txtMaxVolts = textBox(this, "txtMaxVolts");
    txtMinValue = textBox(this, "txtMinValue");
    txtMaxValue = textBox(this, "txtMaxValue");
    txtAnalogLegend = textBox(this, "txtAnalogLegend");
    for (QLineEdit* e : {txtMinVolts, txtMaxVolts, txtMinValue, txtMaxValue, txtAnalogLegend})
        e->installEventFilter(this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Minimum"), this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Maximum"), this), 0, 2, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Input Voltage"), this), 1, 0);
    grid->addWidget(txtMinVolts, 1, 1);
    grid->addWidget(txtMaxVolts, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Scaled Value"), this), 2, 0);
    grid->addWidget(txtMinValue, 2, 1);
    grid->addWidget(txtMaxValue, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Legend"), this), 3, 0);
    grid->addWidget(txtAnalogLegend, 3, 1, 1, 2);

    cmdRestoreDefaults = new QPushButton(QStringLiteral("Restore Defaults"), this);
    cmdRestoreDefaults->setObjectName(QStringLiteral("cmdRestoreDefaults"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    connect(cmdRestoreDefaults, &QPushButton::clicked, this,
            &frmAnalogInScale::cmdRestoreDefaults_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAnalogInScale::cmdOK_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRestoreDefaults);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);

    auto* right = new QVBoxLayout;
    right->addLayout(grid);
    right->addStretch(1);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addWidget(types);
    top->addLayout(right, 1);

    Form_Load();
}

void frmAnalogInScale::Form_Load() {
    adjustSize();
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    // Selecting the stored type re-applies a fixed preset on every opening.
    QRadioButton* o = option(AnalogScaling::presetFor(m_log.AnalogInputType));
    if (o->isChecked())
        option_Click(AnalogScaling::presetFor(m_log.AnalogInputType));
    else
        o->setChecked(true);
    showValues();
}

QRadioButton* frmAnalogInScale::option(Preset preset) const {
    switch (preset) {
    case Preset::None:
        return optNone;
    case Preset::TPS:
        return optTPS;
    case Preset::MAP1bar:
        return optMAP1bar;
    case Preset::MAP2bar:
        return optMAP2bar;
    case Preset::MAP3bar:
        return optMAP3bar;
    case Preset::User:
        break;
    }
    return optUserAnalog;
}

void frmAnalogInScale::option_Click(Preset preset) {
    AnalogScaling::apply(preset, m_log);
    const AnalogScaling::PresetValues& v = AnalogScaling::preset(preset);
    for (QLineEdit* e : {txtMinVolts, txtMaxVolts, txtMinValue, txtMaxValue})
        e->setEnabled(v.numbersEditable);
    txtAnalogLegend->setEnabled(v.legendEditable);
    showValues();
}

void frmAnalogInScale::showValues() {
    txtMinVolts->setText(m_logic.boxText(Box::MinVolts));
    txtMaxVolts->setText(m_logic.boxText(Box::MaxVolts));
    txtMinValue->setText(m_logic.boxText(Box::MinValue));
    txtMaxValue->setText(m_logic.boxText(Box::MaxValue));
    txtAnalogLegend->setText(m_log.AnalogLegend);
}

bool frmAnalogInScale::validateBox(Box box, QLineEdit* edit) {
    const AnalogInScaleLogic::Checked c = m_logic.validate(box, edit->text());
    edit->setText(c.text);
    return c.keepFocus;
}

bool frmAnalogInScale::txtMinVolts_Validate() {
    return validateBox(Box::MinVolts, txtMinVolts);
}
bool frmAnalogInScale::txtMaxVolts_Validate() {
    return validateBox(Box::MaxVolts, txtMaxVolts);
}
bool frmAnalogInScale::txtMinValue_Validate() {
    return validateBox(Box::MinValue, txtMinValue);
}
bool frmAnalogInScale::txtMaxValue_Validate() {
    return validateBox(Box::MaxValue, txtMaxValue);
}

bool frmAnalogInScale::txtAnalogLegend_Validate() {
    const AnalogInScaleLogic::Checked c = m_logic.validateLegend(txtAnalogLegend->text());
    txtAnalogLegend->setText(c.text);
    return c.keepFocus;
}

bool frmAnalogInScale::validateEdit(QLineEdit* edit) {
    if (m_validating || !edit->isEnabled())
        return false;
    m_validating = true;
    bool keep = false;
    if (edit == txtMinVolts)
        keep = txtMinVolts_Validate();
    else if (edit == txtMaxVolts)
        keep = txtMaxVolts_Validate();
    else if (edit == txtMinValue)
        keep = txtMinValue_Validate();
    else if (edit == txtMaxValue)
        keep = txtMaxValue_Validate();
    else if (edit == txtAnalogLegend)
        keep = txtAnalogLegend_Validate();
    m_validating = false;
    if (keep)
        QTimer::singleShot(0, edit, [edit] { edit->setFocus(Qt::OtherFocusReason); });
    return keep;
}

bool frmAnalogInScale::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // A message box or another window taking the focus is not the user leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            if (auto* edit = qobject_cast<QLineEdit*>(watched))
                validateEdit(edit);
    }
    return QDialog::eventFilter(watched, event);
}

void frmAnalogInScale::cmdOK_Click() {
    // Enter in a box presses OK without the box losing the focus: check it first.
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()); edit && validateEdit(edit))
        return;
    m_logic.saveSettings();
    accept();
}

void frmAnalogInScale::cmdRestoreDefaults_Click() {
    m_logic.restoreDefaults([this] {
        if (optNone->isChecked())
            option_Click(Preset::None);
        else
            optNone->setChecked(true);
    });
}
