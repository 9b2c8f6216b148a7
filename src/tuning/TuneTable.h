// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningGrid.h"

#include <QString>

#include <vector>

// One 2-D table of a tune file with its two bin arrays, as the file holds it: row r is
// y-bin r (load, the first row the lowest), column c is x-bin c (engine speed). Values
// are in the file's display units; `digits` is the precision the file declares.
struct TuneTable {
    struct Bins {
        QString name;
        QString units;
        int digits = 0;
        std::vector<double> values;
    };

    QString name;
    QString units;
    int digits = 0;
    int rows = 0;
    int columns = 0;
    // Row-major, rows × columns.
    std::vector<double> values;
    Bins rpm;
    Bins load;

    double at(int row, int column) const {
        return values[std::size_t(row) * std::size_t(columns) + std::size_t(column)];
    }

    // The workbench's orientation: one row per engine-speed bin, one column per load bin.
    TuningGrid grid() const;
    // The table read between its bins as the engine computer does (bilinear, held at the
    // ends; a repeated bin is a step, never a division by zero), on other breakpoints.
    TuningGrid resampled(const std::vector<double>& rpmAxis,
                         const std::vector<double>& loadAxis) const;
    double valueAt(double rpm, double load) const;
};
