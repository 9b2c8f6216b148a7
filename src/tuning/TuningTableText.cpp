// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningTableText.h"

#include "logdata/LogFileReader.h"
#include "support/Numbers.h"
#include "support/QeroFailure.h"
#include "support/TextFile.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningSettings.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

QString bare(const QString& cell) {
    QString t = cell.trimmed();
    if (t.size() >= 2 && t.startsWith(u'"') && t.endsWith(u'"'))
        t = t.mid(1, t.size() - 2).trimmed();
    return t;
}

// A cell as written, "." or "," as the decimal mark; false for anything else.
bool readCell(const QString& cell, double& value, int& decimals) {
    QByteArray text = bare(cell).toLatin1();
    text.replace(',', '.');
    if (text.isEmpty())
        return false;
    const char* first = text.constData();
    const char* last = first + text.size();
    if (*first == '+')
        ++first;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return false;
    const qsizetype dot = text.indexOf('.');
    qsizetype stop = text.indexOf('e');
    if (stop < 0)
        stop = text.indexOf('E');
    if (stop < 0)
        stop = text.size();
    decimals = dot < 0 ? 0 : int(stop - dot - 1);
    return true;
}

QString axisText(double v) {
    return QString::number(v, 'g', 15);
}

} // namespace

TuningTableText TuningTableText::readFile(const QString& path) {
    QFile file(path);
    // A pasted table is a few kilobytes; anything past this is not one.
    constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Tune"), path + QStringLiteral(": ") + file.errorString());
    if (file.size() > kMaxBytes)
        throw TuningInputError::at(path, 0, 0, QStringLiteral("too large for a table"));
    return parse(file.readAll(), path);
}

