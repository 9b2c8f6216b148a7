// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartTrace.h"

#include "logdata/AnalogScaling.h"
#include "logdata/LogBuffer.h"
#include "support/SettingsValues.h"
#include "support/Units.h"

#include <cmath>

namespace ChartTrace {

namespace {
// Every AFR in the buffer is on the gasoline scale, whose stoichiometric ratio this is.
constexpr double kGasolineStoich = Units::kGasolineStoich;
} // namespace

AxisRange afrAxisRange(float stoichRatio) {
    if (stoichRatio == 1.0f)
        return {0.6, 1.4};
    const double ratio = stoichRatio;
    return {std::floor(ratio * 0.68074), std::floor(ratio * 1.3614) + 1.0};
}

float afrForFuel(float gasolineAfr, float stoichRatio) {
    return float(double(gasolineAfr) * double(stoichRatio) / kGasolineStoich);
}

TraceSetup load(TraceQuantity quantity, const LogBuffer& log, const SettingsValues& settings) {
    TraceSetup t;
    switch (quantity) {
    case TraceQuantity::AFR1:
    case TraceQuantity::AFR2: {
        const bool first = quantity == TraceQuantity::AFR1;
        t.format = settings.AFRFormat;
        const AxisRange r = afrAxisRange(log.StoichRatio);
        t.axisMinimum = r.minimum;
        t.axisMaximum = r.maximum;
        t.title = (first ? QStringLiteral("Sensor 1 ") : QStringLiteral("Sensor 2 ")) +
                  log.FuelType + QStringLiteral(" AFR");
        const LogBuffer::Samples& afr = first ? log.AFR1 : log.AFR2;
        for (int i = 0; i < LogBuffer::kSamples; ++i)
            t.values[i] = afrForFuel(afr[i], log.StoichRatio);
        break;
    }
    case TraceQuantity::RPM:
        t.format = QStringLiteral("####0");
        t.axisMinimum = 0.0;
        t.axisMaximum = log.MaxRPMDisplay;
        t.title = QStringLiteral("RPM");
        t.values = log.RPM;
        break;
    case TraceQuantity::Analog: {
        t.format = QStringLiteral("####0.00");
        t.axisMinimum = log.MinScaledValue;
        t.axisMaximum = log.MaxScaledValue;
        t.title = log.AnalogLegend;
        const AnalogScaling scale(log);
        for (int i = 0; i < LogBuffer::kSamples; ++i)
            t.values[i] = scale.scale(log.AnalogInVolts[i]);
        break;
    }
    }
    return t;
}

Unit unitOf(TraceQuantity quantity) {
    switch (quantity) {
    case TraceQuantity::AFR1:
    case TraceQuantity::AFR2:
        return Unit::AFR;
    case TraceQuantity::Analog:
        return Unit::Analog;
    case TraceQuantity::RPM:
        break;
    }
    return Unit::RPM;
}

int sharedAxis(TraceQuantity third, TraceQuantity trace1, TraceQuantity trace2) {
    if (unitOf(third) == unitOf(trace1))
        return 1;
    if (unitOf(third) == unitOf(trace2))
        return 2;
    return 0;
}

float defaultTarget(float stoichRatio) {
    return afrForFuel(float(Units::kGasolineStoich), stoichRatio);
}

AxisRange targetLimits(float stoichRatio) {
    return {afrForFuel(10.5f, stoichRatio), afrForFuel(19.5f, stoichRatio)};
}

std::optional<TraceQuantity> fromName(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("rpm"))
        return TraceQuantity::RPM;
    if (n == QLatin1String("afr1"))
        return TraceQuantity::AFR1;
    if (n == QLatin1String("afr2"))
        return TraceQuantity::AFR2;
    if (n == QLatin1String("analog"))
        return TraceQuantity::Analog;
    return std::nullopt;
}

} // namespace ChartTrace
