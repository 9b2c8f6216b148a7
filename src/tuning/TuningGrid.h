// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <limits>
#include <vector>

// A grid of values on the engine-speed × load breakpoints: one row per speed breakpoint,
// one column per load breakpoint. A cell without a value is empty (NaN inside), never 0,
// so that "no data" and "zero" cannot be confused downstream.
class TuningGrid {
public:
    TuningGrid() = default;
    TuningGrid(int rows, int columns)
        : m_rows(rows), m_columns(columns),
          m_values(std::size_t(rows) * std::size_t(columns), kEmpty) {}

    static constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    bool isValid() const { return m_rows > 0 && m_columns > 0; }

    double at(int row, int column) const { return m_values[index(row, column)]; }
    void set(int row, int column, double value) { m_values[index(row, column)] = value; }
    bool isEmpty(int row, int column) const { return std::isnan(at(row, column)); }

private:
    std::size_t index(int row, int column) const {
        return std::size_t(row) * std::size_t(m_columns) + std::size_t(column);
    }
    int m_rows = 0;
    int m_columns = 0;
    std::vector<double> m_values;
};
