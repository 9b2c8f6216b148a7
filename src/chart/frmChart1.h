// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/ChartNavigator.h"
#include "chart/ChartSampleFinder.h"
#include "chart/ChartTrace.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class PrinterProvider;
class ChartPlot;
class Prompter;
class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPagedPaintDevice;
class QPushButton;
class QRadioButton;
class QScrollBar;
class SettingsStore;
struct AppState;

// The chart window: the log in the buffer as two traces over elapsed time (a third and a
// target line on request), with zoom, scrolling, wheel zoom, dragging, a marker that
// reads the values under a click and follows the arrow keys, printing and export.
class frmChart1 : public QDialog {
    Q_OBJECT
public:
    frmChart1(AppState& state, Prompter& prompter, QWidget* parent = nullptr);
    ~frmChart1() override;

    // Printouts go to the system's default printer unless told otherwise; `printers`
    // outlives the window.
    void setPrinterProvider(PrinterProvider* printers) { m_printers = printers; }
    // Opens with the size, place, traces and target line of the last chart shown with the
    // same settings store, and stores them again when the window closes. `settings`
    // outlives the window.
    void rememberChoices(SettingsStore& settings);
    // Ctrl+S in the chart: the main window's File > Save of the log in memory, which the
    // modal chart would otherwise keep out of reach. Nothing when not set.
    std::function<void()> saveLog;

    const ChartNavigator& navigator() const { return m_nav; }
    const QString& Trace1Format() const { return m_trace1Format; }
    const QString& Trace2Format() const { return m_trace2Format; }
    const LogBuffer::Samples& Trace1Data() const { return m_trace1Data; }
    const LogBuffer::Samples& Trace2Data() const { return m_trace2Data; }

    void optTrace1RPM_Click() { loadTrace(1, TraceQuantity::RPM); }
    void optTrace1AFR1_Click() { loadTrace(1, TraceQuantity::AFR1); }
    void optTrace1AFR2_Click() { loadTrace(1, TraceQuantity::AFR2); }
    void optTrace1Analog_Click() { loadTrace(1, TraceQuantity::Analog); }
    void optTrace2RPM_Click() { loadTrace(2, TraceQuantity::RPM); }
    void optTrace2AFR1_Click() { loadTrace(2, TraceQuantity::AFR1); }
    void optTrace2AFR2_Click() { loadTrace(2, TraceQuantity::AFR2); }
    void optTrace2Analog_Click() { loadTrace(2, TraceQuantity::Analog); }
    void optTrace3None_Click() { loadTrace3(std::nullopt); }
    void optTrace3RPM_Click() { loadTrace3(TraceQuantity::RPM); }
    void optTrace3AFR1_Click() { loadTrace3(TraceQuantity::AFR1); }
    void optTrace3AFR2_Click() { loadTrace3(TraceQuantity::AFR2); }
    void optTrace3Analog_Click() { loadTrace3(TraceQuantity::Analog); }
    void chkTargetLine_Click();
    void spnTarget_Change();
    void scrChart2D1_Change(int value);
    void cmdZoomIn_Click();
    void cmdZoomOut_Click();
    void cmdZoomAll_Click();
    void cmdReset_Click();
    void cmdPrint_Click();
    void cmdSavePicture_Click();
    void cmdExportData_Click();
    void cmdExit_Click();
    // A click on the chart (pressed and released without dragging) at a position in its
    // own pixels: the marker goes there.
    void Chart2D1_Click(Qt::MouseButton button, const QPointF& pos);
    void Chart2D1_MouseDown(Qt::MouseButton button, const QPointF& pos);
    void Chart2D1_MouseMove(Qt::MouseButtons buttons, const QPointF& pos);
    void Chart2D1_MouseUp(Qt::MouseButton button, const QPointF& pos);
    // The wheel turned by `notches` (positive: away from the user) over a position.
    void Chart2D1_Wheel(double notches, const QPointF& pos);
    // A key pressed while the chart has the focus; false when it is not a chart key.
    bool Chart2D1_KeyDown(int key, Qt::KeyboardModifiers modifiers);

