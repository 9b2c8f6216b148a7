// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/frmChart1.h"

#include "support/FileChooser.h"

#include "support/SystemPrinterProvider.h"
#include "support/WindowPlacement.h"

#include "chart/ChartChoices.h"
#include "chart/ChartPlot.h"
#include "chart/ChartPrintLayout.h"
#include "chart/ChartPrinter.h"
#include "chart/ChartRenderer.h"
#include "chart/ChartTemplate.h"
#include "chart/PlotFiles.h"
#include "logdata/AppState.h"
#include "logdata/LogCsv.h"
#include "support/DataFiles.h"
#include "support/ErrorReport.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* readout(QWidget* parent, const char* name) {
    auto* l = named(new QLabel(parent), name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(90);
    return l;
}

} // namespace

frmChart1::frmChart1(AppState& state, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_state(state), m_prompter(prompter),
      m_ownPrinters(std::make_unique<SystemPrinterProvider>()), m_printers(m_ownPrinters.get()) {
    setObjectName(QStringLiteral("frmChart1"));
    setWindowTitle(QStringLiteral("QERO Dual Channel Data Logging Program - Chart Display"));
    setModal(true);
    buildControls();
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    save->setObjectName(QStringLiteral("scSaveLog"));
    connect(save, &QShortcut::activated, this, [this] {
        if (saveLog)
            saveLog();
    });
    // Fits a 1366x768 screen with its task bar; larger screens give the chart more room.
    WindowPlacement::resizeToFit(*this, QSize(1100, 680));
    Form_Load();
}

frmChart1::~frmChart1() {
    // A window destroyed while shown is hidden by the widget base, after this class's
    // members are gone; hiding it here saves the trace choices while they still exist.
    hide();
}

void frmChart1::buildControls() {
    Chart2D1 = new ChartPlot(this);
    Chart2D1->setMinimumSize(640, 400);

    fraTrace1 = named(new QGroupBox(QStringLiteral("Trace 1"), this), "fraTrace1");
    optTrace1RPM = named(new QRadioButton(QStringLiteral("RPM"), fraTrace1), "optTrace1RPM");
    optTrace1AFR1 =
        named(new QRadioButton(QStringLiteral("SENSOR 1 AFR"), fraTrace1), "optTrace1AFR1");
    optTrace1AFR2 =
        named(new QRadioButton(QStringLiteral("SENSOR 2 AFR"), fraTrace1), "optTrace1AFR2");
    optTrace1Analog =
        named(new QRadioButton(QStringLiteral("ANALOG INPUT"), fraTrace1), "optTrace1Analog");
    fraTrace2 = named(new QGroupBox(QStringLiteral("Trace 2"), this), "fraTrace2");
    optTrace2RPM = named(new QRadioButton(QStringLiteral("RPM"), fraTrace2), "optTrace2RPM");
    optTrace2AFR1 =
        named(new QRadioButton(QStringLiteral("SENSOR 1 AFR "), fraTrace2), "optTrace2AFR1");
    optTrace2AFR2 =
        named(new QRadioButton(QStringLiteral("SENSOR 2 AFR "), fraTrace2), "optTrace2AFR2");
    optTrace2Analog =
        named(new QRadioButton(QStringLiteral("ANALOG INPUT"), fraTrace2), "optTrace2Analog");
    fraTrace3 = named(new QGroupBox(QStringLiteral("Trace 3"), this), "fraTrace3");
    optTrace3None = named(new QRadioButton(QStringLiteral("NONE"), fraTrace3), "optTrace3None");
    optTrace3RPM = named(new QRadioButton(QStringLiteral("RPM"), fraTrace3), "optTrace3RPM");
    optTrace3AFR1 =
        named(new QRadioButton(QStringLiteral("SENSOR 1 AFR"), fraTrace3), "optTrace3AFR1");
    optTrace3AFR2 =
        named(new QRadioButton(QStringLiteral("SENSOR 2 AFR"), fraTrace3), "optTrace3AFR2");
    optTrace3Analog =
        named(new QRadioButton(QStringLiteral("ANALOG INPUT"), fraTrace3), "optTrace3Analog");
    for (QGroupBox* frame : {fraTrace1, fraTrace2, fraTrace3}) {
        auto* l = new QVBoxLayout(frame);
        for (QRadioButton* b : frame->findChildren<QRadioButton*>())
            l->addWidget(b);
    }

    fraMiscData = named(new QGroupBox(this), "fraMiscData");
    lblStoichRatioLegend = named(new QLabel(QStringLiteral("Stoichiometric Ratio"), fraMiscData),
                                 "lblStoichRatioLegend");
    lblStoichRatio = readout(fraMiscData, "lblStoichRatio");
    lblLogIntervalLegend = named(new QLabel(QStringLiteral("Log Interval (sec)"), fraMiscData),
                                 "lblLogIntervalLegend");
    lblLogIntervalData = readout(fraMiscData, "lblLogIntervalData");
    lblDiagCodeLegend =
        named(new QLabel(QStringLiteral("Diagnostic Code"), fraMiscData), "lblDiagCodeLegend");
    lblDiagCode = readout(fraMiscData, "lblDiagCode");
    auto* misc = new QGridLayout(fraMiscData);
    misc->addWidget(lblStoichRatioLegend, 0, 0);
    misc->addWidget(lblStoichRatio, 1, 0);
    misc->addWidget(lblLogIntervalLegend, 2, 0);
    misc->addWidget(lblLogIntervalData, 3, 0);
    misc->addWidget(lblDiagCodeLegend, 4, 0);
    misc->addWidget(lblDiagCode, 5, 0);

    chkTargetLine = named(new QCheckBox(QStringLiteral("Target Line"), this), "chkTargetLine");
    spnTarget = named(new QDoubleSpinBox(this), "spnTarget");
    spnTarget->setKeyboardTracking(false);

    scrChart2D1 = named(new QScrollBar(Qt::Horizontal, this), "scrChart2D1");
    lblMarkerTime = readout(this, "lblMarkerTime");
    lblMarkerTrace1 = readout(this, "lblMarkerTrace1");
    lblMarkerTrace2 = readout(this, "lblMarkerTrace2");

    cmdZoomIn = named(new QPushButton(QStringLiteral("Zoom In"), this), "cmdZoomIn");
    cmdZoomOut = named(new QPushButton(QStringLiteral("Zoom Out"), this), "cmdZoomOut");
    cmdZoomAll = named(new QPushButton(QStringLiteral("Zoom All"), this), "cmdZoomAll");
    cmdReset = named(new QPushButton(QStringLiteral("Reset Time Display"), this), "cmdReset");
    cmdPrint = named(new QPushButton(QStringLiteral("Print"), this), "cmdPrint");
    cmdSavePicture =
        named(new QPushButton(QStringLiteral("Save Picture\u2026"), this), "cmdSavePicture");
    cmdExportData =
        named(new QPushButton(QStringLiteral("Export Data\u2026"), this), "cmdExportData");
    cmdExit = named(new QPushButton(QStringLiteral("Exit"), this), "cmdExit");
    for (QPushButton* b : {cmdZoomIn, cmdZoomOut, cmdZoomAll, cmdReset, cmdPrint, cmdSavePicture,
                           cmdExportData, cmdExit})
        b->setAutoDefault(false);
    // Until a log is drawn there is nothing to save.
    cmdSavePicture->setEnabled(false);
    cmdExportData->setEnabled(false);
    // The chart takes the keys that move the marker once clicked, and from the start.
    Chart2D1->setFocusPolicy(Qt::StrongFocus);
    Chart2D1->installEventFilter(this);

    auto* side = new QVBoxLayout;
    side->addWidget(fraTrace1);
    side->addWidget(fraTrace2);
    side->addWidget(fraTrace3);
    auto* target = new QHBoxLayout;
    target->addWidget(chkTargetLine);
    target->addWidget(spnTarget);
    side->addLayout(target);
    side->addWidget(fraMiscData);
    side->addStretch(1);

    auto* readouts = new QHBoxLayout;
    readouts->addWidget(new QLabel(QStringLiteral("Marker"), this));
    readouts->addWidget(lblMarkerTime);
    readouts->addWidget(lblMarkerTrace1);
    readouts->addWidget(lblMarkerTrace2);
    readouts->addStretch(1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdZoomIn, cmdZoomOut, cmdZoomAll, cmdReset})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdSavePicture);
    buttons->addWidget(cmdExportData);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdExit);

    auto* left = new QVBoxLayout;
    left->addWidget(Chart2D1, 1);
    left->addWidget(scrChart2D1);
    left->addLayout(readouts);
    left->addLayout(buttons);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(side);

    connect(optTrace1RPM, &QRadioButton::clicked, this, &frmChart1::optTrace1RPM_Click);
    connect(optTrace1AFR1, &QRadioButton::clicked, this, &frmChart1::optTrace1AFR1_Click);
    connect(optTrace1AFR2, &QRadioButton::clicked, this, &frmChart1::optTrace1AFR2_Click);
    connect(optTrace1Analog, &QRadioButton::clicked, this, &frmChart1::optTrace1Analog_Click);
    connect(optTrace2RPM, &QRadioButton::clicked, this, &frmChart1::optTrace2RPM_Click);
    connect(optTrace2AFR1, &QRadioButton::clicked, this, &frmChart1::optTrace2AFR1_Click);
    connect(optTrace2AFR2, &QRadioButton::clicked, this, &frmChart1::optTrace2AFR2_Click);
    connect(optTrace2Analog, &QRadioButton::clicked, this, &frmChart1::optTrace2Analog_Click);
    connect(optTrace3None, &QRadioButton::clicked, this, &frmChart1::optTrace3None_Click);
    connect(optTrace3RPM, &QRadioButton::clicked, this, &frmChart1::optTrace3RPM_Click);
    connect(optTrace3AFR1, &QRadioButton::clicked, this, &frmChart1::optTrace3AFR1_Click);
    connect(optTrace3AFR2, &QRadioButton::clicked, this, &frmChart1::optTrace3AFR2_Click);
    connect(optTrace3Analog, &QRadioButton::clicked, this, &frmChart1::optTrace3Analog_Click);
    connect(chkTargetLine, &QCheckBox::clicked, this, &frmChart1::chkTargetLine_Click);
    connect(spnTarget, &QDoubleSpinBox::valueChanged, this, &frmChart1::spnTarget_Change);
    connect(scrChart2D1, &QScrollBar::valueChanged, this, &frmChart1::scrChart2D1_Change);
    connect(cmdZoomIn, &QPushButton::clicked, this, &frmChart1::cmdZoomIn_Click);
    connect(cmdZoomOut, &QPushButton::clicked, this, &frmChart1::cmdZoomOut_Click);
    connect(cmdZoomAll, &QPushButton::clicked, this, &frmChart1::cmdZoomAll_Click);
    connect(cmdReset, &QPushButton::clicked, this, &frmChart1::cmdReset_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmChart1::cmdPrint_Click);
    connect(cmdSavePicture, &QPushButton::clicked, this, &frmChart1::cmdSavePicture_Click);
    connect(cmdExportData, &QPushButton::clicked, this, &frmChart1::cmdExportData_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmChart1::cmdExit_Click);
    connect(Chart2D1, &QCustomPlot::mousePress, this,
            [this](QMouseEvent* e) { Chart2D1_MouseDown(e->button(), e->position()); });
    connect(Chart2D1, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent* e) { Chart2D1_MouseMove(e->buttons(), e->position()); });
    connect(Chart2D1, &QCustomPlot::mouseRelease, this,
            [this](QMouseEvent* e) { Chart2D1_MouseUp(e->button(), e->position()); });
    connect(Chart2D1, &QCustomPlot::mouseWheel, this, [this](QWheelEvent* e) {
        Chart2D1_Wheel(e->angleDelta().y() / 120.0, e->position());
        e->accept();
    });
    Chart2D1->setFocus();
}

