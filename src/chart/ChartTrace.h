#pragma once

#include "logdata/LogBuffer.h"

#include <QString>

#include <optional>

struct AppState;

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

// The trace for one quantity, from the log buffer and the current fuel and scaling.
TraceSetup load(TraceQuantity quantity, const AppState& state);

// "rpm", "afr1", "afr2", "analog" (the command-line names); nullopt for anything else.
std::optional<TraceQuantity> fromName(const QString& name);

} // namespace ChartTrace
