// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"

#include "afrtable/AFRTable.h"
#include "afrtable/frmAFRTable.h"
#include "app/AboutText.h"
#include "app/ClosingPrompter.h"
#include "app/CurrentPrinter.h"
#include "app/CurrentPrinterProvider.h"
#include "app/HelpFile.h"
#include "app/ModuleCommandGuard.h"
#include "app/frmHelp.h"
#include "chart/frmChart1.h"
#include "chart/frmLogViewer.h"
#include "device/ClearQEROBufferCommand.h"
#include "device/DownloadCommand.h"
#include "device/FuelUpload.h"
#include "device/ModuleSession.h"
#include "device/PortSelectFrame.h"
#include "device/PortSetup.h"
#include "device/ProgressPanel.h"
#include "device/QEROParamsPanel.h"
#include "logdata/AppState.h"
#include "logdata/DownloadArchive.h"
#include "logdata/LogFileCommands.h"
#include "logdata/ModuleLogReader.h"
#include "logdata/RecentFiles.h"
#include "logdata/SettingsTable.h"
#include "logdata/frmAnalogInScale.h"
#include "logdata/frmFuelType.h"
#include "realtime/ConnectionStateMachine.h"
#include "realtime/LiveRecorder.h"
#include "realtime/MaxRPMSetting.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimeDataFrame.h"
#include "realtime/RealTimePoller.h"
#include "realtime/RealTimeStart.h"
#include "support/Clock.h"
#include "support/ErrorReport.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SettingsStore.h"
#include "support/WindowPlacement.h"
#include "workbench/frmTuningWorkbench.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

