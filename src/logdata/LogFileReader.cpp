#include "logdata/LogFileReader.h"

#include "support/Numbers.h"
#include "support/QeroFailure.h"

#include <QFile>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Walks the file line by line without copying: a line ends at LF, a CR before it is
// dropped, and a last line without LF still counts.
class LineCursor {
public:
    explicit LineCursor(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    QByteArrayView next() {
        const qsizetype start = m_pos;
        qsizetype end = m_bytes.indexOf('\n', start);
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
};

// Splits at every comma (quotes do not protect one). Returns false when the line does
// not have exactly `count` fields.
template <int count> bool splitExactly(QByteArrayView line, QByteArrayView (&fields)[count]) {
    qsizetype start = 0;
    for (int f = 0; f < count - 1; ++f) {
        const qsizetype comma = line.indexOf(',', start);
        if (comma < 0)
            return false;
        fields[f] = line.sliced(start, comma - start);
        start = comma + 1;
    }
    const QByteArrayView last = line.sliced(start);
    if (last.contains(','))
        return false;
    fields[count - 1] = last;
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

} // namespace

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

LogFileReader::Result LogFileReader::read(QByteArrayView bytes, LogBuffer& log, FuelLines fuel) {
    Result r;
    LineCursor lines(bytes);
    const TextDecoder text(bytes);

    // Header: the position of a line decides its meaning, the label is not checked.
    for (int n = 1; n <= 8; ++n) {
        if (lines.atEnd()) {
            r.warnings.append(kNoDataFound);
            return r;
        }
        QByteArrayView f[2];
        if (!splitExactly(lines.next(), f))
            continue;
        if (n <= 7)
            r.headerValuesRead |= 1u << (n - 1);
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

    // Samples: a row with the wrong field count still uses up its index.
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        if (lines.atEnd()) {
            r.warnings.append(kDataMissing);
            break;
        }
        const QByteArrayView line = lines.next();
        ++r.rowsRead;
        QByteArrayView f[5];
        if (!splitExactly(line, f)) {
            ++r.rowsSkipped;
            continue;
        }
        log.ElapsedTime[i] = numberField(f[0]);
        const Sensor s1 = decodeSensor(numberField(f[1]));
        log.AFR1[i] = s1.afr;
        log.Sensor1Status[i] = s1.status;
        const Sensor s2 = decodeSensor(numberField(f[2]));
        log.AFR2[i] = s2.afr;
        log.Sensor2Status[i] = s2.status;
        log.RPM[i] = numberField(f[3]);
        log.AnalogInVolts[i] = numberField(f[4]);
    }
    repairElapsedTime(log);
    if (r.rowsRead < LogBuffer::kSamples)
        return r;
    r.samplesComplete = true;

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
                r.fileStoichRatio = numberField(f[1]);
                if (fuel == FuelLines::Apply)
                    log.StoichRatio = *r.fileStoichRatio;
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
