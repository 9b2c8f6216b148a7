// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/CsvSampleSource.h"

#include "logdata/ChannelGuess.h"
#include "support/Units.h"

#include "logdata/LogFileReader.h"
#include "support/QeroFailure.h"
#include "tuning/TuningInputError.h"

#include <QFile>
#include <QStringList>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum Field { Time, Rpm, Load, Sensor1, Sensor2, Status1, Status2, FieldCount };

QByteArrayView trimmed(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '"'))
        v = v.sliced(1);
    while (!v.isEmpty() &&
           (v.back() == ' ' || v.back() == '\t' || v.back() == '"' || v.back() == '\r'))
        v.chop(1);
    return v;
}

// A number as a spreadsheet writes it, with "." or "," as its decimal mark; nothing but
// blanks and quotes may surround it. Empty fields and text give nullopt-like NaN plus a
// flag, so that a cell that cannot be read is never taken as 0.
enum class Cell { Number, Empty, Text };
Cell readNumber(QByteArrayView field, double& value) {
    const QByteArrayView v = trimmed(field);
    if (v.isEmpty())
        return Cell::Empty;
    char buf[64];
    if (v.size() >= qsizetype(sizeof buf))
        return Cell::Text;
    for (qsizetype i = 0; i < v.size(); ++i)
        buf[i] = v[i] == ',' ? '.' : v[i];
    const char* first = buf;
    const char* last = buf + v.size();
    if (*first == '+')
        ++first;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return Cell::Text;
    return Cell::Number;
}

// Splits a line at the separator; a field in double quotes may hold the separator.
template <typename Visit> void splitLine(QByteArrayView line, char separator, Visit visit) {
    qsizetype start = 0;
    int index = 0;
    const qsizetype n = line.size();
    while (start <= n) {
        qsizetype end = start;
        bool quoted = false;
        while (end < n && (quoted || line[end] != separator)) {
            if (line[end] == '"')
                quoted = !quoted;
            ++end;
        }
        if (!visit(index++, line.sliced(start, end - start)))
            return;
        start = end + 1;
    }
}

char separatorOf(QByteArrayView header) {
    if (header.contains('\t'))
        return '\t';
    if (header.contains(';'))
        return ';';
    return ',';
}

// Takes the file line by line: the header row first, then one sample per row.
class CsvLineReader {
public:
    CsvLineReader(const CsvSampleSource::Columns& columns, const QString& path, qint64 sizeHint)
        : m_columns(columns), m_path(path), m_sizeHint(sizeHint) {
        m_index.fill(-1);
        m_out.source = path;
    }

    void line(QByteArrayView text) {
        if (!m_headerDone) {
            if (trimmed(text).isEmpty())
                return;
            header(text);
            m_headerDone = true;
        } else {
            row(text);
        }
    }

