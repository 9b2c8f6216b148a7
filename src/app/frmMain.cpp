#include "app/frmMain.h"

#include "app/SettingsTable.h"
#include "chart/frmChart1.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/Clock.h"
#include "support/Prompter.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QVBoxLayout>

frmMain::frmMain(AppState& state, SettingsStore& settings, Prompter& prompter, Clock& clock,
                 QWidget* parent)
    : QMainWindow(parent), m_state(state), m_settings(settings), m_prompter(prompter),
      m_clock(clock) {
    PortDevices devices;
    devices.loadOverrides(m_settings);
    m_module = std::make_unique<ModuleSession>(m_state, m_clock, m_prompter,
                                               std::make_unique<QSerialPortLink>(devices));
    setObjectName(QStringLiteral("frmMain"));
    resize(900, 620);
    buildMenus();
    buildPanels();
    Form_Load();
}

frmMain::~frmMain() {
    if (qApp)
        qApp->removeEventFilter(this);
}

namespace {

QAction* entry(QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

QAction* separator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

void frmMain::buildMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpenFile = entry(mnuFile, "mnuOpenFile", QStringLiteral("&Open File"));
    mnuSaveFile = entry(mnuFile, "mnuSaveFile", QStringLiteral("&Save File"));
    mnuSep1 = separator(mnuFile, "mnuSep1");
    mnuPrintSetup = entry(mnuFile, "mnuPrintSetup", QStringLiteral("Print Set&up"));
    mnuSep2 = separator(mnuFile, "mnuSep2");
    mnuExit = entry(mnuFile, "mnuExit", QStringLiteral("E&xit"));

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditQEROParams = entry(mnuEdit, "mnuEditQEROParams", QStringLiteral("QERO Parameters"));
    mnuMaxRPM = entry(mnuEdit, "mnuMaxRPM", QStringLiteral("Maximum RPM"));
    mnuAnalogInScale = entry(mnuEdit, "mnuAnalogInScale", QStringLiteral("Analog Input Scaling"));
    mnuFuelType = entry(mnuEdit, "mnuFuelType", QStringLiteral("Fuel Type"));
    mnuEditComment = entry(mnuEdit, "mnuEditComment", QStringLiteral("&Comment"));

    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuViewRealTime = entry(mnuView, "mnuViewRealTime", QStringLiteral("View &Real Time Data"));
    mnuViewChart = entry(mnuView, "mnuViewChart", QStringLiteral("View &Chart (Downloaded Data)"));
    mnuViewAFRTable =
        entry(mnuView, "mnuViewAFRTable", QStringLiteral("View &AFR Table (Downloaded Data)"));

    mnuCommunications = menuBar()->addMenu(QStringLiteral("&Communications"));
    mnuCommunications->setObjectName(QStringLiteral("mnuCommunications"));
    mnuDownload =
        entry(mnuCommunications, "mnuDownload", QStringLiteral("&Download Data From QERO"));
    mnuClearQEROBuffer =
        entry(mnuCommunications, "mnuClearQEROBuffer", QStringLiteral("Clear QERO Data Buffer"));
    mnuPortSetup = entry(mnuCommunications, "mnuPortSetup", QStringLiteral("&Port Setup"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = entry(mnuHelp, "mnuHelpContents", QStringLiteral("&Contents"));
    mnuAbout = entry(mnuHelp, "mnuAbout", QStringLiteral("&About"));

    // Commands that are not built yet stay visible but disabled.
    for (QAction* a :
         {mnuOpenFile, mnuSaveFile, mnuPrintSetup, mnuEditQEROParams, mnuMaxRPM, mnuAnalogInScale,
          mnuFuelType, mnuEditComment, mnuViewRealTime, mnuViewAFRTable, mnuDownload,
          mnuClearQEROBuffer, mnuPortSetup, mnuHelpContents, mnuAbout})
        a->setEnabled(false);

    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuViewChart, &QAction::triggered, this, &frmMain::mnuViewChart_Click);
}

void frmMain::buildPanels() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralArea"));
    auto* layout = new QVBoxLayout(central);

    fraProgress1 = new QGroupBox(central);
    fraProgress1->setObjectName(QStringLiteral("fraProgress1"));
    auto* progressLayout = new QVBoxLayout(fraProgress1);
    prgProgress1 = new QProgressBar(fraProgress1);
    prgProgress1->setObjectName(QStringLiteral("prgProgress1"));
    prgProgress1->setRange(0, 100);
    progressLayout->addWidget(prgProgress1);
    layout->addWidget(fraProgress1);
    layout->addStretch(1);
    setCentralWidget(central);
}

void frmMain::Form_Load() {
    // 1. Keyboard preview: Esc anywhere reaches this window first.
    qApp->installEventFilter(this);
    // 2.
    fraProgress1->hide();
    m_state.RealTimeActive = false;
    // 3.
    QCoreApplication::setApplicationName(QStringLiteral("QERO4D_Log"));
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    m_state.AbortRequested = false;
    // 4. and 5.
    SettingsTable::load(m_state, m_settings, m_prompter);
    // 8.
    m_state.CommErrorCount = 0;
    m_state.fram.ClearFRAMBuffer();
    m_state.log.ClearDataBuffer();
    // 10.
    m_state.MainCaption = QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3");
    const QString label = m_state.ConfigList2.isEmpty() ? QString() : m_state.ConfigList2.first();
    setWindowTitle(label + u' ' + m_state.MainCaption);
}

void frmMain::setCaptionSuffix(const QString& suffix) {
    setWindowTitle(m_state.MainCaption + QStringLiteral(" - ") + suffix);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape)
            m_state.AbortRequested = true; // and the key goes on to the focused control
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::cmdCloseRealTimeData_Click() {
    m_state.RealTimeActive = false;
}

void frmMain::mnuExit_Click() {
    close();
}

void frmMain::mnuViewChart_Click() {
    cmdCloseRealTimeData_Click();
    if (m_state.log.DataBufferEmpty) {
        m_prompter.message(QStringLiteral("Data buffer empty."), QStringLiteral("View Chart"),
                           Prompter::Icon::Exclamation, Prompter::Ok);
        return;
    }
    showChart();
}

void frmMain::showChart() {
    frmChart1 chart(m_state, m_prompter, this);
    chart.exec();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void frmMain::Form_QueryUnload() {
    m_module->link().closeIfOpen();
    // Every setting was saved when it changed. Quitting ends every event loop, nested
    // ones of modal windows included, so the program ends at once.
    QCoreApplication::quit();
}
