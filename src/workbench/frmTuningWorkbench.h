// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "workbench/WorkbenchSession.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class SettingsStore;
class QComboBox;
class QCPGraph;
class QCustomPlot;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableView;
class QTableWidget;
class Prompter;
class WorkbenchTableModel;
struct LogBuffer;

// The tuning workbench: the log in memory and any added logs, recordings and CSV files
// turned into a fuel correction on the engine computer's breakpoints. Every setting
// recomputes at once; tables copy and paste as a table editor takes them; a selected cell
// shows where its samples lie in time and among the others. The window only reads the log
// in memory, through a copy of its samples.
class frmTuningWorkbench : public QWidget {
    Q_OBJECT
public:
    frmTuningWorkbench(const LogBuffer& log, Prompter& prompter, QWidget* parent = nullptr);
    ~frmTuningWorkbench() override;

    static inline const QString kTitle = QStringLiteral("Tuning Workbench");
    // What the target box shows while the built-in target table is used.
    static inline const QString kBuiltInTarget = QStringLiteral("Built-in table");

    // The setting that keeps the window's size and place.
    static inline const QString kGeometryKey = QStringLiteral("TuningWorkbenchGeometry");
    // Rows of the list of logs in view at once.
    static constexpr int kInputRowsShown = 8;

    // Keeps the window's size and place in `settings` from one opening to the next, as
    // the other windows do; `settings` must outlive the window.
    void rememberPlacement(SettingsStore& settings);
    // The name the list of logs gives the log in memory (the file it was opened from or
    // saved to, the kept download); unset or empty: "Log in memory".
    std::function<QString()> logInMemoryName;

    const WorkbenchSession& session() const { return m_session; }
    // Takes the log in memory again (after a download or a file was opened).
    void rereadLogInMemory();
    void addFile(const QString& path);
    void addLog(TuningLog log, const QString& name);
    void cmdAddFiles_Click();
    // A wideband log and the engine computer's log of the same drive, joined into one
    // input; the offset, rate and match are shown in the status line.
    void cmdAddJoined_Click();
    void addJoinedFiles(const QString& wideband, const QString& engine);
    void cmdRemove_Click();
    void cmdSaveSetup_Click();
    void cmdLoadSetup_Click();
    // Whether the settings or tables differ from the setup last saved or loaded (or from
    // those the window opened with).
    bool setupUnsaved() const;
    // Before the workbench closes (its own close, or the program's exit): an unsaved setup
    // is offered to be saved. False: Cancel, or a save that did not happen; stay open.
    bool confirmClose();
    void cmdLoadTune_Click();
    void cmdSaveTune_Click();
    void cmdExportCsv_Click();

    // Chooses the columns of a CSV file that is not a recording, over a preview of its
    // first rows (the mapping dialog; tests put their own choice here). nullopt: cancelled.
    std::function<std::optional<CsvSampleSource::Columns>(const QString& path,
                                                          const CsvSampleSource::Preview&)>
        chooseCsvColumns;

    void showTable(WorkbenchTable table);
    WorkbenchTable shownTable() const;
    // Ctrl+C: the shown table, tab-separated, with its axes when `withAxes`.
    void copyTable(bool withAxes);
    // Ctrl+V: the clipboard onto the base or target table; anything else is refused.
    void pasteTable();

    void selectCell(int row, int column);
    // (-1, -1) when no cell is selected.
    QPoint selectedCell() const;
    // The input whose samples the time chart shows.
    int chartInput() const;
    void setChartInput(int index);
    // Selects the cell of the time chart's sample nearest this time, or of the scatter
    // point nearest this spot (plot coordinates).
    void clickTimeChart(double time);
    void clickScatter(double x, double afr);

    QTableWidget* tblInputs = nullptr;
    QPushButton* cmdAddFiles = nullptr;
    QPushButton* cmdAddJoined = nullptr;
    QLineEdit* txtChannelFilters = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdRereadLog = nullptr;
    QPushButton* cmdSaveSetup = nullptr;
    QPushButton* cmdLoadSetup = nullptr;
    QPushButton* cmdLoadTune = nullptr;
    QPushButton* cmdSaveTune = nullptr;
    QPushButton* cmdExportCsv = nullptr;
    QLineEdit* txtRpmAxis = nullptr;
    QLineEdit* txtLoadAxis = nullptr;
    QComboBox* cboAxesPreset = nullptr;
    QComboBox* cboSensor = nullptr;
    QRadioButton* optFixedDelay = nullptr;
    QRadioButton* optDelayCurve = nullptr;
    QDoubleSpinBox* spnDelay = nullptr;
    QLineEdit* txtDelayCurve = nullptr;
    QCheckBox* chkFilterRpm = nullptr;
    QDoubleSpinBox* spnMinRpm = nullptr;
    QCheckBox* chkFilterLoadRate = nullptr;
    QDoubleSpinBox* spnMaxLoadRate = nullptr;
    QCheckBox* chkFilterAfr = nullptr;
    QDoubleSpinBox* spnMinLambda = nullptr;
    QDoubleSpinBox* spnMaxLambda = nullptr;
    QCheckBox* chkFilterWarmUp = nullptr;
    QDoubleSpinBox* spnWarmUp = nullptr;
    QDoubleSpinBox* spnMinWeight = nullptr;
    QComboBox* cboWeighting = nullptr;
    QDoubleSpinBox* spnTarget = nullptr;
    QLabel* lblTargetTable = nullptr;
    QPushButton* cmdClearTarget = nullptr;
    QPushButton* cmdClearBase = nullptr;
    QDoubleSpinBox* spnMaxChange = nullptr;
    QTabBar* tabTables = nullptr;
    QTableView* tblGrid = nullptr;
    QCheckBox* chkCopyAxes = nullptr;
    QComboBox* cboChartLog = nullptr;
    QComboBox* cboScatterAxis = nullptr;
    QCustomPlot* plotTime = nullptr;
    QCustomPlot* plotScatter = nullptr;
    QLabel* lblStatus = nullptr;
    // What the last join found, said in the status line.
    QString m_joinNote;

    // The selected cell's samples on the time chart: at their time, the ratio that went
    // into the cell.
    QCPGraph* highlightGraph() const { return m_highlight; }
    QCPGraph* scatterSelectedGraph() const { return m_scatterSelected; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildInputs();
    QWidget* buildSettings();
    QWidget* buildTables();
    QWidget* buildCharts();
    // Reads every control into the settings and recomputes; a refusal puts them back.
    void applySettings();
    void applyAxes();
    void applyPreset(int index);
    void showSettings();
    // After every change of the result: inputs, table, charts and the status line.
    void showResult();
    void showInputs();
    void showTimeChart();
    void showScatter();
    void showHighlight();
    void refuse(const QString& message);
    // Runs a file step; a failure is shown and the step's changes are not shown.
    bool attempt(const std::function<void()>& step);

    WorkbenchSession m_session;
    const LogBuffer& m_log;
    Prompter& m_prompter;
    WorkbenchTableModel* m_model = nullptr;
    QCPGraph* m_highlight = nullptr;
    QCPGraph* m_scatterSelected = nullptr;
    std::vector<QCPGraph*> m_scatterClasses;
    bool m_showing = false;
    QString m_savedSetup;
    bool m_curveChosen = false;
};
