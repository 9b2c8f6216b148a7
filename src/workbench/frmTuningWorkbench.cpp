// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/frmTuningWorkbench.h"

#include "chart/ChartGraph.h"
#include "chart/QCustomPlotHeader.h"
#include "logdata/LogBuffer.h"
#include "logdata/LogFileCommands.h"
#include "logdata/LogImport.h"
#include "support/ErrorReport.h"
#include "support/FileChooser.h"
#include "support/Prompter.h"
#include "support/SafeWrite.h"
#include "support/WindowPlacement.h"
#include "tuning/TuningInputError.h"
#include "workbench/ScatterThinning.h"
#include "workbench/WorkbenchSetupFile.h"
#include "workbench/WorkbenchTableModel.h"
#include "workbench/frmCsvColumns.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString axisText(const std::vector<double>& axis) {
    QStringList parts;
    for (double v : axis)
        parts << QString::number(v, 'g', 10);
    return parts.join(QStringLiteral(", "));
}

QDoubleSpinBox* spin(double low, double high, int decimals, double step, const QString& suffix) {
    auto* s = new QDoubleSpinBox;
    s->setRange(low, high);
    s->setDecimals(decimals);
    s->setSingleStep(step);
    s->setSuffix(suffix);
    s->setKeyboardTracking(false);
    return s;
}

struct AxesPreset {
    const char* name;
    std::vector<double> rpm;
    std::vector<double> load;
};

std::vector<double> steps(double from, double to, double step) {
    std::vector<double> out;
    for (double v = from; v <= to + step / 2; v += step)
        out.push_back(v);
    return out;
}

const std::vector<AxesPreset>& presets() {
    static const std::vector<AxesPreset> list = {
        {"AFR table (30 \u00d7 9)", TuningSettings::defaultRpmAxis(),
         TuningSettings::defaultLoadAxis()},
        {"500 to 8000 rpm \u00d7 load 0 to 100 by 10", steps(500, 8000, 500), steps(0, 100, 10)},
        {"500 to 12000 rpm \u00d7 load 0 to 100 by 5", steps(500, 12000, 500), steps(0, 100, 5)},
        {"MAP 20 to 100 kPa \u00d7 500 to 7000 rpm", steps(500, 7000, 500), steps(20, 100, 10)},
    };
    return list;
}

// Colours of the scatter's cells: neighbouring cells never share one.
const QColor kCellColours[] = {QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),
                               QColor(148, 103, 189), QColor(140, 86, 75),  QColor(23, 190, 207)};

int colourClass(int row, int column) {
    return (row % 2) * 3 + (column % 3);
}

} // namespace

