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
};
