// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The chart window's time navigation and marker readouts, without any widget: the
// visible time window (axis "X"), the scroll bar's values, zoom in / out / all, the
// marker placed by a click and the time reference of its readout. The window copies
// these values into its controls after every step.
class ChartNavigator {
public:
    struct ScrollBar {
        int minimum = 0;
        int maximum = 0;
        int value = 0;
        int largeChange = 1;
        int smallChange = 1;
    };
    struct TimeWindow {
        float start = 0.0f;
        float end = 0.0f;
    };
    // The sample nearest to a click, as the readouts need it.
    struct MarkerSample {
        float time = 0.0f;
        float trace1 = 0.0f;
        float trace2 = 0.0f;
        float sensor1Status = 0.0f;
    };

    static constexpr float ZoomAllWidth = 720.0f;

    // The whole buffer's length in seconds: interval × 12000 to the nearest second.
    static float chartTimeSpan(float dataLogInterval);
    // The interval to the nearest 0.05 s, "0.00".
    static QString logIntervalText(float dataLogInterval);
    static QString stoichRatioText(float stoichRatio);
    // Sensor 1's condition for a status code; "" for a valid reading and unknown codes.
    static QString diagnosticText(float sensor1Status);
    // A scroll-bar position: nearest whole number, halves to even, kept within int range.
    static int scrollValue(double seconds);

    // Sets up a freshly opened chart over a buffer logged at this interval: the span,
    // the marker in its middle, the time reference at 0 and the scroll bar.
    void open(float dataLogInterval);

    // The time window of the current width around a centre, kept inside the buffer.
    TimeWindow placeWindow(float centre) const;

    void scrollTo(int value);
    // False when the step would go below 100 sample intervals or past the whole buffer.
    bool zoomIn();
    bool zoomOut();
    void zoomAll();
    // A left click: the marker line goes where clicked; the readouts show the nearest
    // sample, or are blanked when there is none.
    void placeMarker(double clickedTime, const std::optional<MarkerSample>& sample,
                     const QString& trace1Format, const QString& trace2Format);
    // Times are read from the marker from now on.
    void resetTime();

    // The pointer's wheel: `notches` steps (positive: away from the user) zoom in, or out
    // when negative, around `time`, the time under the pointer, which stays under it.
    // The width stays within the limits of the zoom buttons; false when nothing moved.
    bool zoomAt(double time, double notches);
    // Dragging: the window moves `seconds` later (earlier when negative), keeping its
    // width, and stops at the ends of the buffer; false when nothing moved.
    bool panBy(double seconds);
    // Moves the window as little as needed to show `time`; false when already shown.
    bool bringIntoView(double time);
    // The marker at a sample chosen by a key rather than a click: the line stands on it.
    void placeMarkerOnSample(const MarkerSample& sample, const QString& trace1Format,
                             const QString& trace2Format);

    // What a key does on the chart.
    enum class KeyCommand { None, StepMarker, MarkerToStart, MarkerToEnd, ZoomIn, ZoomOut };
    struct KeyAction {
        KeyCommand command = KeyCommand::None;
        int steps = 0; // samples, for StepMarker
    };
    // Left/Right one sample (ten with Shift), Home/End, +/- (and = for + without Shift).
    static KeyAction keyAction(int key, bool shift);
    // Each wheel notch narrows the window to this share of its width.
    static constexpr double kWheelZoomStep = 0.8;

    float DataLogInterval = 0.1f;
    float ChartTimeSpan = 0.0f;
    float ZoomWidth = ZoomAllWidth;
    float MarkerTime = 0.0f;
    float TimeZero = 0.0f;
    ScrollBar scroll;
    TimeWindow window;
    double markerLine = 0.0;

    QString lblMarkerTime;
    QString lblMarkerTrace1;
    QString lblMarkerTrace2;
    QString lblDiagCode;

private:
    void clearReadouts();
    void setScrollValue(int value);
    void finishZoomStep();
    // Shows [start, start + width] with the scroll bar following, readouts kept.
    void showStretch(double start, double width);
    float narrowestWidth() const;
};
