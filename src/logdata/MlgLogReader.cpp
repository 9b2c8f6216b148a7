// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/MlgLogReader.h"

#include "logdata/LogImport.h"

#include "logdata/ChannelGuess.h"
#include "logdata/LogFileReader.h"

#include <QStringDecoder>
#include <QTimeZone>

#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr QByteArrayView kSignature("MLVLG\0", 6);
constexpr int kMarkerBytes = 50;

quint64 be(const uchar* p, int n) {
    quint64 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

float beFloat(const uchar* p) {
    return std::bit_cast<float>(quint32(be(p, 4)));
}

// A fixed-size text field: up to its first NUL, Latin-1 (the tools write plain ASCII).
QString fixedText(const uchar* p, int n) {
    int len = 0;
    while (len < n && p[len] != 0)
        ++len;
    return QString::fromLatin1(reinterpret_cast<const char*>(p), len).trimmed();
}

QString blockText(QByteArrayView bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    QStringDecoder decode(QStringConverter::Utf8);
    QString s = decode(bytes);
    if (decode.hasError())
        s = QString::fromLatin1(bytes);
    return s;
}

double rawValue(int type, const uchar* p) {
    switch (type) {
    case 0:
    case 10:
    case 16:
        return double(p[0]);
    case 1:
        return double(qint8(p[0]));
    case 2:
    case 11:
        return double(quint16(be(p, 2)));
    case 3:
        return double(qint16(quint16(be(p, 2))));
    case 4:
    case 12:
        return double(quint32(be(p, 4)));
    case 5:
        return double(qint32(quint32(be(p, 4))));
    case 6:
        return double(qint64(be(p, 8)));
    case 7:
        return double(beFloat(p));
    default:
        return 0.0;
    }
}

bool isBits(int type) {
    return type >= 10 && type <= 12;
}

} // namespace

int MlgLogReader::typeSize(int type) {
    switch (type) {
    case 0:
    case 1:
    case 10:
    // Written by Speeduino's version 2 logs for a one-byte field; read as unsigned.
    case 16:
        return 1;
    case 2:
    case 3:
    case 11:
        return 2;
    case 4:
    case 5:
    case 7:
    case 12:
        return 4;
    case 6:
        return 8;
    default:
        return 0;
    }
}

QString MlgLogReader::styleName(int style) {
    static const char* const names[] = {"Float",     "Hex",    "bits",     "Date",
                                        "On/Off",    "Yes/No", "High/Low", "Active/Inactive",
                                        "True/False"};
    if (style >= 0 && style < int(std::size(names)))
        return QString::fromLatin1(names[style]);
    return QStringLiteral("style %1").arg(style);
}

std::optional<MlgLogReader::Layout> MlgLogReader::layout(QByteArrayView head) {
    if (!head.startsWith(kSignature) || head.size() < 8)
        return std::nullopt;
    const auto* d = reinterpret_cast<const uchar*>(head.data());
    Layout l;
    l.version = int(be(d + 6, 2));
    const bool v2 = l.version == 2;
    if ((l.version != 1 && !v2) || head.size() < (v2 ? 24 : 22))
        return std::nullopt;
    l.infoAt = v2 ? qint64(be(d + 12, 4)) : qint64(be(d + 12, 2));
    l.dataAt = qint64(be(d + (v2 ? 16 : 14), 4));
    return l;
}

int MlgLogReader::recognise(QByteArrayView head, const QString&) const {
    return head.startsWith(kSignature) ? 100 : 0;
}