TuningTableText TuningTableText::parse(QByteArrayView bytes, const QString& source) {
    TuningTableText t;
    t.m_source = source;
    const QString text = TextFile::decode(bytes.toByteArray());
    if (text.contains(QLatin1String("\r\n")))
        t.m_lineEnd = QStringLiteral("\r\n");
    static const QRegularExpression blanks(QStringLiteral("[ ]+"));
    if (text.contains(u'\t'))
        t.m_separator = QStringLiteral("\t");
    else if (text.contains(u';'))
        t.m_separator = QStringLiteral(";");
    else if (text.contains(u','))
        t.m_separator = QStringLiteral(",");
    else
        t.m_separator = QStringLiteral(" ");
    const bool byBlanks = t.m_separator == QLatin1String(" ");

    QList<int> lineNumbers;
    const QStringList lines = TextFile::splitLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        if (line.trimmed().isEmpty())
            continue;
        QStringList cells = byBlanks ? line.trimmed().split(blanks) : line.split(t.m_separator);
        // Spreadsheets often end a copied row with a separator.
        while (cells.size() > 1 && cells.back().trimmed().isEmpty())
            cells.removeLast();
        t.m_cells << cells;
        lineNumbers << int(i + 1);
    }
    if (t.m_cells.isEmpty())
        throw TuningInputError::at(source, 0, 0, QStringLiteral("the table is empty"));

    double corner = 0.0;
    int ignored = 0;
    // The labels' corner is the top-left cell, or the bottom-left one in TunerStudio's
    // screen layout; a corner that reads as a number makes a bare grid.
    t.m_hasAxes = !readCell(t.m_cells[0][0], corner, ignored);
    if (!t.m_hasAxes && t.m_cells.size() > 2 && !t.m_cells.back().isEmpty() &&
        bare(t.m_cells.back()[0]).isEmpty() && t.m_cells.back().size() == t.m_cells[0].size()) {
        t.m_hasAxes = true;
        t.m_labelsAtBottom = true;
    }
    t.m_lineNumbers = lineNumbers;
    const qsizetype cornerRow = t.m_hasAxes ? t.labelRow() : -1;
    const qsizetype width = t.m_cells[0].size();
    // Labels need a row and a column of values beside them.
    if (t.m_hasAxes && (t.m_cells.size() < 2 || width < 2))
        throw TuningInputError::at(source, lineNumbers[0], 1,
                                   QStringLiteral("the table has labels but no values beside "
                                                  "them"));
    for (qsizetype r = 0; r < t.m_cells.size(); ++r) {
        const QStringList& row = t.m_cells[r];
        if (row.size() != width)
            throw TuningInputError::at(source, lineNumbers[r], 0,
                                       QStringLiteral("the row has %1 cells, the first row %2")
                                           .arg(row.size())
                                           .arg(width));
        std::vector<double> numbers(std::size_t(width), TuningGrid::kEmpty);
        for (qsizetype c = 0; c < width; ++c) {
            if (r == cornerRow && c == 0)
                continue;
            int decimals = 0;
            if (!readCell(row[c], numbers[std::size_t(c)], decimals))
                throw TuningInputError::at(
                    source, lineNumbers[r], c + 1,
                    QStringLiteral("\"%1\" is not a number")
                        .arg(LogFileReader::printable(bare(row[c]).left(40))));
            // A correction of a larger cell overflows to infinity, which no map program reads.
            if (std::abs(numbers[std::size_t(c)]) > kMaxCell)
                throw TuningInputError::at(
                    source, lineNumbers[r], c + 1,
                    QStringLiteral("\"%1\" is beyond %2, more than a map or an axis holds")
                        .arg(LogFileReader::printable(bare(row[c]).left(40)))
                        .arg(kMaxCell, 0, 'g'));
            if (row[c].contains(u',') && !byBlanks && t.m_separator != QLatin1String(","))
                t.m_decimalComma = true;
            if (!t.m_hasAxes || (r != cornerRow && c > 0))
                t.m_decimals = std::max(t.m_decimals, decimals);
        }
        t.m_numbers << numbers;
    }
    if (t.m_hasAxes) {
        // Engine speeds are the larger numbers: thousands against a load of 0 to a few
        // hundred. The first column's order tells which load is at the top.
        double columnMax = -INFINITY;
        double rowMax = -INFINITY;
        for (qsizetype r = 0; r < t.m_numbers.size(); ++r)
            if (r != cornerRow)
                columnMax = std::max(columnMax, t.m_numbers[r][0]);
        for (qsizetype c = 1; c < width; ++c)
            rowMax = std::max(rowMax, t.m_numbers[cornerRow][std::size_t(c)]);
        if (rowMax > columnMax) {
            const qsizetype top = t.textRow(0);
            const qsizetype bottom = t.textRow(int(t.m_numbers.size()) - 2);
            t.m_orientation = t.m_numbers[top][0] > t.m_numbers[bottom][0]
                                  ? Orientation::LoadRowsHighFirst
                                  : Orientation::LoadRowsLowFirst;
        }
    }
    return t;
}

TuningTableText::Fit TuningTableText::fit(std::size_t rpmCount, std::size_t loadCount) const {
    const std::size_t rows = std::size_t(m_numbers.size()) - (m_hasAxes ? 1 : 0);
    const std::size_t columns = std::size_t(m_numbers[0].size()) - (m_hasAxes ? 1 : 0);
    if (m_hasAxes) {
        const bool rpmRows = m_orientation == Orientation::RpmRows;
        const bool fits = rpmRows ? rows == rpmCount && columns == loadCount
                                  : rows == loadCount && columns == rpmCount;
        return !fits ? Fit::None : rpmRows ? Fit::RpmRows : Fit::LoadRows;
    }
    const bool asRpm = rows == rpmCount && columns == loadCount;
    const bool asLoad = rows == loadCount && columns == rpmCount;
    if (asRpm && asLoad)
        return Fit::Ambiguous;
    return asRpm ? Fit::RpmRows : asLoad ? Fit::LoadRows : Fit::None;
}

