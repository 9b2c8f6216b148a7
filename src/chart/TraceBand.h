// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// The pixels a reduced trace covers on a raster, as one vertical run per pixel column.
//
// Where a trace holds several samples per pixel column, a line through all of them
// covers, in each column, the rows between the column's lowest and highest sample and
// the rows its connecting segments pass through. This gathers exactly that from each
// column's first, lowest, highest and last sample (TraceDecimator), widened by half the
// pen's width, so that the band can be filled as one rectangle a column: the same pixels
// the line would give, at a cost set by the plot's width.
//
// Coordinates are device pixels, y growing downwards; pixel column x covers [x, x + 1).
class TraceBand {
public:
    struct Run {
        int top = 0;
        int bottom = -1; // inclusive; an empty column has bottom < top
        bool empty() const { return bottom < top; }
    };

    // Columns left to right - 1 and rows top to bottom - 1 (the plot area) are filled;
    // `halfWidth` is half the pen's width.
    TraceBand(int left, int right, int top, int bottom, double halfWidth);

    // One reduced column, in time order: its first, lowest, highest and last value, the
    // first at xFirst and the last at xLast (the same place for a column inside the
    // plot; the samples beyond its edges keep their own places). It is joined to the
    // column before unless `gapBefore`.
    void add(double xFirst, double xLast, double first, double lowest, double highest, double last,
             bool gapBefore);

    // The rows to fill in each column, from `left` on (call once all columns are in).
    std::vector<Run> runs() const;
    int left() const { return m_left; }

private:
    void cover(int column, double y0, double y1);
    void coverSegment(double x0, double y0, double x1, double y1);

    int m_left;
    int m_right;
    int m_top;
    int m_bottom;
    double m_halfWidth;
    std::vector<double> m_low;  // least y per column
    std::vector<double> m_high; // greatest y per column
    bool m_hasPrevious = false;
    double m_previousX = 0.0;
    double m_previousY = 0.0;
};