    TuningLog finish() {
        if (!m_headerDone)
            throw TuningInputError::at(m_path, 0, 0, QStringLiteral("the file has no header row"));
        if (m_columns.lambda)
            m_out.afrScale = 1.0;
        return std::move(m_out);
    }

private:
    void find(const QStringList& names, const QString& want, int field, bool optional) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (names[i].compare(want, Qt::CaseInsensitive) != 0)
                continue;
            // Two columns of one name: taking the first would be a guess that nobody sees.
            for (qsizetype j = i + 1; j < names.size(); ++j)
                if (names[j].compare(want, Qt::CaseInsensitive) == 0)
                    throw TuningInputError::at(
                        m_path, 1, 0,
                        QStringLiteral("the header names the column \"%1\" twice (columns %2 "
                                       "and %3); rename one of them or map another column")
                            .arg(LogFileReader::printable(want.left(40)))
                            .arg(i + 1)
                            .arg(j + 1));
            m_index[field] = int(i);
            m_needed = std::max(m_needed, int(i) + 1);
            return;
        }
        if (optional)
            return;
        // The header is outside text of any length: a short, escaped excerpt.
        QString named = names.join(QStringLiteral(", "));
        if (named.size() > 200)
            named = named.left(200) + QStringLiteral("...");
        throw TuningInputError::at(
            m_path, 1, 0,
            QStringLiteral("the header names no column \"%1\" (it names: %2)")
                .arg(LogFileReader::printable(want.left(40)), LogFileReader::printable(named)));
    }

    void header(QByteArrayView text) {
        if (text.startsWith("\xEF\xBB\xBF"))
            text = text.sliced(3);
        m_separator = separatorOf(text);
        QStringList names;
        splitLine(text, m_separator, [&](int, QByteArrayView f) {
            names << QString::fromUtf8(trimmed(f)).trimmed();
            return true;
        });
        find(names, m_columns.time, Time, false);
        // A time column in milliseconds or microseconds ("Time (msec)") is read in seconds,
        // so that the load rate and the transport delay are measured right.
        m_timeScale = Units::toSeconds(1.0, ChannelGuess::timeUnit(names[m_index[Time]], {}));
        find(names, m_columns.rpm, Rpm, false);
        find(names, m_columns.load, Load, false);
        find(names, m_columns.sensor1, Sensor1, false);
        if (!m_columns.sensor2.isEmpty())
            find(names, m_columns.sensor2, Sensor2, m_columns.sensor2Optional);
        if (!m_columns.status1.isEmpty())
            find(names, m_columns.status1, Status1, false);
        if (!m_columns.status2.isEmpty())
            find(names, m_columns.status2, Status2, false);
    }

    void row(QByteArrayView text) {
        if (trimmed(text).isEmpty())
            return;
        // Rows of one file are about as long as each other: room for all of them at once
        // rather than growing (and copying) the columns again and again.
        if (m_out.time.capacity() == 0 && m_sizeHint > 0)
            m_out.reserve(std::size_t(double(m_sizeHint) / double(text.size() + 1) * 1.1) + 16);
        std::array<double, FieldCount> v;
        std::array<Cell, FieldCount> kind;
        kind.fill(Cell::Empty);
        v.fill(kNaN);
        int found = 0;
        splitLine(text, m_separator, [&](int i, QByteArrayView f) {
            for (int k = 0; k < FieldCount; ++k)
                if (m_index[k] == i)
                    kind[k] = readNumber(f, v[k]);
            return ++found < m_needed;
        });
        const auto number = [&](int k) { return kind[k] == Cell::Number; };
        v[Time] *= m_timeScale;
        const auto readable = [&](int k) { return m_index[k] < 0 || kind[k] != Cell::Text; };
        // Time, speed and load must be there; a ratio cell may be empty (no reading), but
        // text where a number belongs makes the row unreadable. Times must go forward for
        // the delay to find the later reading.
        if (found < m_needed || !number(Time) || !number(Rpm) || !number(Load) ||
            !readable(Sensor1) || !readable(Sensor2) || !readable(Status1) || !readable(Status2) ||
            !(v[Time] > m_lastTime)) {
            ++m_out.rowsSkipped;
            return;
        }
        m_lastTime = v[Time];
        const auto sensor = [&](int k, int status) {
            if (m_index[k] < 0 || !number(k) || (number(status) && v[status] != 0.0))
                return kNaN;
            return v[k];
        };
        m_out.time.push_back(v[Time]);
        m_out.rpm.push_back(v[Rpm]);
        m_out.load.push_back(v[Load]);
        m_out.afr1.push_back(sensor(Sensor1, Status1));
        m_out.afr2.push_back(sensor(Sensor2, Status2));
    }

    const CsvSampleSource::Columns& m_columns;
    QString m_path;
    qint64 m_sizeHint;
    TuningLog m_out;
    std::array<int, FieldCount> m_index{};
    int m_needed = 0;
    char m_separator = ',';
    bool m_headerDone = false;
    double m_lastTime = -std::numeric_limits<double>::infinity();
    double m_timeScale = 1.0;
};

} // namespace

CsvSampleSource::CsvSampleSource() : m_columns(Columns()) {}

