// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogJoin.h"

#include "logdata/LogFileReader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A channel's value at time `t` by linear interpolation; NaN outside the log or where a
// neighbour has none.
class Sampler {
public:
    Sampler(const std::vector<double>& time, const std::vector<float>& values)
        : m_time(time), m_values(values) {}
    double at(double t) {
        const std::size_t n = m_time.size();
        if (n == 0 || !(t >= m_time.front()) || !(t <= m_time.back()))
            return kNaN;
        // Times asked for mostly go forwards: walk from the last place, search when far.
        if (m_i + 1 >= n || m_time[m_i] > t || m_time[m_i + 1] < t) {
            if (m_i + 2 < n && m_time[m_i + 1] <= t && m_time[m_i + 2] >= t) {
                ++m_i;
            } else {
                const auto it = std::upper_bound(m_time.begin(), m_time.end(), t);
                m_i = it == m_time.begin() ? 0 : std::size_t(it - m_time.begin()) - 1;
            }
        }
        if (m_i + 1 >= n)
            return m_values[n - 1];
        const double t0 = m_time[m_i], t1 = m_time[m_i + 1];
        const double f = t1 > t0 ? (t - t0) / (t1 - t0) : 0.0;
        return double(m_values[m_i]) + f * (double(m_values[m_i + 1]) - double(m_values[m_i]));
    }

private:
    const std::vector<double>& m_time;
    const std::vector<float>& m_values;
    std::size_t m_i = 0;
};

// Engine speed on a regular grid from `start`, `step` apart.
std::vector<double> resample(const Log& log, int channel, double start, double step,
                             std::size_t count) {
    Sampler s(log.time, log.channels[std::size_t(channel)].values);
    std::vector<double> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = s.at(start + step * double(i));
    return out;
}

// Pearson correlation of a[i] and b[i + lag] over the overlap; NaN where either is missing
// is left out. `pairs` receives how many pairs it used.
double correlation(const std::vector<double>& a, const std::vector<double>& b, long lag,
                   std::size_t& pairs) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    std::size_t n = 0;
    const long begin = std::max(0L, -lag);
    const long end = std::min(long(a.size()), long(b.size()) - lag);
    for (long i = begin; i < end; ++i) {
        const double x = a[std::size_t(i)];
        const double y = b[std::size_t(i + lag)];
        if (std::isnan(x) || std::isnan(y))
            continue;
        sa += x;
        sb += y;
        saa += x * x;
        sbb += y * y;
        sab += x * y;
        ++n;
    }
    pairs = n;
    if (n < 3)
        return kNaN;
    const double cov = sab - sa * sb / double(n);
    const double va = saa - sa * sa / double(n);
    const double vb = sbb - sb * sb / double(n);
    if (!(va > 0) || !(vb > 0))
        return kNaN;
    return cov / std::sqrt(va * vb);
}

struct Best {
    double offset = 0.0;
    double score = -2.0;
};

// The best offset (engine time − wideband time) among `offsets`, each tried over the
// wideband span [w0, w1] on a grid of `step`.
Best search(const Log& w, int wc, const Log& e, int ec, double w0, double w1, double step,
            double from, double to, double minPairsSeconds) {
    const std::size_t count = std::size_t(std::max(0.0, std::floor((w1 - w0) / step))) + 1;
    const std::vector<double> a = resample(w, wc, w0, step, count);
    // The engine trace over every time the wideband grid can land on at these offsets.
    const double e0 = w0 + from;
    const std::size_t ecount = std::size_t(std::max(0.0, std::floor((w1 + to - e0) / step))) + 1;
    const std::vector<double> b = resample(e, ec, e0, step, ecount);
    Best best;
    const long lags = long(std::floor((to - from) / step + 0.5));
    const std::size_t minPairs = std::size_t(std::max(3.0, minPairsSeconds / step));
    for (long k = 0; k <= lags; ++k) {
        std::size_t pairs = 0;
        const double r = correlation(a, b, k, pairs);
        if (pairs >= minPairs && r > best.score) {
            best.score = r;
            best.offset = from + double(k) * step;
        }
    }
    return best;
}

// The correlation of the wideband's engine speed at its own samples with the engine
// log's at engine time offset + rate × t: the measure at a trial line, free of any grid.
double scoreAt(const Log& w, int wc, const Log& e, int ec, double offset, double rate) {
    Sampler s(e.time, e.channels[std::size_t(ec)].values);
    std::vector<double> a(w.rows());
    std::vector<double> b(w.rows());
    const std::vector<float>& v = w.channels[std::size_t(wc)].values;
    for (std::size_t i = 0; i < w.rows(); ++i) {
        a[i] = v[i];
        b[i] = s.at(offset + rate * w.time[i]);
    }
    std::size_t pairs = 0;
    const double r = correlation(a, b, 0, pairs);
    return std::isfinite(r) ? r : -2.0;
}

} // namespace

