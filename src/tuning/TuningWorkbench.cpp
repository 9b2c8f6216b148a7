// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningWorkbench.h"

#include "support/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

TuningWorkbench::TuningWorkbench(TuningSettings settings) : m_settings(std::move(settings)) {
    m_settings.validate();
    m_rows = int(m_settings.rpmAxis.size());
    m_columns = int(m_settings.loadAxis.size());
    m_counts.channelFilter.assign(std::size_t(m_settings.channelFilters.size()), 0);
    for (auto& cells : m_cells)
        cells.assign(std::size_t(m_rows) * std::size_t(m_columns), Cell{});
}

TuningWorkbench::Span TuningWorkbench::locate(const std::vector<double>& axis, double value) const {
    const int last = int(axis.size()) - 1;
    int i;
    double share;
    if (!(value > axis.front())) {
        i = 0;
        share = 0.0;
    } else if (value >= axis.back()) {
        i = last - 1;
        share = 1.0;
    } else {
        // The breakpoint at or below the value: axis[i] <= value < axis[i + 1].
        i = int(std::upper_bound(axis.begin(), axis.end(), value) - axis.begin()) - 1;
        share = (value - axis[i]) / (axis[i + 1] - axis[i]);
    }
    if (m_settings.weighting == TuningSettings::Weighting::Nearest) {
        // A value halfway between two breakpoints goes to the lower one.
        const int nearest = share > 0.5 ? i + 1 : i;
        return {nearest, nearest, 0.0};
    }
    return {i, i + 1, share};
}

void TuningWorkbench::add(const TuningLog& log, std::vector<SampleUse>* uses) {
    const TuningSettings& s = m_settings;
    const std::size_t n = log.size();
    ++m_counts.logs;
    m_counts.samples += qint64(n);
    m_counts.rowsSkipped += log.rowsSkipped;
    if (uses)
        uses->assign(n, SampleUse{});
    if (n == 0)
        return;

    // Every ratio into the run's fuel units; a log already on that scale is left exact.
    const double scale = log.afrScale ? *log.afrScale : s.stoichRatio;
    const double factor = scale == s.stoichRatio ? 1.0 : s.stoichRatio / scale;
    const double loadRateLimit =
        s.maxLoadRatePercent / 100.0 * (s.loadAxis.back() - s.loadAxis.front());
    const double lowest = s.minLambda * s.stoichRatio;
    const double highest = s.maxLambda * s.stoichRatio;
    const auto inRange = [&](double afr) {
        return !s.filterAfr || (afr >= lowest && afr <= highest);
    };
    const std::vector<double>& t = log.time;
    const double start = t.front();
    const double end = t.back();

    std::size_t j = 0; // t[j] <= delayed time < t[j + 1], moved along with i
    for (std::size_t i = 0; i < n; ++i) {
        // The exhaust of the operating point at t[i] reaches the sensor at t[i] + delay.
        const double at = t[i] + s.delay.seconds(log.rpm[i]);
        double a1 = kNaN;
        double a2 = kNaN;
        if (at <= end) {
            while (j + 1 < n && t[j + 1] <= at)
                ++j;
            while (j > 0 && t[j] > at)
                --j;
            if (t[j] == at) {
                a1 = log.afr1[j];
                a2 = log.afr2[j];
            } else {
                // Either neighbour without a reading leaves none (NaN carries through).
                const double f = (at - t[j]) / (t[j + 1] - t[j]);
                a1 = log.afr1[j] + f * (log.afr1[j + 1] - log.afr1[j]);
                a2 = log.afr2[j] + f * (log.afr2[j + 1] - log.afr2[j]);
            }
            a1 *= factor;
            a2 *= factor;
        }
        double chosen = a1;
        if (s.sensor == TuningSettings::Sensor::Sensor2)
            chosen = a2;
        else if (s.sensor == TuningSettings::Sensor::Both)
            chosen = (a1 + a2) / 2.0;

        const Span r = locate(s.rpmAxis, log.rpm[i]);
        const Span c = locate(s.loadAxis, log.load[i]);
        SampleUse* use = uses ? &(*uses)[i] : nullptr;
        if (use) {
            use->row = r.share > 0.5 ? r.upper : r.lower;
            use->column = c.share > 0.5 ? c.upper : c.lower;
            use->afr = chosen;
        }
        const auto drop = [use](qint64& count, Fate fate) {
            ++count;
            if (use)
                use->fate = fate;
        };
        if (std::isnan(chosen)) {
            drop(m_counts.noReading, Fate::NoReading);
            continue;
        }
        if (s.filterRpm && !(log.rpm[i] >= s.minRpm)) {
            drop(m_counts.rpm, Fate::Rpm);
            continue;
        }
        if (s.filterLoadRate && n > 1) {
            const std::size_t before = i > 0 ? i - 1 : i;
            const std::size_t after = i + 1 < n ? i + 1 : i;
            const double rate =
                std::fabs(log.load[after] - log.load[before]) / (t[after] - t[before]);
            if (!(rate <= loadRateLimit)) {
                drop(m_counts.loadRate, Fate::LoadRate);
                continue;
            }
        }
        if (!inRange(chosen)) {
            drop(m_counts.afr, Fate::Afr);
            continue;
        }
        if (s.filterWarmUp && t[i] - start < s.warmUpSeconds) {
            drop(m_counts.warmUp, Fate::WarmUp);
            continue;
        }
        if (!log.filtered.empty() && log.filtered[i] != 0) {
            const std::size_t k = log.filtered[i] - 1u;
            if (m_counts.channelFilter.size() <= k)
                m_counts.channelFilter.resize(k + 1);
            drop(m_counts.channelFilter[k], Fate::ChannelFilter);
            continue;
        }
        ++m_counts.kept;
        if (use)
            use->fate = Fate::Kept;
        const double rw[2] = {1.0 - r.share, r.share};
        const double cw[2] = {1.0 - c.share, c.share};
        const int rr[2] = {r.lower, r.upper};
        const int cc[2] = {c.lower, c.upper};
        // The banks are compared on the samples where both sensors read, so that one
        // bank's extra samples in another operating point cannot pass for a difference.
        const bool bothBanks = !std::isnan(a1) && !std::isnan(a2) && inRange(a1) && inRange(a2);
        for (int x = 0; x < 2; ++x)
            for (int y = 0; y < 2; ++y) {
                const double w = rw[x] * cw[y];
                if (!(w > 0.0))
                    continue;
                const std::size_t k = std::size_t(rr[x]) * std::size_t(m_columns) + cc[y];
                m_cells[Chosen][k].add(w, chosen);
                if (bothBanks) {
                    m_cells[Sensor1][k].add(w, a1);
                    m_cells[Sensor2][k].add(w, a2);
                }
            }
    }
}