CsvSampleSource::Preview CsvSampleSource::preview(QByteArrayView bytes, int rows) {
    Preview out;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    char separator = ',';
    bool header = true;
    qsizetype start = 0;
    while (start < bytes.size() && out.rows.size() < rows) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line = bytes.sliced(start, end - start);
        start = end + 1;
        if (trimmed(line).isEmpty())
            continue;
        if (header)
            separator = separatorOf(line);
        QStringList fields;
        splitLine(line, separator, [&](int, QByteArrayView f) {
            fields << QString::fromUtf8(trimmed(f)).trimmed();
            return true;
        });
        if (header)
            out.header = fields;
        else
            out.rows << fields;
        header = false;
    }
    return out;
}

CsvSampleSource::Columns CsvSampleSource::parseColumns(const QString& text) {
    Columns c;
    c.sensor2.clear();
    c.sensor2Optional = false;
    bool seen[FieldCount] = {};
    bool sawAfr = false;
    bool sawLambda = false;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = part.left(eq).trimmed().toLower();
        const QString name = eq < 0 ? QString() : part.mid(eq + 1).trimmed();
        if (eq < 0 || name.isEmpty())
            throw TuningInputError(
                QStringLiteral("--csv-columns: \"%1\" is not NAME=COLUMN").arg(part.trimmed()));
        Field f = FieldCount;
        if (key == QLatin1String("time"))
            f = Time, c.time = name;
        else if (key == QLatin1String("rpm"))
            f = Rpm, c.rpm = name;
        else if (key == QLatin1String("load"))
            f = Load, c.load = name;
        else if (key == QLatin1String("afr1") || key == QLatin1String("lambda1"))
            f = Sensor1, c.sensor1 = name;
        else if (key == QLatin1String("afr2") || key == QLatin1String("lambda2"))
            f = Sensor2, c.sensor2 = name;
        else if (key == QLatin1String("status1"))
            f = Status1, c.status1 = name;
        else if (key == QLatin1String("status2"))
            f = Status2, c.status2 = name;
        else
            throw TuningInputError(QStringLiteral("--csv-columns: unknown name \"%1\" (time, rpm, "
                                                  "load, afr1, afr2, lambda1, lambda2, status1, "
                                                  "status2)")
                                       .arg(key));
        if (seen[f])
            throw TuningInputError(QStringLiteral("--csv-columns: \"%1\" is given twice").arg(key));
        seen[f] = true;
        if (f == Sensor1 || f == Sensor2)
            (key.startsWith(QLatin1String("lambda")) ? sawLambda : sawAfr) = true;
    }
    if (sawAfr && sawLambda)
        throw TuningInputError(
            QStringLiteral("--csv-columns: the sensor columns must be all AFR or all lambda"));
    c.lambda = sawLambda;
    // Names left out keep their usual column names, except sensor 2, which is then absent.
    return c;
}

TuningLog CsvSampleSource::read(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Tune"), path + QStringLiteral(": ") + file.errorString());
    CsvLineReader reader(m_columns, path, file.size());
    // The file may be far larger than what is kept of it: read it in pieces, never whole.
    constexpr qint64 kChunk = 1 << 20;
    QByteArray carry;
    while (true) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty())
            break;
        const QByteArrayView view(chunk);
        qsizetype start = 0;
        for (qsizetype nl = view.indexOf('\n', start); nl >= 0; nl = view.indexOf('\n', start)) {
            if (carry.isEmpty()) {
                reader.line(view.sliced(start, nl - start));
            } else {
                carry.append(view.sliced(start, nl - start));
                reader.line(carry);
                carry.clear();
            }
            start = nl + 1;
        }
        carry.append(view.sliced(start));
    }
    if (file.error() != QFileDevice::NoError)
        throw QeroFailure(QStringLiteral("Tune"), path + QStringLiteral(": ") + file.errorString());
    if (!carry.isEmpty())
        reader.line(carry);
    return reader.finish();
}

TuningLog CsvSampleSource::parse(QByteArrayView bytes, const QString& source) const {
    CsvLineReader reader(m_columns, source, bytes.size());
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', start);
        if (nl < 0)
            nl = bytes.size();
        reader.line(bytes.sliced(start, nl - start));
        start = nl + 1;
    }
    return reader.finish();
}