frmTuningWorkbench::frmTuningWorkbench(const LogBuffer& log, Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_prompter(prompter) {
    setWindowTitle(kTitle);
    setObjectName(QStringLiteral("frmTuningWorkbench"));

    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(buildInputs(), 2);
    auto* settingsScroll = new QScrollArea;
    settingsScroll->setWidgetResizable(true);
    settingsScroll->setFrameShape(QFrame::NoFrame);
    QWidget* settings = buildSettings();
    settingsScroll->setWidget(settings);
    // The settings scroll up and down only: the column keeps the width its widest row
    // needs, so no box or button is cut off on a laptop screen.
    settingsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    settingsScroll->setMinimumWidth(settings->minimumSizeHint().width() +
                                    settingsScroll->verticalScrollBar()->sizeHint().width());
    leftLayout->addWidget(settingsScroll, 5);

    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(buildTables());
    right->addWidget(buildCharts());
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);

    lblStatus = new QLabel;
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(lblStatus);

    chooseCsvColumns =
        [this](const QString& path,
               const CsvSampleSource::Preview& preview) -> std::optional<CsvSampleSource::Columns> {
        frmCsvColumns dialog(QFileInfo(path).fileName(), preview, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.columns();
    };
    m_session.setLogInMemory(m_log);
    showSettings();
    showResult();
    m_savedSetup = WorkbenchSetupFile::format(m_session);
    // Room for every panel on a large screen; on a laptop the window fits its screen and
    // the panels scroll.
    WindowPlacement::resizeToFit(*this, QSize(1400, 900));
}

frmTuningWorkbench::~frmTuningWorkbench() {
    // The tables' model reads the session, a member that would be gone before the widget
    // base deletes the child widgets; the widgets go first.
    hide();
    QList<QPointer<QWidget>> children;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        children << w;
    for (const QPointer<QWidget>& w : children)
        delete w.data();
}

QWidget* frmTuningWorkbench::buildInputs() {
    auto* box = new QGroupBox(QStringLiteral("Logs in Use"));
    auto* layout = new QVBoxLayout(box);
    tblInputs = new QTableWidget(0, 8);
    tblInputs->setObjectName(QStringLiteral("tblInputs"));
    tblInputs->setHorizontalHeaderLabels(
        {QStringLiteral("Log"), QStringLiteral("Samples"), QStringLiteral("Kept"),
         QStringLiteral("No reading"), QStringLiteral("Low rpm"), QStringLiteral("Load moving"),
         QStringLiteral("Ratio range"), QStringLiteral("Warm-up")});
    tblInputs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblInputs->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblInputs->setSelectionMode(QAbstractItemView::SingleSelection);
    tblInputs->verticalHeader()->hide();
    tblInputs->horizontalHeader()->setStretchLastSection(true);
    // A day's logs (eight of them) are in view without scrolling.
    tblInputs->setMinimumHeight(
        tblInputs->horizontalHeader()->sizeHint().height() +
        kInputRowsShown * tblInputs->verticalHeader()->defaultSectionSize() +
        2 * tblInputs->frameWidth() + tblInputs->horizontalScrollBar()->sizeHint().height());
    layout->addWidget(tblInputs);
    auto* buttons = new QHBoxLayout;
    cmdAddFiles = new QPushButton(QStringLiteral("&Add Files..."));
    cmdRemove = new QPushButton(QStringLiteral("&Remove"));
    cmdRereadLog = new QPushButton(QStringLiteral("Reread &Log in Memory"));
    cmdAddJoined = new QPushButton(QStringLiteral("&Join Logs..."));
    cmdAddJoined->setToolTip(QStringLiteral(
        "A wideband log joined with the engine computer's log of the same drive: the load "
        "from the engine computer, the ratio from the wideband"));
    buttons->addWidget(cmdAddFiles);
    buttons->addWidget(cmdAddJoined);
    buttons->addWidget(cmdRemove);
    buttons->addWidget(cmdRereadLog);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(cmdAddFiles, &QPushButton::clicked, this, &frmTuningWorkbench::cmdAddFiles_Click);
    connect(cmdAddJoined, &QPushButton::clicked, this, &frmTuningWorkbench::cmdAddJoined_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmTuningWorkbench::cmdRemove_Click);
    connect(cmdRereadLog, &QPushButton::clicked, this, &frmTuningWorkbench::rereadLogInMemory);
    return box;
}

QWidget* frmTuningWorkbench::buildSettings() {
    auto* box = new QGroupBox(QStringLiteral("Settings"));
    auto* form = new QFormLayout(box);

    cboAxesPreset = new QComboBox;
    cboAxesPreset->addItem(QStringLiteral("(as typed or pasted)"));
    for (const AxesPreset& p : presets())
        cboAxesPreset->addItem(QString::fromUtf8(p.name));
    form->addRow(QStringLiteral("Axes preset"), cboAxesPreset);
    txtRpmAxis = new QLineEdit;
    txtRpmAxis->setToolTip(QStringLiteral("Engine-speed breakpoints: paste or type a row of "
                                          "numbers, ascending"));
    form->addRow(QStringLiteral("Engine speed axis"), txtRpmAxis);
    txtLoadAxis = new QLineEdit;
    txtLoadAxis->setToolTip(QStringLiteral("Load breakpoints: paste or type a row of numbers, "
                                           "ascending"));
    form->addRow(QStringLiteral("Load axis"), txtLoadAxis);

    cboSensor = new QComboBox;
    cboSensor->addItems(
        {QStringLiteral("Sensor 1"), QStringLiteral("Sensor 2"), QStringLiteral("Both (mean)")});
    form->addRow(QStringLiteral("Sensor"), cboSensor);

    optFixedDelay = new QRadioButton(QStringLiteral("Fixed delay"));
    spnDelay = spin(0, 2000, 0, 10, QStringLiteral(" ms"));
    form->addRow(optFixedDelay, spnDelay);
    optDelayCurve = new QRadioButton(QStringLiteral("Delay curve"));
    txtDelayCurve = new QLineEdit;
    txtDelayCurve->setPlaceholderText(QStringLiteral("RPM:MS, e.g. 1000:120,6000:40"));
    form->addRow(optDelayCurve, txtDelayCurve);

    chkFilterRpm = new QCheckBox(QStringLiteral("Engine speed at least"));
    spnMinRpm = spin(0, 20000, 0, 100, QStringLiteral(" rpm"));
    form->addRow(chkFilterRpm, spnMinRpm);
    chkFilterLoadRate = new QCheckBox(QStringLiteral("Load moving at most"));
    spnMaxLoadRate = spin(0, 10000, 1, 5, QStringLiteral(" %/s"));
    form->addRow(chkFilterLoadRate, spnMaxLoadRate);
    chkFilterAfr = new QCheckBox(QStringLiteral("Lambda between"));
    spnMinLambda = spin(0.1, 5, 2, 0.01, QString());
    spnMaxLambda = spin(0.1, 5, 2, 0.01, QString());
    auto* lambdas = new QHBoxLayout;
    lambdas->addWidget(spnMinLambda);
    lambdas->addWidget(new QLabel(QStringLiteral("and")));
    lambdas->addWidget(spnMaxLambda);
    form->addRow(chkFilterAfr, lambdas);
    chkFilterWarmUp = new QCheckBox(QStringLiteral("Leave out the first"));
    spnWarmUp = spin(0, 100000, 0, 10, QStringLiteral(" s"));
    form->addRow(chkFilterWarmUp, spnWarmUp);

    spnMinWeight = spin(0, 100000, 1, 1, QString());
    form->addRow(QStringLiteral("Minimum weight"), spnMinWeight);
    cboWeighting = new QComboBox;
    cboWeighting->addItems(
        {QStringLiteral("Shared among 4 cells"), QStringLiteral("Nearest cell only")});
    form->addRow(QStringLiteral("Weighting"), cboWeighting);
    // At its lowest (0, never a target) the box stands for the built-in target table:
    // stoichiometric at part load, richer towards full load.
    spnTarget = spin(0, 100, 2, 0.1, QString());
    spnTarget->setSpecialValueText(kBuiltInTarget);
    spnTarget->setToolTip(
        QStringLiteral("One target for every cell, or (at 0) the built-in table: lambda 1.00 up "
                       "to half the load axis, then richer to 0.90 at 80 % and 0.87 at its "
                       "top (12.8 on gasoline)."));
    form->addRow(QStringLiteral("Target"), spnTarget);
    lblTargetTable = new QLabel;
    lblTargetTable->setWordWrap(true);
    cmdClearTarget = new QPushButton(QStringLiteral("Clear &Target Table"));
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(lblTargetTable, 1);
    targetRow->addWidget(cmdClearTarget);
    form->addRow(QString(), targetRow);
    spnMaxChange = spin(0, 100, 1, 1, QStringLiteral(" %"));
    form->addRow(QStringLiteral("Maximum change"), spnMaxChange);
    txtChannelFilters = new QLineEdit;
    txtChannelFilters->setObjectName(QStringLiteral("txtChannelFilters"));
    txtChannelFilters->setPlaceholderText(QStringLiteral("e.g. CLT > 70; DFCO == 0"));
    txtChannelFilters->setToolTip(QStringLiteral(
        "Keep only the samples where these conditions on the logs' own channels hold, "
        "separated by ';': a channel (in double quotes when it holds blanks), < <= > >= == "
        "!= and a number, joined with and / or; rate(NAME) is its change per second"));
    form->addRow(QStringLiteral("Channel filters"), txtChannelFilters);
    cmdClearBase = new QPushButton(QStringLiteral("Clear &Base Map"));
    form->addRow(QString(), cmdClearBase);

    connect(cboAxesPreset, &QComboBox::activated, this, &frmTuningWorkbench::applyPreset);
    connect(txtRpmAxis, &QLineEdit::editingFinished, this, &frmTuningWorkbench::applyAxes);
    connect(txtLoadAxis, &QLineEdit::editingFinished, this, &frmTuningWorkbench::applyAxes);
    connect(txtDelayCurve, &QLineEdit::editingFinished, this, &frmTuningWorkbench::applySettings);
    connect(txtChannelFilters, &QLineEdit::editingFinished, this,
            &frmTuningWorkbench::applySettings);
    for (QComboBox* c : {cboSensor, cboWeighting})
        connect(c, &QComboBox::currentIndexChanged, this, &frmTuningWorkbench::applySettings);
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{optFixedDelay, optDelayCurve, chkFilterRpm,
                                                 chkFilterLoadRate, chkFilterAfr, chkFilterWarmUp})
        connect(b, &QAbstractButton::toggled, this, [this](bool) { applySettings(); });
    for (QDoubleSpinBox* s : {spnDelay, spnMinRpm, spnMaxLoadRate, spnMinLambda, spnMaxLambda,
                              spnWarmUp, spnMinWeight, spnTarget, spnMaxChange})
        connect(s, &QDoubleSpinBox::valueChanged, this, [this](double) { applySettings(); });
    connect(cmdClearTarget, &QPushButton::clicked, this, [this] {
        m_session.clearTargetTable();
        showSettings();
        showResult();
    });
    connect(cmdClearBase, &QPushButton::clicked, this, [this] {
        m_session.clearBase();
        showSettings();
        showResult();
    });
    return box;
}

