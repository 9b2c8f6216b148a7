// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/frmAnalogInScale.h"

#include "support/FocusValidator.h"

#include "logdata/LogBuffer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
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
    // A refused entry keeps the focus in its box until it is corrected.
    m_validator = new FocusValidator(this);
    const std::pair<QLineEdit*, Box> boxes[] = {{txtMinVolts, Box::MinVolts},
                                                {txtMaxVolts, Box::MaxVolts},
                                                {txtMinValue, Box::MinValue},
                                                {txtMaxValue, Box::MaxValue}};
    for (const auto& [e, box] : boxes)
        m_validator->watch(
            e, [this, box](const QString& typed) { return m_logic.validate(box, typed); });
    m_validator->watch(txtAnalogLegend,
                       [this](const QString& typed) { return m_logic.validateLegend(typed); });

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
    // Enter in a box means OK; without this the first button, Restore Defaults, took it.
    cmdOK->setDefault(true);
    cmdRestoreDefaults->setAutoDefault(false);
    connect(cmdRestoreDefaults, &QPushButton::clicked, this,
            &frmAnalogInScale::cmdRestoreDefaults_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAnalogInScale::cmdOK_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRestoreDefaults);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);

    // A throttle sensor's ends are easiest found on the car: key on, engine off, press
    // Closed with the pedal up and Open with it floored.
    fraLearn = new QGroupBox(QStringLiteral("Learn from module"), this);
    fraLearn->setObjectName(QStringLiteral("fraLearn"));
    auto* learnHint = new QLabel(QStringLiteral("Press Closed at closed throttle and Open at full "
                                                "throttle to take the input voltages."),
                                 fraLearn);
    learnHint->setWordWrap(true);
    cmdLearnClosed = new QPushButton(QStringLiteral("&Closed"), fraLearn);
    cmdLearnClosed->setObjectName(QStringLiteral("cmdLearnClosed"));
    cmdLearnOpen = new QPushButton(QStringLiteral("O&pen"), fraLearn);
    cmdLearnOpen->setObjectName(QStringLiteral("cmdLearnOpen"));
    lblLearned = new QLabel(fraLearn);
    lblLearned->setObjectName(QStringLiteral("lblLearned"));
    cmdLearnClosed->setAutoDefault(false);
    cmdLearnOpen->setAutoDefault(false);
    connect(cmdLearnClosed, &QPushButton::clicked, this, &frmAnalogInScale::cmdLearnClosed_Click);
    connect(cmdLearnOpen, &QPushButton::clicked, this, &frmAnalogInScale::cmdLearnOpen_Click);
    auto* learnButtons = new QHBoxLayout;
    learnButtons->addWidget(cmdLearnClosed);
    learnButtons->addWidget(cmdLearnOpen);
    learnButtons->addStretch(1);
    auto* learnLayout = new QVBoxLayout(fraLearn);
    learnLayout->addWidget(learnHint);
    learnLayout->addLayout(learnButtons);
    learnLayout->addWidget(lblLearned);

    auto* right = new QVBoxLayout;
    right->addLayout(grid);
    right->addWidget(fraLearn);
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
    updateLearn();
}

void frmAnalogInScale::setLearnAction(std::function<std::optional<float>()> readVolts) {
    m_readVolts = std::move(readVolts);
    updateLearn();
}

void frmAnalogInScale::updateLearn() {
    if (!fraLearn)
        return;
    const bool editable = txtMinVolts->isEnabled();
    fraLearn->setEnabled(m_readVolts && editable);
    if (!m_readVolts)
        fraLearn->setToolTip(QStringLiteral("No module connection in this window."));
    else if (!editable)
        fraLearn->setToolTip(
            QStringLiteral("Choose TPS Percent or User Defined to learn the input voltages."));
    else
        fraLearn->setToolTip(QString());
}

void frmAnalogInScale::learn(Box box, const QString& end) {
    if (!m_readVolts || !txtMinVolts->isEnabled())
        return;
    const std::optional<float> volts = m_readVolts();
    if (!volts) {
        lblLearned->setText(QStringLiteral("No reading from the module."));
        return;
    }
    m_logic.learnVolts(box, *volts);
    showValues();
    lblLearned->setText(QStringLiteral("%1: %2 V").arg(end, m_logic.boxText(box)));
}

void frmAnalogInScale::cmdLearnClosed_Click() {
    learn(Box::MinVolts, QStringLiteral("Closed throttle"));
}

void frmAnalogInScale::cmdLearnOpen_Click() {
    learn(Box::MaxVolts, QStringLiteral("Full throttle"));
}

void frmAnalogInScale::showValues() {
    txtMinVolts->setText(m_logic.boxText(Box::MinVolts));
    txtMaxVolts->setText(m_logic.boxText(Box::MaxVolts));
    txtMinValue->setText(m_logic.boxText(Box::MinValue));
    txtMaxValue->setText(m_logic.boxText(Box::MaxValue));
    txtAnalogLegend->setText(m_log.AnalogLegend);
}

bool frmAnalogInScale::txtMinVolts_Validate() {
    return m_validator->check(txtMinVolts);
}
bool frmAnalogInScale::txtMaxVolts_Validate() {
    return m_validator->check(txtMaxVolts);
}
bool frmAnalogInScale::txtMinValue_Validate() {
    return m_validator->check(txtMinValue);
}
bool frmAnalogInScale::txtMaxValue_Validate() {
    return m_validator->check(txtMaxValue);
}
bool frmAnalogInScale::txtAnalogLegend_Validate() {
    return m_validator->check(txtAnalogLegend);
}

void frmAnalogInScale::cmdOK_Click() {
    // Enter in a box presses OK without the box losing the focus: check it first.
    if (m_validator->checkFocused(this))
        return;
    if (m_logic.offerTpsPercentRange())
        showValues();
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
