// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// Reduces a trace to what the pixel columns of a plot can show, so that drawing it costs
// as much as the plot is wide, however many samples it holds and however noisy they are.
//
// The visible time range [from, to] is cut into `columns` equal columns; samples before
// `from` and after `to` fall into one column on each side, so that the lines into and out
// of the plot keep their slope. Of each column the first, the lowest, the highest and the
// last sample are kept, each once and in the order they came: drawn as a line, these
// give the same pixels as all the samples, and a spike one sample wide stays visible.
//
// Samples are fed in time order. A value that is not a number is a gap in the line (as
// the plot draws it): it is kept once, between the columns it cuts. Samples whose time
// is not a number are skipped.
class TraceDecimator {
public:
    struct Point {
        double time = 0.0;
        double value = 0.0;
    };
    // One column's samples. `column` runs from -1 (before `from`) to `columns` (after
    // `to`); a column cut by a gap appears once on each side of it.
    struct Column {
        int column = 0;
        std::int64_t count = 0;
        bool gapBefore = false;
        double gapTime = 0.0; // the time of the first missing value before the column
        Point first, lowest, highest, last;
        std::int64_t firstAt = 0, lowestAt = 0, highestAt = 0, lastAt = 0;
    };

    // Samples known to fall in one column, none of them missing, given by their first,
    // lowest, highest and last (the earliest of equal lows or highs), with where the low
    // and the high stand counted from the first: the same as adding them one by one.
    struct Run {
        int column = 0;
        std::int64_t count = 0;
        Point first, lowest, highest, last;
        std::int64_t lowestOffset = 0, highestOffset = 0;
    };

    TraceDecimator(double from, double to, int columns);

    void add(double time, double value) {
        if (std::isnan(time))
            return;
        const std::int64_t at = m_seen++;
        if (std::isnan(value)) {
            // A gap matters only between kept samples; its first time marks it.
            if (m_open.count)
                flush();
            if (!m_pendingGap && !m_columns.empty()) {
                m_pendingGap = true;
                m_gapTime = time;
            }
            return;
        }
        const int c = columnOf(time);
        if (m_open.count && c != m_open.column)
            flush();
        const Point p{time, value};
        if (!m_open.count) {
            m_open.column = c;
            m_open.gapBefore = m_pendingGap;
            m_open.gapTime = m_gapTime;
            m_pendingGap = false;
            m_open.first = m_open.lowest = m_open.highest = p;
            m_open.firstAt = m_open.lowestAt = m_open.highestAt = at;
        } else if (value < m_open.lowest.value) {
            m_open.lowest = p;
            m_open.lowestAt = at;
        } else if (value > m_open.highest.value) {
            m_open.highest = p;
            m_open.highestAt = at;
        }
        m_open.last = p;
        m_open.lastAt = at;
        ++m_open.count;
    }

    void addRun(const Run& run) {
        if (run.count <= 0)
            return;
        const std::int64_t at = m_seen;
        m_seen += run.count;
        if (m_open.count && run.column != m_open.column)
            flush();
        if (!m_open.count) {
            m_open.column = run.column;
            m_open.gapBefore = m_pendingGap;
            m_open.gapTime = m_gapTime;
            m_pendingGap = false;
            m_open.first = m_open.lowest = m_open.highest = run.first;
            m_open.firstAt = m_open.lowestAt = m_open.highestAt = at;
        }
        if (run.lowest.value < m_open.lowest.value) {
            m_open.lowest = run.lowest;
            m_open.lowestAt = at + run.lowestOffset;
        }
        if (run.highest.value > m_open.highest.value) {
            m_open.highest = run.highest;
            m_open.highestAt = at + run.highestOffset;
        }
        m_open.last = run.last;
        m_open.lastAt = at + run.count - 1;
        m_open.count += run.count;
    }

    // The column a time falls in: -1 before the range, `columns` after it.
    int columnOf(double time) const {
        if (time < m_from)
            return -1;
        if (time > m_to)
            return m_count;
        const int c = int((time - m_from) * m_scale);
        return c < m_count ? c : m_count - 1;
    }

    // The kept columns, in time order (call once all samples are in).
    const std::vector<Column>& columns();
    // The reduced series as a line: each column's first, lowest, highest and last sample
    // in the order they came, a point whose value is not a number at each gap.
    std::vector<Point> points();
    // How many samples (with a time) went in.
    std::int64_t samplesSeen() const { return m_seen; }

private:
    void flush();

    double m_from;
    double m_to;
    int m_count;
    double m_scale;
    std::int64_t m_seen = 0;
    Column m_open;
    bool m_pendingGap = false;
    double m_gapTime = 0.0;
    std::vector<Column> m_columns;
};