QWidget* frmTuningWorkbench::buildTables() {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    tabTables = new QTabBar;
    tabTables->setObjectName(QStringLiteral("tabTables"));
    for (int i = 0; i < WorkbenchTables::kCount; ++i)
        tabTables->addTab(WorkbenchTables::caption(WorkbenchTables::at(i)));
    top->addWidget(tabTables, 1);
    chkCopyAxes = new QCheckBox(QStringLiteral("Copy with axes"));
    chkCopyAxes->setChecked(true);
    chkCopyAxes->setToolTip(QStringLiteral("Ctrl+C copies the shown table as tab-separated "
                                           "text; Ctrl+Shift+C copies it the other way"));
    top->addWidget(chkCopyAxes);
    layout->addLayout(top);
    auto* files = new QHBoxLayout;
    cmdSaveSetup = new QPushButton(QStringLiteral("&Save Setup..."));
    cmdLoadSetup = new QPushButton(QStringLiteral("L&oad Setup..."));
    cmdExportCsv = new QPushButton(QStringLiteral("&Export CSV..."));
    cmdLoadTune = new QPushButton(QStringLiteral("Load &Tune..."));
    cmdLoadTune->setToolTip(QStringLiteral("Axes, base map and targets from a TunerStudio tune "
                                           "(.msq) or table export (.table)"));
    cmdSaveTune = new QPushButton(QStringLiteral("Save T&une..."));
    cmdSaveTune->setToolTip(QStringLiteral("Save Corrected Tune: a copy of the tune with the "
                                           "corrected fuel table"));
    files->addWidget(cmdLoadTune);
    files->addWidget(cmdSaveTune);
    files->addWidget(cmdSaveSetup);
    files->addWidget(cmdLoadSetup);
    files->addWidget(cmdExportCsv);
    files->addStretch();
    layout->addLayout(files);
    connect(cmdSaveSetup, &QPushButton::clicked, this, &frmTuningWorkbench::cmdSaveSetup_Click);
    connect(cmdLoadSetup, &QPushButton::clicked, this, &frmTuningWorkbench::cmdLoadSetup_Click);
    connect(cmdExportCsv, &QPushButton::clicked, this, &frmTuningWorkbench::cmdExportCsv_Click);
    connect(cmdLoadTune, &QPushButton::clicked, this, &frmTuningWorkbench::cmdLoadTune_Click);
    connect(cmdSaveTune, &QPushButton::clicked, this, &frmTuningWorkbench::cmdSaveTune_Click);

    tblGrid = new QTableView;
    tblGrid->setObjectName(QStringLiteral("tblGrid"));
    m_model = new WorkbenchTableModel(m_session, this);
    tblGrid->setModel(m_model);
    tblGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    tblGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tblGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tblGrid->verticalHeader()->setMinimumSectionSize(18);
    tblGrid->installEventFilter(this);
    layout->addWidget(tblGrid, 1);

    connect(tabTables, &QTabBar::currentChanged, this,
            [this](int i) { m_model->setTable(WorkbenchTables::at(i)); });
    connect(tblGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex&, const QModelIndex&) { showHighlight(); });
    // A reset model forgets the selection model's current index; keep showing the cell.
    return box;
}