void TuningTableText::chooseOrientation(Orientation orientation) {
    m_orientation = orientation;
    m_orientationChosen = true;
}

TuningTableText::Orientation TuningTableText::resolved(int rpmCount, int loadCount) const {
    if (m_hasAxes || m_orientationChosen)
        return m_orientation;
    // A bare grid: rows per engine speed where that fits (as it always was read), else
    // load rows as TunerStudio shows them.
    const int rows = int(m_cells.size());
    const int columns = rows > 0 ? int(m_cells[0].size()) : 0;
    if (rows == loadCount && columns == rpmCount && !(rows == rpmCount && columns == loadCount))
        return Orientation::LoadRowsHighFirst;
    return Orientation::RpmRows;
}

std::vector<double> TuningTableText::rpmAxis() const {
    std::vector<double> axis;
    if (!m_hasAxes)
        return axis;
    if (m_orientation == Orientation::RpmRows) {
        for (qsizetype r = 0; r + 1 < m_numbers.size(); ++r)
            axis.push_back(m_numbers[textRow(int(r))][0]);
    } else {
        axis.assign(m_numbers[labelRow()].begin() + 1, m_numbers[labelRow()].end());
    }
    return axis;
}

std::vector<double> TuningTableText::loadAxis() const {
    std::vector<double> axis;
    if (!m_hasAxes)
        return axis;
    if (m_orientation == Orientation::RpmRows) {
        axis.assign(m_numbers[labelRow()].begin() + 1, m_numbers[labelRow()].end());
    } else {
        for (qsizetype r = 0; r + 1 < m_numbers.size(); ++r)
            axis.push_back(m_numbers[textRow(int(r))][0]);
        if (m_orientation == Orientation::LoadRowsHighFirst)
            std::reverse(axis.begin(), axis.end());
    }
    return axis;
}

TuningGrid TuningTableText::grid(const std::vector<double>& rpm,
                                 const std::vector<double>& load) const {
    const int skip = m_hasAxes ? 1 : 0;
    const int textRows = int(m_numbers.size()) - skip;
    const int textColumns = int(m_numbers[0].size()) - skip;
    const Orientation o = resolved(int(rpm.size()), int(load.size()));
    const bool rpmRows = o == Orientation::RpmRows;
    const int wantRows = int(rpmRows ? rpm.size() : load.size());
    const int wantColumns = int(rpmRows ? load.size() : rpm.size());
    if (textRows != wantRows || textColumns != wantColumns)
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("the grid has %1 rows and %2 columns; the axes need %3 rows and %4 "
                           "columns%5")
                .arg(textRows)
                .arg(textColumns)
                .arg(wantRows)
                .arg(wantColumns)
                .arg(m_hasAxes ? QString()
                               : QStringLiteral(" (when the first row and column are the axes, "
                                                "leave the top-left cell empty)")));
    if (m_hasAxes) {
        const auto same = [](double a, double b) {
            return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
        };
        const std::vector<double>& across = rpmRows ? load : rpm;
        const QString acrossName =
            rpmRows ? QStringLiteral("load") : QStringLiteral("engine-speed");
        const QString downName = rpmRows ? QStringLiteral("engine-speed") : QStringLiteral("load");
        const qsizetype lr = labelRow();
        for (int c = 0; c < textColumns; ++c)
            if (!same(m_numbers[lr][std::size_t(c) + 1], across[std::size_t(c)]))
                throw TuningInputError::at(
                    m_source, m_lineNumbers[lr], c + 2,
                    QStringLiteral("%1 breakpoint %2 differs from the %1 axis (%3)")
                        .arg(acrossName, axisText(m_numbers[lr][std::size_t(c) + 1]),
                             axisText(across[std::size_t(c)])));
        for (int r = 0; r < textRows; ++r) {
            const int i = o == Orientation::LoadRowsHighFirst ? textRows - 1 - r : r;
            const std::vector<double>& down = rpmRows ? rpm : load;
            const qsizetype tr = textRow(r);
            if (!same(m_numbers[tr][0], down[std::size_t(i)]))
                throw TuningInputError::at(
                    m_source, m_lineNumbers[tr], 1,
                    QStringLiteral("%1 breakpoint %2 differs from the %1 axis (%3)")
                        .arg(downName, axisText(m_numbers[tr][0]), axisText(down[std::size_t(i)])));
        }
    }
    TuningGrid g(int(rpm.size()), int(load.size()));
    for (int r = 0; r < textRows; ++r)
        for (int c = 0; c < textColumns; ++c) {
            const double v = m_numbers[textRow(r)][std::size_t(c + skip)];
            if (rpmRows)
                g.set(r, c, v);
            else if (o == Orientation::LoadRowsLowFirst)
                g.set(c, r, v);
            else
                g.set(c, textRows - 1 - r, v);
        }
    return g;
}

