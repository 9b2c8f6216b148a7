// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"
#include "support/Units.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// What a column of another tool's log measures, told from its name and unit: every
// reader of outside logs calls it, so "PLX Engine Speed (rpm)", "RPM" and a Haltech
// "EngineSpeed" channel all become the engine speed, and "Wideband O2 1", "AFR" and
// "Lambda" a fuel ratio on the right scale. Values are never changed: a pressure in bar
// stays in bar with unit "bar"; consumers convert with Units.
class ChannelGuess {
public:
    enum class Ratio { None, Lambda, Afr, Unknown };
    struct Guess {
        Quantity quantity = Quantity::Other;
        int sensor = 0;
        Ratio ratio = Ratio::None; // for FuelRatio and TargetRatio
        int score = 0;             // how sure; the best of several candidates is kept
    };

    // The guess for one column.
    static Guess guess(QStringView name, QStringView unit);

    // The unit a column name carries at its end: "Time (msec)" -> "msec", "MAP [kPa]" ->
    // "kPa"; empty when the name carries none (a bracket holding words is no unit).
    static QString unitInName(QStringView name);
    // The name without the unit it carries at its end ("RPM (rpm)" -> "RPM"); the name as
    // it is when it carries none.
    static QString nameWithoutUnit(QStringView name);

    // Whether the column is the log's time, told by its name alone: a unit of time says
    // nothing (an injector's pulse width is in ms too).
    static bool isTime(QStringView name);
    // The time column's unit, from its unit or its name; seconds when nothing says.
    static Units::Time timeUnit(QStringView name, QStringView unit);
    // The first time column of the names, -1 when none.
    static int timeColumn(const QStringList& names);

    // Sets quantity, sensor and ratioScale on every channel of the log: one channel per
    // quantity and sensor (the best named), a ratio whose name does not tell AFR from
    // lambda told by its values; AFR on the log's fuel, or 14.7 when it declares none.
    static void apply(Log& log);
};