QWidget* frmTuningWorkbench::buildCharts() {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Time chart of")));
    cboChartLog = new QComboBox;
    top->addWidget(cboChartLog, 1);
    top->addWidget(new QLabel(QStringLiteral("Scatter against")));
    cboScatterAxis = new QComboBox;
    cboScatterAxis->addItems({QStringLiteral("Engine speed"), QStringLiteral("Load")});
    top->addWidget(cboScatterAxis);
    layout->addLayout(top);

    auto* plots = new QSplitter(Qt::Horizontal);
    plotTime = new QCustomPlot;
    plotTime->setObjectName(QStringLiteral("plotTime"));
    plotTime->setPlottingHint(QCP::phFastPolylines, true);
    plotTime->setMinimumSize(200, 150);
    QCPAxisRect* rect = plotTime->axisRect();
    QCPAxis* loadAxis = rect->addAxis(QCPAxis::atRight);
    loadAxis->setLabel(QStringLiteral("Load"));
    plotTime->xAxis->setLabel(QStringLiteral("Elapsed Time (sec)"));
    plotTime->yAxis->setLabel(QStringLiteral("AFR"));
    plotTime->yAxis2->setVisible(true);
    plotTime->yAxis2->setLabel(QStringLiteral("RPM"));
    auto* sensor = new ChartGraph(plotTime->xAxis, plotTime->yAxis);
    sensor->setPen(QPen(QColor(200, 30, 30)));
    sensor->setName(QStringLiteral("Sensor"));
    auto* rpm = new ChartGraph(plotTime->xAxis, plotTime->yAxis2);
    rpm->setPen(QPen(QColor(30, 30, 200)));
    rpm->setName(QStringLiteral("RPM"));
    auto* load = new ChartGraph(plotTime->xAxis, loadAxis);
    load->setPen(QPen(QColor(30, 150, 30)));
    load->setName(QStringLiteral("Load"));
    m_highlight = plotTime->addGraph(plotTime->xAxis, plotTime->yAxis);
    m_highlight->setLineStyle(QCPGraph::lsNone);
    m_highlight->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::black, 1.5), QColor(255, 200, 0), 7));
    m_highlight->setName(QStringLiteral("Samples of the cell"));
    plotTime->legend->setVisible(true);
    plotTime->legend->setFont(QFont(font().family(), 8));
    // The legend in a row of its own under the chart, its entries side by side: inside the
    // axis rect it hid a third of the drive.
    auto* legendRow = new QCPLayoutGrid;
    plotTime->plotLayout()->addElement(1, 0, legendRow);
    legendRow->setMargins(QMargins(0, 0, 0, 2));
    legendRow->addElement(0, 0, plotTime->legend);
    plotTime->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plotTime->plotLayout()->setRowStretchFactor(1, 0.001);
    plotTime->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plotTime->axisRect()->setRangeZoomAxes(plotTime->xAxis, nullptr);
    plotTime->axisRect()->setRangeDragAxes(plotTime->xAxis, nullptr);
    plots->addWidget(plotTime);

    plotScatter = new QCustomPlot;
    plotScatter->setObjectName(QStringLiteral("plotScatter"));
    plotScatter->setMinimumSize(200, 150);
    plotScatter->yAxis->setLabel(QStringLiteral("AFR"));
    for (const QColor& colour : kCellColours) {
        QCPGraph* g = plotScatter->addGraph();
        g->setLineStyle(QCPGraph::lsNone);
        // Plain squares without smoothing: many thousand of them redraw in a few ms.
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, colour, colour, 3));
        g->setAntialiasedScatters(false);
        m_scatterClasses.push_back(g);
    }
    m_scatterSelected = plotScatter->addGraph();
    m_scatterSelected->setLineStyle(QCPGraph::lsNone);
    m_scatterSelected->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::black, 1.5), QColor(255, 200, 0), 7));
    plots->addWidget(plotScatter);
    layout->addWidget(plots, 1);

    connect(plotTime, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton && e->modifiers() == Qt::NoModifier)
            clickTimeChart(plotTime->xAxis->pixelToCoord(e->position().x()));
    });
    connect(plotScatter, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton)
            clickScatter(plotScatter->xAxis->pixelToCoord(e->position().x()),
                         plotScatter->yAxis->pixelToCoord(e->position().y()));
    });
    connect(cboChartLog, &QComboBox::activated, this, [this](int i) { setChartInput(i); });
    connect(cboScatterAxis, &QComboBox::currentIndexChanged, this, [this](int) {
        showScatter();
        showHighlight();
    });
    return box;
}

void frmTuningWorkbench::rereadLogInMemory() {
    m_session.setLogInMemory(m_log, logInMemoryName ? logInMemoryName() : QString());
    showSettings();
    showResult();
}

bool frmTuningWorkbench::attempt(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const TuningInputError& e) {
        refuse(e.message());
    } catch (...) {
        refuse(ErrorReport::describeCurrentException());
    }
    return false;
}

void frmTuningWorkbench::addFile(const QString& path) {
    // A text table has its columns confirmed in the column dialog; the module's logs,
    // recordings and other tools' logs say what their channels are.
    const bool csv = !LogImport::isModuleLog(path) && !LogImport::isRecording(path) &&
                     (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ||
                      path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ||
                      !LogImport::choose(QByteArray(), path));
    std::optional<CsvSampleSource::Columns> columns;
    if (csv) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            refuse(path + QStringLiteral(": ") + f.errorString());
            return;
        }
        // The preview needs only the first rows.
        columns = chooseCsvColumns(
            path, CsvSampleSource::preview(f.read(1 << 16), frmCsvColumns::kPreviewRows));
        if (!columns)
            return;
    }
    if (!attempt([&] { m_session.addFile(path, columns); }))
        return;
    showSettings();
    showResult();
}

void frmTuningWorkbench::cmdSaveSetup_Click() {
    // A name typed without an extension gets the setup's own, so Load Setup finds it.
    const QString filter = QStringLiteral("Tuning setups (*.txt)|*.txt");
    const QString path = FileChooser::withFilterExtension(
        m_prompter.saveFileName(QStringLiteral("Save Tuning Setup"), filter), filter);
    if (!path.isEmpty() && attempt([&] { WorkbenchSetupFile::save(m_session, path); }))
        m_savedSetup = WorkbenchSetupFile::format(m_session);
}

bool frmTuningWorkbench::setupUnsaved() const {
    return WorkbenchSetupFile::format(m_session) != m_savedSetup;
}

