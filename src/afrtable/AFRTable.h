// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "afrtable/AFRTableGrid.h"
#include "logdata/LogBuffer.h"

#include <QString>

#include <array>

struct AppState;

// The AFR table: bins every sample of the log buffer into 30 engine-speed rows by 9
// throttle columns and keeps per-cell sums, counts and averages between calls, so that
// further log files can be added on top of the data already counted.
class AFRTable {
public:
    static constexpr int kRpmRows = 30;
    static constexpr int kTpsColumns = 9;
    static constexpr int kCells = kRpmRows * kTpsColumns;

    // The table needs a throttle sensor on the analog input: its legend names "TPS".
    static inline const QString kNoTPSMessage =
        QStringLiteral("Analog data does not contain properly scaled TPS values.");
    static bool legendHasTPS(const QString& analogLegend) {
        return analogLegend.contains(QLatin1String("TPS"), Qt::CaseInsensitive);
    }

    // Starts with empty accumulators and a grid of headings only.
    AFRTable();

    // Throttle column 0..8 of a throttle position in percent (0..100).
    static int tpsColumn(float tpsPercent);
    // Engine-speed row 0..29. Each row reaches up to just below the next row's first
    // value, so a fractional speed such as 1249.5 stays in the row of 1249 ("1000").
    static int rpmRow(float rpm);
    // The heading texts of row 0 and column 0.
    static QString tpsHeading(int column);
    static QString rpmHeading(int row);

    // Recomputes the table from `state.log` and fills the grid. `display` "AFR" shows
    // average ratios, anything else fuel corrections in percent; `reset` false adds the
    // buffer's samples to what earlier calls counted. `filterUnstable` accepts a sample
    // only when the one before it fell in the same cell.
    AFRTableGrid WriteAFRTable(const QString& display, bool reset, const AppState& state,
                               bool filterUnstable);
    // The same with the samples of `log` in place of the log in memory (a file added to
    // the table, read into a buffer of its own); the options still come from `state`.
    AFRTableGrid WriteAFRTable(const QString& display, bool reset, const LogBuffer& log,
                               const AppState& state, bool filterUnstable);

    // The grid of the last call (headings only before the first call).
    const AFRTableGrid& grid() const { return m_grid; }

    // Per cell (column + 9 * row): accepted samples, and the average on the gasoline
    // scale (0 while the cell has fewer samples than the minimum).
    const std::array<qint32, kCells>& CellSampleCount() const { return m_count; }
    const std::array<float, kCells>& CellAFRAverage() const { return m_average; }
    const std::array<float, kCells>& CellAFRSum() const { return m_sum; }
    // Throttle position of every sample of the last call, 0..100.
    const LogBuffer::Samples& TPSPercent() const { return m_tpsPercent; }

private:
    void fillHeadings();

    LogBuffer::Samples m_tpsPercent{};
    std::array<float, kCells> m_sum{};
    std::array<qint32, kCells> m_count{};
    std::array<float, kCells> m_average{};
    std::array<quint16, LogBuffer::kSamples> m_cellIndex{};
    AFRTableGrid m_grid;
};