void frmChart1::guarded(const std::function<void()>& step) {
    ErrorReport::runStep(m_prompter, step);
}

void frmChart1::Form_Load() {
    guarded([this] {
        const LogBuffer& log = m_state.log;
        // A new window always opens on the whole log.
        m_nav.ZoomWidth = ChartNavigator::ZoomAllWidth;
        // The header values of the log under the chart.
        lblLogIntervalData->setText(ChartNavigator::logIntervalText(log.DataLogInterval));
        lblStoichRatio->setText(ChartNavigator::stoichRatioText(log.StoichRatio));
        lblMarkerTime->clear();
        lblMarkerTrace1->clear();
        lblMarkerTrace2->clear();
        // Speed in whole revolutions, ratios to one decimal, until a trace changes them.
        m_trace1Format = QStringLiteral("####0");
        m_trace2Format = QStringLiteral("#0.0");
        // Without its template the chart stays empty and the window still opens.
        if (!Chart2D1->loadTemplate(DataFiles::find(QLatin1String(ChartTemplate::kFileName)))) {
            m_prompter.message(
                QStringLiteral("Chart template file QERO4D_Log_Chart.oc2 not found."),
                QStringLiteral("Form Load"), Prompter::Icon::Exclamation, Prompter::Ok);
            return;
        }
        // Speed and sensor 1 are the traces a new chart starts with.
        optTrace1RPM->setChecked(true);
        optTrace1RPM_Click();
        optTrace2AFR1->setChecked(true);
        optTrace2AFR1_Click();
        m_times = log.ElapsedTime;
        m_finder = std::make_unique<ChartSampleFinder>(m_times);
        Chart2D1->setTimes(m_times);
        // The scroll bar and zoom buttons follow the log's length.
        m_nav.open(log.DataLogInterval);
        showNavigation();
        // The first drawing shows everything.
        cmdZoomAll_Click();
        // The extras start off: two traces, no target line.
        optTrace3None->setChecked(true);
        const ChartTrace::AxisRange limits = ChartTrace::targetLimits(log.StoichRatio);
        const QString pattern = m_state.settings.AFRFormat;
        const qsizetype point = pattern.indexOf(u'.');
        {
            const QSignalBlocker block(spnTarget);
            spnTarget->setDecimals(point < 0 ? 0 : int(pattern.size() - point - 1));
            spnTarget->setRange(limits.minimum, limits.maximum);
            spnTarget->setSingleStep(log.StoichRatio == 1.0f ? 0.01 : 0.1);
            spnTarget->setValue(ChartTrace::defaultTarget(log.StoichRatio));
        }
        updateExtras();
        cmdSavePicture->setEnabled(true);
        cmdExportData->setEnabled(true);
    });
}