bool frmTuningWorkbench::confirmClose() {
    // A base map pasted from the engine computer and the settings worked out for it exist
    // nowhere else; the logs are files and can be added again.
    if (!setupUnsaved())
        return true;
    switch (m_prompter.message(QStringLiteral("Save the tuning setup (settings, base map and "
                                              "target table) before closing the workbench?"),
                               kTitle, Prompter::Icon::Question,
                               Prompter::Save | Prompter::Discard | Prompter::Cancel)) {
    case Prompter::Save:
        // A save that was cancelled or failed keeps the workbench open.
        cmdSaveSetup_Click();
        return !setupUnsaved();
    case Prompter::Discard:
        return true;
    default:
        return false;
    }
}

void frmTuningWorkbench::closeEvent(QCloseEvent* event) {
    if (confirmClose())
        event->accept();
    else
        event->ignore();
}

void frmTuningWorkbench::cmdLoadSetup_Click() {
    const QString path =
        m_prompter.openFileName(QStringLiteral("Load Tuning Setup"),
                                FileChooser::withAllSupported(QStringLiteral(
                                    "Tuning setups (*.txt)|*.txt|All files (*.*)|*.*")));
    if (path.isEmpty())
        return;
    if (attempt([&] { WorkbenchSetupFile::load(m_session, path); }))
        m_savedSetup = WorkbenchSetupFile::format(m_session);
    showSettings();
    showResult();
}

void frmTuningWorkbench::cmdLoadTune_Click() {
    const QString path = m_prompter.openFileName(
        QStringLiteral("Load Tune"),
        QStringLiteral("TunerStudio tunes and table exports (*.msq *.table)|*.msq;*.table|"
                       "Tunes carried by MegaLogViewer logs (*.mlg)|*.mlg|All files (*.*)|*.*"));
    if (path.isEmpty())
        return;
    QString taken;
    if (!attempt([&] { taken = m_session.loadTune(path); }))
        return;
    showSettings();
    showResult();
    lblStatus->setText(QStringLiteral("Took ") + taken + u'.');
}

void frmTuningWorkbench::cmdSaveTune_Click() {
    if (!m_session.hasTune()) {
        refuse(QStringLiteral("Load a tune first: the corrected tune is a copy of the tune the "
                              "base map came from."));
        return;
    }
    const QString path = m_prompter.saveFileName(
        QStringLiteral("Save Corrected Tune"),
        QStringLiteral("TunerStudio tunes (*.msq)|*.msq|Table exports (*.table)|*.table"));
    if (!path.isEmpty())
        attempt([&] { m_session.saveCorrectedTune(path); });
}

void frmTuningWorkbench::cmdExportCsv_Click() {
    const QString filter = QStringLiteral("CSV files (*.csv)|*.csv");
    const QString path = FileChooser::withFilterExtension(
        m_prompter.saveFileName(QStringLiteral("Export Tables"), filter), filter);
    if (!path.isEmpty())
        attempt([&] { SafeWrite::writeFile(path, m_session.csvText().toUtf8()); });
}

void frmTuningWorkbench::addLog(TuningLog log, const QString& name) {
    m_session.addLog(std::move(log), name);
    showSettings();
    showResult();
}

void frmTuningWorkbench::cmdAddFiles_Click() {
    // A day's logs are added in one go, as a file manager selects them.
    const QStringList paths = m_prompter.openFileNames(
        QStringLiteral("Add Logs"),
        FileChooser::withAllSupported(
            QStringLiteral("QERO4D log files (*.log)|*.log|Recordings and CSV files (*.csv)|*.csv|"
                           "Text tables (*.txt)|*.txt|All files (*.*)|*.*")));
    for (const QString& path : paths)
        addFile(path);
}

void frmTuningWorkbench::cmdAddJoined_Click() {
    const QString filter = LogFileCommands::openFilter();
    const QString wideband =
        m_prompter.openFileName(QStringLiteral("Add Joined Logs: the wideband's log"), filter);
    if (wideband.isEmpty())
        return;
    const QString engine = m_prompter.openFileName(
        QStringLiteral("Add Joined Logs: the engine computer's log"), filter);
    if (engine.isEmpty())
        return;
    addJoinedFiles(wideband, engine);
}

void frmTuningWorkbench::addJoinedFiles(const QString& wideband, const QString& engine) {
    LogJoin::Match m;
    if (!attempt([&] { m = m_session.addJoinedFiles(wideband, engine); }))
        return;
    m_joinNote = QStringLiteral("Joined at offset %1 s, rate %2, match %3.")
                     .arg(m.offset, 0, 'f', 2)
                     .arg(m.rate, 0, 'f', 5)
                     .arg(m.score, 0, 'f', 2);
    showSettings();
    showResult();
}

void frmTuningWorkbench::rememberPlacement(SettingsStore& settings) {
    WindowPlacement::remember(*this, settings, kGeometryKey);
}

void frmTuningWorkbench::cmdRemove_Click() {
    const int row = tblInputs->currentRow();
    if (row < 0)
        return;
    m_session.removeInput(row);
    showSettings();
    showResult();
}

void frmTuningWorkbench::refuse(const QString& message) {
    m_prompter.message(message, kTitle, Prompter::Icon::Exclamation, Prompter::Ok);
}

void frmTuningWorkbench::applyPreset(int index) {
    if (index <= 0 || index > int(presets().size()))
        return;
    const AxesPreset& p = presets()[std::size_t(index - 1)];
    try {
        m_session.setAxes(p.rpm, p.load);
    } catch (const TuningInputError& e) {
        refuse(e.message());
    }
    showSettings();
    showResult();
}

void frmTuningWorkbench::applyAxes() {
    if (m_showing)
        return;
    const std::vector<double>& rpmNow = m_session.settings().rpmAxis;
    const std::vector<double>& loadNow = m_session.settings().loadAxis;
    try {
        const auto rpm =
            TuningSettings::parseAxis(txtRpmAxis->text(), QStringLiteral("engine speed"));
        const auto load = TuningSettings::parseAxis(txtLoadAxis->text(), QStringLiteral("load"));
        if (rpm == rpmNow && load == loadNow)
            return;
        m_session.setAxes(rpm, load);
    } catch (const TuningInputError& e) {
        // The boxes go back to the axes in use before the message, so that leaving the box
        // for the message does not ask again.
        showSettings();
        refuse(QStringLiteral("Expected a row of numbers in ascending order, such as "
                              "500, 1000, 1500.\n\n") +
               e.message());
        return;
    }
    showSettings();
    showResult();
}

