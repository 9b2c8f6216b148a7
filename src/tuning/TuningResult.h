// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Units.h"
#include "tuning/TuningGrid.h"

#include <QtGlobal>

#include <vector>

// How many samples a run read, kept, and left out for each reason. A sample is counted
// once, under the first reason that drops it (in the order of the members below).
struct TuningCounts {
    qint64 logs = 0;
    qint64 samples = 0;
    qint64 kept = 0;
    // The chosen sensor had no valid reading at the delayed time (a status, an empty
    // cell, or the delayed time past the log's end).
    qint64 noReading = 0;
    qint64 rpm = 0;
    qint64 loadRate = 0;
    qint64 afr = 0;
    qint64 warmUp = 0;
    // Left out by the channel filters, each counted under the first that does not hold.
    std::vector<qint64> channelFilter;
    // File rows that could not be read at all (never taken as zero).
    qint64 rowsSkipped = 0;
};

// What a tuning run produced, every grid on the run's axes (rows: engine speed, columns:
// load); empty cells are NaN.
struct TuningResult {
    std::vector<double> rpmAxis;
    std::vector<double> loadAxis;
    // The fuel ratio whose units the means and targets are in.
    double stoichRatio = Units::kGasolineStoich;
    double minWeight = 5.0;

    TuningGrid weight;
    TuningGrid mean;
    TuningGrid spread;
    TuningGrid target;
    // Percent more fuel the cell needs (negative: it ran rich), usable cells only.
    TuningGrid correction;
    // The pasted base map and the corrected map; invalid (0 × 0) without a base.
    TuningGrid base;
    TuningGrid corrected;
    // With a base: 1 where the corrected value was held at the largest change allowed
    // (the full change was larger), 0 where it was not, empty where nothing was corrected.
    TuningGrid clamped;
    // Sensor 1 mean − sensor 2 mean, over the samples where both read, where usable.
    TuningGrid bankDifference;

    TuningCounts counts;

    bool hasBase() const { return base.isValid(); }
};
