// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/ChartTrace.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class QCustomPlot;
struct Log;
struct AppState;

// Draws the chart of the log in memory into a picture file, as the chart window shows
// it: same traces, axes, titles and template look, over a chosen stretch of time.
// Needs a QApplication, which may run on the offscreen platform.
namespace ChartRenderer {

// The picture's sides in pixels. A picture wider than about half the points of a trace
// draws every point with the template's wide pen, and the painter's stroke then takes
// time far beyond linear (the module's 12000 points: 0.45 s at 6000 wide, 42 s at 7000):
// the width stops at 6000, the height, which costs only area, at 8000.
constexpr int kMinSide = 100;
constexpr int kMaxWidth = 6000;
constexpr int kMaxSide = 8000;

struct Request {
    TraceQuantity trace1 = TraceQuantity::RPM;
    TraceQuantity trace2 = TraceQuantity::AFR1;
    std::optional<double> from; // seconds; the start of the buffer when not given
    std::optional<double> to;   // seconds; the end of the buffer when not given
    QSize size{1200, 700};      // pixels (for a PDF: the page, at 96 per inch)
};

enum class Format { Png, Pdf };

// The format a file name asks for by its extension (letter case ignored); nothing for
// any other.
std::optional<Format> formatOf(const QString& path);

// The picture of a chart as it stands, at `size` pixels of a 96 dpi screen: the bytes of
// a PNG file, or of a one-page PDF of that size whose traces are vectors. Empty when the
// picture could not be made.
QByteArray picture(QCustomPlot& plot, Format format, const QSize& size);

// A PNG or a PDF (vector), chosen by the file name's extension, written through the
// atomic writer. False with the reason in `error` when nothing could be written (an
// old file of that name is then left as it was).
bool render(const AppState& state, const Request& request, const QString& path,
            QString* error = nullptr);

// The channels of any log (their indices), one pane, the first unit on the left axis and
// the second on the right, over [from, to] (the whole log when not given).
struct LogRequest {
    std::vector<int> channels;
    std::optional<double> from;
    std::optional<double> to;
    QSize size{1200, 700};
};
bool renderLog(const Log& log, const LogRequest& request, const QString& path,
               QString* error = nullptr);

} // namespace ChartRenderer