void frmTuningWorkbench::applySettings() {
    if (m_showing)
        return;
    TuningSettings s = m_session.settings();
    s.sensor = TuningSettings::Sensor(cboSensor->currentIndex());
    s.weighting = TuningSettings::Weighting(cboWeighting->currentIndex());
    s.filterRpm = chkFilterRpm->isChecked();
    s.minRpm = spnMinRpm->value();
    s.filterLoadRate = chkFilterLoadRate->isChecked();
    s.maxLoadRatePercent = spnMaxLoadRate->value();
    s.filterAfr = chkFilterAfr->isChecked();
    s.minLambda = spnMinLambda->value();
    s.maxLambda = spnMaxLambda->value();
    s.filterWarmUp = chkFilterWarmUp->isChecked();
    s.warmUpSeconds = spnWarmUp->value();
    s.minWeight = spnMinWeight->value();
    s.maxChangePercent = spnMaxChange->value();
    s.channelFilters.clear();
    for (const QString& f : txtChannelFilters->text().split(u';', Qt::SkipEmptyParts))
        if (!f.trimmed().isEmpty())
            s.channelFilters << f.trimmed();
    // The box at its lowest is the built-in target table.
    if (spnTarget->value() > spnTarget->minimum())
        s.target = spnTarget->value();
    else
        s.target.reset();
    m_curveChosen = optDelayCurve->isChecked();
    try {
        if (m_curveChosen && !txtDelayCurve->text().trimmed().isEmpty())
            s.delay = TransportDelay::parseCurve(txtDelayCurve->text());
        else
            s.delay = TransportDelay::fixed(spnDelay->value());
        m_session.setSettings(s);
    } catch (const TuningInputError& e) {
        showSettings();
        refuse(e.message());
        return;
    }
    showSettings();
    showResult();
}

void frmTuningWorkbench::showSettings() {
    m_showing = true;
    const TuningSettings& s = m_session.settings();
    const QList<QWidget*> all = findChildren<QWidget*>();
    for (QWidget* w : all)
        w->blockSignals(true);
    if (!txtRpmAxis->hasFocus() || txtRpmAxis->text().isEmpty())
        txtRpmAxis->setText(axisText(s.rpmAxis));
    if (!txtLoadAxis->hasFocus() || txtLoadAxis->text().isEmpty())
        txtLoadAxis->setText(axisText(s.loadAxis));
    txtRpmAxis->setText(axisText(s.rpmAxis));
    txtLoadAxis->setText(axisText(s.loadAxis));
    cboAxesPreset->setCurrentIndex(0);
    for (int i = 0; i < int(presets().size()); ++i)
        if (presets()[std::size_t(i)].rpm == s.rpmAxis &&
            presets()[std::size_t(i)].load == s.loadAxis)
            cboAxesPreset->setCurrentIndex(i + 1);
    cboSensor->setCurrentIndex(int(s.sensor));
    cboWeighting->setCurrentIndex(int(s.weighting));
    // A curve in use is shown as one; with a fixed delay the user's choice of the two
    // stays (a curve being typed has not been taken yet).
    const bool fixed = s.delay.isFixed();
    if (!fixed) {
        m_curveChosen = true;
        QStringList points;
        for (const TransportDelay::Point& p : s.delay.points())
            points << QString::number(p.rpm, 'g', 10) + u':' + QString::number(p.ms, 'g', 10);
        txtDelayCurve->setText(points.join(u','));
    } else {
        spnDelay->setValue(s.delay.points().front().ms);
    }
    optDelayCurve->setChecked(m_curveChosen);
    optFixedDelay->setChecked(!m_curveChosen);
    spnDelay->setEnabled(!m_curveChosen);
    txtDelayCurve->setEnabled(m_curveChosen);
    chkFilterRpm->setChecked(s.filterRpm);
    spnMinRpm->setValue(s.minRpm);
    chkFilterLoadRate->setChecked(s.filterLoadRate);
    spnMaxLoadRate->setValue(s.maxLoadRatePercent);
    chkFilterAfr->setChecked(s.filterAfr);
    spnMinLambda->setValue(s.minLambda);
    spnMaxLambda->setValue(s.maxLambda);
    chkFilterWarmUp->setChecked(s.filterWarmUp);
    spnWarmUp->setValue(s.warmUpSeconds);
    spnMinWeight->setValue(s.minWeight);
    spnTarget->setDecimals(m_session.stoichRatio() < 2.0 ? 3 : 2);
    spnTarget->setValue(s.target.value_or(spnTarget->minimum()));
    spnTarget->setEnabled(!m_session.hasTargetTable());
    lblTargetTable->setText(m_session.hasTargetTable()
                                ? QStringLiteral("A target table is pasted; it is used.")
                                : QStringLiteral("Paste a target table on the Target table."));
    cmdClearTarget->setEnabled(m_session.hasTargetTable());
    cmdClearBase->setEnabled(m_session.hasBase());
    spnMaxChange->setValue(s.maxChangePercent);
    txtChannelFilters->setText(s.channelFilters.join(QStringLiteral("; ")));
    for (QWidget* w : all)
        w->blockSignals(false);
    m_showing = false;
}

