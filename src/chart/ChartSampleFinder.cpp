// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartSampleFinder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

ChartSampleFinder::ChartSampleFinder(const LogBuffer::Samples& elapsedTime) : m_time(elapsedTime) {
    std::iota(m_order.begin(), m_order.end(), 0);
    // Times that are not numbers go last and are never found.
    auto key = [this](int i) {
        const float t = m_time[i];
        return std::isnan(t) ? std::numeric_limits<float>::infinity() : t;
    };
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) { return key(a) < key(b); });
    for (int pos = 0; pos < LogBuffer::kSamples; ++pos) {
        m_rank[m_order[pos]] = pos;
        if (!std::isnan(m_time[m_order[pos]]))
            m_timed = pos + 1;
    }
}

std::optional<int> ChartSampleFinder::step(int index, int steps) const {
    if (index < 0 || index >= LogBuffer::kSamples || m_timed == 0)
        return std::nullopt;
    const int pos = std::clamp(m_rank[index] + steps, 0, m_timed - 1);
    return m_order[pos];
}

std::optional<int> ChartSampleFinder::first() const {
    return m_timed ? std::optional<int>(m_order[0]) : std::nullopt;
}

std::optional<int> ChartSampleFinder::last() const {
    return m_timed ? std::optional<int>(m_order[m_timed - 1]) : std::nullopt;
}

std::optional<int> ChartSampleFinder::nearest(double time) const {
    if (std::isnan(time))
        return std::nullopt;
    // First position whose time is not below the clicked time.
    int lo = 0;
    int hi = LogBuffer::kSamples;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const float t = m_time[m_order[mid]];
        if (!std::isnan(t) && double(t) < time)
            lo = mid + 1;
        else
            hi = mid;
    }
    std::optional<int> best;
    double bestDistance = 0.0;
    for (int pos : {lo - 1, lo}) {
        if (pos < 0 || pos >= LogBuffer::kSamples)
            continue;
        const int index = m_order[pos];
        const float t = m_time[index];
        if (std::isnan(t))
            continue;
        const double distance = std::fabs(double(t) - time);
        if (!best || distance < bestDistance || (distance == bestDistance && index < *best)) {
            best = index;
            bestDistance = distance;
        }
    }
    return best;
}
