// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogFileReader.h"

#include "logdata/FuelTypeLogic.h"
#include "support/Numbers.h"
#include "support/QeroFailure.h"

#include <QFile>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

// Walks the file line by line without copying: a line ends at LF, a CR before it is
// dropped, and a last line without LF still counts.
class LineCursor {
public:
    explicit LineCursor(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    qsizetype position() const { return m_pos; }
    // The line last returned ended without a line end: the file was cut inside it.
    bool lastLineCut() const { return m_cut; }
    void rewind(qsizetype pos) { m_pos = pos; }
    QByteArrayView next() {
        const qsizetype start = m_pos;
        qsizetype end = m_bytes.indexOf('\n', start);
        m_cut = end < 0;
        if (end < 0) {
            end = m_bytes.size();
            m_pos = end;
        } else {
            m_pos = end + 1;
        }
        QByteArrayView line = m_bytes.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_cut = false;
};

// Splits at every comma (quotes do not protect one). Returns false when the line does
// not have exactly `count` fields. One pass over the bytes: a data row is read this way
// twelve thousand times a file.
template <int count> bool splitExactly(QByteArrayView line, QByteArrayView (&fields)[count]) {
    const char* const bytes = line.data();
    const qsizetype n = line.size();
    qsizetype start = 0;
    int field = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] != ',')
            continue;
        if (field == count - 1)
            return false;
        fields[field++] = QByteArrayView(bytes + start, i - start);
        start = i + 1;
    }
    if (field != count - 1)
        return false;
    fields[field] = QByteArrayView(bytes + start, n - start);
    return true;
}

// Splits a label-and-text line at its first comma; the text keeps any further commas.
// The comment and the fuel name are the user's own words, written as typed, so a
// comment such as "Dyno day, 3rd gear" comes back whole instead of being dropped.
bool splitAtFirstComma(QByteArrayView line, QByteArrayView (&fields)[2]) {
    const qsizetype comma = line.indexOf(',');
    if (comma < 0)
        return false;
    fields[0] = line.first(comma);
    fields[1] = line.sliced(comma + 1);
    return true;
}

// Huge numbers in a damaged file stay finite so that later arithmetic stays sane.
float toSingle(double v) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (v > kMax)
        return std::numeric_limits<float>::max();
    if (v < -kMax)
        return -std::numeric_limits<float>::max();
    return float(v);
}

float numberField(QByteArrayView field) {
    return toSingle(LogFileReader::leadingNumber(field));
}

// Text fields: the whole file is UTF-8 when its bytes are valid UTF-8, else the
// single-byte code page older programs wrote.
class TextDecoder {
public:
    explicit TextDecoder(QByteArrayView bytes) {
        bool ascii = true;
        for (char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii = false;
                break;
            }
        if (!ascii) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = utf8.decode(bytes);
            m_utf8 = !utf8.hasError();
        }
    }
    QString operator()(QByteArrayView field) const {
        return m_utf8 ? QString::fromUtf8(field) : QString::fromLatin1(field);
    }

private:
    bool m_utf8 = false;
};

QString withoutQuotes(QString text) {
    text.remove(u'"');
    return text;
}

// Blanks only: a tab in a comment is the user's own.
QString trimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

