// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TransportDelay.h"

#include "tuning/TuningInputError.h"

#include <QStringList>

#include <cmath>

TransportDelay TransportDelay::fixed(double ms) {
    if (!std::isfinite(ms) || ms < 0)
        throw TuningInputError(QStringLiteral("the delay must be 0 ms or more, not %1").arg(ms));
    TransportDelay d;
    d.m_points = {{0.0, ms}};
    return d;
}

TransportDelay TransportDelay::curve(std::vector<Point> points) {
    if (points.empty())
        throw TuningInputError(QStringLiteral("the delay curve has no point"));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        const QString where =
            QStringLiteral("delay curve point %1 (%2:%3)").arg(i + 1).arg(p.rpm).arg(p.ms);
        if (!std::isfinite(p.rpm) || !std::isfinite(p.ms) || p.ms < 0)
            throw TuningInputError(where + QStringLiteral(": the delay must be 0 ms or more"));
        if (i > 0 && !(p.rpm > points[i - 1].rpm))
            throw TuningInputError(
                where + QStringLiteral(": engine speeds must be in strictly ascending order"));
    }
    TransportDelay d;
    d.m_points = std::move(points);
    // A one-point curve is the same as a fixed delay; keep the speed so isFixed() is true.
    return d;
}

TransportDelay TransportDelay::parseCurve(const QString& text) {
    std::vector<Point> points;
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QStringList pair = parts[i].split(u':');
        bool okRpm = false;
        bool okMs = false;
        const double rpm = pair.size() == 2 ? pair[0].trimmed().toDouble(&okRpm) : 0.0;
        const double ms = pair.size() == 2 ? pair[1].trimmed().toDouble(&okMs) : 0.0;
        if (!okRpm || !okMs)
            throw TuningInputError(QStringLiteral("delay curve point %1: \"%2\" is not RPM:MS")
                                       .arg(i + 1)
                                       .arg(parts[i]));
        points.push_back({rpm, ms});
    }
    return curve(std::move(points));
}

double TransportDelay::seconds(double rpm) const {
    const std::vector<Point>& p = m_points;
    if (p.size() == 1 || !(rpm > p.front().rpm))
        return p.front().ms / 1000.0;
    if (rpm >= p.back().rpm)
        return p.back().ms / 1000.0;
    std::size_t i = 1;
    while (p[i].rpm < rpm)
        ++i;
    const Point& a = p[i - 1];
    const Point& b = p[i];
    const double f = (rpm - a.rpm) / (b.rpm - a.rpm);
    return (a.ms + f * (b.ms - a.ms)) / 1000.0;
}