QRadioButton* frmChart1::traceOption(int traceNo, std::optional<TraceQuantity> quantity) const {
    if (!quantity)
        return traceNo == 3 ? optTrace3None : nullptr;
    switch (*quantity) {
    case TraceQuantity::RPM:
        return traceNo == 1 ? optTrace1RPM : traceNo == 2 ? optTrace2RPM : optTrace3RPM;
    case TraceQuantity::AFR1:
        return traceNo == 1 ? optTrace1AFR1 : traceNo == 2 ? optTrace2AFR1 : optTrace3AFR1;
    case TraceQuantity::AFR2:
        return traceNo == 1 ? optTrace1AFR2 : traceNo == 2 ? optTrace2AFR2 : optTrace3AFR2;
    case TraceQuantity::Analog:
        break;
    }
    return traceNo == 1 ? optTrace1Analog : traceNo == 2 ? optTrace2Analog : optTrace3Analog;
}

void frmChart1::rememberChoices(SettingsStore& settings) {
    m_settings = &settings;
    WindowPlacement::remember(*this, settings, QStringLiteral("ChartWindowGeometry"),
                              [this, &settings] {
                                  ChartChoices c;
                                  c.trace1 = m_quantity1;
                                  c.trace2 = m_quantity2;
                                  c.trace3 = m_quantity3;
                                  c.targetLine = chkTargetLine->isChecked();
                                  c.target = {float(spnTarget->value()), m_state.log.StoichRatio};
                                  c.save(settings);
                              });
    // A chart without its template has no traces to choose.
    if (!m_finder)
        return;
    const ChartChoices c = ChartChoices::load(settings);
    traceOption(1, c.trace1)->setChecked(true);
    loadTrace(1, c.trace1);
    traceOption(2, c.trace2)->setChecked(true);
    loadTrace(2, c.trace2);
    // A third trace whose unit neither axis has now stays off, as its option is disabled.
    QRadioButton* third = traceOption(3, c.trace3);
    if (third->isEnabled()) {
        third->setChecked(true);
        loadTrace3(c.trace3);
    }
    if (const std::optional<float> target = c.target.forFuel(m_state.log.StoichRatio)) {
        const QSignalBlocker block(spnTarget);
        spnTarget->setValue(double(*target));
    }
    chkTargetLine->setChecked(c.targetLine);
    updateExtras();
}

