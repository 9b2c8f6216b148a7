// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningSettings.h"

#include "support/Numbers.h"
#include "support/Units.h"
#include "tuning/TuningInputError.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <iterator>

std::vector<double> TuningSettings::defaultRpmAxis() {
    std::vector<double> axis;
    for (int row = 1; row <= 30; ++row)
        axis.push_back(500.0 * row);
    return axis;
}

std::vector<double> TuningSettings::defaultLoadAxis() {
    return {0, 2, 5, 10, 20, 40, 60, 80, 100};
}

double TuningSettings::defaultTarget(double stoichRatio) {
    return Numbers::roundHalfEven(stoichRatio * 13.2 / Units::kGasolineStoich, 1);
}

double TuningSettings::defaultTargetLambda(double loadFraction) {
    // Breakpoints of the load position (0 = the axis's first breakpoint, 1 = its last)
    // and the lambda there, linear between them.
    static constexpr struct {
        double at;
        double lambda;
    } kCurve[] = {{0.0, 1.00}, {0.5, 1.00}, {0.8, 0.90}, {1.0, 0.87}};
    const double f = std::clamp(loadFraction, 0.0, 1.0);
    for (std::size_t i = 1; i < std::size(kCurve); ++i)
        if (f <= kCurve[i].at) {
            const double t = (f - kCurve[i - 1].at) / (kCurve[i].at - kCurve[i - 1].at);
            return kCurve[i - 1].lambda + t * (kCurve[i].lambda - kCurve[i - 1].lambda);
        }
    return kCurve[std::size(kCurve) - 1].lambda;
}

double TuningSettings::defaultTargetAt(double stoichRatio, const std::vector<double>& loadAxis,
                                       int column) {
    const double first = loadAxis.empty() ? 0.0 : loadAxis.front();
    const double span = loadAxis.size() < 2 ? 0.0 : loadAxis.back() - first;
    const double load = column >= 0 && std::size_t(column) < loadAxis.size()
                            ? loadAxis[std::size_t(column)]
                            : first;
    const double fraction = span > 0 ? (load - first) / span : 0.0;
    return Numbers::roundHalfEven(stoichRatio * defaultTargetLambda(fraction),
                                  stoichRatio < 2.0 ? 2 : 1);
}

double TuningSettings::targetAt(int row, int column) const {
    if (targetTable)
        return targetTable->at(row, column);
    return target ? *target : defaultTargetAt(stoichRatio, loadAxis, column);
}

void TuningSettings::checkAxis(const std::vector<double>& axis, const QString& name,
                               bool allowRepeats) {
    if (axis.size() < 2)
        throw TuningInputError(
            QStringLiteral("the %1 axis needs at least two breakpoints, it has %2")
                .arg(name)
                .arg(axis.size()));
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (!std::isfinite(axis[i]))
            throw TuningInputError(
                QStringLiteral("the %1 axis: breakpoint %2 is not a number").arg(name).arg(i + 1));
        if (i > 0 && !(axis[i] > axis[i - 1]) && !(allowRepeats && axis[i] == axis[i - 1]))
            throw TuningInputError(QStringLiteral("the %1 axis is not strictly ascending: "
                                                  "breakpoint %2 (%3) follows %4")
                                       .arg(name)
                                       .arg(i + 1)
                                       .arg(axis[i])
                                       .arg(axis[i - 1]));
    }
    if (!(axis.back() > axis.front()))
        throw TuningInputError(QStringLiteral("the %1 axis does not rise: every breakpoint is %2")
                                   .arg(name)
                                   .arg(axis.front()));
}

std::vector<double> TuningSettings::parseAxis(const QString& text, const QString& name,
                                              bool allowRepeats) {
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    std::vector<double> axis;
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const double v = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(v))
            throw TuningInputError(
                QStringLiteral("the %1 axis: breakpoint %2 \"%3\" is not a number")
                    .arg(name)
                    .arg(i + 1)
                    .arg(parts[i]));
        axis.push_back(v);
    }
    checkAxis(axis, name, allowRepeats);
    return axis;
}

void TuningSettings::validate() const {
    checkAxis(rpmAxis, QStringLiteral("engine speed"), true);
    checkAxis(loadAxis, QStringLiteral("load"), true);
    const int rows = int(rpmAxis.size());
    const int columns = int(loadAxis.size());
    const auto checkSize = [&](const TuningGrid& g, const QString& what) {
        if (g.rows() != rows || g.columns() != columns)
            throw TuningInputError(QStringLiteral("the %1 has %2 rows and %3 columns; the axes "
                                                  "need %4 rows and %5 columns")
                                       .arg(what)
                                       .arg(g.rows())
                                       .arg(g.columns())
                                       .arg(rows)
                                       .arg(columns));
    };
    if (!(stoichRatio > 0) || !std::isfinite(stoichRatio))
        throw TuningInputError(QStringLiteral("the stoichiometric ratio must be above 0"));
    if (target && (!(*target > 0) || !std::isfinite(*target)))
        throw TuningInputError(QStringLiteral("the target must be above 0, not %1").arg(*target));
    if (targetTable) {
        checkSize(*targetTable, QStringLiteral("target table"));
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                if (!(targetTable->at(r, c) > 0))
                    throw TuningInputError(
                        QStringLiteral("the target table: row %1, column %2: the target must be "
                                       "above 0, not %3")
                            .arg(r + 1)
                            .arg(c + 1)
                            .arg(targetTable->at(r, c)));
    }
    if (base) {
        checkSize(*base, QStringLiteral("base map"));
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                if (base->isEmpty(r, c))
                    throw TuningInputError(
                        QStringLiteral("the base map: row %1, column %2: the cell is empty")
                            .arg(r + 1)
                            .arg(c + 1));
    }
    if (!(minWeight >= 0))
        throw TuningInputError(QStringLiteral("the minimum weight must be 0 or more"));
    if (!(maxChangePercent >= 0))
        throw TuningInputError(QStringLiteral("the largest change must be 0 % or more"));
    if (filterAfr && !(minLambda < maxLambda))
        throw TuningInputError(QStringLiteral("the lambda range must run from low to high"));
    if (filterLoadRate && !(maxLoadRatePercent >= 0))
        throw TuningInputError(QStringLiteral("the load rate limit must be 0 % or more"));
    if (baseDecimals < 0 || baseDecimals > 10)
        throw TuningInputError(QStringLiteral("the base map's decimals must be 0 to 10"));
}