qint16 toInt16(double v) {
    const double r = Numbers::roundHalfEven(v, 0);
    if (r > std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    if (r < std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    return qint16(r);
}

// The labels of the 8 header lines, as this program and its forerunners write them.
constexpr const char* kHeaderLabels[8] = {
    "Data Logging Interval", "Maximum RPM Display",  "Minimum Input Volts", "Maximum Input Volts",
    "Minimum Scaled Value",  "Maximum Scaled Value", "Analog Legend",       "Elapsed Time",
};

bool hasLabel(QByteArrayView line, int n) {
    const qsizetype comma = line.indexOf(',');
    QByteArray label = (comma < 0 ? line : line.first(comma)).toByteArray();
    label.replace('"', QByteArray());
    return label.trimmed().compare(kHeaderLabels[n - 1], Qt::CaseInsensitive) == 0;
}

bool isUtf16(QByteArrayView bytes) {
    return bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff") ||
           (bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0'));
}

// The ratio the file's fuel stands for, when the file's own ratio cannot be right. A
// fuel of the user's own has no fixed ratio; it gets gasoline's, as a file without fuel
// lines does.
float defaultRatio(const QString& fuelType) {
    const FuelTypeLogic::Fuel fuel = FuelTypeLogic::fuelFor(fuelType);
    return fuel == FuelTypeLogic::Fuel::User ? 14.7f : FuelTypeLogic::entry(fuel).ratio;
}

// No fuel burns in less than nothing or in more than a hundred times its weight of air.
bool ratioCanBeRight(QByteArrayView field, float* ratio) {
    const std::optional<float> v = LogFileReader::sampleNumber(field);
    if (!v || !(*v > 0.0f) || *v > 100.0f)
        return false;
    *ratio = *v;
    return true;
}

QString rowCount(int n) {
    return n == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(n);
}

// A header value no log can hold (an interval of 0 or 1e308, a maximum RPM of -5, input
// volts of 1e39) stopped the chart or the table later with a puzzling message; it is said
// where the file is read and the default is taken instead, as for the ratio. Only the
// lines the file had are looked at: the others keep the values they had. `fields` holds
// each line's value as the file wrote it.
void checkHeaderValues(LogBuffer& log, unsigned read, const QString (&fields)[7],
                       QStringList& warnings) {
    static const LogBuffer defaults;
    const auto replace = [&](int line, const char* what, auto& value, auto fallback, bool ok) {
        if (!(read & (1u << (line - 1))) || ok)
            return;
        warnings.append(QStringLiteral("The %1 \"%2\" in the file cannot be right; %3 is used "
                                       "instead.")
                            .arg(QLatin1String(what),
                                 LogFileReader::printable(fields[line - 1].trimmed()).left(40))
                            .arg(double(fallback)));
        value = fallback;
    };
    // The module's analog input reads 0 to 5 V; the scaled values are the user's own.
    const auto volts = [](float v) { return std::isfinite(v) && std::fabs(v) <= 100.0f; };
    const auto scaled = [](float v) { return std::isfinite(v) && std::fabs(v) <= 1e9f; };
    const float interval = log.DataLogInterval;
    replace(1, "data logging interval", log.DataLogInterval, defaults.DataLogInterval,
            std::isfinite(interval) && interval > 0.0f && interval <= 3600.0f);
    replace(2, "maximum RPM display", log.MaxRPMDisplay, defaults.MaxRPMDisplay,
            log.MaxRPMDisplay > 0);
    replace(3, "minimum input volts", log.MinInVolts, defaults.MinInVolts, volts(log.MinInVolts));
    replace(4, "maximum input volts", log.MaxInVolts, defaults.MaxInVolts, volts(log.MaxInVolts));
    replace(5, "minimum scaled value", log.MinScaledValue, defaults.MinScaledValue,
            scaled(log.MinScaledValue));
    replace(6, "maximum scaled value", log.MaxScaledValue, defaults.MaxScaledValue,
            scaled(log.MaxScaledValue));
}

} // namespace

QString LogFileReader::printable(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

std::optional<float> LogFileReader::sampleNumber(QByteArrayView field) {
    float v = 0.0f;
    if (!readSample(field, v))
        return std::nullopt;
    return v;
}

bool LogFileReader::readSample(QByteArrayView field, float& out) {
    qsizetype start = 0;
    qsizetype end = field.size();
    while (start < end && (field[start] == ' ' || field[start] == '\t'))
        ++start;
    while (end > start && (field[end - 1] == ' ' || field[end - 1] == '\t'))
        --end;
    const QByteArrayView text = field.sliced(start, end - start);
    // The same grammar the leading-number rule reads, but it must take the whole text.
    // The digits are gathered on the way: a number of up to 15 digits without exponent
    // (every number a log holds) is its digits as a whole number, exact in a double,
    // divided by an exact power of ten, and that one rounding gives the same double as
    // the full conversion below.
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    int decimals = 0;
    std::uint64_t mantissa = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        mantissa = mantissa * 10 + std::uint64_t(text[i] - '0');
        ++i, ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            mantissa = mantissa * 10 + std::uint64_t(text[i] - '0');
            ++i, ++digits, ++decimals;
        }
    }
    if (digits == 0)
        return false;
    const bool negative = text[0] == '-';
    if (i == n && digits <= 15) {
        static constexpr double kPowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        // Whole numbers (engine speeds) need no division.
        const double v = decimals ? double(mantissa) / kPowersOfTen[decimals] : double(mantissa);
        out = float(negative ? -v : v);
        return true;
    }
    // The digits scanned above may have wrapped; from here on they are read again.
    bool tinyExponent = false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            tinyExponent = text[i++] == '-';
        int expDigits = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9')
            ++i, ++expDigits;
        if (expDigits == 0 || expDigits > 6)
            return false;
    }
    if (i != n)
        return false;
    const qsizetype unsignedStart = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    double v = 0.0;
    const auto [stop, ec] = std::from_chars(text.data() + unsignedStart, text.data() + n, v);
    // Too small is 0; too large is no value a log can hold.
    if (ec == std::errc::result_out_of_range) {
        out = 0.0f;
        return tinyExponent;
    }
    if (ec != std::errc() || stop != text.data() + n || !std::isfinite(v) ||
        v > double(std::numeric_limits<float>::max()))
        return false;
    out = float(negative ? -v : v);
    return true;
}