TuningResult TuningWorkbench::result() const {
    const TuningSettings& s = m_settings;
    TuningResult out;
    out.rpmAxis = s.rpmAxis;
    out.loadAxis = s.loadAxis;
    out.stoichRatio = s.stoichRatio;
    out.minWeight = s.minWeight;
    out.counts = m_counts;
    out.weight = out.mean = out.spread = out.target = out.correction = out.bankDifference =
        TuningGrid(m_rows, m_columns);
    if (s.base) {
        out.base = *s.base;
        out.corrected = TuningGrid(m_rows, m_columns);
        out.clamped = TuningGrid(m_rows, m_columns);
    }
    const auto usable = [&](const Cell& cell) {
        return cell.weight > 0.0 && cell.weight >= s.minWeight;
    };
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_columns; ++c) {
            const std::size_t k = std::size_t(r) * std::size_t(m_columns) + c;
            const Cell& cell = m_cells[Chosen][k];
            const double target = s.targetAt(r, c);
            out.target.set(r, c, target);
            if (cell.weight > 0.0) {
                out.weight.set(r, c, cell.weight);
                out.mean.set(r, c, cell.mean);
                out.spread.set(r, c, std::sqrt(std::max(0.0, cell.m2 / cell.weight)));
            }
            if (usable(cell))
                out.correction.set(r, c, (cell.mean / target - 1.0) * 100.0);
            if (s.base) {
                const double base = s.base->at(r, c);
                double value = base;
                if (usable(cell)) {
                    // Positive means lean: more fuel. Limited so one noisy cell cannot
                    // move the map further than the tuner allows in one pass.
                    const double step = std::fabs(base) * s.maxChangePercent / 100.0;
                    const double full = base * cell.mean / target;
                    value = std::clamp(full, base - step, base + step);
                    // Shown to the tuner: such a cell needs another pass (or a look at
                    // why it is so far off) before the map is right there.
                    out.clamped.set(r, c, value != full ? 1.0 : 0.0);
                    value = Numbers::roundHalfEven(value, s.baseDecimals);
                }
                out.corrected.set(r, c, value);
            }
            const Cell& one = m_cells[Sensor1][k];
            const Cell& two = m_cells[Sensor2][k];
            if (usable(one) && usable(two))
                out.bankDifference.set(r, c, one.mean - two.mean);
        }
    return out;
}