    ChartPlot* Chart2D1 = nullptr;
    QGroupBox* fraTrace1 = nullptr;
    QRadioButton* optTrace1RPM = nullptr;
    QRadioButton* optTrace1AFR1 = nullptr;
    QRadioButton* optTrace1AFR2 = nullptr;
    QRadioButton* optTrace1Analog = nullptr;
    QGroupBox* fraTrace2 = nullptr;
    QRadioButton* optTrace2RPM = nullptr;
    QRadioButton* optTrace2AFR1 = nullptr;
    QRadioButton* optTrace2AFR2 = nullptr;
    QRadioButton* optTrace2Analog = nullptr;
    QGroupBox* fraTrace3 = nullptr;
    QRadioButton* optTrace3None = nullptr;
    QRadioButton* optTrace3RPM = nullptr;
    QRadioButton* optTrace3AFR1 = nullptr;
    QRadioButton* optTrace3AFR2 = nullptr;
    QRadioButton* optTrace3Analog = nullptr;
    QCheckBox* chkTargetLine = nullptr;
    QDoubleSpinBox* spnTarget = nullptr;
    QGroupBox* fraMiscData = nullptr;
    QLabel* lblStoichRatioLegend = nullptr;
    QLabel* lblStoichRatio = nullptr;
    QLabel* lblLogIntervalLegend = nullptr;
    QLabel* lblLogIntervalData = nullptr;
    QLabel* lblDiagCodeLegend = nullptr;
    QLabel* lblDiagCode = nullptr;
    QScrollBar* scrChart2D1 = nullptr;
    QLabel* lblMarkerTime = nullptr;
    QLabel* lblMarkerTrace1 = nullptr;
    QLabel* lblMarkerTrace2 = nullptr;
    QPushButton* cmdZoomIn = nullptr;
    QPushButton* cmdZoomOut = nullptr;
    QPushButton* cmdZoomAll = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdSavePicture = nullptr;
    QPushButton* cmdExportData = nullptr;
    QPushButton* cmdExit = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the file dialogs start and what they remember (set by rememberChoices).
    SettingsStore* m_settings = nullptr;
    void buildControls();
    void Form_Load();
    QRadioButton* traceOption(int traceNo, std::optional<TraceQuantity> quantity) const;
    // The eight trace options: one quantity into trace 1 or 2.
    void loadTrace(int traceNo, TraceQuantity quantity);
    void loadTrace3(std::optional<TraceQuantity> quantity);
    // The third trace's options that share an axis, and the target line's axis, after a
    // change of trace 1 or 2.
    void updateExtras();
    // The marker on a sample chosen by a key, with the window following it.
    void markSample(int index);
    void showReadouts();
    // Copies the navigation state into the scroll bar, the time axis, the marker line
    // and the readouts.
    void showNavigation();
    void guarded(const std::function<void()>& step);

    AppState& m_state;
    Prompter& m_prompter;
    std::unique_ptr<PrinterProvider> m_ownPrinters;
    PrinterProvider* m_printers = nullptr;
    ChartNavigator m_nav;
    std::unique_ptr<ChartSampleFinder> m_finder;
    LogBuffer::Samples m_times{};
    QString m_trace1Format;
    QString m_trace2Format;
    LogBuffer::Samples m_trace1Data{};
    LogBuffer::Samples m_trace2Data{};
    TraceQuantity m_quantity1 = TraceQuantity::RPM;
    TraceQuantity m_quantity2 = TraceQuantity::AFR1;
    std::optional<TraceQuantity> m_quantity3;
    // The sample the marker reads, once one has been picked.
    std::optional<int> m_markerSample;
    // A left-button press on the plot: where, and whether it has become a drag.
    std::optional<QPointF> m_pressAt;
    bool m_dragging = false;
    double m_dragLastX = 0.0;
};
