// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuneTable.h"

#include <algorithm>

namespace {

// The bin at or below `value` and the share towards the next one.
std::pair<int, double> locate(const std::vector<double>& bins, double value) {
    const int last = int(bins.size()) - 1;
    if (last <= 0 || !(value > bins.front()))
        return {0, 0.0};
    if (value >= bins.back())
        return {last - 1, 1.0};
    const int i = int(std::upper_bound(bins.begin(), bins.end(), value) - bins.begin()) - 1;
    const double width = bins[std::size_t(i) + 1] - bins[std::size_t(i)];
    return {i, width > 0 ? (value - bins[std::size_t(i)]) / width : 0.0};
}

} // namespace

TuningGrid TuneTable::grid() const {
    TuningGrid g(columns, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            g.set(c, r, at(r, c));
    return g;
}

double TuneTable::valueAt(double rpmValue, double loadValue) const {
    if (rows <= 0 || columns <= 0)
        return TuningGrid::kEmpty;
    const auto [c, cs] = locate(rpm.values, rpmValue);
    const auto [r, rs] = locate(load.values, loadValue);
    const int c1 = std::min(c + 1, columns - 1);
    const int r1 = std::min(r + 1, rows - 1);
    const double low = at(r, c) * (1 - cs) + at(r, c1) * cs;
    const double high = at(r1, c) * (1 - cs) + at(r1, c1) * cs;
    return low * (1 - rs) + high * rs;
}

TuningGrid TuneTable::resampled(const std::vector<double>& rpmAxis,
                                const std::vector<double>& loadAxis) const {
    TuningGrid g(int(rpmAxis.size()), int(loadAxis.size()));
    for (int r = 0; r < g.rows(); ++r)
        for (int c = 0; c < g.columns(); ++c)
            g.set(r, c, valueAt(rpmAxis[std::size_t(r)], loadAxis[std::size_t(c)]));
    return g;
}
