// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/CsvLogReader.h"

#include "logdata/ChannelGuess.h"
#include "logdata/LogFileReader.h"
#include "logdata/TextTable.h"
#include "support/Units.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr char kSeparators[] = {',', ';', '\t', '|'};

struct Record {
    qsizetype at = 0;
    std::vector<QByteArrayView> fields;
    bool title = false; // a quote opened and not closed on the line: a title, not names
};

// The first records of the text split at `sep`; a quote that does not close within a
// line (a title line with an opening quote only) is read as plain text.
std::vector<Record> sample(QByteArrayView text, char sep) {
    std::vector<Record> out;
    qsizetype at = 0;
    while (at < text.size() && at < TextTable::kSampleBytes &&
           int(out.size()) < TextTable::kSampleRecords) {
        TextTable::Split s = TextTable::split(text, at, sep, true);
        const qsizetype lineEnd = TextTable::nextLine(text, at);
        const bool title = s.unclosed || s.tooLong;
        if (title) {
            if (lineEnd - at > TextTable::kMaxLineBytes)
                break;
            s = TextTable::split(text, at, sep, false);
        }
        if (!(s.fields.size() == 1 && s.fields[0].trimmed().isEmpty()))
            out.push_back({at, std::move(s.fields), title});
        if (s.next <= at)
            break;
        at = s.next;
    }
    return out;
}

// The field count most of the later records have.
int modalCount(const std::vector<Record>& records) {
    std::map<int, int> counts;
    for (std::size_t i = records.size() / 2; i < records.size(); ++i)
        ++counts[int(records[i].fields.size())];
    int best = 0;
    int bestN = 0;
    for (const auto& [count, n] : counts)
        if (n > bestN || (n == bestN && count > best)) {
            best = count;
            bestN = n;
        }
    return best;
}

bool isCommaNumber(QByteArrayView f) {
    f = f.trimmed();
    if (f.size() >= 2 && f.front() == '"' && f.back() == '"')
        f = f.sliced(1, f.size() - 2).trimmed();
    if (!f.isEmpty() && (f.front() == '-' || f.front() == '+'))
        f = f.sliced(1);
    const qsizetype comma = f.indexOf(',');
    if (comma <= 0 || comma == f.size() - 1 || f.indexOf(',', comma + 1) >= 0)
        return false;
    return std::all_of(f.begin(), f.end(),
                       [](char c) { return c == ',' || (c >= '0' && c <= '9'); });
}

bool isDotNumber(QByteArrayView f) {
    f = f.trimmed();
    return f.contains('.') && !f.contains(':') && TextTable::isValue(f);
}

} // namespace

int CsvLogReader::recognise(QByteArrayView head, const QString&) const {
    if (!TextTable::looksLikeText(head))
        return 0;
    QByteArray storage;
    QString error;
    return shape(TextTable::utf8(head, storage), &error) ? 10 : 0;
}

std::optional<CsvLogReader::Shape> CsvLogReader::shape(QByteArrayView text, QString* error) {
    Shape best;
    int bestScore = -1;
    std::vector<Record> bestRecords;
    for (char sep : kSeparators) {
        std::vector<Record> records = sample(text, sep);
        const int m = modalCount(records);
        if (m < 2)
            continue;
        int matching = 0;
        for (const Record& r : records)
            if (int(r.fields.size()) == m)
                ++matching;
        // The separator most records agree on; of equals, the one giving more fields.
        const int score = matching * 1000 + m;
        if (score > bestScore) {
            bestScore = score;
            best.separator = sep;
            best.columns = m;
            bestRecords = std::move(records);
        }
    }
    if (bestScore < 0) {
        *error = QStringLiteral("no table of values was found in its first lines");
        return std::nullopt;
    }
    const int m = best.columns;
    const std::vector<Record>& recs = bestRecords;
    const auto fits = [&](std::size_t i) {
        const int n = int(recs[i].fields.size());
        return n >= m - 1 && n <= m + 1;
    };
    std::size_t d = recs.size();
    for (std::size_t i = 0; i < recs.size(); ++i) {
        if (int(recs[i].fields.size()) == m && TextTable::mostlyValues(recs[i].fields) &&
            (i + 1 == recs.size() || fits(i + 1))) {
            d = i;
            break;
        }
    }
    if (d == recs.size()) {
        *error = QStringLiteral("no row of values was found in its first lines");
        return std::nullopt;
    }
    best.dataAt = recs[d].at;
    std::size_t namesIndex = recs.size();
    std::size_t unitsIndex = recs.size();
    const auto wordsRow = [&](std::size_t i) {
        return fits(i) && !recs[i].title && !TextTable::mostlyValues(recs[i].fields);
    };
    // Most of a row of units are units (the rest blank or a unit not known here); few
    // names are.
    const auto unitsRow = [&](std::size_t i) {
        int units = 0;
        int filled = 0;
        for (QByteArrayView f : recs[i].fields) {
            const QString t = TextTable::text(f);
            if (t.isEmpty())
                continue;
            ++filled;
            units += Units::isUnitText(t) ? 1 : 0;
        }
        return units * 2 > filled;
    };
    if (d >= 1 && wordsRow(d - 1)) {
        namesIndex = d - 1;
        if (d >= 2 && wordsRow(d - 2) && unitsRow(d - 1)) {
            namesIndex = d - 2;
            unitsIndex = d - 1;
        }
    }
    const int columns =
        std::max(m, namesIndex < recs.size() ? int(recs[namesIndex].fields.size()) : 0);
    best.columns = columns;
    for (int c = 0; c < columns; ++c) {
        QString n;
        if (namesIndex < recs.size() && c < int(recs[namesIndex].fields.size()))
            n = TextTable::text(recs[namesIndex].fields[std::size_t(c)]);
        best.names.append(n.isEmpty() ? QStringLiteral("Column %1").arg(c + 1) : n);
        QString u;
        if (unitsIndex < recs.size() && c < int(recs[unitsIndex].fields.size()))
            u = TextTable::text(recs[unitsIndex].fields[std::size_t(c)]);
        if (u.isEmpty() && namesIndex < recs.size())
            u = ChannelGuess::unitInName(best.names.back());
        best.units.append(u);
    }
    if (namesIndex < recs.size())
        best.namesAt = recs[namesIndex].at;
    if (unitsIndex < recs.size())
        best.unitsAt = recs[unitsIndex].at;
    const qsizetype headerEnd = namesIndex < recs.size() ? recs[namesIndex].at : best.dataAt;
    QStringList before;
    for (std::size_t i = 0; i < recs.size() && recs[i].at < headerEnd; ++i) {
        const qsizetype end = TextTable::nextLine(text, recs[i].at);
        before.append(TextTable::text(text.sliced(recs[i].at, end - recs[i].at)));
    }
    best.before = before.join(u'\n');

    // A decimal comma: numbers written "14,00" where the separator is not a comma.
    int commas = 0;
    int dots = 0;
    for (std::size_t i = d; i < recs.size(); ++i)
        for (QByteArrayView f : recs[i].fields) {
            commas += isCommaNumber(f) ? 1 : 0;
            dots += isDotNumber(f) ? 1 : 0;
        }
    best.decimalComma = best.separator != ',' && commas > dots;

    // The time: the column named so, or else one holding clock times.
    best.timeColumn = ChannelGuess::timeColumn(best.names);
    const std::vector<QByteArrayView>& first = recs[d].fields;
    for (int c = 0; c < int(first.size()) && c < columns; ++c) {
        double v = 0;
        const bool clock =
            TextTable::clockTime(first[std::size_t(c)], v) && first[std::size_t(c)].contains(':');
        if (clock && (best.timeColumn < 0 || best.timeColumn == c)) {
            best.timeColumn = c;
            best.clockTime = true;
            break;
        }
    }
    return best;
}

