// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

// How long the exhaust takes to reach the sensor: a fixed time, or a curve over engine
// speed (the gas moves faster at high speed). Between the curve's points the delay is
// linear; beyond its ends it stays at the end value.
class TransportDelay {
public:
    struct Point {
        double rpm;
        double ms;
    };

    TransportDelay() = default;
    static TransportDelay fixed(double ms);
    // Points must be in strictly ascending engine speed, delays not negative; throws
    // TuningInputError naming the point otherwise.
    static TransportDelay curve(std::vector<Point> points);
    // "RPM:MS,RPM:MS,..." as typed on a command line.
    static TransportDelay parseCurve(const QString& text);

    // Delay in seconds at this engine speed.
    double seconds(double rpm) const;
    bool isFixed() const { return m_points.size() == 1; }
    const std::vector<Point>& points() const { return m_points; }

private:
    std::vector<Point> m_points{{0.0, 0.0}};
};
