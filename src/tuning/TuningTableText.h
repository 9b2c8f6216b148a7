// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningGrid.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// A table as a tuner pastes it from a spreadsheet or an engine computer's table editor:
// rows of numbers separated by tabs (or semicolons, commas or blanks), with a decimal
// point or a decimal comma, either a bare grid or with the load axis as its first row and
// the engine-speed axis as its first column (the top-left cell then empty or a label),
// or turned the other way: load rows, the highest at the top or at the bottom, with the
// engine-speed axis as the first or the bottom row (TunerStudio's screen: highest load at
// the top, engine speed along the bottom, the bottom-left cell empty). Which axis is which
// is told by the labels (engine speeds are the larger numbers); a bare grid by its size
// against the axes. The layout is kept so that a result can be written back the way it
// came in.
class TuningTableText {
public:
    enum class Orientation {
        RpmRows,           // a row per engine speed, the lowest first
        LoadRowsLowFirst,  // a row per load, the lowest first (the tune file's order)
        LoadRowsHighFirst, // a row per load, the highest first (TunerStudio's screen)
    };
    // How a bare grid fits the axes: not at all, one way, or both (a square grid on axes
    // of one length), where the user has to say which.
    enum class Fit { None, RpmRows, LoadRows, Ambiguous };
    // The largest magnitude a cell may have: fuel maps, targets and axes stay far below,
    // and a larger base cell would be corrected into infinity.
    static constexpr double kMaxCell = 1e12;

    // Throws TuningInputError naming the file, row and column of a cell that is not a
    // number or a row of another length; QeroFailure when the file cannot be read.
    static TuningTableText readFile(const QString& path);
    static TuningTableText parse(QByteArrayView bytes, const QString& source);

    const QString& source() const { return m_source; }
    bool hasAxes() const { return m_hasAxes; }
    // The axes the table carries (empty without them).
    std::vector<double> rpmAxis() const;
    std::vector<double> loadAxis() const;

    // The values on these axes. Throws TuningInputError when the grid's size or its own
    // axes do not match them.
    TuningGrid grid(const std::vector<double>& rpmAxis, const std::vector<double>& loadAxis) const;
    // The most decimals any value is written with.
    int decimals() const { return m_decimals; }

    // The orientation the labels tell (RpmRows for a bare grid until one is chosen).
    Orientation orientation() const { return m_orientation; }
    Fit fit(std::size_t rpmCount, std::size_t loadCount) const;
    // A bare grid's orientation when its size fits both ways (load rows are then taken
    // highest first, as TunerStudio shows them).
    void chooseOrientation(Orientation orientation);

    // `values` written in this table's layout, `decimals` decimals, empty cells empty.
    QString format(const TuningGrid& values, int decimals) const;
    // The bare grid, tab-separated, without axes.
    static QString formatGrid(const TuningGrid& values, int decimals);
    // The layout used when nothing was pasted: tab-separated with both axes.
    static QString formatDefault(const std::vector<double>& rpmAxis,
                                 const std::vector<double>& loadAxis, const TuningGrid& values,
                                 int decimals);
    // TunerStudio's screen layout, for a map that came from a tune: load rows with the
    // highest at the top and its breakpoints in the first column, the engine-speed
    // breakpoints along the bottom row under an empty corner.
    static QString formatScreen(const std::vector<double>& rpmAxis,
                                const std::vector<double>& loadAxis, const TuningGrid& values,
                                int decimals);

private:
    QString cellText(double value, int decimals) const;
    Orientation resolved(int rpmCount, int loadCount) const;
    // The text row of a body row (the rows without the label row).
    qsizetype textRow(int bodyRow) const {
        return bodyRow + (m_hasAxes && !m_labelsAtBottom ? 1 : 0);
    }
    qsizetype labelRow() const { return m_labelsAtBottom ? m_cells.size() - 1 : 0; }

    QString m_source;
    QList<QStringList> m_cells;
    QList<std::vector<double>> m_numbers;
    QString m_separator = QStringLiteral("\t");
    QString m_lineEnd = QStringLiteral("\n");
    bool m_decimalComma = false;
    bool m_hasAxes = false;
    bool m_labelsAtBottom = false;
    bool m_orientationChosen = false;
    Orientation m_orientation = Orientation::RpmRows;
    QList<int> m_lineNumbers;
    int m_decimals = 0;
};