void frmTuningWorkbench::showInputs() {
    const auto& inputs = m_session.inputs();
    tblInputs->setRowCount(int(inputs.size()));
    const int chart = chartInput();
    cboChartLog->clear();
    for (int i = 0; i < int(inputs.size()); ++i) {
        const WorkbenchInput& in = inputs[std::size_t(i)];
        const TuningCounts& n = in.counts;
        const QStringList cells = {in.name,
                                   QString::number(n.samples),
                                   QString::number(n.kept),
                                   QString::number(n.noReading),
                                   QString::number(n.rpm),
                                   QString::number(n.loadRate),
                                   QString::number(n.afr),
                                   QString::number(n.warmUp)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            QString tip = in.path.isEmpty() ? in.name : in.path;
            if (in.log.rowsSkipped > 0)
                tip += QStringLiteral("\n%1 rows could not be read and were left out")
                           .arg(in.log.rowsSkipped);
            for (const QString& w : in.log.warnings)
                tip += u'\n' + w;
            item->setToolTip(tip);
            tblInputs->setItem(i, c, item);
        }
        cboChartLog->addItem(in.name);
    }
    tblInputs->resizeColumnsToContents();
    cboChartLog->setCurrentIndex(std::clamp(chart, 0, int(inputs.size()) - 1));
    cmdRemove->setEnabled(!inputs.empty());
}

void frmTuningWorkbench::showResult() {
    const QPoint cell = selectedCell();
    m_model->refresh();
    showInputs();
    if (cell.x() >= 0 && cell.x() < m_model->rowCount() && cell.y() < m_model->columnCount())
        tblGrid->setCurrentIndex(m_model->index(cell.x(), cell.y()));
    showTimeChart();
    showScatter();
    showHighlight();
    const TuningCounts& n = m_session.result().counts;
    QString status =
        QStringLiteral("%1 samples from %2 logs, %3 kept; left out: %4 without a reading, %5 "
                       "below the engine speed, %6 with the load moving, %7 outside the lambda "
                       "range, %8 in the warm-up. Fuel ratio %9.")
            .arg(n.samples)
            .arg(n.logs)
            .arg(n.kept)
            .arg(n.noReading)
            .arg(n.rpm)
            .arg(n.loadRate)
            .arg(n.afr)
            .arg(n.warmUp)
            .arg(m_session.stoichRatio());
    const QStringList& filters = m_session.settings().channelFilters;
    for (std::size_t k = 0; k < n.channelFilter.size() && qsizetype(k) < filters.size(); ++k)
        status += QStringLiteral(" %1 left out where \"%2\" did not hold.")
                      .arg(n.channelFilter[k])
                      .arg(filters[qsizetype(k)]);
    if (!m_joinNote.isEmpty())
        status += u' ' + m_joinNote;
    if (!m_session.hasBase())
        status += QStringLiteral(" Paste the engine computer's map on the Base table (Ctrl+V) "
                                 "for a corrected map.");
    lblStatus->setText(status);
}

void frmTuningWorkbench::showTimeChart() {
    const int index = chartInput();
    QVector<double> keys, afr, rpm, load;
    if (index >= 0) {
        const WorkbenchInput& in = m_session.inputs()[std::size_t(index)];
        const TuningLog& log = in.log;
        const auto sensor = m_session.settings().sensor;
        keys = QVector<double>(log.time.begin(), log.time.end());
        rpm = QVector<double>(log.rpm.begin(), log.rpm.end());
        load = QVector<double>(log.load.begin(), log.load.end());
        afr.resize(keys.size());
        // On the chart, the sensor as logged; the cell's samples are marked at the ratio
        // that went into it, after the delay.
        const double scale = log.afrScale ? m_session.stoichRatio() / *log.afrScale : 1.0;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const double a1 = log.afr1[std::size_t(i)];
            const double a2 = log.afr2[std::size_t(i)];
            const double v = sensor == TuningSettings::Sensor::Sensor1   ? a1
                             : sensor == TuningSettings::Sensor::Sensor2 ? a2
                                                                         : (a1 + a2) / 2.0;
            afr[i] = v * scale;
        }
    }
    plotTime->graph(0)->setData(keys, afr, true);
    plotTime->graph(1)->setData(keys, rpm, true);
    plotTime->graph(2)->setData(keys, load, true);
    plotTime->graph(0)->rescaleAxes();
    plotTime->graph(1)->rescaleValueAxis();
    plotTime->graph(2)->rescaleValueAxis();
}

void frmTuningWorkbench::showScatter() {
    const bool byLoad = cboScatterAxis->currentIndex() == 1;
    double xLow = qInf(), xHigh = -qInf(), yLow = qInf(), yHigh = -qInf();
    for (const WorkbenchInput& in : m_session.inputs())
        for (std::size_t k = 0; k < in.uses.size(); ++k) {
            if (in.uses[k].fate != TuningWorkbench::Fate::Kept)
                continue;
            const double x = byLoad ? in.log.load[k] : in.log.rpm[k];
            xLow = std::min(xLow, x);
            xHigh = std::max(xHigh, x);
            yLow = std::min(yLow, in.uses[k].afr);
            yHigh = std::max(yHigh, in.uses[k].afr);
        }
    // One point per cell colour and square of 2 pixels, about the size of a disc; a plot
    // not laid out yet counts as a large one.
    const QRect area = plotScatter->axisRect()->rect();
    const int width = (area.width() > 50 ? area.width() : 1600) / 2;
    const int height = (area.height() > 50 ? area.height() : 1000) / 2;
    std::vector<ScatterThinning> thinning(m_scatterClasses.size(),
                                          ScatterThinning(xLow, xHigh, yLow, yHigh, width, height));
    std::vector<QVector<double>> xs(m_scatterClasses.size()), ys(m_scatterClasses.size());
    for (const WorkbenchInput& in : m_session.inputs())
        for (std::size_t k = 0; k < in.uses.size(); ++k) {
            const TuningWorkbench::SampleUse& u = in.uses[k];
            if (u.fate != TuningWorkbench::Fate::Kept)
                continue;
            const std::size_t c = std::size_t(colourClass(u.row, u.column));
            const double x = byLoad ? in.log.load[k] : in.log.rpm[k];
            if (!thinning[c].take(x, u.afr))
                continue;
            xs[c].push_back(x);
            ys[c].push_back(u.afr);
        }
    for (std::size_t c = 0; c < m_scatterClasses.size(); ++c)
        m_scatterClasses[c]->setData(xs[c], ys[c]);
    plotScatter->xAxis->setLabel(byLoad ? QStringLiteral("Load") : QStringLiteral("RPM"));
    plotScatter->rescaleAxes();
}

