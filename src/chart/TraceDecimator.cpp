// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/TraceDecimator.h"

#include <algorithm>
#include <array>
#include <limits>

TraceDecimator::TraceDecimator(double from, double to, int columns)
    : m_from(from), m_to(to), m_count(std::max(1, columns)) {
    const double span = to - from;
    // An empty or reversed range puts every visible sample into column 0.
    m_scale = span > 0.0 && std::isfinite(span) ? double(m_count) / span : 0.0;
}

void TraceDecimator::flush() {
    if (m_open.count)
        m_columns.push_back(m_open);
    m_open = Column{};
}

const std::vector<TraceDecimator::Column>& TraceDecimator::columns() {
    flush();
    return m_columns;
}

std::vector<TraceDecimator::Point> TraceDecimator::points() {
    const std::vector<Column>& kept = columns();
    std::vector<Point> out;
    out.reserve(kept.size() * 4);
    for (const Column& c : kept) {
        if (c.gapBefore)
            out.push_back({c.gapTime, std::numeric_limits<double>::quiet_NaN()});
        std::array<std::pair<std::int64_t, Point>, 4> four{{{c.firstAt, c.first},
                                                            {c.lowestAt, c.lowest},
                                                            {c.highestAt, c.highest},
                                                            {c.lastAt, c.last}}};
        std::sort(four.begin(), four.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        std::int64_t previous = -1;
        for (const auto& [at, p] : four) {
            if (at != previous)
                out.push_back(p);
            previous = at;
        }
    }
    return out;
}
