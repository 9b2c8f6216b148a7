// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// The points of a scatter plot reduced to one per pixel: drawing a hundred thousand discs
// costs far more than the eye can tell apart on a few hundred pixels, and a point hidden
// under another of the same colour shows nothing. The first point of each pixel is kept.
class ScatterThinning {
public:
    ScatterThinning(double xLow, double xHigh, double yLow, double yHigh, int width, int height);
    // True the first time a point falls in its pixel; points outside the ranges are kept.
    bool take(double x, double y);

private:
    double m_xLow;
    double m_yLow;
    double m_xScale;
    double m_yScale;
    int m_width;
    int m_height;
    std::vector<bool> m_seen;
};
