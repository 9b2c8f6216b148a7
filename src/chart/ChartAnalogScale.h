#pragma once

struct LogBuffer;

// The straight line that turns analog input volts into the user's quantity, worked out
// once per trace in single precision. A voltage span of 0.1 V or less (empty, reversed
// or tiny) divides by 0.1 instead, so a careless scaling never blows the trace up.
class ChartAnalogScale {
public:
    ChartAnalogScale(float minInVolts, float maxInVolts, float minScaledValue,
                     float maxScaledValue);
    static ChartAnalogScale fromLog(const LogBuffer& log);

    float slope() const { return m_slope; }
    float offset() const { return m_offset; }
    float apply(float volts) const;

private:
    float m_slope = 1.0f;
    float m_offset = 0.0f;
};
