// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogCsvWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// A header field quoted where a spreadsheet would split or misread it.
QByteArray csvField(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

template <typename T> char* writeNumber(char* at, char* end, T value) {
    if (!std::isfinite(value))
        return at; // missing: an empty field
    return std::to_chars(at, end, value).ptr;
}

} // namespace

QString LogCsvWriter::columnTitle(const LogChannel& channel) {
    return channel.unit.isEmpty() ? channel.name
                                  : QStringLiteral("%1 (%2)").arg(channel.name, channel.unit);
}

QByteArray LogCsvWriter::write(const Log& log, const std::vector<int>& chosen, double from,
                               double to) {
    std::vector<int> columns = chosen;
    if (columns.empty())
        for (std::size_t c = 0; c < log.channels.size(); ++c)
            columns.push_back(int(c));

    QByteArray out;
    out += "Time (s)";
    for (int c : columns) {
        out += ',';
        out += csvField(columnTitle(log.channels[std::size_t(c)]));
    }
    out += '\n';

    const auto first = std::lower_bound(log.time.begin(), log.time.end(), from);
    const auto last = std::upper_bound(first, log.time.end(), to);
    const std::size_t begin = std::size_t(first - log.time.begin());
    const std::size_t end = std::size_t(last - log.time.begin());
    out.reserve(out.size() + qsizetype(end - begin) * qsizetype(12 + 10 * columns.size()));
    std::vector<char> row(32 + 32 * columns.size());
    for (std::size_t i = begin; i < end; ++i) {
        char* at = row.data();
        char* const stop = row.data() + row.size();
        at = writeNumber(at, stop, log.time[i]);
        for (int c : columns) {
            *at++ = ',';
            at = writeNumber(at, stop, log.channels[std::size_t(c)].values[i]);
        }
        *at++ = '\n';
        out.append(row.data(), at - row.data());
    }
    return out;
}
