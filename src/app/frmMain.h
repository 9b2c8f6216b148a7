// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/frmHelp.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMimeData;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QProgressBar;
class QTimer;
class ConnectionStateMachine;
class PortSelectFrame;
class ProgressPanel;
class RealTimeCommands;
class LiveRecorder;
class RealTimeDataFrame;
class RealTimePoller;
class Clock;
class ClosingPrompter;
class CurrentPrinter;
class LogFileCommands;
class frmLogViewer;
struct Log;
class ModuleCommandGuard;
class ModuleSession;
class QEROParamsPanel;
class Prompter;
class SettingsStore;
struct AppState;
class frmTuningWorkbench;
class frmLogViewer;
struct Log;

// The program's only top-level working window: the menu bar from which every function
// is reached, and the panels that appear inside it on demand.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // `module` is the program's one conversation with the module, built where the
    // program starts; the window only uses it.
    frmMain(AppState& state, SettingsStore& settings, Prompter& prompter, Clock& clock,
            ModuleSession& module, QWidget* parent = nullptr);
    ~frmMain() override;

    // Main caption followed by " - " and a suffix (" - Data Buffer Empty", a file name...).
    void setCaptionSuffix(const QString& suffix);

    // Closes the real-time view; every command that talks to the module or changes the
    // log runs it first, so that polling never shares the port with another conversation.
    void cmdCloseRealTimeData_Click();

    // View > Chart: refuses an empty buffer, else shows the chart window modally.
    void mnuViewChart_Click();
    // Shows the chart window modally on the buffer as it is (the end of a file open or
    // a download, which have just filled it).
    void showChart();
    void mnuOpenFile_Click();
    void mnuViewLogViewer_Click();
    // A log viewer window of its own for `log`, shown beside the others.
    frmLogViewer* showLogViewer(Log&& log);
    void mnuSaveFile_Click();
    // An entry of File > Recent Files, and a log file dropped on the window: opened as
    // File > Open opens the file chosen in its dialog.
    void openRecentFile(const QString& path);
    void openDroppedFile(const QString& path);
    // The file a drop would open: the first local log file or recording among the
    // dropped ones; empty when there is none.
    static QString droppedLogFile(const QMimeData& data);
    void mnuAnalogInScale_Click();
    void mnuFuelType_Click();

    // Help > About, Edit > Comment, Help > Contents and File > Print Setup; they leave a
    // running real-time view alone.
    void mnuAbout_Click();
    void mnuEditComment_Click();
    void mnuHelpContents_Click();
    void mnuPrintSetup_Click();
    // The printer chosen in Print Setup, for every window that prints.
    CurrentPrinter& printer() { return *m_printer; }
    // The guide when the program shows it itself (null otherwise).
    frmHelp* helpWindow() const { return m_help; }

    // The serial link to the module with its protocol; closed again at exit.
    ModuleSession& module() { return m_module; }

    // Communications > Port Setup; also offered by the start-up connection check.
    void mnuPortSetup_Click();
    // View > View Real Time Data.
    void mnuViewRealTime_Click();
    // Edit > Maximum RPM.
    void mnuMaxRPM_Click();
    void tmrStateMachine_Timer();
    void tmrDataRead_Timer();
    ConnectionStateMachine& stateMachine() { return *m_stateMachine; }
    RealTimePoller& poller() { return *m_poller; }
    LiveRecorder& recorder() { return *m_recorder; }

    // View > AFR Table: refuses an empty buffer and a log without throttle values,
    // otherwise shows the table window modally.
    void mnuViewAFRTable_Click();
    // View > Tuning Workbench: one modeless workbench, brought forward when already open.
    void mnuViewTuningWorkbench_Click();
    frmTuningWorkbench* tuningWorkbench() const;

    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuCommunications = nullptr;
    QMenu* mnuHelp = nullptr;

    QAction* mnuOpenFile = nullptr;
    QAction* mnuViewLogViewer = nullptr;
    QAction* mnuSaveFile = nullptr;
    // The log files opened or saved last; the submenu is off while it is empty.
    QMenu* mnuRecentFiles = nullptr;
    QList<QAction*> mnuRecentFile;
    // The newest downloads kept on disk (DownloadArchive); off while there are none.
    QMenu* mnuRecentDownloads = nullptr;
    QList<QAction*> mnuRecentDownload;
    QAction* mnuSep1 = nullptr;
    QAction* mnuPrintSetup = nullptr;
    QAction* mnuSep2 = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuEditQEROParams = nullptr;
    QAction* mnuMaxRPM = nullptr;
    QAction* mnuAnalogInScale = nullptr;
    QAction* mnuFuelType = nullptr;
    QAction* mnuEditComment = nullptr;
    QAction* mnuViewRealTime = nullptr;
    QAction* mnuViewChart = nullptr;
    QAction* mnuViewAFRTable = nullptr;
    QAction* mnuViewTuningWorkbench = nullptr;
    QAction* mnuDownload = nullptr;
    QAction* mnuClearQEROBuffer = nullptr;
    QAction* mnuPortSetup = nullptr;
    QAction* mnuVerifyDownload = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuAbout = nullptr;

    // The progress panel shared by the download and the port scan.
    QGroupBox* fraProgress1 = nullptr;
    QProgressBar* prgProgress1 = nullptr;
    // The port setup and real-time panels.
    PortSelectFrame* fraPortSelect = nullptr;
    RealTimeDataFrame* fraRealTimeData = nullptr;
    // 100 ms: the one-shot connection check. 50 ms, then 10 ms once the real-time view
    // has been opened: the polling cycle.
    QTimer* tmrStateMachine = nullptr;
    QTimer* tmrDataRead = nullptr;
    // The module-parameter panel.
    QEROParamsPanel* fraQEROParams = nullptr;

    void mnuDownload_Click();
    // Checked: downloads read every block until two reads agree; remembered in the
    // settings as "VerifyDownload".
    void mnuVerifyDownload_Click(bool checked);
    bool storedVerifyDownload() const;
    void mnuClearQEROBuffer_Click();
    void mnuEditQEROParams_Click();
    // While a command talks to the module, events still run (pauses, waits, the memory
    // read); the menus and the parameter panel are off so no second one starts then.
    void setModuleCommandRunning(bool running);
    // Closes the live view and keeps the menus off until the returned guard goes.
    ModuleCommandGuard moduleCommand();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    // Shows the stored list in File > Recent Files.
    void fillRecentFiles();
    // Shows the newest kept downloads in File > Recent Downloads.
    void fillRecentDownloads();
    // Writes a download just completed into the downloads folder (unless turned off).
    void keepDownload();
    void buildPanels();
    void Form_Load();
    void Form_QueryUnload();
    // Offers to save a log that would be lost at exit; false when the user chose to stay.
    bool confirmUnsavedLog();
    void mnuExit_Click();

    AppState& m_state;
    SettingsStore& m_settings;
    Prompter& m_prompter;
    Clock& m_clock;
    ModuleSession& m_module;
    std::unique_ptr<LogFileCommands> m_logFiles;
    std::unique_ptr<ConnectionStateMachine> m_stateMachine;
    std::unique_ptr<RealTimeCommands> m_realTimeCommands;
    std::unique_ptr<LiveRecorder> m_recorder;
    std::unique_ptr<RealTimePoller> m_poller;
    std::unique_ptr<CurrentPrinter> m_printer;
    QPointer<frmHelp> m_help;
    QPointer<frmTuningWorkbench> m_workbench;
    // fraProgress1 as the place a memory read and a port scan report to.
    std::unique_ptr<ProgressPanel> m_progress;
    // The prompter of the download; it goes quiet once the window has been closed.
    std::unique_ptr<ClosingPrompter> m_commandPrompter;
    bool m_commandRunning = false;
    // The window was closed while a command ran; it closes once the command has stopped.
    bool m_closeAfterCommand = false;
    bool m_closed = false;
    // The file name the log in memory goes by (opened, saved or kept), empty for none.
    QString m_logName;
};
