// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealTimeDataFrame.h"

#include "support/FileChooser.h"

#include "logdata/AppState.h"
#include "realtime/BarGauge.h"
#include "realtime/GaugeSetup.h"
#include "realtime/LiveRecorder.h"
#include "realtime/RealTimeDecoding.h"
#include "realtime/TachometerDial.h"
#include "support/Numbers.h"
#include "support/Prompter.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <cmath>

namespace {

// Design grid in twips: the sensor gauges in a top row beside the tachometer, the
// supply, analog and ethanol gauges and the diagnostics below.
constexpr int kGaugeWidth = 1000;
constexpr int kTopRowY = 600;
constexpr int kTopRowHeight = 4200;
constexpr int kBottomRowY = 5040;
constexpr int kBottomRowHeight = 3120;

QRect topGauge(int left) {
    return {left, kTopRowY, kGaugeWidth, kTopRowHeight};
}
QRect bottomGauge(int left) {
    return {left, kBottomRowY, kGaugeWidth, kBottomRowHeight};
}

} // namespace

RealTimeDataFrame::RealTimeDataFrame(const AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("QERO Real Time Data"), parent), m_state(state) {
    setObjectName(QStringLiteral("fraRealTimeData"));
    setMinimumSize(560, 380);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    auto legend = [this](const char* name, const QString& text, QRect design) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        place(l, design);
        return l;
    };
    lblChannel1Legend =
        legend("lblChannel1Legend", QStringLiteral("CHANNEL 1 SENSOR"), {240, 180, 3160, 360});
    lblChannel2Legend =
        legend("lblChannel2Legend", QStringLiteral("CHANNEL 2 SENSOR"), {4320, 180, 3160, 360});
    lblChannel1Legend->setAlignment(Qt::AlignCenter);
    lblChannel2Legend->setAlignment(Qt::AlignCenter);

    gauLambda1 = addGauge("gauLambda1", QStringLiteral("LAMBDA"), topGauge(240));
    gauAFR1 = addGauge("gauAFR1", QStringLiteral("AFR"), topGauge(1320));
    gauCellRes1 = addGauge("gauCellRes1", QStringLiteral("CEL RES"), topGauge(2400));
    gauLambda2 = addGauge("gauLambda2", QStringLiteral("LAMBDA"), topGauge(4320));
    gauAFR2 = addGauge("gauAFR2", QStringLiteral("AFR"), topGauge(5400));
    gauCellRes2 = addGauge("gauCellRes2", QStringLiteral("CEL RES"), topGauge(6480));

    gauTach = new TachometerDial(this);
    gauTach->setObjectName(QStringLiteral("gauTach"));
    place(gauTach, {7800, 240, 4440, 4440});

    gauBatVolts = addGauge("gauBatVolts", QStringLiteral("BAT V"), bottomGauge(240));
    gauInput1Analog = addGauge("gauInput1Analog", QStringLiteral("ANA IN"), bottomGauge(1320));
    // The three scaled-value gauges share one place: only one of them is ever shown.
    gauTPS = addGauge("gauTPS", QStringLiteral("TPS%"), bottomGauge(2400));
    gauMAP = addGauge("gauMAP", QStringLiteral("MAP"), bottomGauge(2400));
    gauUser = addGauge("gauUser", QStringLiteral("USER"), bottomGauge(2400));
    gauESENS = addGauge("gauESENS", QStringLiteral("ETH%"), bottomGauge(3480));

    lblDiagLegend =
        legend("lblDiagLegend", QStringLiteral("DIAG CODES"), {4800, kBottomRowY, 3600, 360});
    lblDiagCode = new QLabel(this);
    lblDiagCode->setObjectName(QStringLiteral("lblDiagCode"));
    lblDiagCode->setFrameShape(QFrame::Panel);
    lblDiagCode->setFrameShadow(QFrame::Sunken);
    lblDiagCode->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDiagCode->setWordWrap(true);
    place(lblDiagCode, {4800, kBottomRowY + 420, 3600, 1200});

    cmdCloseRealTimeData = new QPushButton(QStringLiteral("Close"), this);
    cmdCloseRealTimeData->setObjectName(QStringLiteral("cmdCloseRealTimeData"));
    place(cmdCloseRealTimeData, {10440, 7560, 1800, 540});

    // Recording: disabled until a recorder is attached, so a frame without one offers
    // nothing it cannot do.
    cmdRecord = new QPushButton(QStringLiteral("Record"), this);
    cmdRecord->setObjectName(QStringLiteral("cmdRecord"));
    cmdRecord->setToolTip(QStringLiteral("Record every polling cycle to a file (Ctrl+R)"));
    place(cmdRecord, {4800, 7560, 1700, 540});
    cmdMark = new QPushButton(QStringLiteral("Mark"), this);
    cmdMark->setObjectName(QStringLiteral("cmdMark"));
    cmdMark->setToolTip(QStringLiteral("Mark the next recorded row (Space)"));
    place(cmdMark, {6660, 7560, 1700, 540});
    lblRecordStatus = new QLabel(this);
    lblRecordStatus->setObjectName(QStringLiteral("lblRecordStatus"));
    place(lblRecordStatus, {4800, 6840, 7440, 600});
    cmdRecord->setEnabled(false);
    cmdMark->setEnabled(false);
    connect(cmdRecord, &QPushButton::clicked, this, &RealTimeDataFrame::cmdRecord_Click);
    connect(cmdMark, &QPushButton::clicked, this, &RealTimeDataFrame::cmdMark_Click);
    // Keys that work wherever the focus is in the window while the view is shown.
    auto* recordKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    connect(recordKey, &QShortcut::activated, this, [this] {
        if (cmdRecord->isEnabled())
            cmdRecord_Click();
    });
    auto* markKey = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(markKey, &QShortcut::activated, this, [this] {
        if (cmdMark->isEnabled())
            cmdMark_Click();
    });

    gauLambda1->setScale(GaugeSetup::lambdaScale());
    gauLambda2->setScale(GaugeSetup::lambdaScale());
    gauCellRes1->setScale(GaugeSetup::cellResistanceScale());
    gauCellRes2->setScale(GaugeSetup::cellResistanceScale());
    gauBatVolts->setScale(GaugeSetup::batteryScale());
    gauInput1Analog->setScale(GaugeSetup::analogVoltsScale());
    gauTPS->setScale(GaugeSetup::tpsScale());
    gauESENS->setScale(GaugeSetup::ethanolScale());
    gauMAP->setScale(GaugeSetup::mapScale(QStringLiteral("MAP1BAR")));
    gauUser->setScale(GaugeSetup::ethanolScale());
    gauAFR1->setScale(GaugeSetup::afrScale(QString()));
    gauAFR2->setScale(GaugeSetup::afrScale(QString()));

    for (BarGauge* g : {gauLambda1, gauLambda2})
        g->setReadoutPattern(QStringLiteral("#0.000"));
    for (BarGauge* g : {gauCellRes1, gauCellRes2, gauESENS})
        g->setReadoutPattern(QStringLiteral("##0"));
    gauBatVolts->setReadoutPattern(QStringLiteral("#0.0"));
    gauInput1Analog->setReadoutPattern(QStringLiteral("#0.00"));
    for (BarGauge* g : {gauTPS, gauMAP, gauUser})
        g->setReadoutPattern(QStringLiteral("##0.0"));
    gauTPS->setHighlightedBand(0);
    gauLambda1->setValue(GaugeSetup::kResetLambda);
    gauLambda2->setValue(GaugeSetup::kResetLambda);
    gauAFR1->setValue(GaugeSetup::kResetAFR);
    gauAFR2->setValue(GaugeSetup::kResetAFR);
    gauTach->setDisplayMode(TachometerDial::kNeedleAndReadout);
}

