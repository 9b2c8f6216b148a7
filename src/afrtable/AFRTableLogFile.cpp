#include "afrtable/AFRTableLogFile.h"

#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"

#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <limits>

namespace AFRTableLogFile {

namespace {

constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

class Lines {
public:
    explicit Lines(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    QByteArrayView next() {
        const qsizetype start = m_pos;
        qsizetype end = m_bytes.indexOf('\n', start);
        if (end < 0)
            end = m_bytes.size();
        m_pos = end + 1;
        QByteArrayView line = m_bytes.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

// Splits at every comma; false when the line has another number of fields.
template <int count> bool split(QByteArrayView line, QByteArrayView (&fields)[count]) {
    qsizetype start = 0;
    for (int f = 0; f < count - 1; ++f) {
        const qsizetype comma = line.indexOf(',', start);
        if (comma < 0)
            return false;
        fields[f] = line.sliced(start, comma - start);
        start = comma + 1;
    }
    fields[count - 1] = line.sliced(start);
    return !fields[count - 1].contains(',');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The longest decimal number at the start of the field (blanks skipped), 0 when none.
double leadingNumber(QByteArrayView field) {
    const qsizetype n = field.size();
    qsizetype i = 0;
    while (i < n && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    const qsizetype start = i;
    int digits = 0;
    while (i < n && isDigit(field[i]))
        ++i, ++digits;
    if (i < n && field[i] == '.')
        for (++i; i < n && isDigit(field[i]); ++i)
            ++digits;
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < n && (field[i] == 'e' || field[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (field[j] == '+' || field[j] == '-'))
            ++j;
        const qsizetype first = j;
        while (j < n && isDigit(field[j]) && j - first < 6)
            ++j;
        if (j > first)
            end = j;
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(field.data() + start, field.data() + end, value);
    if (ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

float single(QByteArrayView field) {
    const double v = leadingNumber(field);
    constexpr double kMax = std::numeric_limits<float>::max();
    return float(std::clamp(v, -kMax, kMax));
}

QString text(QByteArrayView field) {
    QString t = QString::fromLatin1(field);
    t.remove(u'"');
    return t;
}

void decodeSensor(float v, float& afr, float& status) {
    if (v < 7.0f) {
        afr = 10.0f;
        status = std::floor(v);
    } else if (v < 10.3f) {
        afr = 10.0f;
        status = 0.0f;
    } else if (v <= 19.5f) {
        afr = float(Numbers::roundHalfEven(double(v), 1));
        status = 0.0f;
    } else {
        afr = 20.0f;
        status = float(SensorStatus::FreeAir);
    }
}

} // namespace

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Open Log File"),
                          QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.read(std::min(kMaxFileBytes, file.size() + 1));
    if (file.error() != QFileDevice::NoError)
        throw QeroFailure(QStringLiteral("Open Log File"),
                          QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return bytes;
}

Report read(QByteArrayView bytes, LogBuffer& log, FuelLines fuel) {
    Report r;
    Lines lines(bytes);
    for (int n = 1; n <= 8; ++n) {
        if (lines.atEnd()) {
            r.noDataFound = true;
            r.warnings << kNoDataFound;
            return r;
        }
        QByteArrayView f[2];
        if (!split(lines.next(), f))
            continue;
        switch (n) {
        case 1:
            log.DataLogInterval = single(f[1]);
            break;
        case 2:
            log.MaxRPMDisplay =
                qint16(std::clamp(Numbers::roundHalfEven(leadingNumber(f[1])), -32768.0, 32767.0));
            break;
        case 3:
            log.MinInVolts = single(f[1]);
            break;
        case 4:
            log.MaxInVolts = single(f[1]);
            break;
        case 5:
            log.MinScaledValue = single(f[1]);
            break;
        case 6:
            log.MaxScaledValue = single(f[1]);
            break;
        case 7:
            log.AnalogLegend = text(f[1]).trimmed();
            break;
        default:
            break;
        }
    }

    int rows = 0;
    for (; rows < LogBuffer::kSamples; ++rows) {
        if (lines.atEnd()) {
            r.warnings << kDataMissing;
            break;
        }
        QByteArrayView f[5];
        if (!split(lines.next(), f))
            continue;
        log.ElapsedTime[rows] = single(f[0]);
        decodeSensor(single(f[1]), log.AFR1[rows], log.Sensor1Status[rows]);
        decodeSensor(single(f[2]), log.AFR2[rows], log.Sensor2Status[rows]);
        log.RPM[rows] = single(f[3]);
        log.AnalogInVolts[rows] = single(f[4]);
    }
    for (int i = 1; i < LogBuffer::kSamples; ++i)
        if (!(log.ElapsedTime[i] > log.ElapsedTime[i - 1]))
            log.ElapsedTime[i] = log.ElapsedTime[i - 1] + log.DataLogInterval;
    if (rows < LogBuffer::kSamples)
        return r;

    for (int n = 1; n <= 2; ++n) {
        if (lines.atEnd()) {
            r.warnings << kDataMissing;
            log.DownloadDate.clear();
            log.Comment.clear();
            return r;
        }
        QByteArrayView f[2];
        if (!split(lines.next(), f))
            continue;
        if (n == 1)
            log.DownloadDate = text(f[1]);
        else
            log.Comment = text(f[1]).trimmed();
    }

    bool ended = lines.atEnd();
    if (!ended) {
        QByteArrayView f[2];
        if (split(lines.next(), f) && fuel == FuelLines::Apply)
            log.FuelType = text(f[1]).trimmed().left(16);
        ended = lines.atEnd();
        if (!ended && split(lines.next(), f)) {
            r.stoichRatio = single(f[1]);
            if (fuel == FuelLines::Apply)
                log.StoichRatio = *r.stoichRatio;
        }
    }
    if (ended && fuel == FuelLines::Apply) {
        log.FuelType = QStringLiteral("Gasoline");
        log.StoichRatio = 14.7f;
    }
    return r;
}

QString chooseFile(Prompter& prompter) {
    for (;;) {
        const QString path = prompter.openFileName(QStringLiteral("Open File"), kLogFilter);
        const QFileInfo info(path);
        if (path.isEmpty() || (info.exists() && !info.isDir()))
            return path;
        if (prompter.message(path + u'\n' + QStringLiteral("File not found."),
                             QStringLiteral("File Open"), Prompter::Icon::Exclamation,
                             Prompter::Retry | Prompter::Cancel) != Prompter::Retry)
            throw QeroFailure(QStringLiteral("File Open"), QStringLiteral("Canceled File Open"));
    }
}

QString captionFileName(const QString& path) {
    const QString name = path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
    return name.size() <= 60 ? name : QStringLiteral("...") + name.right(60);
}

} // namespace AFRTableLogFile
