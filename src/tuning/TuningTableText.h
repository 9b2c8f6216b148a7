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
// the engine-speed axis as its first column (the top-left cell then empty or a label).
// The layout is kept so that a result can be written back the way it came in.
class TuningTableText {
public:
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

    // `values` written in this table's layout, `decimals` decimals, empty cells empty.
    QString format(const TuningGrid& values, int decimals) const;
    // The bare grid, tab-separated, without axes.
    static QString formatGrid(const TuningGrid& values, int decimals);
    // The layout used when nothing was pasted: tab-separated with both axes.
    static QString formatDefault(const std::vector<double>& rpmAxis,
                                 const std::vector<double>& loadAxis, const TuningGrid& values,
                                 int decimals);

private:
    QString cellText(double value, int decimals) const;

    QString m_source;
    QList<QStringList> m_cells;
    QList<std::vector<double>> m_numbers;
    QString m_separator = QStringLiteral("\t");
    QString m_lineEnd = QStringLiteral("\n");
    bool m_decimalComma = false;
    bool m_hasAxes = false;
    int m_decimals = 0;
};
