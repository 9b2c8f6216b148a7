// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/TraceBand.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Values far off the plot would only lose precision in the arithmetic below; beyond a
// million pixels they all look the same.
constexpr double kFar = 1e6;

double tame(double v) {
    return std::isnan(v) ? 0.0 : std::clamp(v, -kFar, kFar);
}

} // namespace

TraceBand::TraceBand(int left, int right, int top, int bottom, double halfWidth)
    : m_left(left), m_right(std::max(left, right)), m_top(top), m_bottom(std::max(top, bottom)),
      m_halfWidth(std::max(0.0, halfWidth)),
      m_low(std::size_t(m_right - m_left), std::numeric_limits<double>::infinity()),
      m_high(std::size_t(m_right - m_left), -std::numeric_limits<double>::infinity()) {}

void TraceBand::cover(int column, double y0, double y1) {
    if (column < m_left || column >= m_right)
        return;
    const std::size_t i = std::size_t(column - m_left);
    m_low[i] = std::min({m_low[i], y0, y1});
    m_high[i] = std::max({m_high[i], y0, y1});
}

void TraceBand::coverSegment(double x0, double y0, double x1, double y1) {
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const double first = std::max(std::floor(x0), double(m_left));
    const double last = std::min(std::floor(x1), double(m_right - 1));
    if (x1 - x0 < 1e-9) {
        if (first <= last)
            cover(int(first), y0, y1);
        return;
    }
    // Each column the segment crosses holds the part of it between the column's edges.
    const double slope = (y1 - y0) / (x1 - x0);
    for (double c = first; c <= last; c += 1.0) {
        const double from = std::max(x0, c);
        const double to = std::min(x1, c + 1.0);
        cover(int(c), y0 + (from - x0) * slope, y0 + (to - x0) * slope);
    }
}

void TraceBand::add(double xFirst, double xLast, double first, double lowest, double highest,
                    double last, bool gapBefore) {
    xFirst = tame(xFirst);
    xLast = tame(xLast);
    first = tame(first);
    if (m_hasPrevious && !gapBefore)
        coverSegment(m_previousX, m_previousY, xFirst, first);
    if (xFirst == xLast)
        cover(int(std::floor(xFirst)), tame(lowest), tame(highest));
    else
        // A column beyond the plot's edge: only the way in or out of the plot shows.
        coverSegment(xFirst, first, xLast, tame(last));
    m_hasPrevious = true;
    m_previousX = xLast;
    m_previousY = tame(last);
}

std::vector<TraceBand::Run> TraceBand::runs() const {
    std::vector<Run> out(m_low.size());
    for (std::size_t i = 0; i < m_low.size(); ++i) {
        if (m_low[i] > m_high[i])
            continue;
        // A row is filled when its centre lies within half a pen width of the line;
        // every covered column gets at least one row, as a thin pen still draws one.
        int top = int(std::ceil(m_low[i] - m_halfWidth - 0.5));
        int bottom = int(std::floor(m_high[i] + m_halfWidth - 0.5));
        if (bottom < top)
            bottom = top = int(std::floor(m_low[i]));
        out[i].top = std::max(top, m_top);
        out[i].bottom = std::min(bottom, m_bottom - 1);
    }
    return out;
}
