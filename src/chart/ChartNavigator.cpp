// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartNavigator.h"

#include "logdata/LogBuffer.h"
#include "support/Numbers.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <cmath>

float ChartNavigator::chartTimeSpan(float dataLogInterval) {
    const float span = dataLogInterval * float(LogBuffer::kSamples);
    return float(Numbers::roundHalfEven(span));
}

QString ChartNavigator::logIntervalText(float dataLogInterval) {
    const float twentieths = 20.0f * dataLogInterval;
    return Numbers::format(Numbers::roundHalfEven(twentieths) / 20.0, QStringLiteral("0.00"));
}

QString ChartNavigator::stoichRatioText(float stoichRatio) {
    return Numbers::format(stoichRatio, QStringLiteral("#0.00"));
}

QString ChartNavigator::diagnosticText(float sensor1Status) {
    // Only exact whole codes name a condition.
    if (!std::isfinite(sensor1Status) || std::floor(sensor1Status) != sensor1Status ||
        std::fabs(sensor1Status) > 1000.0f)
        return {};
    return SensorStatus::text(int(sensor1Status));
}

int ChartNavigator::scrollValue(double seconds) {
    if (!std::isfinite(seconds))
        return 0;
    // A log with an absurd interval must not overflow the scroll bar.
    const double r = std::clamp(Numbers::roundHalfEven(seconds), -1.0e9, 1.0e9);
    return int(r);
}

void ChartNavigator::open(float dataLogInterval) {
    DataLogInterval = dataLogInterval;
    ZoomWidth = ZoomAllWidth;
    TimeZero = 0.0f;
    ChartTimeSpan = chartTimeSpan(dataLogInterval);
    MarkerTime = ChartTimeSpan / 2.0f;
    scroll.minimum = 0;
    scroll.maximum = std::max(0, scrollValue(ChartTimeSpan));
    scroll.value = std::clamp(scrollValue(MarkerTime), scroll.minimum, scroll.maximum);
    markerLine = MarkerTime;
    window = {0.0f, ChartTimeSpan};
}

ChartNavigator::TimeWindow ChartNavigator::placeWindow(float centre) const {
    const float half = ZoomWidth / 2.0f;
    TimeWindow w{centre - half, centre + half};
    if (w.start < 0.0f) {
        w.start = 0.0f;
        w.end = ZoomWidth;
    }
    // Near the end of the buffer the window is cut, not shifted.
    if (w.end > ChartTimeSpan)
        w.end = ChartTimeSpan;
    return w;
}

void ChartNavigator::clearReadouts() {
    lblMarkerTrace1.clear();
    lblMarkerTrace2.clear();
    lblMarkerTime = QStringLiteral("Sec ");
}

void ChartNavigator::scrollTo(int value) {
    // The control keeps its value within its range.
    scroll.value = std::clamp(value, scroll.minimum, scroll.maximum);
    clearReadouts();
    window = placeWindow(float(scroll.value));
}

void ChartNavigator::setScrollValue(int value) {
    // Changing the value runs the scroll handler, as a user's move would.
    const int v = std::clamp(value, scroll.minimum, scroll.maximum);
    if (v != scroll.value)
        scrollTo(v);
}

void ChartNavigator::finishZoomStep() {
    clearReadouts();
    const TimeWindow w = placeWindow(MarkerTime);
    setScrollValue(scrollValue(MarkerTime));
    window = w;
    scroll.largeChange = std::max(1, int(std::floor(ZoomWidth)));
    scroll.smallChange = std::max(1, int(std::floor(ZoomWidth / 5.0f)));
}

bool ChartNavigator::zoomIn() {
    const float halfWidth = ZoomWidth / 2.0f;
    const float narrowest = 100.0f * DataLogInterval;
    if (halfWidth < narrowest)
        return false;
    ZoomWidth = halfWidth;
    if (ZoomWidth < 1.0f)
        ZoomWidth = 1.0f;
    finishZoomStep();
    return true;
}

bool ChartNavigator::zoomOut() {
    const float doubled = 2.0f * ZoomWidth;
    if (doubled > ChartTimeSpan)
        return false;
    ZoomWidth = doubled;
    finishZoomStep();
    return true;
}