void frmChart1::loadTrace(int traceNo, TraceQuantity quantity) {
    guarded([&] {
        // An empty chart (no template) has no plot groups to take a trace.
        if (!Chart2D1->isPrepared())
            return;
        TraceSetup trace = ChartTrace::load(quantity, m_state.log, m_state.settings);
        (traceNo == 1 ? m_trace1Format : m_trace2Format) = trace.format;
        (traceNo == 1 ? m_trace1Data : m_trace2Data) = trace.values;
        (traceNo == 1 ? m_quantity1 : m_quantity2) = quantity;
        Chart2D1->setTrace(traceNo, trace);
        if (m_finder)
            updateExtras();
    });
}

void frmChart1::loadTrace3(std::optional<TraceQuantity> quantity) {
    guarded([&] {
        if (!m_finder)
            return;
        const int axis = quantity ? ChartTrace::sharedAxis(*quantity, m_quantity1, m_quantity2) : 0;
        if (quantity && axis == 0)
            return; // its option is disabled: no axis has its unit
        m_quantity3 = quantity;
        Chart2D1->setTrace3(
            quantity ? std::optional(ChartTrace::load(*quantity, m_state.log, m_state.settings))
                     : std::nullopt,
            axis);
    });
}

void frmChart1::updateExtras() {
    const std::pair<QRadioButton*, TraceQuantity> options[] = {
        {optTrace3RPM, TraceQuantity::RPM},
        {optTrace3AFR1, TraceQuantity::AFR1},
        {optTrace3AFR2, TraceQuantity::AFR2},
        {optTrace3Analog, TraceQuantity::Analog}};
    for (const auto& [option, quantity] : options)
        option->setEnabled(ChartTrace::sharedAxis(quantity, m_quantity1, m_quantity2) != 0);
    // A third trace that lost its axis goes; one that keeps it may have moved to the other.
    if (m_quantity3 && ChartTrace::sharedAxis(*m_quantity3, m_quantity1, m_quantity2) == 0) {
        optTrace3None->setChecked(true);
        loadTrace3(std::nullopt);
    } else if (m_quantity3) {
        loadTrace3(m_quantity3);
    }
    const int afrAxis = ChartTrace::unitOf(m_quantity1) == ChartTrace::Unit::AFR   ? 1
                        : ChartTrace::unitOf(m_quantity2) == ChartTrace::Unit::AFR ? 2
                                                                                   : 0;
    chkTargetLine->setEnabled(afrAxis != 0);
    spnTarget->setEnabled(afrAxis != 0);
    Chart2D1->setTargetLine(chkTargetLine->isChecked() && afrAxis != 0
                                ? std::optional<double>(spnTarget->value())
                                : std::nullopt,
                            afrAxis);
}

