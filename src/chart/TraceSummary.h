// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/TraceDecimator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// The lowest and highest value of every block of 16, 256 and 4096 samples of a series,
// worked out once when the series is set, so that reducing it to the columns of a plot
// (TraceDecimator) reads a few blocks a column instead of every sample: a replot of a
// million samples then costs about what one of twelve thousand does.
//
// `reduce` hands the decimator exactly what feeding it every sample would: each column's
// first and last sample, and its lowest and highest with the earliest one kept on ties.
// A column that holds a value that is not a number (a gap in the line) is fed sample by
// sample. A series whose times are not all numbers in order is never summarised (`usable`
// is false) and must be fed sample by sample.
class TraceSummary {
public:
    // Samples are read through `time(sample)` and `value(sample)`.
    template <typename Sample, typename Time, typename Value>
    void build(const Sample* samples, std::int64_t count, Time time, Value value);

    void clear();
    bool usable() const { return m_usable; }

    // Feeds the samples [from, to) of the series it was built from to `decimator`.
    template <typename Sample, typename Time, typename Value>
    void reduce(const Sample* samples, std::int64_t from, std::int64_t to, Time time, Value value,
                TraceDecimator& decimator) const;

private:
    struct Block {
        double lowest = 0.0;
        double highest = 0.0;
        std::int64_t lowestAt = 0;
        std::int64_t highestAt = 0;
        bool gap = false; // a value in the block is not a number
    };
    // Level k holds blocks of 16^(k+1) samples, the last one of a level maybe shorter.
    static constexpr int kLevels = 3;
    static constexpr int kShift = 4;
    static constexpr std::int64_t blockSize(int level) {
        return std::int64_t(1) << (kShift * (level + 1));
    }

    struct Extremes {
        double lowest = 0.0;
        double highest = 0.0;
        std::int64_t lowestAt = 0;
        std::int64_t highestAt = 0;
        bool any = false;
        // Later ones lose ties: the earliest of equal values is kept, as the decimator
        // keeps it.
        void merge(double low, std::int64_t lowAt, double high, std::int64_t highAt) {
            if (!any) {
                lowest = low;
                lowestAt = lowAt;
                highest = high;
                highestAt = highAt;
                any = true;
                return;
            }
            if (low < lowest) {
                lowest = low;
                lowestAt = lowAt;
            }
            if (high > highest) {
                highest = high;
                highestAt = highAt;
            }
        }
    };

    // The extremes of [from, to), nothing when a value in it is not a number.
    template <typename Sample, typename Value>
    std::optional<Extremes> extremes(const Sample* samples, std::int64_t from, std::int64_t to,
                                     Value value) const;
    // The end of the run of samples from `at` (before `to`) that fall in `column`.
    template <typename Sample, typename Time>
    static std::int64_t columnEnd(const Sample* samples, std::int64_t at, std::int64_t to,
                                  int column, Time time, const TraceDecimator& decimator);

    bool m_usable = false;
    std::array<std::vector<Block>, kLevels> m_levels;
};

