// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "afrtable/AFRTable.h"

#include <QDialog>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTableWidget;
class Prompter;
class FocusValidator;
class PrinterProvider;
class SettingsStore;
struct AppState;

// The AFR table window: the table of one sensor over engine speed and throttle, its
// parameters, further log files merged into it, copying and printing.
class frmAFRTable : public QDialog {
    Q_OBJECT
public:
    // `setCaptionSuffix` changes the main window's caption (main caption, " - ", suffix).
    // Without a printer provider the system's current printer is used.
    frmAFRTable(AppState& state, SettingsStore& settings, Prompter& prompter,
                std::function<void(const QString&)> setCaptionSuffix,
                PrinterProvider* printers = nullptr, QWidget* parent = nullptr);
    ~frmAFRTable() override;

    // What the fuel display shows, said where the tuner chooses it: it is not the amount
    // to change the fuel by, which the Tuning Workbench shows.
    static inline const QString kFuelCorrectionFormula = QStringLiteral(
        "Fuel % = (1 − target ÷ measured) × 100: the share of the fuel the target needs that is "
        "missing now (14.7 against a target of 13.2 shows 10). To change the fuel "
        "by, use the Tuning Workbench's \"Change fuel by %\" = (measured ÷ target − 1) × 100 "
        "(11.4 for the same cell).");

    // Command handlers, public so that the main window and tests can run them.
    void cmdRefreshTable_Click();
    void cmdPrint_Click();
    void txtAFRTarget_Validate();
    void txtMinSampleNum_Validate();
    void mnuOpenAddFile_Click();
    void mnuPopUpCopy3D_Click();
    // The selected block with its engine-speed and throttle headings (the grid's first
    // column and row), as the Tuning Workbench's "Copy with axes" copies.
    void mnuPopUpCopyWithAxes_Click();

    // The table as the grid shows it now (including any text edited in the grid).
    AFRTableGrid::Texts gridTexts() const;
    const AFRTable& table() const { return m_table; }

    QMenuBar* menuBar = nullptr;
    QMenu* mnuFile = nullptr;
    QAction* mnuOpenAddFile = nullptr;
    QAction* mnuSep1 = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuPopUpEdit3D = nullptr;
    QAction* mnuPopUpCopy3D = nullptr;
    QAction* mnuPopUpCopyWithAxes = nullptr;

    QGroupBox* fraAFRTableData = nullptr;
    QRadioButton* optSensor1AFR = nullptr;
    QRadioButton* optSensor2AFR = nullptr;
    QGroupBox* fraAFRTableParams = nullptr;
    QCheckBox* chkFilterData = nullptr;
    QRadioButton* optAFRDisplay = nullptr;
    QRadioButton* optFuelCorrDisplay = nullptr;
    QLabel* lblMinSampleLegend = nullptr;
    QLineEdit* txtMinSampleNum = nullptr;
    QLabel* lblAFRTargetLegend = nullptr;
    QLineEdit* txtAFRTarget = nullptr;
    QPushButton* cmdRefreshTable = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdExit = nullptr;
    QTableWidget* VSFlexGrid1 = nullptr;

public Q_SLOTS:
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Ctrl+C on the grid copies the selection, as the pop-up menu's Copy does (the
    // table's own key copied the current cell only); Ctrl+Shift+C with the headings.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void copySelection(bool withAxes);
    void Form_Load();
    void Form_Resize();
    // The smallest client area that shows every control and the 31 x 10 cells with their
    // text readable; a smaller window scrolls over it.
    QSize clientMinimumSize() const;
    void Form_Unload();
    void WriteAFRTable(const QString& display, bool reset);
    void showGrid(const AFRTableGrid& grid);
    void setMerged(bool merged);
    int twipsX(int twips) const;
    int twipsY(int twips) const;

    AppState& m_state;
    SettingsStore& m_settings;
    Prompter& m_prompter;
    std::function<void(const QString&)> m_setCaptionSuffix;
    std::unique_ptr<PrinterProvider> m_ownPrinters;
    PrinterProvider* m_printers = nullptr;
    AFRTable m_table;
    QWidget* m_client = nullptr;
    QScrollArea* m_scroll = nullptr;
    FocusValidator* m_validator = nullptr;
    bool m_unloaded = false;
};