void ChartNavigator::zoomAll() {
    ZoomWidth = ZoomAllWidth;
    clearReadouts();
    setScrollValue(scrollValue(ChartTimeSpan));
    window = {0.0f, ChartTimeSpan};
    scroll.largeChange = int(std::floor(ChartTimeSpan / 2.0f));
    scroll.smallChange = int(std::floor(ChartTimeSpan / 5.0f));
}

void ChartNavigator::placeMarker(double clickedTime, const std::optional<MarkerSample>& sample,
                                 const QString& trace1Format, const QString& trace2Format) {
    markerLine = clickedTime;
    if (!sample) {
        lblMarkerTime = QStringLiteral("Sec ");
        lblMarkerTrace1.clear();
        lblMarkerTrace2.clear();
        lblDiagCode.clear();
        return;
    }
    MarkerTime = sample->time;
    const float sinceZero = MarkerTime - TimeZero;
    lblMarkerTime = Numbers::format(sinceZero, QStringLiteral("##0.0")) + QStringLiteral(" Sec ");
    lblMarkerTrace1 = Numbers::format(sample->trace1, trace1Format);
    lblMarkerTrace2 = Numbers::format(sample->trace2, trace2Format);
    lblDiagCode = diagnosticText(sample->sensor1Status);
}

void ChartNavigator::resetTime() {
    TimeZero = MarkerTime;
    lblMarkerTime = QStringLiteral("0.000 Sec ");
}

float ChartNavigator::narrowestWidth() const {
    // The zoom buttons never go below 100 sample intervals nor below a second.
    return std::max(1.0f, 100.0f * DataLogInterval);
}

void ChartNavigator::showStretch(double start, double width) {
    const double span = ChartTimeSpan;
    width = std::min(width, span);
    start = std::clamp(start, 0.0, std::max(0.0, span - width));
    window = {float(start), float(start + width)};
    ZoomWidth = float(width);
    // The scroll bar stands at the middle of the window, as after a zoom step; setting it
    // here does not move the window again.
    scroll.value = std::clamp(scrollValue(start + width / 2.0), scroll.minimum, scroll.maximum);
    scroll.largeChange = std::max(1, int(std::floor(ZoomWidth)));
    scroll.smallChange = std::max(1, int(std::floor(ZoomWidth / 5.0f)));
}

bool ChartNavigator::zoomAt(double time, double notches) {
    if (!std::isfinite(time) || !std::isfinite(notches) || notches == 0.0 || ChartTimeSpan <= 0.0f)
        return false;
    const double start = window.start;
    const double width = double(window.end) - start;
    if (!(width > 0.0))
        return false;
    const double narrowest = std::min<double>(narrowestWidth(), ChartTimeSpan);
    const double wanted =
        std::clamp(width * std::pow(kWheelZoomStep, notches), narrowest, double(ChartTimeSpan));
    if (std::fabs(wanted - width) < 1e-9 * ChartTimeSpan)
        return false;
    const double pointer = std::clamp(time, start, start + width);
    showStretch(pointer - (pointer - start) * wanted / width, wanted);
    return true;
}

bool ChartNavigator::panBy(double seconds) {
    if (!std::isfinite(seconds) || seconds == 0.0)
        return false;
    const TimeWindow before = window;
    showStretch(double(window.start) + seconds, double(window.end) - window.start);
    return window.start != before.start || window.end != before.end;
}

bool ChartNavigator::bringIntoView(double time) {
    if (!std::isfinite(time) || (time >= window.start && time <= window.end))
        return false;
    const double width = double(window.end) - window.start;
    const double start = time < window.start ? time : time - width;
    showStretch(start, width);
    return true;
}

void ChartNavigator::placeMarkerOnSample(const MarkerSample& sample, const QString& trace1Format,
                                         const QString& trace2Format) {
    placeMarker(sample.time, sample, trace1Format, trace2Format);
}

ChartNavigator::KeyAction ChartNavigator::keyAction(int key, bool shift) {
    switch (key) {
    case Qt::Key_Left:
        return {KeyCommand::StepMarker, shift ? -10 : -1};
    case Qt::Key_Right:
        return {KeyCommand::StepMarker, shift ? 10 : 1};
    case Qt::Key_Home:
        return {KeyCommand::MarkerToStart, 0};
    case Qt::Key_End:
        return {KeyCommand::MarkerToEnd, 0};
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return {KeyCommand::ZoomIn, 0};
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return {KeyCommand::ZoomOut, 0};
    default:
        return {};
    }
}