void frmChart1::chkTargetLine_Click() {
    guarded([this] {
        if (m_finder)
            updateExtras();
    });
}

void frmChart1::spnTarget_Change() {
    chkTargetLine_Click();
}

void frmChart1::showReadouts() {
    lblMarkerTime->setText(m_nav.lblMarkerTime);
    lblMarkerTrace1->setText(m_nav.lblMarkerTrace1);
    lblMarkerTrace2->setText(m_nav.lblMarkerTrace2);
    lblDiagCode->setText(m_nav.lblDiagCode);
}

void frmChart1::showNavigation() {
    const QSignalBlocker block(scrChart2D1);
    scrChart2D1->setRange(m_nav.scroll.minimum, m_nav.scroll.maximum);
    scrChart2D1->setValue(m_nav.scroll.value);
    scrChart2D1->setPageStep(m_nav.scroll.largeChange);
    scrChart2D1->setSingleStep(m_nav.scroll.smallChange);
    Chart2D1->setTimeWindow(m_nav.window.start, m_nav.window.end);
    Chart2D1->setMarkerTime(m_nav.markerLine);
    showReadouts();
}

void frmChart1::scrChart2D1_Change(int value) {
    guarded([&] {
        if (!m_finder)
            return;
        m_nav.scrollTo(value);
        showNavigation();
    });
}