LogReadResult CsvLogReader::read(QByteArrayView bytes, const QString& source,
                                 const LogReadProgress& progress) const {
    const QString shown = LogFileReader::printable(source);
    QByteArray storage;
    const QByteArrayView text = TextTable::utf8(bytes, storage);
    QString why;
    const std::optional<Shape> shape = CsvLogReader::shape(text, &why);
    if (!shape)
        return LogReadResult::failure(
            QStringLiteral("%1 is not a table of values: %2.").arg(shown, why));

    TextTable::Layout layout;
    layout.separator = shape->separator;
    layout.decimalComma = shape->decimalComma;
    layout.columns = shape->columns;
    layout.timeColumn = shape->timeColumn;
    layout.clockTime = shape->clockTime;
    TextTable::Rows rows = TextTable::readRows(text, shape->dataAt, layout, progress);
    if (const QString problem = TextTable::rowsProblem(rows, shown); !problem.isEmpty())
        return LogReadResult::failure(problem);

    LogReadResult out;
    Log log;
    log.format = name();
    log.info = shape->before;
    if (shape->timeColumn >= 0) {
        const QString& tn = shape->names[shape->timeColumn];
        const QString& tu = shape->units[shape->timeColumn];
        TextTable::toSeconds(rows.time, Units::toSeconds(1.0, ChannelGuess::timeUnit(tn, tu)),
                             shape->clockTime);
    } else {
        out.warnings.append(QStringLiteral("The table has no time column; its rows are placed "
                                           "one second apart."));
    }
    log.time = std::move(rows.time);
    for (int c = 0, k = 0; c < shape->columns; ++c) {
        if (c == shape->timeColumn)
            continue;
        LogChannel ch;
        ch.unit = shape->units[c];
        // A unit the name carried is kept as the unit, so "RPM (rpm)" is the channel RPM.
        ch.name = !ch.unit.isEmpty() && ch.unit == ChannelGuess::unitInName(shape->names[c])
                      ? ChannelGuess::nameWithoutUnit(shape->names[c])
                      : shape->names[c];
        ch.values = std::move(rows.columns[std::size_t(k++)]);
        log.channels.push_back(std::move(ch));
    }
    ChannelGuess::apply(log);
    if (rows.rowsWithoutTime > 0)
        out.warnings.append(
            QStringLiteral("%1 rows have no time and were left out (the first: \"%2\").")
                .arg(rows.rowsWithoutTime)
                .arg(TextTable::excerpt(
                    text.sliced(rows.firstBadLine, TextTable::nextLine(text, rows.firstBadLine) -
                                                       rows.firstBadLine))));
    if (rows.rowsShort > 0)
        out.warnings.append(QStringLiteral("%1 rows have fewer fields than the table has "
                                           "columns; the fields they lack are missing.")
                                .arg(rows.rowsShort));
    if (const int back = TextTable::timeStepsBack(log.time); back > 0)
        out.warnings.append(
            QStringLiteral("The time goes back %1 times; the rows are kept in the file's order.")
                .arg(back));
    out.log = std::move(log);
    return out;
}