BarGauge* RealTimeDataFrame::addGauge(const char* name, const QString& title, QRect design) {
    auto* g = new BarGauge(title, this);
    g->setObjectName(QLatin1String(name));
    place(g, design);
    return g;
}

void RealTimeDataFrame::place(QWidget* child, QRect design) {
    m_design.insert(child, design);
    layoutChildren();
}

void RealTimeDataFrame::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    layoutChildren();
}

void RealTimeDataFrame::layoutChildren() {
    const QRect area = contentsRect().adjusted(4, 16, -4, -4);
    const double s =
        std::min(double(area.width()) / kDesignWidth, double(area.height()) / kDesignHeight);
    if (s <= 0)
        return;
    // Centred, one scale for both directions so the dial stays round.
    const double x0 = area.left() + (area.width() - kDesignWidth * s) / 2;
    const double y0 = area.top() + (area.height() - kDesignHeight * s) / 2;
    for (auto it = m_design.cbegin(); it != m_design.cend(); ++it) {
        const QRect d = it.value();
        auto* w = const_cast<QWidget*>(it.key());
        w->setGeometry(int(std::lround(x0 + d.left() * s)), int(std::lround(y0 + d.top() * s)),
                       int(std::lround(d.width() * s)), int(std::lround(d.height() * s)));
    }
    QFont f = lblDiagCode ? lblDiagCode->font() : font();
    f.setPixelSize(std::max(10, int(std::lround(260 * s))));
    if (lblDiagCode) {
        f.setBold(true);
        lblDiagCode->setFont(f);
    }
}