template <typename Sample, typename Time, typename Value>
void TraceSummary::build(const Sample* samples, std::int64_t count, Time time, Value value) {
    clear();
    for (std::int64_t i = 0; i < count; ++i) {
        const double t = time(samples[i]);
        if (std::isnan(t) || (i > 0 && t < time(samples[i - 1])))
            return;
    }
    // The first level from the samples, each further one from the level below.
    std::vector<Block>& first = m_levels[0];
    first.resize(std::size_t((count + blockSize(0) - 1) / blockSize(0)));
    for (std::size_t b = 0; b < first.size(); ++b) {
        const std::int64_t from = std::int64_t(b) * blockSize(0);
        const std::int64_t to = std::min(count, from + blockSize(0));
        Extremes e;
        bool gap = false;
        for (std::int64_t i = from; i < to; ++i) {
            const double v = value(samples[i]);
            if (std::isnan(v))
                gap = true;
            else
                e.merge(v, i, v, i);
        }
        first[b] = {e.lowest, e.highest, e.lowestAt, e.highestAt, gap || !e.any};
    }
    for (int level = 1; level < kLevels; ++level) {
        const std::vector<Block>& below = m_levels[std::size_t(level - 1)];
        std::vector<Block>& here = m_levels[std::size_t(level)];
        const std::size_t fan = std::size_t(1) << kShift;
        here.resize((below.size() + fan - 1) / fan);
        for (std::size_t b = 0; b < here.size(); ++b) {
            Extremes e;
            bool gap = false;
            for (std::size_t i = b * fan; i < std::min(below.size(), (b + 1) * fan); ++i) {
                gap = gap || below[i].gap;
                e.merge(below[i].lowest, below[i].lowestAt, below[i].highest, below[i].highestAt);
            }
            here[b] = {e.lowest, e.highest, e.lowestAt, e.highestAt, gap};
        }
    }
    m_usable = true;
}

template <typename Sample, typename Value>
std::optional<TraceSummary::Extremes> TraceSummary::extremes(const Sample* samples,
                                                             std::int64_t from, std::int64_t to,
                                                             Value value) const {
    Extremes e;
    std::int64_t i = from;
    while (i < to) {
        // The largest block that starts here and ends within the range.
        int level = -1;
        while (level + 1 < kLevels && i % blockSize(level + 1) == 0 &&
               i + blockSize(level + 1) <= to)
            ++level;
        if (level < 0) {
            const double v = value(samples[i]);
            if (std::isnan(v))
                return std::nullopt;
            e.merge(v, i, v, i);
            ++i;
            continue;
        }
        const Block& b = m_levels[std::size_t(level)][std::size_t(i / blockSize(level))];
        if (b.gap)
            return std::nullopt;
        e.merge(b.lowest, b.lowestAt, b.highest, b.highestAt);
        i += blockSize(level);
    }
    return e;
}

template <typename Sample, typename Time>
std::int64_t TraceSummary::columnEnd(const Sample* samples, std::int64_t at, std::int64_t to,
                                     int column, Time time, const TraceDecimator& decimator) {
    // Galloping from `at`: the search stays near the samples it has just read.
    const auto beyond = [&](std::int64_t i) {
        return decimator.columnOf(time(samples[i])) > column;
    };
    std::int64_t inside = at; // known to be in the column
    std::int64_t step = 1;
    std::int64_t probe = at + 1;
    while (probe < to && !beyond(probe)) {
        inside = probe;
        step *= 2;
        probe = at + step;
    }
    std::int64_t outside = std::min(probe, to); // beyond the column, or the end
    while (outside - inside > 1) {
        const std::int64_t middle = inside + (outside - inside) / 2;
        if (beyond(middle))
            outside = middle;
        else
            inside = middle;
    }
    return outside;
}

template <typename Sample, typename Time, typename Value>
void TraceSummary::reduce(const Sample* samples, std::int64_t from, std::int64_t to, Time time,
                          Value value, TraceDecimator& decimator) const {
    std::int64_t i = from;
    while (i < to) {
        const int column = decimator.columnOf(time(samples[i]));
        const std::int64_t end = columnEnd(samples, i, to, column, time, decimator);
        const std::optional<Extremes> e = extremes(samples, i, end, value);
        if (!e) {
            for (std::int64_t k = i; k < end; ++k)
                decimator.add(time(samples[k]), value(samples[k]));
        } else {
            TraceDecimator::Run run;
            run.column = column;
            run.count = end - i;
            run.first = {time(samples[i]), value(samples[i])};
            run.last = {time(samples[end - 1]), value(samples[end - 1])};
            run.lowest = {time(samples[e->lowestAt]), e->lowest};
            run.highest = {time(samples[e->highestAt]), e->highest};
            run.lowestOffset = e->lowestAt - i;
            run.highestOffset = e->highestAt - i;
            decimator.addRun(run);
        }
        i = end;
    }
}