void frmTuningWorkbench::showHighlight() {
    const QPoint cell = selectedCell();
    const int index = chartInput();
    const bool byLoad = cboScatterAxis->currentIndex() == 1;
    QVector<double> t, a, sx, sy;
    if (cell.x() >= 0)
        for (const WorkbenchSession::SampleRef& ref : m_session.samplesOf(cell.x(), cell.y())) {
            const WorkbenchInput& in = m_session.inputs()[std::size_t(ref.input)];
            const double afr = in.uses[std::size_t(ref.sample)].afr;
            sx.push_back(byLoad ? in.log.load[std::size_t(ref.sample)]
                                : in.log.rpm[std::size_t(ref.sample)]);
            sy.push_back(afr);
            if (ref.input == index) {
                t.push_back(in.log.time[std::size_t(ref.sample)]);
                a.push_back(afr);
            }
        }
    m_highlight->setData(t, a, true);
    m_scatterSelected->setData(sx, sy);
    plotTime->replot(QCustomPlot::rpQueuedReplot);
    plotScatter->replot(QCustomPlot::rpQueuedReplot);
}

void frmTuningWorkbench::showTable(WorkbenchTable table) {
    tabTables->setCurrentIndex(int(table));
}

WorkbenchTable frmTuningWorkbench::shownTable() const {
    return WorkbenchTables::at(tabTables->currentIndex());
}

void frmTuningWorkbench::copyTable(bool withAxes) {
    QApplication::clipboard()->setText(m_session.copyText(shownTable(), withAxes));
}

void frmTuningWorkbench::pasteTable() {
    const QString text = QApplication::clipboard()->text();
    const WorkbenchTable table = shownTable();
    // A bare square grid on axes of one length reads either way. Engine-speed rows, as
    // pastes always were read, unless the map in use is in load rows (from a tune or
    // pasted so): then the user says which.
    std::optional<TuningTableText::Orientation> orientation;
    if ((table == WorkbenchTable::Base || table == WorkbenchTable::Target) &&
        m_session.layoutIsLoadRows() &&
        m_session.pasteFit(text) == TuningTableText::Fit::Ambiguous) {
        const Prompter::Button b = m_prompter.message(
            QStringLiteral("The pasted grid has no axes and fits them both ways.\n\nIs each "
                           "row a load, with the highest load at the top, as TunerStudio shows "
                           "a table? (No: each row is an engine speed, the lowest at the top.)"),
            kTitle, Prompter::Icon::Question, Prompter::Yes | Prompter::No | Prompter::Cancel);
        if (b == Prompter::Cancel)
            return;
        orientation = b == Prompter::Yes ? TuningTableText::Orientation::LoadRowsHighFirst
                                         : TuningTableText::Orientation::RpmRows;
    }
    try {
        if (table == WorkbenchTable::Base)
            m_session.pasteBase(text, orientation);
        else if (table == WorkbenchTable::Target)
            m_session.pasteTarget(text, orientation);
        else {
            refuse(QStringLiteral("Paste the engine computer's map on the Base table, or a "
                                  "target table on the Target table."));
            return;
        }
    } catch (const TuningInputError& e) {
        refuse(e.message());
        return;
    }
    showSettings();
    showResult();
}

void frmTuningWorkbench::selectCell(int row, int column) {
    tblGrid->setCurrentIndex(m_model->index(row, column));
}

QPoint frmTuningWorkbench::selectedCell() const {
    const QModelIndex i = tblGrid->currentIndex();
    return i.isValid() ? QPoint(i.row(), i.column()) : QPoint(-1, -1);
}

int frmTuningWorkbench::chartInput() const {
    const int n = int(m_session.inputs().size());
    if (n == 0)
        return -1;
    return std::clamp(cboChartLog->currentIndex(), 0, n - 1);
}

void frmTuningWorkbench::setChartInput(int index) {
    cboChartLog->setCurrentIndex(index);
    showTimeChart();
    showHighlight();
}

void frmTuningWorkbench::clickTimeChart(double time) {
    const int index = chartInput();
    if (index < 0)
        return;
    const WorkbenchInput& in = m_session.inputs()[std::size_t(index)];
    const std::vector<double>& t = in.log.time;
    if (t.empty())
        return;
    auto it = std::lower_bound(t.begin(), t.end(), time);
    if (it == t.end() || (it != t.begin() && time - *(it - 1) < *it - time))
        --it;
    const TuningWorkbench::SampleUse& u = in.uses[std::size_t(it - t.begin())];
    selectCell(u.row, u.column);
}

void frmTuningWorkbench::clickScatter(double x, double afr) {
    const bool byLoad = cboScatterAxis->currentIndex() == 1;
    // Nearest on the screen: each axis measured in its own visible span.
    const double xSpan = std::max(plotScatter->xAxis->range().size(), 1e-12);
    const double ySpan = std::max(plotScatter->yAxis->range().size(), 1e-12);
    double best = 0.0;
    std::optional<QPoint> cell;
    for (const WorkbenchInput& in : m_session.inputs())
        for (std::size_t k = 0; k < in.uses.size(); ++k) {
            const TuningWorkbench::SampleUse& u = in.uses[k];
            if (u.fate != TuningWorkbench::Fate::Kept)
                continue;
            const double dx = ((byLoad ? in.log.load[k] : in.log.rpm[k]) - x) / xSpan;
            const double dy = (u.afr - afr) / ySpan;
            const double d = dx * dx + dy * dy;
            if (!cell || d < best) {
                best = d;
                cell = QPoint(u.row, u.column);
            }
        }
    if (cell)
        selectCell(cell->x(), cell->y());
}

bool frmTuningWorkbench::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tblGrid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            copyTable(chkCopyAxes->isChecked());
            return true;
        }
        if (key->key() == Qt::Key_C &&
            key->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
            copyTable(!chkCopyAxes->isChecked());
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            pasteTable();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