MlgLogReader::Parsed MlgLogReader::parse(QByteArrayView bytes, const LogReadProgress& progress) {
    Parsed p;
    const auto* d = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    if (!bytes.startsWith(kSignature) || size < 8) {
        p.error = QStringLiteral("it does not start with the MLVLG signature");
        return p;
    }
    p.version = int(be(d + 6, 2));
    if (p.version != 1 && p.version != 2) {
        p.error =
            QStringLiteral("its format version is %1; versions 1 and 2 are read").arg(p.version);
        return p;
    }
    const bool v2 = p.version == 2;
    const qsizetype headerBytes = v2 ? 24 : 22;
    const int entryBytes = v2 ? 89 : 55;
    if (size < headerBytes) {
        p.error = QStringLiteral("its header is cut off");
        return p;
    }
    p.timestamp = quint32(be(d + 8, 4));
    const Layout l = *layout(bytes);
    const qsizetype infoAt = l.infoAt;
    const qsizetype dataAt = l.dataAt;
    const qsizetype o = v2 ? 16 : 14;
    const int recordBytes = int(be(d + o + 4, 2));
    const int fieldCount = int(be(d + o + 6, 2));
    const qsizetype fieldsEnd = headerBytes + qsizetype(fieldCount) * entryBytes;
    if (fieldCount == 0 || fieldsEnd > size) {
        p.error = fieldCount == 0 ? QStringLiteral("its header declares no field")
                                  : QStringLiteral("its %1 field descriptors run past the "
                                                   "file's end")
                                        .arg(fieldCount);
        return p;
    }
    if (dataAt < fieldsEnd || dataAt > size) {
        p.error = QStringLiteral("its data would start at byte %1, outside the file").arg(dataAt);
        return p;
    }
    int sum = 0;
    p.fields.reserve(std::size_t(fieldCount));
    for (int i = 0; i < fieldCount; ++i) {
        const uchar* e = d + headerBytes + qsizetype(i) * entryBytes;
        Field f;
        f.type = e[0];
        f.name = fixedText(e + 1, 34);
        f.units = fixedText(e + 35, 10);
        f.style = e[45];
        if (isBits(f.type)) {
            // A bit field's entry holds where its bit names are instead of a scale.
            f.scale = 1.0f;
            f.transform = 0.0f;
            f.digits = 0;
        } else {
            f.scale = beFloat(e + 46);
            f.transform = beFloat(e + 50);
            f.digits = qint8(e[54]);
        }
        if (v2)
            f.category = fixedText(e + 55, 34);
        const int n = typeSize(f.type);
        if (n == 0) {
            p.error = QStringLiteral("field %1 (%2) is of type %3, which is not known")
                          .arg(i + 1)
                          .arg(LogFileReader::printable(f.name).left(34))
                          .arg(f.type);
            return p;
        }
        sum += n;
        p.fields.push_back(std::move(f));
    }
    if (sum != recordBytes) {
        p.error =
            QStringLiteral("its fields take %1 bytes but its records %2").arg(sum).arg(recordBytes);
        return p;
    }
    if (infoAt >= fieldsEnd && infoAt <= dataAt) {
        p.bitFieldNames = QByteArray(bytes.data() + fieldsEnd, infoAt - fieldsEnd);
        p.info = blockText(bytes.sliced(infoAt, dataAt - infoAt));
    }

    // The time axis: the field the tools name "Time"; the blocks' own clock otherwise.
    for (int i = 0; i < fieldCount; ++i)
        if (ChannelGuess::isTime(p.fields[std::size_t(i)].name)) {
            p.timeField = i;
            break;
        }
    Log& log = p.log;
    log.started = QDateTime::fromSecsSinceEpoch(qint64(p.timestamp), QTimeZone::utc());
    std::vector<std::vector<float>> values(static_cast<std::size_t>(fieldCount));
    const std::size_t guess = std::size_t((size - dataAt) / (recordBytes + 5) + 1);
    for (auto& v : values)
        v.reserve(guess);
    log.time.reserve(guess);
    std::vector<int> offsets(static_cast<std::size_t>(fieldCount));
    for (int i = 0, at = 0; i < fieldCount; ++i) {
        offsets[std::size_t(i)] = at;
        at += typeSize(p.fields[std::size_t(i)].type);
    }
    const double timeFactor =
        p.timeField >= 0
            ? Units::toSeconds(1.0,
                               ChannelGuess::timeUnit(p.fields[std::size_t(p.timeField)].name,
                                                      p.fields[std::size_t(p.timeField)].units))
            : 1.0;
    std::vector<std::pair<std::size_t, QString>> marks;
    double clock = 0.0;
    int lastStamp = -1;
    qsizetype at = dataAt;
    std::size_t blocksRead = 0;
    while (at < size) {
        const int type = d[at];
        if (type == 0) {
            if (size - at < 4 + qsizetype(recordBytes) + 1) {
                p.cutOff = true;
                break;
            }
            const uchar* rec = d + at + 4;
            unsigned crc = 0;
            for (int i = 0; i < recordBytes; ++i)
                crc += rec[i];
            const Block b{0, d[at + 1], int(be(d + at + 2, 2))};
            at += 4 + recordBytes + 1;
            if ((crc & 0xFF) != rec[recordBytes]) {
                ++p.badChecksums;
                continue;
            }
            if (p.timeField >= 0) {
                // A record whose time is no number (a damaged float) cannot be placed.
                const Field& f = p.fields[std::size_t(p.timeField)];
                const double raw = rawValue(f.type, rec + offsets[std::size_t(p.timeField)]);
                const float t = float((raw + double(f.transform)) * double(f.scale));
                if (!std::isfinite(t) || !std::isfinite(double(t) * timeFactor)) {
                    ++p.badTimes;
                    continue;
                }
            }
            for (int i = 0; i < fieldCount; ++i) {
                const Field& f = p.fields[std::size_t(i)];
                const double raw = rawValue(f.type, rec + offsets[std::size_t(i)]);
                values[std::size_t(i)].push_back(
                    float((raw + double(f.transform)) * double(f.scale)));
            }
            if (p.timeField >= 0) {
                log.time.push_back(double(values[std::size_t(p.timeField)].back()) * timeFactor);
            } else {
                if (lastStamp >= 0)
                    clock += double((b.timestamp - lastStamp + 65536) % 65536) * 1e-5;
                lastStamp = b.timestamp;
                log.time.push_back(clock);
            }
            p.blocks.push_back(b);
        } else if (type == 1) {
            if (size - at < 4 + kMarkerBytes) {
                p.cutOff = true;
                break;
            }
            p.blocks.push_back({1, d[at + 1], int(be(d + at + 2, 2))});
            marks.emplace_back(log.time.size(),
                               blockText(bytes.sliced(at + 4, kMarkerBytes)).trimmed());
            at += 4 + kMarkerBytes;
        } else {
            p.stoppedAt = QStringLiteral("a block of unknown type %1 at byte %2").arg(type).arg(at);
            break;
        }
        if (progress && (++blocksRead & 0xFFF) == 0 && !progress(at, size)) {
            p.cancelled = true;
            return p;
        }
    }
    for (int i = 0; i < fieldCount; ++i) {
        if (i == p.timeField)
            continue;
        const Field& f = p.fields[std::size_t(i)];
        LogChannel c;
        c.name = f.name;
        c.unit = f.units;
        c.digits = f.digits;
        c.category = f.category;
        c.values = std::move(values[std::size_t(i)]);
        log.channels.push_back(std::move(c));
    }
    // A mark sits at the record before it (the first, for one before every record); a
    // log of no records has no time for one.
    if (!log.time.empty())
        for (const auto& [row, text] : marks)
            log.marks.push_back({log.time[row == 0 ? 0 : row - 1], text});
    ChannelGuess::apply(log);
    return p;
}

LogReadResult MlgLogReader::read(QByteArrayView bytes, const QString& source,
                                 const LogReadProgress& progress) const {
    const QString shown = LogFileReader::printable(source);
    Parsed p = parse(bytes, progress);
    if (p.cancelled)
        return LogReadResult::failure(LogImport::kCancelled);
    if (!p.error.isEmpty())
        return LogReadResult::failure(
            QStringLiteral("%1 is not a MegaLogViewer binary log that can be read: %2.")
                .arg(shown, p.error));
    LogReadResult out;
    if (p.badChecksums > 0)
        out.warnings.append(QStringLiteral("%1 records failed their checksum and were left out.")
                                .arg(p.badChecksums));
    if (p.badTimes > 0)
        out.warnings.append(
            QStringLiteral("%1 records have a time that is no number and were left out.")
                .arg(p.badTimes));
    if (p.cutOff)
        out.warnings.append(
            QStringLiteral("The last block is cut off (the log was not ended) and was left out."));
    if (!p.stoppedAt.isEmpty())
        out.warnings.append(
            QStringLiteral("Reading stopped at %1; what follows is not read.").arg(p.stoppedAt));
    p.log.format = name();
    p.log.info = p.info;
    out.log = std::move(p.log);
    return out;
}
