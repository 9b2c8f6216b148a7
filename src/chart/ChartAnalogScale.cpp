#include "chart/ChartAnalogScale.h"

#include "logdata/LogBuffer.h"

ChartAnalogScale::ChartAnalogScale(float minInVolts, float maxInVolts, float minScaledValue,
                                   float maxScaledValue) {
    const float span = maxInVolts - minInVolts;
    const float rise = maxScaledValue - minScaledValue;
    m_slope = span > 0.1f ? rise / span : rise / 0.1f;
    const float atMin = m_slope * minInVolts;
    m_offset = minScaledValue - atMin;
}

ChartAnalogScale ChartAnalogScale::fromLog(const LogBuffer& log) {
    return ChartAnalogScale(log.MinInVolts, log.MaxInVolts, log.MinScaledValue, log.MaxScaledValue);
}

float ChartAnalogScale::apply(float volts) const {
    const float rise = m_slope * volts;
    return rise + m_offset;
}