QString TuningTableText::cellText(double value, int decimals) const {
    if (std::isnan(value))
        return QString();
    double rounded = Numbers::roundHalfEven(value, decimals);
    if (rounded == 0.0)
        rounded = 0.0; // no "-0.0" for a value that rounds to zero
    QString s = QString::number(rounded, 'f', decimals);
    if (m_decimalComma)
        s.replace(u'.', u',');
    return s;
}

QString TuningTableText::format(const TuningGrid& values, int decimals) const {
    const Orientation o = resolved(values.rows(), values.columns());
    const bool rpmRows = o == Orientation::RpmRows;
    const int bodyRows = rpmRows ? values.rows() : values.columns();
    const int bodyColumns = rpmRows ? values.columns() : values.rows();
    QString out;
    const QString& sep = m_separator;
    if (m_hasAxes && !m_labelsAtBottom)
        out += m_cells[0].join(sep) + m_lineEnd;
    for (int b = 0; b < bodyRows; ++b) {
        QStringList cells;
        if (m_hasAxes)
            cells << m_cells[textRow(b)][0];
        for (int c = 0; c < bodyColumns; ++c) {
            double v;
            if (rpmRows)
                v = values.at(b, c);
            else if (o == Orientation::LoadRowsLowFirst)
                v = values.at(c, b);
            else
                v = values.at(c, bodyRows - 1 - b);
            cells << cellText(v, decimals);
        }
        out += cells.join(sep) + m_lineEnd;
    }
    if (m_hasAxes && m_labelsAtBottom)
        out += m_cells.back().join(sep) + m_lineEnd;
    return out;
}

QString TuningTableText::formatDefault(const std::vector<double>& rpmAxis,
                                       const std::vector<double>& loadAxis,
                                       const TuningGrid& values, int decimals) {
    TuningTableText layout;
    layout.m_hasAxes = true;
    QStringList head{QStringLiteral("rpm/load")};
    for (double v : loadAxis)
        head << axisText(v);
    layout.m_cells << head;
    for (double v : rpmAxis)
        layout.m_cells << QStringList{axisText(v)};
    return layout.format(values, decimals);
}

QString TuningTableText::formatScreen(const std::vector<double>& rpmAxis,
                                      const std::vector<double>& loadAxis, const TuningGrid& values,
                                      int decimals) {
    TuningTableText layout;
    layout.m_hasAxes = true;
    layout.m_labelsAtBottom = true;
    layout.m_orientation = Orientation::LoadRowsHighFirst;
    for (auto v = loadAxis.rbegin(); v != loadAxis.rend(); ++v)
        layout.m_cells << QStringList{axisText(*v)};
    QStringList bottom{QString()};
    for (double v : rpmAxis)
        bottom << axisText(v);
    layout.m_cells << bottom;
    return layout.format(values, decimals);
}

QString TuningTableText::formatGrid(const TuningGrid& values, int decimals) {
    return TuningTableText().format(values, decimals);
}
