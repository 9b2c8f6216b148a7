// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "realtime/RealTimeDisplay.h"

#include <QGroupBox>
#include <QHash>
#include <QRect>

class BarGauge;
class LiveRecorder;
class Prompter;
class QLabel;
class QPushButton;
class TachometerDial;
struct AppState;

// The live-data panel of the main window: both sensors' lambda, AFR and cell
// resistance, battery, analog input and its scaled value, ethanol, the tachometer and
// the diagnostic texts. Children are placed on a design grid in twips and scaled
// together with the panel, so the whole instrument cluster grows with the window.
class RealTimeDataFrame : public QGroupBox, public RealTimeDisplay {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 12480;
    static constexpr int kDesignHeight = 8400;

    explicit RealTimeDataFrame(const AppState& state, QWidget* parent = nullptr);

    // Scales, visibility and positions for the current fuel, analog input type,
    // module model and RPM full scale; done each time the view opens.
    void configure();

    // The design rectangle (twips) of a child, as the fuel layout placed it.
    QRect designRect(const QWidget* child) const { return m_design.value(child); }

    void showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1, double afr2,
                     bool showAFR) override;
    void showRPM(float rpm) override;
    void showAnalog(float volts, float scaled) override;
    void showBattery(float volts) override;
    void showCellResistance1(float value) override;
    void showCellResistance2(float value) override;
    void showEthanol(float percent) override;
    void resetDisplay() override;

    // Hands the Record, Mark and status controls to `recorder`; the file name and any
    // failure go through `prompter`.
    void attachRecorder(LiveRecorder& recorder, Prompter& prompter);
    // Record starts a recording into a file the user names; while recording the same
    // button (Ctrl+R) reads "Stop" and ends it. Mark (Space) marks the next row.
    void cmdRecord_Click();
    void cmdMark_Click();

    static inline const QString kRecordTitle = QStringLiteral("Record Live Data");
    static inline const QString kRecordFilter =
        QStringLiteral("Recording (*.csv)|*.csv|All Files (*.*)|*.*");

    BarGauge* gauAFR1 = nullptr;
    BarGauge* gauAFR2 = nullptr;
    BarGauge* gauLambda1 = nullptr;
    BarGauge* gauLambda2 = nullptr;
    BarGauge* gauCellRes1 = nullptr;
    BarGauge* gauCellRes2 = nullptr;
    BarGauge* gauBatVolts = nullptr;
    BarGauge* gauInput1Analog = nullptr;
    BarGauge* gauTPS = nullptr;
    BarGauge* gauMAP = nullptr;
    BarGauge* gauUser = nullptr;
    BarGauge* gauESENS = nullptr;
    TachometerDial* gauTach = nullptr;
    QLabel* lblDiagCode = nullptr;
    QLabel* lblDiagLegend = nullptr;
    QLabel* lblChannel1Legend = nullptr;
    QLabel* lblChannel2Legend = nullptr;
    QPushButton* cmdCloseRealTimeData = nullptr;
    QPushButton* cmdRecord = nullptr;
    QPushButton* cmdMark = nullptr;
    QLabel* lblRecordStatus = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    BarGauge* addGauge(const char* name, const QString& title, QRect design);
    void place(QWidget* child, QRect design);
    void layoutChildren();
    void refreshRecording();

    const AppState& m_state;
    QHash<const QWidget*, QRect> m_design;
    LiveRecorder* m_recorder = nullptr;
    Prompter* m_prompter = nullptr;
    QString m_errorShown;
};
