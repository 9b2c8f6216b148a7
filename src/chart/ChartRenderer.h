#pragma once

#include "chart/ChartTrace.h"

#include <QSize>
#include <QString>

#include <optional>

struct AppState;

// Draws the chart of the log in memory into a picture file, as the chart window shows
// it: same traces, axes, titles and template look, over a chosen stretch of time.
// Needs a QApplication, which may run on the offscreen platform.
namespace ChartRenderer {

// The picture's sides in pixels.
constexpr int kMinSide = 100;
constexpr int kMaxSide = 8000;

struct Request {
    TraceQuantity trace1 = TraceQuantity::RPM;
    TraceQuantity trace2 = TraceQuantity::AFR1;
    std::optional<double> from; // seconds; the start of the buffer when not given
    std::optional<double> to;   // seconds; the end of the buffer when not given
    QSize size{1200, 700};      // pixels (for a PDF: the page, at 96 per inch)
};

// A PNG or a PDF (vector), chosen by the file name's extension, written through the
// safe writer (an old picture stays as it was on failure). False with the reason, naming
// the file, in `error` when nothing could be written.
bool render(const AppState& state, const Request& request, const QString& path,
            QString* error = nullptr);

} // namespace ChartRenderer
