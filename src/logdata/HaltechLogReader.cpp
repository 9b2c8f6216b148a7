// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/HaltechLogReader.h"

#include "logdata/ChannelGuess.h"
#include "logdata/LogFileReader.h"
#include "logdata/TextTable.h"

#include <cmath>
#include <vector>

namespace {

constexpr QByteArrayView kSignature = "%DataLog%";
// Haltech writes int32 values just above the lowest for "no value" (-2147483637,
// -2147483617): no channel's raw reading comes near them.
constexpr float kSentinelBelow = -2147483000.0f;

struct Channel {
    QString name;
    QString type;
};

} // namespace

HaltechLogReader::Scaling HaltechLogReader::scaling(const QString& type) {
    // The types NSP writes and the resolution its raw integers have.
    if (type == u"Pressure" || type == u"AbsPressure")
        return {0.1, QStringLiteral("kPa")};
    if (type == u"Percentage")
        return {0.1, QStringLiteral("%")};
    if (type == u"AFR")
        return {0.001, Units::lambdaName()};
    if (type == u"EngineSpeed")
        return {1.0, QStringLiteral("rpm")};
    if (type == u"BatteryVoltage")
        return {0.001, QStringLiteral("V")};
    if (type == u"Temperature")
        return {0.1, QStringLiteral("K")};
    if (type == u"Angle")
        return {0.1, QStringLiteral("deg")};
    if (type == u"Speed")
        return {0.1, QStringLiteral("km/h")};
    if (type == u"Time_us")
        return {1.0, QStringLiteral("us")};
    if (type == u"Time_ms")
        return {1.0, QStringLiteral("ms")};
    return {1.0, QString()};
}

int HaltechLogReader::recognise(QByteArrayView head, const QString&) const {
    QByteArray storage;
    const QByteArrayView text = TextTable::utf8(head, storage);
    return text.trimmed().startsWith(kSignature) ? 100 : 0;
}

LogReadResult HaltechLogReader::read(QByteArrayView bytes, const QString& source,
                                     const LogReadProgress& progress) const {
    const QString shown = LogFileReader::printable(source);
    QByteArray storage;
    const QByteArrayView text = TextTable::utf8(bytes, storage);
    std::vector<Channel> channels;
    QStringList info;
    QString logLine;
    qsizetype at = 0;
    qsizetype dataAt = -1;
    while (at < text.size()) {
        const qsizetype end = TextTable::nextLine(text, at);
        if (end - at > TextTable::kMaxLineBytes)
            return LogReadResult::failure(
                QStringLiteral("%1 cannot be read: a line of more than %2 bytes.")
                    .arg(shown)
                    .arg(TextTable::kMaxLineBytes));
        const QByteArrayView line = text.sliced(at, end - at).trimmed();
        if (!line.isEmpty() && line.front() >= '0' && line.front() <= '9') {
            dataAt = at;
            break;
        }
        at = end;
        const qsizetype colon = line.indexOf(" : ");
        if (colon < 0)
            continue;
        const QString key = TextTable::text(line.first(colon));
        const QString value = TextTable::text(line.sliced(colon + 3));
        if (key == u"Channel")
            channels.push_back({value, QString()});
        else if (key == u"Type" && !channels.empty())
            channels.back().type = value;
        else if (key == u"Log")
            logLine = value;
        else if (key != u"ID" && key != u"DisplayMaxMin")
            info.append(QStringLiteral("%1 : %2").arg(key, value));
    }
    if (channels.empty())
        return LogReadResult::failure(
            QStringLiteral("%1: the Haltech log's header names no channel.").arg(shown));
    if (dataAt < 0)
        return LogReadResult::failure(QStringLiteral("%1 holds no rows of values.").arg(shown));

    TextTable::Layout layout;
    layout.separator = ',';
    layout.quotes = false;
    layout.columns = int(channels.size()) + 1;
    layout.timeColumn = 0;
    layout.clockTime = true;
    TextTable::Rows rows = TextTable::readRows(text, dataAt, layout, progress);
    if (const QString problem = TextTable::rowsProblem(rows, shown); !problem.isEmpty())
        return LogReadResult::failure(problem);

    LogReadResult out;
    Log log;
    log.format = name();
    info.append(QStringLiteral("Log : %1").arg(logLine));
    log.info = info.join(u'\n');
    // "Log : 20250718 02:15:46" gives the day; the rows' clock gives the time of day.
    const QDate day = QDate::fromString(logLine.left(8), QStringLiteral("yyyyMMdd"));
    if (day.isValid() && !rows.time.empty())
        log.started =
            QDateTime(day, QTime(0, 0).addMSecs(qint64(std::lround(rows.time.front() * 1000.0))));
    TextTable::toSeconds(rows.time, 1.0, true);
    log.time = std::move(rows.time);
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const Scaling s = scaling(channels[c].type);
        LogChannel ch;
        ch.name = channels[c].name;
        ch.unit = s.unit;
        ch.values = std::move(rows.columns[c]);
        for (float& v : ch.values)
            v = v < kSentinelBelow ? LogChannel::kMissing : float(double(v) * s.factor);
        log.channels.push_back(std::move(ch));
    }
    ChannelGuess::apply(log);
    if (rows.rowsWithoutTime > 0)
        out.warnings.append(
            QStringLiteral("%1 rows have no time and were left out.").arg(rows.rowsWithoutTime));
    if (rows.rowsShort > 0)
        out.warnings.append(QStringLiteral("%1 rows have fewer fields than the header has "
                                           "channels; the fields they lack are missing.")
                                .arg(rows.rowsShort));
    out.log = std::move(log);
    return out;
}
