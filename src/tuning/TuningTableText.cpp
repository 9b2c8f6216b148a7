#include "tuning/TuningTableText.h"

#include "logdata/LogFileReader.h"
#include "support/Numbers.h"
#include "support/QeroFailure.h"
#include "support/TextFile.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningSettings.h"

#include <QFile>
#include <QRegularExpression>

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
    t.m_hasAxes = !readCell(t.m_cells[0][0], corner, ignored);
    const qsizetype width = t.m_cells[0].size();
    for (qsizetype r = 0; r < t.m_cells.size(); ++r) {
        const QStringList& row = t.m_cells[r];
        if (row.size() != width)
            throw TuningInputError::at(source, lineNumbers[r], 0,
                                       QStringLiteral("the row has %1 cells, the first row %2")
                                           .arg(row.size())
                                           .arg(width));
        std::vector<double> numbers(std::size_t(width), TuningGrid::kEmpty);
        for (qsizetype c = 0; c < width; ++c) {
            if (t.m_hasAxes && r == 0 && c == 0)
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
            if (!t.m_hasAxes || (r > 0 && c > 0))
                t.m_decimals = std::max(t.m_decimals, decimals);
        }
        t.m_numbers << numbers;
    }
    return t;
}

std::vector<double> TuningTableText::rpmAxis() const {
    std::vector<double> axis;
    if (m_hasAxes)
        for (qsizetype r = 1; r < m_numbers.size(); ++r)
            axis.push_back(m_numbers[r][0]);
    return axis;
}

std::vector<double> TuningTableText::loadAxis() const {
    std::vector<double> axis;
    if (m_hasAxes)
        axis.assign(m_numbers[0].begin() + 1, m_numbers[0].end());
    return axis;
}

TuningGrid TuningTableText::grid(const std::vector<double>& rpm,
                                 const std::vector<double>& load) const {
    const int skip = m_hasAxes ? 1 : 0;
    const int rows = int(m_numbers.size()) - skip;
    const int columns = int(m_numbers[0].size()) - skip;
    if (rows != int(rpm.size()) || columns != int(load.size()))
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("the grid has %1 rows and %2 columns; the axes need %3 rows and %4 "
                           "columns%5")
                .arg(rows)
                .arg(columns)
                .arg(rpm.size())
                .arg(load.size())
                .arg(m_hasAxes ? QString()
                               : QStringLiteral(" (when the first row and column are the axes, "
                                                "leave the top-left cell empty)")));
    if (m_hasAxes) {
        const auto same = [](double a, double b) {
            return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
        };
        for (int c = 0; c < columns; ++c)
            if (!same(m_numbers[0][std::size_t(c) + 1], load[std::size_t(c)]))
                throw TuningInputError::at(
                    m_source, 1, c + 2,
                    QStringLiteral("load breakpoint %1 differs from the load axis (%2)")
                        .arg(axisText(m_numbers[0][std::size_t(c) + 1]), axisText(load[c])));
        for (int r = 0; r < rows; ++r)
            if (!same(m_numbers[r + 1][0], rpm[std::size_t(r)]))
                throw TuningInputError::at(
                    m_source, r + 2, 1,
                    QStringLiteral("engine-speed breakpoint %1 differs from the engine-speed "
                                   "axis (%2)")
                        .arg(axisText(m_numbers[r + 1][0]), axisText(rpm[r])));
    }
    TuningGrid g(rows, columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            g.set(r, c, m_numbers[r + skip][std::size_t(c + skip)]);
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
    const int skip = m_hasAxes ? 1 : 0;
    QString out;
    const QString sep = m_separator;
    if (m_hasAxes)
        out += m_cells[0].join(sep) + m_lineEnd;
    for (int r = 0; r < values.rows(); ++r) {
        QStringList cells;
        if (m_hasAxes)
            cells << m_cells[r + skip][0];
        for (int c = 0; c < values.columns(); ++c)
            cells << cellText(values.at(r, c), decimals);
        out += cells.join(sep) + m_lineEnd;
    }
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

QString TuningTableText::formatGrid(const TuningGrid& values, int decimals) {
    return TuningTableText().format(values, decimals);
}