LogJoin::Match LogJoin::find(const Log& w, const Log& e, double minScore) {
    Match m;
    const int wc = w.find(Quantity::EngineSpeed);
    const int ec = e.find(Quantity::EngineSpeed);
    if (wc < 0 || ec < 0) {
        m.reason = QStringLiteral("%1 has no engine speed to match the logs by.")
                       .arg(LogFileReader::printable(wc < 0 ? w.source : e.source));
        return m;
    }
    if (w.rows() < 10 || e.rows() < 10) {
        m.reason = QStringLiteral("The logs are too short to be matched.");
        return m;
    }
    const double w0 = w.time.front(), w1 = w.time.back();
    const double e0 = e.time.front(), e1 = e.time.back();
    const double shorter = std::min(w1 - w0, e1 - e0);
    const double overlap = std::max(kMinOverlapSeconds, kMinOverlapShare * shorter);
    if (shorter < kMinOverlapSeconds) {
        m.reason = QStringLiteral("The logs are shorter than %1 s and cannot be matched.")
                       .arg(kMinOverlapSeconds);
        return m;
    }
    // Every offset at which the logs overlap by the overlap needed, at 1 s, then finer.
    const double from = e0 - w1 + overlap;
    const double to = e1 - w0 - overlap;
    if (!(from <= to)) {
        m.reason = QStringLiteral("The logs do not overlap enough to be matched.");
        return m;
    }
    Best best = search(w, wc, e, ec, w0, w1, 1.0, from, to, overlap);
    best = search(w, wc, e, ec, w0, w1, 0.1, best.offset - 1.5, best.offset + 1.5, overlap);
    // The last step at the wideband's own samples, to a hundredth of a second.
    for (int k = -15; k <= 15; ++k) {
        const double at = best.offset + 0.01 * k;
        const double r = scoreAt(w, wc, e, ec, at, 1.0);
        if (r > best.score) {
            best.score = r;
            best.offset = at;
        }
    }
    m.offset = best.offset;
    m.score = std::clamp(best.score, 0.0, 1.0);

    // A clock that runs at another rate shows as offsets that drift along the log: the
    // offset of each quarter, fitted by a line against the quarter's middle.
    if (w1 - w0 >= 600.0 && m.score >= minScore) {
        std::vector<std::pair<double, double>> points;
        const double quarter = (w1 - w0) / 4.0;
        for (int q = 0; q < 4; ++q) {
            const double a = w0 + quarter * q;
            const double b = a + quarter;
            const Best local =
                search(w, wc, e, ec, a, b, 0.1, m.offset - 3.0, m.offset + 3.0, quarter * 0.5);
            if (local.score >= minScore)
                points.push_back({(a + b) / 2.0, local.offset});
        }
        if (points.size() >= 3) {
            double sx = 0, sy = 0, sxx = 0, sxy = 0;
            for (const auto& [x, y] : points) {
                sx += x;
                sy += y;
                sxx += x * x;
                sxy += x * y;
            }
            const double n = double(points.size());
            const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
            if (std::isfinite(slope) && std::fabs(slope) < 0.01) {
                m.rate = 1.0 + slope;
                m.offset = (sy - slope * sx) / n;
                // The fitted line is kept only where it matches better than no drift.
                const double r = scoreAt(w, wc, e, ec, m.offset, m.rate);
                if (r >= best.score)
                    m.score = std::clamp(r, 0.0, 1.0);
                else {
                    m.rate = 1.0;
                    m.offset = best.offset;
                }
            }
        }
    }
    m.accepted = m.score >= minScore;
    if (!m.accepted)
        m.reason = QStringLiteral("The engine speeds of the two logs match only %1 (at least %2 "
                                  "is needed): they do not look like the same drive.")
                       .arg(m.score, 0, 'f', 2)
                       .arg(minScore, 0, 'f', 2);
    return m;
}

Log LogJoin::join(const Log& w, const Log& e, const Match& match) {
    Log out = w;
    out.format = QStringLiteral("%1 joined with %2").arg(w.format, e.format);
    for (const LogChannel& c : e.channels) {
        LogChannel j = c;
        if (out.findName(j.name) >= 0)
            j.name = QStringLiteral("ECU ") + j.name;
        // The engine's channels come after the wideband's, so the wideband's engine speed and
        // sensors are the ones found first; the engine's ratios are no sensor of the run.
        if (j.quantity == Quantity::FuelRatio || j.quantity == Quantity::SensorStatus) {
            j.sensor = 0;
            j.statusChannel = -1;
        }
        Sampler s(e.time, c.values);
        j.values.resize(w.rows());
        for (std::size_t i = 0; i < w.rows(); ++i)
            j.values[i] = float(s.at(match.offset + match.rate * w.time[i]));
        out.channels.push_back(std::move(j));
    }
    for (const LogMark& mark : e.marks)
        out.marks.push_back({(mark.time - match.offset) / match.rate, mark.text});
    return out;
}