frmMain::frmMain(AppState& state, SettingsStore& settings, Prompter& prompter, Clock& clock,
                 ModuleSession& module, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_settings(settings), m_prompter(prompter),
      m_clock(clock), m_module(module),
      m_logFiles(std::make_unique<LogFileCommands>(state, prompter, settings, clock)),
      m_printer(std::make_unique<CurrentPrinter>(prompter)),
      m_commandPrompter(std::make_unique<ClosingPrompter>(prompter)) {
    setObjectName(QStringLiteral("frmMain"));
    m_printer->setSettings(&m_settings);
    m_logFiles->closeRealTimeView = [this] { cmdCloseRealTimeData_Click(); };
    m_logFiles->setCaptionSuffix = [this](const QString& s) { setCaptionSuffix(s); };
    // A log that has just been opened is shown at once.
    m_logFiles->showChart = [this] { mnuViewChart_Click(); };
    m_logFiles->recentFilesChanged = [this] { fillRecentFiles(); };
    // Other logs open whole in a viewer of their own, beside the log in memory.
    m_logFiles->showInViewer = [this](Log&& log) { showLogViewer(std::move(log)); };
    // A log file dragged from the file manager opens as File > Open would open it.
    setAcceptDrops(true);
    WindowPlacement::resizeToFit(*this, QSize(900, 620));
    // Room for the menu bar and the panels; the live view asks for more when it shows.
    setMinimumSize(480, 320);
    WindowPlacement::remember(*this, m_settings, QStringLiteral("MainWindowGeometry"));
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
    mnuRecentFiles = mnuFile->addMenu(QStringLiteral("&Recent Files"));
    mnuRecentFiles->setObjectName(QStringLiteral("mnuRecentFiles"));
    mnuRecentFiles->menuAction()->setObjectName(QStringLiteral("mnuRecentFiles"));
    mnuRecentFiles->setToolTipsVisible(true);
    for (int i = 0; i < RecentFiles::kMax; ++i) {
        QAction* a = mnuRecentFiles->addAction(QString());
        a->setObjectName(QStringLiteral("mnuRecentFile%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, a] { openRecentFile(a->data().toString()); });
        mnuRecentFile << a;
    }
    fillRecentFiles();
    // Every download is also kept on disk; these are the newest, opened as any log file.
    mnuRecentDownloads = mnuFile->addMenu(QStringLiteral("Recent &Downloads"));
    mnuRecentDownloads->setObjectName(QStringLiteral("mnuRecentDownloads"));
    mnuRecentDownloads->menuAction()->setObjectName(QStringLiteral("mnuRecentDownloads"));
    mnuRecentDownloads->setToolTipsVisible(true);
    for (int i = 0; i < DownloadArchive::kMenuEntries; ++i) {
        QAction* a = mnuRecentDownloads->addAction(QString());
        a->setObjectName(QStringLiteral("mnuRecentDownload%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, a] { openRecentFile(a->data().toString()); });
        mnuRecentDownload << a;
    }
    // Another copy of the program, or the user, may have changed the folder since.
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { fillRecentDownloads(); });
    fillRecentDownloads();
    mnuSep1 = separator(mnuFile, "mnuSep1");
    mnuPrintSetup = entry(mnuFile, "mnuPrintSetup", QStringLiteral("Print Set&up"));
    mnuSep2 = separator(mnuFile, "mnuSep2");
    mnuExit = entry(mnuFile, "mnuExit", QStringLiteral("E&xit"));

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditQEROParams = entry(mnuEdit, "mnuEditQEROParams", QStringLiteral("&QERO Parameters"));
    mnuMaxRPM = entry(mnuEdit, "mnuMaxRPM", QStringLiteral("Maximum &RPM"));
    mnuAnalogInScale = entry(mnuEdit, "mnuAnalogInScale", QStringLiteral("&Analog Input Scaling"));
    mnuFuelType = entry(mnuEdit, "mnuFuelType", QStringLiteral("&Fuel Type"));
    mnuEditComment = entry(mnuEdit, "mnuEditComment", QStringLiteral("&Comment"));

    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuViewRealTime = entry(mnuView, "mnuViewRealTime", QStringLiteral("View &Real Time Data"));
    mnuViewChart = entry(mnuView, "mnuViewChart", QStringLiteral("View &Chart (Downloaded Data)"));
    mnuViewAFRTable =
        entry(mnuView, "mnuViewAFRTable", QStringLiteral("View &AFR Table (Downloaded Data)"));
    mnuViewTuningWorkbench =
        entry(mnuView, "mnuViewTuningWorkbench", QStringLiteral("&Tuning Workbench"));
    mnuViewLogViewer =
        entry(mnuView, "mnuViewLogViewer", QStringLiteral("&Log Viewer (Downloaded Data)"));

    mnuCommunications = menuBar()->addMenu(QStringLiteral("&Communications"));
    mnuCommunications->setObjectName(QStringLiteral("mnuCommunications"));
    mnuDownload =
        entry(mnuCommunications, "mnuDownload", QStringLiteral("&Download Data From QERO"));
    mnuClearQEROBuffer =
        entry(mnuCommunications, "mnuClearQEROBuffer", QStringLiteral("&Clear QERO Data Buffer"));
    mnuPortSetup = entry(mnuCommunications, "mnuPortSetup", QStringLiteral("&Port Setup"));
    // The line has no checksum; on a noisy line each block is read until two reads agree.
    mnuVerifyDownload =
        entry(mnuCommunications, "mnuVerifyDownload", QStringLiteral("&Verify Download"));
    mnuVerifyDownload->setCheckable(true);
    mnuVerifyDownload->setChecked(storedVerifyDownload());

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = entry(mnuHelp, "mnuHelpContents", QStringLiteral("&Contents"));
    mnuAbout = entry(mnuHelp, "mnuAbout", QStringLiteral("&About"));

    // The keys every desktop program uses for these; the same on every platform, as the
    // guide names them.
    mnuOpenFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSaveFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuPrintSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuHelpContents->setShortcut(QKeySequence(Qt::Key_F1));

    connect(mnuOpenFile, &QAction::triggered, this, &frmMain::mnuOpenFile_Click);
    connect(mnuSaveFile, &QAction::triggered, this, &frmMain::mnuSaveFile_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuEditQEROParams, &QAction::triggered, this, &frmMain::mnuEditQEROParams_Click);
    connect(mnuMaxRPM, &QAction::triggered, this, &frmMain::mnuMaxRPM_Click);
    connect(mnuAnalogInScale, &QAction::triggered, this, &frmMain::mnuAnalogInScale_Click);
    connect(mnuFuelType, &QAction::triggered, this, &frmMain::mnuFuelType_Click);
    connect(mnuViewRealTime, &QAction::triggered, this, &frmMain::mnuViewRealTime_Click);
    connect(mnuViewChart, &QAction::triggered, this, &frmMain::mnuViewChart_Click);
    connect(mnuViewAFRTable, &QAction::triggered, this, &frmMain::mnuViewAFRTable_Click);
    connect(mnuViewTuningWorkbench, &QAction::triggered, this,
            &frmMain::mnuViewTuningWorkbench_Click);
    connect(mnuViewLogViewer, &QAction::triggered, this, &frmMain::mnuViewLogViewer_Click);
    connect(mnuDownload, &QAction::triggered, this, &frmMain::mnuDownload_Click);
    connect(mnuClearQEROBuffer, &QAction::triggered, this, &frmMain::mnuClearQEROBuffer_Click);
    connect(mnuPortSetup, &QAction::triggered, this, &frmMain::mnuPortSetup_Click);
    connect(mnuVerifyDownload, &QAction::toggled, this, &frmMain::mnuVerifyDownload_Click);

    connect(mnuPrintSetup, &QAction::triggered, this, &frmMain::mnuPrintSetup_Click);
    connect(mnuEditComment, &QAction::triggered, this, &frmMain::mnuEditComment_Click);
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::fillRecentFiles() {
    const QStringList files = RecentFiles(m_settings).files();
    for (int i = 0; i < mnuRecentFile.size(); ++i) {
        QAction* a = mnuRecentFile[i];
        const bool used = i < files.size();
        const QString path = used ? files[i] : QString();
        a->setText(used ? RecentFiles::caption(i, path) : QString());
        a->setData(path);
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        a->setVisible(used);
    }
    mnuRecentFiles->setEnabled(!files.isEmpty());
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
    m_progress = std::make_unique<ProgressPanel>(fraProgress1, prgProgress1);
    fraQEROParams = new QEROParamsPanel(m_state, m_settings, m_prompter, m_module, central);
    fraQEROParams->hide();
    connect(fraQEROParams, &QEROParamsPanel::moduleCommandRunning, this,
            &frmMain::setModuleCommandRunning);
    layout->addWidget(fraQEROParams);

    fraPortSelect = new PortSelectFrame(m_state.settings, m_settings, m_prompter, m_module,
                                        *m_progress, central);
    fraPortSelect->hide();
    layout->addWidget(fraPortSelect);

    fraRealTimeData = new RealTimeDataFrame(m_state, central);
    fraRealTimeData->hide();
    connect(fraRealTimeData->cmdCloseRealTimeData, &QPushButton::clicked, this,
            &frmMain::cmdCloseRealTimeData_Click);
    layout->addWidget(fraRealTimeData, 1);
    layout->addStretch(0);
    setCentralWidget(central);

    m_realTimeCommands = std::make_unique<RealTimeCommands>(m_module.protocol());
    // The recorder sits between the polling and the gauges: it passes every value on and
    // keeps the cycles while the user records.
    m_recorder =
        std::make_unique<LiveRecorder>(m_state.log, m_state.module, m_clock, *fraRealTimeData);
    fraRealTimeData->attachRecorder(*m_recorder, m_prompter);
    m_poller = std::make_unique<RealTimePoller>(m_state, *m_realTimeCommands, m_clock, *m_recorder,
                                                [this] { cmdCloseRealTimeData_Click(); });
    m_stateMachine = std::make_unique<ConnectionStateMachine>(
        m_state.settings, m_prompter, m_clock,
        [this](qint16 port, const QString& identity) {
            PortSetup setup(m_state.settings, m_module.protocol());
            return setup.PortTest(port, identity);
        },
        [this] { mnuPortSetup_Click(); });

    tmrStateMachine = new QTimer(this);
    tmrStateMachine->setObjectName(QStringLiteral("tmrStateMachine"));
    tmrStateMachine->setInterval(100);
    connect(tmrStateMachine, &QTimer::timeout, this, &frmMain::tmrStateMachine_Timer);
    tmrDataRead = new QTimer(this);
    tmrDataRead->setObjectName(QStringLiteral("tmrDataRead"));
    tmrDataRead->setInterval(50);
    connect(tmrDataRead, &QTimer::timeout, this, &frmMain::tmrDataRead_Timer);
}

void frmMain::Form_Load() {
    // Keyboard preview: Esc anywhere reaches this window first.
    qApp->installEventFilter(this);
    // Panels appear only on demand; no live view runs yet.
    fraProgress1->hide();
    fraRealTimeData->hide();
    m_state.window.RealTimeActive = false;
    // Settings and relative file names are found under the program's own name and folder.
    QCoreApplication::setApplicationName(QStringLiteral("QERO4D_Log"));
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    m_state.window.AbortRequested = false;
    // Every stored setting, each checked as it is read.
    SettingsTable::load(m_state, m_settings, m_prompter);
    // Selecting the saved port runs cboPort_Click, as a choice by the user does.
    fraPortSelect->fillPortList();
    // The serial link applies its line settings each time it opens the port, so only
    // the counters and buffers start empty here.
    m_state.module.CommErrorCount = 0;
    m_state.fram.ClearFRAMBuffer();
    m_state.log.ClearDataBuffer();
    // The caption starts with the label the configuration file gives this copy.
    m_state.window.MainCaption =
        QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3");
    const QString label =
        m_state.settings.ConfigList2.isEmpty() ? QString() : m_state.settings.ConfigList2.first();
    setWindowTitle(label + u' ' + m_state.window.MainCaption);
    // The connection check is armed (state -1) and runs on the timer's first tick,
    // once the event loop runs with the window shown.
    tmrStateMachine->start();
    tmrDataRead->start();
}

void frmMain::setCaptionSuffix(const QString& suffix) {
    setWindowTitle(m_state.window.MainCaption + QStringLiteral(" - ") + suffix);
    // The caption names the log's file (or says there is none); the workbench lists the
    // log by that name. A download is named by its kept file once it has been kept.
    if (suffix == QLatin1String("Data Buffer Empty") || suffix == QLatin1String("Downloaded Data"))
        m_logName.clear();
    else if (!suffix.startsWith(QLatin1String("Added File - ")))
        m_logName = suffix;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape)
            m_state.window.AbortRequested = true; // and the key goes on to the focused control
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::cmdCloseRealTimeData_Click() {
    m_recorder->stop();
    fraRealTimeData->hide();
    m_module.link().closeIfOpen();
    m_state.window.RealTimeActive = false;
}

void frmMain::setModuleCommandRunning(bool running) {
    m_commandRunning = running;
    menuBar()->setEnabled(!running);
    fraQEROParams->setEnabled(!running);
    fraPortSelect->setEnabled(!running);
    if (!running && m_closeAfterCommand) {
        // The command has stopped at its first step after the window was closed; the
        // close the user asked for goes ahead now.
        m_closeAfterCommand = false;
        m_commandPrompter->setClosing(false);
        m_state.window.AbortRequested = false;
        close();
    }
}

ModuleCommandGuard frmMain::moduleCommand() {
    return ModuleCommandGuard([this] { cmdCloseRealTimeData_Click(); },
                              [this](bool running) { setModuleCommandRunning(running); });
}

void frmMain::mnuDownload_Click() {
    if (!m_logFiles->mayDiscardUnsavedLog(LogFileCommands::Clearing::Download))
        return;
    bool downloaded = false;
    {
        const ModuleCommandGuard guard = moduleCommand();
        ErrorReport::runStep(*m_commandPrompter, [&] {
            DownloadCommand download(m_state, m_module.protocol(), *m_commandPrompter, m_clock,
                                     *m_progress);
            download.setCaptionSuffix = [this](const QString& suffix) { setCaptionSuffix(suffix); };
            download.verify = mnuVerifyDownload->isChecked();
            downloaded = download.mnuDownload_Click();
        });
        // Marked before the guard goes: a window closed during the last block then still
        // asks about the log it would lose.
        if (downloaded) {
            m_state.window.LogUnsaved = true;
            keepDownload();
        }
    }
    // Closed during the download: nothing more is shown.
    if (!downloaded || m_closed)
        return;
    // The download also read the module's parameters; an open parameter panel shows them.
    if (fraQEROParams->isVisible())
        fraQEROParams->showCurrentValues();
    // A new log is shown at once, as after opening a file.
    mnuViewChart_Click();
}

void frmMain::keepDownload() {
    const DownloadArchive archive(m_settings);
    if (!archive.enabled())
        return;
    const QString label =
        m_state.settings.ConfigList2.isEmpty() ? QString() : m_state.settings.ConfigList2.first();
    try {
        m_logName =
            QFileInfo(archive.keep(m_state.log, label, QDateTime::currentDateTime())).fileName();
    } catch (const QeroFailure& failure) {
        // The log is still in memory and File > Save still works; the user is told that
        // this copy is missing, and the download goes on to its chart.
        m_commandPrompter->message(
            QStringLiteral("The download could not be kept in the downloads folder: %1")
                .arg(failure.description()),
            QStringLiteral("Download Data"), Prompter::Icon::Exclamation, Prompter::Ok);
    }
    fillRecentDownloads();
}

void frmMain::fillRecentDownloads() {
    const QStringList files = DownloadArchive(m_settings).files(DownloadArchive::kMenuEntries);
    for (int i = 0; i < mnuRecentDownload.size(); ++i) {
        QAction* a = mnuRecentDownload[i];
        const bool used = i < files.size();
        a->setVisible(used);
        a->setData(used ? files[i] : QString());
        a->setText(used ? RecentFiles::caption(i, files[i]) : QString());
        a->setToolTip(used ? QDir::toNativeSeparators(files[i]) : QString());
    }
    // The submenu itself, not only its entry: a menu bar switched off and on again during
    // a command would switch the entry back on.
    mnuRecentDownloads->setEnabled(!files.isEmpty());
}

bool frmMain::storedVerifyDownload() const {
    // A damaged value is no reason to stop: the single read is the default.
    const std::optional<QString> text = m_settings.value(QStringLiteral("VerifyDownload"));
    if (!text)
        return false;
    try {
        return SettingsTable::toBoolean(QStringLiteral("VerifyDownload"), *text);
    } catch (const QeroFailure&) {
        return false;
    }
}

void frmMain::mnuVerifyDownload_Click(bool checked) {
    SettingsTable::save(m_settings, QStringLiteral("VerifyDownload"), checked);
}

void frmMain::mnuClearQEROBuffer_Click() {
    const ModuleCommandGuard guard = moduleCommand();
    ErrorReport::runStep(m_prompter, [&] {
        ClearQEROBufferCommand(m_module.protocol(), m_prompter).mnuClearQEROBuffer_Click();
    });
}

void frmMain::mnuEditQEROParams_Click() {
    cmdCloseRealTimeData_Click();
    if (!m_logFiles->mayDiscardUnsavedLog(LogFileCommands::Clearing::QeroParameters))
        return;
    fraQEROParams->openPanel();
    setCaptionSuffix(QStringLiteral("Data Buffer Empty"));
}

void frmMain::tmrStateMachine_Timer() {
    m_stateMachine->tmrStateMachine_Timer();
}

void frmMain::tmrDataRead_Timer() {
    ErrorReport::runStep(m_prompter, [this] {
        m_recorder->cycleFinished(m_poller->tmrDataRead_Timer());
        m_recorder->keepSynced();
    });
}

void frmMain::mnuPortSetup_Click() {
    cmdCloseRealTimeData_Click();
    fraPortSelect->showPanel();
}

void frmMain::mnuMaxRPM_Click() {
    cmdCloseRealTimeData_Click();
    MaxRPMSetting::ask(m_prompter, m_state.log, m_settings);
}

void frmMain::mnuViewRealTime_Click() {
    // A second opening while the view runs would share the port with its polling.
    if (m_state.window.RealTimeActive)
        cmdCloseRealTimeData_Click();
    if (!m_logFiles->mayDiscardUnsavedLog(LogFileCommands::Clearing::RealTimeView))
        return;
    ErrorReport::runStep(
        m_prompter, [this] { RealTimeStart::prepare(m_state, m_module.protocol(), m_prompter); });
    // The view empties the log in memory; the caption no longer names it.
    setCaptionSuffix(QStringLiteral("Data Buffer Empty"));
    fraRealTimeData->show();
    m_state.window.RealTimeActive = true;
    fraRealTimeData->configure();
    m_state.module.CommErrorCount = 0;
    tmrDataRead->setInterval(10);
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
    CurrentPrinterProvider printers(*m_printer);
    frmChart1 chart(m_state, m_prompter, this);
    chart.rememberChoices(m_settings);
    chart.setPrinterProvider(&printers);
    chart.saveLog = [this] { mnuSaveFile_Click(); };
    chart.exec();
}

void frmMain::mnuOpenFile_Click() {
    // The log's own interval replaces the one an open parameter panel showed.
    if (m_logFiles->mnuOpenFile_Click() == LogFileCommands::Outcome::Done &&
        fraQEROParams->isVisible())
        fraQEROParams->showCurrentValues();
}

void frmMain::openRecentFile(const QString& path) {
    if (m_logFiles->openRecentFile(path) == LogFileCommands::Outcome::Done &&
        fraQEROParams->isVisible())
        fraQEROParams->showCurrentValues();
}

void frmMain::openDroppedFile(const QString& path) {
    if (m_logFiles->openChosenFile(path) == LogFileCommands::Outcome::Done &&
        fraQEROParams->isVisible())
        fraQEROParams->showCurrentValues();
}

QString frmMain::droppedLogFile(const QMimeData& data) {
    if (!data.hasUrls())
        return {};
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo file(url.toLocalFile());
        // The kinds File > Open offers: logs and recordings.
        const QString suffix = file.suffix().toLower();
        if (file.isFile() && (suffix == QLatin1String("log") || suffix == QLatin1String("csv")))
            return file.absoluteFilePath();
    }
    return {};
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    // While the module is being talked to, the menus are off and so is this.
    if (!m_commandRunning && event->mimeData() && !droppedLogFile(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_commandRunning && event->mimeData() && !droppedLogFile(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QString path = event->mimeData() ? droppedLogFile(*event->mimeData()) : QString();
    if (m_commandRunning || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop has finished: the questions and the chart the open shows must
    // not hold the file manager's drag in the middle.
    QMetaObject::invokeMethod(
        this, [this, path] { openDroppedFile(path); }, Qt::QueuedConnection);
}

void frmMain::mnuSaveFile_Click() {
    m_logFiles->mnuSaveFile_Click();
}

void frmMain::mnuAnalogInScale_Click() {
    cmdCloseRealTimeData_Click();
    ErrorReport::runStep(m_prompter, [this] {
        frmAnalogInScale window(m_state.log, m_prompter, m_settings, this);
        // The live view is closed while the window is open, so each press reads the
        // analog input once, as a conversation of its own.
        window.setLearnAction([this]() -> std::optional<float> {
            const ModuleCommandGuard guard = moduleCommand();
            std::optional<float> volts;
            ErrorReport::runStep(m_prompter, [&] {
                m_state.module.CommandOK = false;
                const float v = m_realTimeCommands->ReadVIN1();
                if (m_state.module.CommandOK)
                    volts = v;
            });
            return volts;
        });
        window.exec();
    });
}

void frmMain::mnuFuelType_Click() {
    cmdCloseRealTimeData_Click();
    ErrorReport::runStep(m_prompter, [this] {
        frmFuelType window(m_state.log, m_state.settings, m_prompter, m_settings, this);
        // The program's own choice is taken first, so it stands even when the module
        // cannot be reached.
        window.setUploadAction([this, &window] {
            window.applyChoice();
            FuelUpload(m_module.protocol(), m_state.log).run();
        });
        window.exec();
    });
}

void frmMain::mnuAbout_Click() {
    ErrorReport::runStep(m_prompter, [this] {
        m_prompter.message(AboutText::build(m_state.settings.ConfigList2), QStringLiteral("About"),
                           Prompter::Icon::Information, Prompter::Ok);
    });
}

void frmMain::mnuEditComment_Click() {
    ErrorReport::runStep(m_prompter, [this] {
        // Cancel erases the comment, as the prompt tells the user.
        m_state.log.Comment =
            m_prompter
                .input(QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
                       QStringLiteral("Optional Information Entry/Edit"), m_state.log.Comment)
                .value_or(QString());
    });
}

void frmMain::mnuHelpContents_Click() {
    ErrorReport::runStep(m_prompter, [this] {
        const QString path = HelpFile::locate(m_prompter);
        if (path.isEmpty())
            return;
        if (!HelpFile::useOwnViewer(QGuiApplication::platformName(),
                                    QProcessEnvironment::systemEnvironment()) &&
            QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return;
        if (!m_help) {
            m_help = new frmHelp(path, this);
            m_help->setAttribute(Qt::WA_DeleteOnClose);
        }
        m_help->show();
        m_help->raise();
        m_help->activateWindow();
    });
}

void frmMain::mnuPrintSetup_Click() {
    ErrorReport::runStep(m_prompter, [this] {
        QPrinter printer(QPrinter::HighResolution);
        m_printer->configure(printer);
        QPrintDialog dialog(&printer, this);
        dialog.setObjectName(QStringLiteral("dlgPrinterSetup"));
        dialog.setWindowTitle(QStringLiteral("Printer Setup"));
        // Cancelling keeps the earlier choice and reports nothing.
        if (dialog.exec() == QDialog::Accepted)
            m_printer->remember(printer);
    });
}

void frmMain::mnuViewAFRTable_Click() {
    cmdCloseRealTimeData_Click();
    const QString title = QStringLiteral("View AFR Table");
    if (m_state.log.DataBufferEmpty) {
        m_prompter.message(QStringLiteral("Data buffer empty."), title, Prompter::Icon::Exclamation,
                           Prompter::Ok);
        return;
    }
    if (!AFRTable::legendHasTPS(m_state.log.AnalogLegend)) {
        m_prompter.message(AFRTable::kNoTPSMessage, title, Prompter::Icon::Exclamation,
                           Prompter::Ok);
        return;
    }
    CurrentPrinterProvider printers(*m_printer);
    // An added file names itself in the caption while the table shows it; the log in
    // memory is unchanged afterwards, so its caption comes back.
    const QString caption = windowTitle();
    frmAFRTable form(
        m_state, m_settings, m_prompter,
        [this](const QString& suffix) { setCaptionSuffix(suffix); }, &printers, this);
    form.exec();
    setWindowTitle(caption);
}

void frmMain::mnuViewLogViewer_Click() {
    if (m_state.log.DataBufferEmpty) {
        m_prompter.message(QStringLiteral("Data buffer empty."), QStringLiteral("Log Viewer"),
                           Prompter::Icon::Exclamation, Prompter::Ok);
        return;
    }
    Log log = ModuleLogReader::fromBuffer(m_state.log);
    log.source = windowTitle();
    showLogViewer(std::move(log));
}

frmLogViewer* frmMain::showLogViewer(Log&& log) {
    auto* viewer = new frmLogViewer(std::move(log), m_prompter, &m_settings, this);
    WindowPlacement::remember(*viewer, m_settings, QStringLiteral("LogViewerGeometry"));
    WindowPlacement::resizeToFit(*viewer, QSize(1200, 760));
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

frmTuningWorkbench* frmMain::tuningWorkbench() const {
    return m_workbench;
}

void frmMain::mnuViewTuningWorkbench_Click() {
    // One workbench beside the other windows; asking again brings it forward with the log
    // in memory as it is now.
    if (m_workbench) {
        m_workbench->rereadLogInMemory();
    } else {
        m_workbench = new frmTuningWorkbench(m_state.log, m_prompter, this);
        m_workbench->setAttribute(Qt::WA_DeleteOnClose);
        m_workbench->logInMemoryName = [this] { return m_logName; };
        m_workbench->rememberPlacement(m_settings);
        m_workbench->rereadLogInMemory();
    }
    m_workbench->show();
    m_workbench->raise();
    m_workbench->activateWindow();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_commandRunning) {
        // A conversation with the module is under way (the download's read takes some
        // 17 s). It stops at its next step, as on Esc, and the window closes then, so the
        // port is never left in the middle of a command and the program ends promptly.
        m_state.window.AbortRequested = true;
        m_commandPrompter->setClosing(true);
        m_closeAfterCommand = true;
        event->ignore();
        return;
    }
    if ((m_workbench && !m_workbench->confirmClose()) || !confirmUnsavedLog()) {
        event->ignore();
        return;
    }
    m_closed = true;
    Form_QueryUnload();
    event->accept();
}

bool frmMain::confirmUnsavedLog() {
    // A downloaded log exists nowhere else once the module's buffer is cleared or
    // overwritten; leaving without a word would lose a day's recording.
    if (!m_state.window.LogUnsaved || m_state.log.DataBufferEmpty)
        return true;
    switch (m_prompter.message(QStringLiteral("Save the downloaded log before exiting?"),
                               QStringLiteral("Exit"), Prompter::Icon::Question,
                               Prompter::Save | Prompter::Discard | Prompter::Cancel)) {
    case Prompter::Save:
        // A save that was cancelled or failed keeps the program running with the log.
        return m_logFiles->mnuSaveFile_Click() == LogFileCommands::Outcome::Done;
    case Prompter::Discard:
        return true;
    default:
        return false;
    }
}

void frmMain::Form_QueryUnload() {
    m_module.link().closeIfOpen();
    // Every setting was saved when it changed. Quitting ends every event loop, nested
    // ones of modal windows included, so the program ends at once.
    QCoreApplication::quit();
}
