// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningLog.h"
#include "tuning/TuningResult.h"
#include "tuning/TuningSettings.h"

#include <QtGlobal>

#include <array>
#include <vector>

// Turns logged samples into a fuel correction on the engine computer's own breakpoints:
// each sample's delayed ratio goes, weighted by where it lies between the breakpoints,
// into the cells around its operating point; cells with enough weight get a mean, a
// spread, a correction against the target and, with a base map, a corrected value.
// Logs are added one at a time, so a run over many files holds only one of them.
class TuningWorkbench {
public:
    // Throws TuningInputError when the settings cannot be used.
    explicit TuningWorkbench(TuningSettings settings);

    // What became of one sample: kept, or the first reason that dropped it; the cell
    // nearest its operating point; the delayed ratio of the chosen sensor (NaN without one).
    enum class Fate : quint8 { Kept, NoReading, Rpm, LoadRate, Afr, WarmUp, ChannelFilter };
    struct SampleUse {
        Fate fate = Fate::NoReading;
        int row = 0;
        int column = 0;
        double afr = 0.0;
    };

    // With `uses`, one entry per sample of the log is written to it, so that a window can
    // show which samples made a cell.
    void add(const TuningLog& log, std::vector<SampleUse>* uses = nullptr);
    TuningResult result() const;

    const TuningSettings& settings() const { return m_settings; }
    const TuningCounts& counts() const { return m_counts; }

private:
    // A weighted mean and its spread, kept by West's update so that the spread of many
    // nearly equal ratios does not cancel away.
    struct Cell {
        double weight = 0.0;
        double mean = 0.0;
        double m2 = 0.0;
        void add(double w, double x) {
            weight += w;
            const double d = x - mean;
            mean += d * w / weight;
            m2 += w * d * (x - mean);
        }
    };
    // The breakpoints around a value and the share of the upper one.
    struct Span {
        int lower;
        int upper;
        double share;
    };
    Span locate(const std::vector<double>& axis, double value) const;

    enum Channel { Chosen, Sensor1, Sensor2, ChannelCount };

    TuningSettings m_settings;
    int m_rows;
    int m_columns;
    std::array<std::vector<Cell>, ChannelCount> m_cells;
    TuningCounts m_counts;
};