void RealTimeDataFrame::configure() {
    const LogBuffer& log = m_state.log;

    const GaugeSetup::TachScale tach = GaugeSetup::tachScale(log.MaxRPMDisplay);
    gauTach->setScale(tach.fullScale, tach.zone1, tach.zone2);

    const GaugeSetup::SensorLayout layout = GaugeSetup::sensorLayout(log.FuelType);
    gauAFR1->setVisible(layout.afrVisible);
    gauAFR2->setVisible(layout.afrVisible);
    place(gauCellRes1, topGauge(layout.cellRes1Left));
    place(gauCellRes2, topGauge(layout.cellRes2Left));

    const GaugeSetup::BarScale afr = GaugeSetup::afrScale(log.FuelType);
    for (BarGauge* g : {gauAFR1, gauAFR2}) {
        g->setScale(afr);
        g->setReadoutPattern(m_state.settings.AFRFormat);
    }

    const GaugeSetup::AnalogGauge analog = GaugeSetup::analogGaugeFor(log.AnalogInputType);
    gauMAP->setVisible(analog == GaugeSetup::AnalogGauge::MAP);
    gauTPS->setVisible(analog == GaugeSetup::AnalogGauge::TPS);
    gauUser->setVisible(analog == GaugeSetup::AnalogGauge::User);
    if (analog == GaugeSetup::AnalogGauge::MAP)
        gauMAP->setScale(GaugeSetup::mapScale(log.AnalogInputType));
    if (analog == GaugeSetup::AnalogGauge::User) {
        gauUser->setScale(GaugeSetup::userScale(log.MinScaledValue, log.MaxScaledValue));
        // The legend names the user's quantity better than a bare "USER".
        gauUser->setToolTip(log.AnalogLegend);
    }

    gauESENS->setVisible(GaugeSetup::hasEthanolSensor(m_state.module.QEROVersion));
}

void RealTimeDataFrame::showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1,
                                    double afr2, bool showAFR) {
    lblDiagCode->setText(RealTimeDecoding::diagnosticText(raw1, raw2));
    gauLambda1->setValue(lambda1);
    gauLambda2->setValue(lambda2);
    if (showAFR) {
        gauAFR1->setValue(afr1);
        gauAFR2->setValue(afr2);
    }
}

void RealTimeDataFrame::showRPM(float rpm) {
    gauTach->setNeedle(rpm / 1000.0);
    gauTach->setDisplayMode(TachometerDial::kNeedleAndReadout);
    gauTach->setReadout(Numbers::format(rpm, QStringLiteral("###0")));
}

