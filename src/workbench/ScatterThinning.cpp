// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/ScatterThinning.h"

#include <algorithm>
#include <cmath>

ScatterThinning::ScatterThinning(double xLow, double xHigh, double yLow, double yHigh, int width,
                                 int height)
    : m_xLow(xLow), m_yLow(yLow), m_width(std::max(width, 1)), m_height(std::max(height, 1)),
      m_seen(std::size_t(m_width) * std::size_t(m_height), false) {
    // A range of zero width puts everything in one column rather than dividing by zero.
    m_xScale = xHigh > xLow ? (m_width - 1) / (xHigh - xLow) : 0.0;
    m_yScale = yHigh > yLow ? (m_height - 1) / (yHigh - yLow) : 0.0;
}

bool ScatterThinning::take(double x, double y) {
    const double px = std::round((x - m_xLow) * m_xScale);
    const double py = std::round((y - m_yLow) * m_yScale);
    if (!(px >= 0 && px < m_width && py >= 0 && py < m_height))
        return true;
    const std::size_t k = std::size_t(py) * std::size_t(m_width) + std::size_t(px);
    if (m_seen[k])
        return false;
    m_seen[k] = true;
    return true;
}
