#pragma once

#include "chart/ChartNavigator.h"
#include "chart/ChartSampleFinder.h"
#include "chart/ChartTrace.h"

#include <QDialog>

#include <functional>
#include <memory>

class PrinterProvider;
class ChartPlot;
class Prompter;
class QGroupBox;
class QLabel;
class QPagedPaintDevice;
class QPushButton;
class QRadioButton;
class QScrollBar;
struct AppState;

// The chart window: the log in the buffer as two traces over elapsed time, with zoom,
// scrolling, a marker that reads the values under a click, and printing.
class frmChart1 : public QDialog {
    Q_OBJECT
public:
    frmChart1(AppState& state, Prompter& prompter, QWidget* parent = nullptr);
    ~frmChart1() override;

    // Printouts go to the system's default printer unless told otherwise; `printers`
    // outlives the window.
    void setPrinterProvider(PrinterProvider* printers) { m_printers = printers; }

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
    void scrChart2D1_Change(int value);
    void cmdZoomIn_Click();
    void cmdZoomOut_Click();
    void cmdZoomAll_Click();
    void cmdReset_Click();
    void cmdPrint_Click();
    void cmdExit_Click();
    // A mouse press on the chart at a position in its own pixels.
    void Chart2D1_MouseDown(Qt::MouseButton button, const QPointF& pos);

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
    QPushButton* cmdExit = nullptr;

private:
    void buildControls();
    void Form_Load();
    // The eight trace options: one quantity into trace 1 or 2.
    void loadTrace(int traceNo, TraceQuantity quantity);
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
};
