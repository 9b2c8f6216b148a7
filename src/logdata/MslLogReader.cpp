// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/MslLogReader.h"

#include "logdata/ChannelGuess.h"
#include "logdata/LogFileReader.h"
#include "logdata/TextTable.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace {

struct Header {
    QStringList titles;
    QStringList names;
    QStringList units;
    qsizetype dataAt = 0;
};

// Title lines (quoted, or with an opening quote never closed, or without a tab) come
// first; the first line with tabs that is not one of them names the columns, and a line
// of words after it gives their units.
std::optional<Header> header(QByteArrayView text, QString* error) {
    Header h;
    qsizetype at = 0;
    int lines = 0;
    while (at < text.size()) {
        const qsizetype end = TextTable::nextLine(text, at);
        if (end - at > TextTable::kMaxLineBytes) {
            *error = QStringLiteral("a line of more than %1 bytes").arg(TextTable::kMaxLineBytes);
            return std::nullopt;
        }
        if (++lines > 64 || at > TextTable::kSampleBytes) {
            *error = QStringLiteral("no row of column names was found in its first lines");
            return std::nullopt;
        }
        const QByteArrayView line = text.sliced(at, end - at).trimmed();
        at = end;
        if (line.isEmpty())
            continue;
        if (line.startsWith('"') || !line.contains('\t')) {
            h.titles.append(TextTable::text(line).remove(u'"'));
            continue;
        }
        const TextTable::Split names = TextTable::split(line, 0, '\t', false);
        for (QByteArrayView f : names.fields)
            h.names.append(TextTable::text(f));
        // A trailing tab leaves an empty last name: no column.
        while (!h.names.isEmpty() && h.names.back().isEmpty())
            h.names.removeLast();
        break;
    }
    if (h.names.size() < 2) {
        *error = QStringLiteral("no row of column names was found");
        return std::nullopt;
    }
    h.dataAt = at;
    if (at < text.size()) {
        const qsizetype end = TextTable::nextLine(text, at);
        const QByteArrayView line = text.sliced(at, end - at);
        const TextTable::Split units = TextTable::split(line, 0, '\t', false);
        if (!line.startsWith("MARK ") && units.fields.size() >= 2 &&
            !TextTable::mostlyValues(units.fields)) {
            for (QByteArrayView f : units.fields)
                h.units.append(TextTable::text(f));
            h.dataAt = end;
        }
    }
    while (h.units.size() < h.names.size())
        h.units.append(QString());
    return h;
}

// "Capture Date: Sat Dec 26 19:53:12 EST 2015" as a date and time (the zone's name is
// not one Qt reads, so the clock is taken as it stands).
QDateTime captureDate(const QStringList& titles) {
    static const QRegularExpression re(QStringLiteral(
        R"(Capture Date:\s*\w+\s+(\w+)\s+(\d+)\s+(\d+:\d+:\d+)\s+(?:\S+\s+)?(\d{4}))"));
    for (const QString& t : titles) {
        const QRegularExpressionMatch m = re.match(t);
        if (!m.hasMatch())
            continue;
        const QString s = QStringLiteral("%1 %2 %3 %4")
                              .arg(m.captured(1), m.captured(2), m.captured(4), m.captured(3));
        const QDateTime d = QDateTime::fromString(s, QStringLiteral("MMM d yyyy HH:mm:ss"));
        if (d.isValid())
            return d;
    }
    return {};
}

} // namespace

int MslLogReader::recognise(QByteArrayView head, const QString& path) const {
    if (!TextTable::looksLikeText(head))
        return 0;
    QByteArray storage;
    QString error;
    const std::optional<Header> h = header(TextTable::utf8(head, storage), &error);
    if (!h)
        return 0;
    if (QFileInfo(path).suffix().compare(QLatin1String("msl"), Qt::CaseInsensitive) == 0)
        return 100;
    // TunerStudio's and MegaTune's logs start with a title line and name "Time" first.
    if (!h->titles.isEmpty() &&
        h->names.front().compare(QLatin1String("Time"), Qt::CaseInsensitive) == 0)
        return 60;
    return 0;
}

LogReadResult MslLogReader::read(QByteArrayView bytes, const QString& source,
                                 const LogReadProgress& progress) const {
    const QString shown = LogFileReader::printable(source);
    QByteArray storage;
    const QByteArrayView text = TextTable::utf8(bytes, storage);
    QString why;
    const std::optional<Header> h = header(text, &why);
    if (!h)
        return LogReadResult::failure(
            QStringLiteral("%1 is not a MegaLogViewer log: %2.").arg(shown, why));

    TextTable::Layout layout;
    layout.separator = '\t';
    layout.quotes = false;
    layout.columns = int(h->names.size());
    layout.timeColumn = ChannelGuess::timeColumn(h->names);
    layout.markLines = true;
    TextTable::Rows rows = TextTable::readRows(text, h->dataAt, layout, progress);
    if (const QString problem = TextTable::rowsProblem(rows, shown); !problem.isEmpty())
        return LogReadResult::failure(problem);

    LogReadResult out;
    Log log;
    log.format = name();
    log.info = h->titles.join(u'\n');
    log.started = captureDate(h->titles);
    if (layout.timeColumn >= 0)
        TextTable::toSeconds(
            rows.time,
            Units::toSeconds(1.0, ChannelGuess::timeUnit(h->names[layout.timeColumn],
                                                         h->units[layout.timeColumn])),
            false);
    else
        out.warnings.append(QStringLiteral("The log has no time column; its rows are placed one "
                                           "second apart."));
    log.time = std::move(rows.time);
    for (int c = 0, k = 0; c < layout.columns; ++c) {
        if (c == layout.timeColumn)
            continue;
        LogChannel ch;
        ch.name = h->names[c];
        ch.unit = h->units[c];
        ch.values = std::move(rows.columns[std::size_t(k++)]);
        log.channels.push_back(std::move(ch));
    }
    for (const TextTable::Rows::Mark& m : rows.marks) {
        // A mark sits at the row before it; one before every row at the first.
        const std::size_t at = m.row == 0 ? 0 : m.row - 1;
        if (at < log.time.size())
            log.marks.push_back({log.time[at], m.text});
    }
    ChannelGuess::apply(log);
    if (rows.rowsWithoutTime > 0)
        out.warnings.append(
            QStringLiteral("%1 lines have no time and were left out (the first: \"%2\").")
                .arg(rows.rowsWithoutTime)
                .arg(TextTable::excerpt(
                    text.sliced(rows.firstBadLine, TextTable::nextLine(text, rows.firstBadLine) -
                                                       rows.firstBadLine))));
    if (const int back = TextTable::timeStepsBack(log.time); back > 0)
        out.warnings.append(
            QStringLiteral("The time goes back %1 times; the rows are kept in the file's order.")
                .arg(back));
    out.log = std::move(log);
    return out;
}