void frmChart1::cmdZoomIn_Click() {
    guarded([this] {
        if (m_finder && m_nav.zoomIn())
            showNavigation();
    });
}

void frmChart1::cmdZoomOut_Click() {
    guarded([this] {
        if (m_finder && m_nav.zoomOut())
            showNavigation();
    });
}

void frmChart1::cmdZoomAll_Click() {
    guarded([this] {
        if (!m_finder)
            return;
        m_nav.zoomAll();
        showNavigation();
    });
}

void frmChart1::cmdReset_Click() {
    m_nav.resetTime();
    lblMarkerTime->setText(m_nav.lblMarkerTime);
}

void frmChart1::Chart2D1_Click(Qt::MouseButton button, const QPointF& pos) {
    if (button != Qt::LeftButton)
        return;
    guarded([&] {
        if (!m_finder)
            return;
        const double clicked = Chart2D1->timeAtPixel(pos.x());
        // The sample nearest in time to a click inside the plotting area; a click on
        // the axes or titles finds none.
        std::optional<ChartNavigator::MarkerSample> sample;
        m_markerSample.reset();
        if (Chart2D1->inPlotArea(pos)) {
            if (const std::optional<int> p = m_finder->nearest(clicked)) {
                sample = ChartNavigator::MarkerSample{
                    m_times[*p], m_trace1Data[*p], m_trace2Data[*p], m_state.log.Sensor1Status[*p]};
                m_markerSample = *p;
            }
        }
        m_nav.placeMarker(clicked, sample, m_trace1Format, m_trace2Format);
        Chart2D1->setMarkerTime(m_nav.markerLine);
        showReadouts();
    });
}

void frmChart1::Chart2D1_MouseDown(Qt::MouseButton button, const QPointF& pos) {
    // A left press starts a click or a drag; which one, the movement tells.
    if (button != Qt::LeftButton)
        return;
    m_pressAt = pos;
    m_dragging = false;
    m_dragLastX = pos.x();
}

