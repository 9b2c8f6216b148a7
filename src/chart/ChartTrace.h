// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QString>

#include <optional>

struct LogBuffer;
struct SettingsValues;

// What one of the chart's two traces shows.
enum class TraceQuantity { RPM, AFR1, AFR2, Analog };

// Everything a trace option puts into its plot group: the readout pattern, the fixed
// vertical range, the axis title (also the legend label) and the 12000 plotted values
// in display units.
struct TraceSetup {
    QString format;
    double axisMinimum = 0.0;
    double axisMaximum = 1.0;
    QString title;
    LogBuffer::Samples values{};
};

namespace ChartTrace {

// The vertical range of an AFR trace: 0.6 to 1.4 for lambda (a ratio of exactly 1.0),
// otherwise whole numbers that bracket the fuel's usual AFR band.
struct AxisRange {
    double minimum;
    double maximum;
};
AxisRange afrAxisRange(float stoichRatio);

// A gasoline-scale AFR shown on the scale of the chosen fuel (lambda for a ratio of 1).
float afrForFuel(float gasolineAfr, float stoichRatio);

// The trace for one quantity, from the log buffer and the current fuel and scaling;
// `settings` gives the AFR number pattern.
TraceSetup load(TraceQuantity quantity, const LogBuffer& log, const SettingsValues& settings);

// The unit a quantity is drawn in: both sensors are ratios on the same axis.
enum class Unit { RPM, AFR, Analog };
Unit unitOf(TraceQuantity quantity);

// The trace (1 or 2) whose axis a third trace of `third` is drawn against: the first with
// the same unit; 0 when neither has it.
int sharedAxis(TraceQuantity third, TraceQuantity trace1, TraceQuantity trace2);

// The target line on an AFR axis, in the units of the chosen fuel: the stoichiometric
// ratio (lambda 1.0) at first, from 10.5 to 19.5 on the gasoline scale.
float defaultTarget(float stoichRatio);
AxisRange targetLimits(float stoichRatio);

// "rpm", "afr1", "afr2", "analog" (the command-line names); nullopt for anything else.
std::optional<TraceQuantity> fromName(const QString& name);

} // namespace ChartTrace
