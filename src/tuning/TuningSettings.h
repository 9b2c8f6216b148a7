// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Units.h"
#include "tuning/TransportDelay.h"
#include "tuning/TuningGrid.h"

#include <QString>

#include <QStringList>
#include <optional>

#include <vector>

// Every choice of a tuning run, each with the default a tuner starts from.
struct TuningSettings {
    enum class Sensor { Sensor1, Sensor2, Both };
    enum class Weighting { Bilinear, Nearest };

    // Engine-speed breakpoints (rows) and load breakpoints (columns), ascending. A tune
    // may repeat a breakpoint (Speeduino and MegaSquirt tunes end 6600, 6600): the cells
    // between the two are a step, as the engine computer reads them.
    // The defaults are the AFR table's rows and throttle columns.
    std::vector<double> rpmAxis = defaultRpmAxis();
    std::vector<double> loadAxis = defaultLoadAxis();

    // Sensor 1, sensor 2, or the mean of both where both read.
    Sensor sensor = Sensor::Sensor1;
    TransportDelay delay;

    // Filters: each can be switched off; each judges a sample at its own time.
    bool filterRpm = true;
    double minRpm = 500.0;
    bool filterLoadRate = true;
    // Percent of the load axis span (last − first breakpoint) per second.
    double maxLoadRatePercent = 20.0;
    bool filterAfr = true;
    double minLambda = 0.68;
    double maxLambda = 1.33;
    bool filterWarmUp = true;
    // Seconds from the start of each log that are left out.
    double warmUpSeconds = 0.0;
    // Conditions on any channel of the logs (see ChannelFilter): a sample is kept only
    // where every one holds.
    QStringList channelFilters;

    Weighting weighting = Weighting::Bilinear;
    // A cell's weight needed before its mean is trusted.
    double minWeight = 5.0;

    // Stoichiometric ratio of the fuel whose units the target, the means and the CSV
    // ratio columns use (1 for lambda).
    double stoichRatio = Units::kGasolineStoich;
    // One target for every cell, or a table on the same axes; with neither, the built-in
    // target table (defaultTargetAt).
    std::optional<double> target;
    std::optional<TuningGrid> targetTable;

    // The engine computer's map to correct, on the same axes, in its own unit, and the
    // number of decimals it is written with.
    std::optional<TuningGrid> base;
    int baseDecimals = 0;
    // Largest change of a base cell, percent either way.
    double maxChangePercent = 15.0;

    static std::vector<double> defaultRpmAxis();
    static std::vector<double> defaultLoadAxis();
    // 13.2 on the gasoline scale, in the fuel's units and rounded to one decimal, as the
    // AFR table window starts.
    static double defaultTarget(double stoichRatio);
    // The built-in target table of a naturally aspirated engine, as the base tunes of
    // Speeduino and MegaSquirt have it: stoichiometric (lambda 1.00) over the lower half of
    // the load axis, where the engine cruises and the catalyst wants stoichiometry, then
    // richer towards full load for power and cooler combustion: lambda 0.90 at 80 % of
    // the axis span, 0.87 (12.8 on gasoline) at its top. The same for every engine speed.
    static double defaultTargetLambda(double loadFraction);
    // That lambda in the fuel's units at `column` of `loadAxis`, rounded to one decimal
    // (two for lambda itself).
    static double defaultTargetAt(double stoichRatio, const std::vector<double>& loadAxis,
                                  int column);

    double targetAt(int row, int column) const;

    // Throws TuningInputError naming the first problem: axes out of order or too short,
    // grids of the wrong size, targets not above 0, thresholds that make no sense.
    void validate() const;
    // An axis pasted or typed as a row of numbers (comma, semicolon, tab or blank between).
    static std::vector<double> parseAxis(const QString& text, const QString& name,
                                         bool allowRepeats = false);
    // Typed axes must be strictly ascending; axes taken from a tune may repeat a
    // breakpoint (`allowRepeats`) but must still rise from the first to the last.
    static void checkAxis(const std::vector<double>& axis, const QString& name,
                          bool allowRepeats = false);
};