void RealTimeDataFrame::showAnalog(float volts, float scaled) {
    gauInput1Analog->setValue(volts);
    switch (GaugeSetup::analogGaugeFor(m_state.log.AnalogInputType)) {
    case GaugeSetup::AnalogGauge::None:
        break;
    case GaugeSetup::AnalogGauge::MAP:
        gauMAP->setValue(scaled);
        break;
    case GaugeSetup::AnalogGauge::TPS:
        gauTPS->setHighlightedBand(GaugeSetup::tpsBand(scaled));
        gauTPS->setValue(scaled);
        break;
    case GaugeSetup::AnalogGauge::User:
        gauUser->setValue(scaled);
        break;
    }
}

void RealTimeDataFrame::showBattery(float volts) {
    gauBatVolts->setValue(volts);
}

void RealTimeDataFrame::showCellResistance1(float value) {
    gauCellRes1->setValue(value);
}

void RealTimeDataFrame::showCellResistance2(float value) {
    gauCellRes2->setValue(value);
}

void RealTimeDataFrame::showEthanol(float percent) {
    gauESENS->setValue(percent);
}

void RealTimeDataFrame::resetDisplay() {
    lblDiagCode->clear();
    gauMAP->setValue(0);
    gauTPS->setHighlightedBand(0);
    gauTPS->setValue(0);
    for (BarGauge* g : {gauAFR1, gauAFR2}) {
        g->setValue(GaugeSetup::kResetAFR);
        g->setValue2(GaugeSetup::kResetAFR);
    }
    for (BarGauge* g : {gauLambda1, gauLambda2}) {
        g->setValue(GaugeSetup::kResetLambda);
        g->setValue2(GaugeSetup::kResetLambda);
    }
    gauBatVolts->setValue(0);
    gauTach->setNeedle(0);
    gauTach->setDisplayMode(TachometerDial::kNeedleAndReadout);
    gauTach->setReadout(QStringLiteral("0"));
}

void RealTimeDataFrame::attachRecorder(LiveRecorder& recorder, Prompter& prompter) {
    m_recorder = &recorder;
    m_prompter = &prompter;
    recorder.changed = [this] { refreshRecording(); };
    refreshRecording();
}

void RealTimeDataFrame::cmdRecord_Click() {
    if (!m_recorder)
        return;
    if (m_recorder->recording()) {
        m_recorder->stop();
        return;
    }
    // "rec1" becomes "rec1.csv": File > Open and the workbench list recordings by it. A
    // device or pipe named as it is (/dev/stdout, a FIFO) is written into as it is.
    QString path = m_prompter->saveFileName(kRecordTitle, kRecordFilter);
    const QFileInfo chosen(path);
    if (!chosen.exists() || chosen.isFile())
        path = FileChooser::withFilterExtension(path, kRecordFilter.section(u'|', 0, 1));
    if (path.isEmpty())
        return;
    m_recorder->start(path);
}

void RealTimeDataFrame::cmdMark_Click() {
    if (m_recorder)
        m_recorder->mark();
}

void RealTimeDataFrame::refreshRecording() {
    const bool on = m_recorder && m_recorder->recording();
    cmdRecord->setEnabled(m_recorder != nullptr);
    cmdRecord->setText(on ? QStringLiteral("Stop") : QStringLiteral("Record"));
    cmdMark->setEnabled(on);
    if (!m_recorder)
        return;
    if (on) {
        lblRecordStatus->setText(m_recorder->statusText() + (m_recorder->markPending()
                                                                 ? QStringLiteral(" - mark set")
                                                                 : QString()));
        m_errorShown.clear();
        return;
    }
    const QString error = m_recorder->error();
    if (error.isEmpty()) {
        lblRecordStatus->setText(m_recorder->fileName().isEmpty()
                                     ? QString()
                                     : QStringLiteral("Recorded %1 rows to %2")
                                           .arg(m_recorder->rows())
                                           .arg(m_recorder->fileName()));
        return;
    }
    lblRecordStatus->setText(error);
    // Told once: the box would otherwise come back with every later refresh.
    if (error != m_errorShown) {
        m_errorShown = error;
        m_prompter->message(error, kRecordTitle, Prompter::Icon::Exclamation, Prompter::Ok);
    }
}