void frmChart1::Chart2D1_MouseMove(Qt::MouseButtons buttons, const QPointF& pos) {
    if (!m_pressAt || !(buttons & Qt::LeftButton))
        return;
    if (!m_dragging && (pos - *m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragging = true;
    guarded([&] {
        if (!m_finder)
            return;
        // The time under the pointer stays under it.
        const double seconds = Chart2D1->timeAtPixel(m_dragLastX) - Chart2D1->timeAtPixel(pos.x());
        m_dragLastX = pos.x();
        if (m_nav.panBy(seconds))
            showNavigation();
    });
}

void frmChart1::Chart2D1_MouseUp(Qt::MouseButton button, const QPointF& pos) {
    Q_UNUSED(pos)
    if (button != Qt::LeftButton || !m_pressAt)
        return;
    const QPointF pressedAt = *m_pressAt;
    const bool dragged = m_dragging;
    m_pressAt.reset();
    m_dragging = false;
    if (!dragged)
        Chart2D1_Click(button, pressedAt);
}

void frmChart1::Chart2D1_Wheel(double notches, const QPointF& pos) {
    guarded([&] {
        if (!m_finder || !Chart2D1->inPlotArea(pos))
            return;
        if (m_nav.zoomAt(Chart2D1->timeAtPixel(pos.x()), notches))
            showNavigation();
    });
}

bool frmChart1::Chart2D1_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const ChartNavigator::KeyAction action =
        ChartNavigator::keyAction(key, modifiers.testFlag(Qt::ShiftModifier));
    if (action.command == ChartNavigator::KeyCommand::None)
        return false;
    guarded([&] {
        if (!m_finder)
            return;
        std::optional<int> target;
        switch (action.command) {
        case ChartNavigator::KeyCommand::StepMarker: {
            // From the marker's sample, or the one nearest its time before any pick.
            const std::optional<int> from =
                m_markerSample ? m_markerSample : m_finder->nearest(m_nav.MarkerTime);
            if (from)
                target = m_finder->step(*from, action.steps);
            break;
        }
        case ChartNavigator::KeyCommand::MarkerToStart:
            target = m_finder->first();
            break;
        case ChartNavigator::KeyCommand::MarkerToEnd:
            target = m_finder->last();
            break;
        case ChartNavigator::KeyCommand::ZoomIn:
            cmdZoomIn_Click();
            return;
        case ChartNavigator::KeyCommand::ZoomOut:
            cmdZoomOut_Click();
            return;
        case ChartNavigator::KeyCommand::None:
            return;
        }
        if (target)
            markSample(*target);
    });
    return true;
}

void frmChart1::markSample(int index) {
    m_markerSample = index;
    m_nav.placeMarkerOnSample(ChartNavigator::MarkerSample{m_times[index], m_trace1Data[index],
                                                           m_trace2Data[index],
                                                           m_state.log.Sensor1Status[index]},
                              m_trace1Format, m_trace2Format);
    m_nav.bringIntoView(m_nav.markerLine);
    showNavigation();
}

bool frmChart1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Chart2D1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (Chart2D1_KeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmChart1::cmdSavePicture_Click() {
    guarded([this] {
        if (m_finder)
            PlotFiles::savePicture(m_prompter, *Chart2D1, m_settings);
    });
}

void frmChart1::cmdExportData_Click() {
    guarded([this] {
        if (!m_finder)
            return;
        // The samples of the time window on the screen, in the columns of the CLI's CSV.
        PlotFiles::exportData(m_prompter, m_settings, [this] {
            return LogCsv::between(m_state.log, m_nav.window.start, m_nav.window.end);
        });
    });
}

void frmChart1::cmdPrint_Click() {
    guarded([this] {
        const std::optional<QString> comment = m_prompter.input(
            QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
            QStringLiteral("Optional Information Entry/Edit"), m_state.log.Comment);
        m_state.log.Comment = comment.value_or(QString());
    });
    guarded([this] {
        QPagedPaintDevice* device = m_printers ? m_printers->printer() : nullptr;
        if (!device)
            return;
        const QStringList header = ChartPrintLayout::headerLines(
            m_state.settings.ConfigList2, m_state.log.DownloadDate, m_state.log.Comment);
        ChartPrinter::printPage(*device, *Chart2D1, header);
    });
}

void frmChart1::cmdExit_Click() {
    accept();
}