double LogFileReader::leadingNumber(QByteArrayView field) {
    return Numbers::leadingNumber(field);
}

LogFileReader::Sensor LogFileReader::decodeSensor(float v) {
    if (v < 7.0f)
        return {10.0f, std::floor(v)};
    if (v < 10.3f)
        return {10.0f, 0.0f};
    if (v <= 19.5f)
        return {float(Numbers::roundHalfEven(double(v), 1)), 0.0f};
    return {20.0f, float(SensorStatus::FreeAir)};
}

void LogFileReader::repairElapsedTime(LogBuffer& log) {
    LogBuffer::Samples& t = log.ElapsedTime;
    for (int i = 1; i < LogBuffer::kSamples; ++i)
        if (!(t[i] > t[i - 1]))
            t[i] = t[i - 1] + log.DataLogInterval;
}

bool LogFileReader::hasLogHeader(QByteArrayView head) {
    LineCursor lines(head);
    int labelled = 0;
    for (int n = 1; n <= 8 && !lines.atEnd(); ++n)
        if (hasLabel(lines.next(), n))
            ++labelled;
    return labelled >= 4;
}

LogFileReader::Result LogFileReader::read(QByteArrayView bytes, LogBuffer& log, FuelLines fuel) {
    Result r;
    LineCursor lines(bytes);
    const TextDecoder text(bytes);

    // Header: the position of a line decides its meaning; the labels only tell whether
    // this is a log at all.
    int labelled = 0;
    QString headerFields[7];
    for (int n = 1; n <= 8; ++n) {
        if (lines.atEnd()) {
            r.warnings.append(kNoDataFound);
            return r;
        }
        const QByteArrayView line = lines.next();
        if (hasLabel(line, n))
            ++labelled;
        if (n == 8 && labelled < 4) {
            r.headerLabelsForeign = true;
            r.warnings.append(isUtf16(bytes) ? kUtf16File : kForeignFile);
        }
        QByteArrayView f[2];
        if (!splitExactly(line, f))
            continue;
        if (n <= 7) {
            r.headerValuesRead |= 1u << (n - 1);
            headerFields[n - 1] = text(f[1]);
        }
        switch (n) {
        case 1:
            log.DataLogInterval = numberField(f[1]);
            break;
        case 2:
            log.MaxRPMDisplay = toInt16(leadingNumber(f[1]));
            break;
        case 3:
            log.MinInVolts = numberField(f[1]);
            break;
        case 4:
            log.MaxInVolts = numberField(f[1]);
            break;
        case 5:
            log.MinScaledValue = numberField(f[1]);
            break;
        case 6:
            log.MaxScaledValue = numberField(f[1]);
            break;
        case 7:
            log.AnalogLegend = trimBlanks(withoutQuotes(text(f[1])));
            break;
        default:
            break; // the column titles
        }
    }
    r.headerComplete = true;
    checkHeaderValues(log, r.headerValuesRead, headerFields, r.warnings);

    // Samples: a row with the wrong field count still uses up its index.
    int firstInvalid = 0;
    int firstSkipped = 0;
    int skippedShown = 0;
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        if (lines.atEnd()) {
            r.warnings.append(kDataMissing);
            break;
        }
        const QByteArrayView line = lines.next();
        ++r.rowsRead;
        QByteArrayView f[5];
        if (!splitExactly(line, f)) {
            // A row the file ends inside is covered by the end-of-file warning.
            if (!lines.lastLineCut() && skippedShown++ == 0)
                firstSkipped = i + 1;
            ++r.rowsSkipped;
            continue;
        }
        float v[5];
        bool valid = true;
        for (int k = 0; k < 5 && valid; ++k)
            valid = readSample(f[k], v[k]);
        if (!valid) {
            // A row the file ends inside is covered by the end-of-file warning.
            if (!lines.lastLineCut() && r.rowsInvalid++ == 0)
                firstInvalid = i + 1;
            continue;
        }
        log.ElapsedTime[i] = v[0];
        const Sensor s1 = decodeSensor(v[1]);
        log.AFR1[i] = s1.afr;
        log.Sensor1Status[i] = s1.status;
        const Sensor s2 = decodeSensor(v[2]);
        log.AFR2[i] = s2.afr;
        log.Sensor2Status[i] = s2.status;
        log.RPM[i] = v[3];
        log.AnalogInVolts[i] = v[4];
        r.samplesFilled.setBit(i);
    }
    if (firstSkipped > 0)
        r.warnings.append(QStringLiteral("%1 of the file do not have the 5 fields of a data row "
                                         "(the first is data row %2); they were left out of "
                                         "the log.")
                              .arg(rowCount(skippedShown))
                              .arg(firstSkipped));
    if (r.rowsInvalid > 0)
        r.warnings.append(
            QStringLiteral("%1 of the file hold values that are not numbers (the first is data "
                           "row %2); they were left out of the log.")
                .arg(rowCount(r.rowsInvalid))
                .arg(firstInvalid));
    repairElapsedTime(log);
    if (r.rowsRead < LogBuffer::kSamples)
        return r;
    r.samplesComplete = true;

    // A log holds 12000 rows; further data rows are counted and passed over, so that
    // they are neither read as the trailer nor lost without a word.
    while (!lines.atEnd()) {
        const qsizetype at = lines.position();
        QByteArrayView f[5];
        if (!splitExactly(lines.next(), f) || !sampleNumber(f[0])) {
            lines.rewind(at);
            break;
        }
        ++r.extraRows;
    }
    if (r.extraRows > 0)
        r.warnings.append(QStringLiteral("The file holds %1 data rows; a log holds %2, so the "
                                         "last %3 were not read.")
                              .arg(LogBuffer::kSamples + r.extraRows)
                              .arg(LogBuffer::kSamples)
                              .arg(rowCount(r.extraRows)));

    // Download date and comment.
    for (int n = 1; n <= 2; ++n) {
        if (lines.atEnd()) {
            r.warnings.append(kDataMissing);
            log.DownloadDate.clear();
            log.Comment.clear();
            r.downloadDateRead = r.commentRead = false;
            return r;
        }
        QByteArrayView f[2];
        const QByteArrayView line = lines.next();
        if (!(n == 1 ? splitExactly(line, f) : splitAtFirstComma(line, f)))
            continue;
        if (n == 1) {
            log.DownloadDate = withoutQuotes(text(f[1]));
            r.downloadDateRead = true;
        } else {
            log.Comment = trimBlanks(withoutQuotes(text(f[1])));
            r.commentRead = true;
        }
    }
    r.trailerComplete = true;

    // Fuel lines: files written before the fuel choice existed end here.
    bool ended = false;
    if (lines.atEnd()) {
        ended = true;
    } else {
        r.fuelTypeLinePresent = true;
        QByteArrayView f[2];
        if (splitAtFirstComma(lines.next(), f)) {
            r.fileFuelType = trimBlanks(withoutQuotes(text(f[1]))).left(16);
            if (fuel == FuelLines::Apply)
                log.FuelType = *r.fileFuelType;
        }
        if (lines.atEnd()) {
            ended = true;
        } else {
            r.ratioLinePresent = true;
            if (splitExactly(lines.next(), f)) {
                float ratio = 0.0f;
                if (ratioCanBeRight(f[1], &ratio)) {
                    r.fileStoichRatio = ratio;
                    if (fuel == FuelLines::Apply)
                        log.StoichRatio = ratio;
                } else {
                    // Reported as no ratio, so that the table's merge never matches it.
                    r.ratioRejected = true;
                    const QString fuelName = fuel == FuelLines::Apply
                                                 ? log.FuelType
                                                 : r.fileFuelType.value_or(QString());
                    const float fallback = defaultRatio(fuelName);
                    if (fuel == FuelLines::Apply)
                        log.StoichRatio = fallback;
                    // A file cut inside its last line lost the ratio, it does not hold a
                    // wrong one.
                    if (!lines.lastLineCut()) {
                        QString warning =
                            QStringLiteral("The stoichiometric ratio \"%1\" in the file cannot be "
                                           "right")
                                .arg(LogFileReader::printable(text(f[1]).trimmed()).left(40));
                        if (fuel == FuelLines::Apply)
                            warning += QStringLiteral("; %1 is used instead")
                                           .arg(Numbers::format(double(fallback),
                                                                QStringLiteral("#0.00")));
                        r.warnings.append(warning + u'.');
                    }
                }
            }
        }
    }
    if (ended && fuel == FuelLines::Apply) {
        log.FuelType = QStringLiteral("Gasoline");
        log.StoichRatio = 14.7f;
    }
    return r;
}

QByteArray LogFileReader::readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Open Log File"),
                          QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    // Only the first 12012 lines matter; a file far larger than any log is not read
    // whole into memory.
    QByteArray bytes = file.read(kMaxFileBytes);
    if (file.error() != QFileDevice::NoError)
        throw QeroFailure(QStringLiteral("Open Log File"),
                          QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return bytes;
}

LogFileReader::Result LogFileReader::readFile(const QString& path, LogBuffer& log, FuelLines fuel) {
    const QByteArray bytes = readBytes(path);
    return read(bytes, log, fuel);
}
