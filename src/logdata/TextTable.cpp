// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/TextTable.h"

#include "logdata/LogImport.h"

#include "logdata/LogFileReader.h"

#include <QStringDecoder>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The field without blanks around it, and without its quotes.
void unwrap(const char*& b, const char*& e) {
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
    if (e - b >= 2 && *b == '"' && e[-1] == '"') {
        ++b;
        --e;
        while (b < e && isBlank(*b))
            ++b;
        while (e > b && isBlank(e[-1]))
            --e;
    }
}

template <typename T> bool plainNumber(const char* b, const char* e, T& out) {
    if (b < e && *b == '+')
        ++b;
    if (b == e)
        return false;
    const auto [ptr, ec] = std::from_chars(b, e, out);
    return ec == std::errc() && ptr == e && std::isfinite(out);
}

bool equalsWord(const char* b, const char* e, const char* word) {
    const std::size_t n = std::strlen(word);
    if (std::size_t(e - b) != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if ((b[i] | 0x20) != word[i])
            return false;
    return true;
}

// Everything plainNumber does not take that is still a value: a decimal comma, a
// switch's word.
template <typename T> bool slowNumber(const char* b, const char* e, T& out) {
    unwrap(b, e);
    if (b == e)
        return false;
    if (plainNumber(b, e, out))
        return true;
    if (e - b < 64 && std::find(b, e, ',') != e) {
        char buf[64];
        std::size_t n = 0;
        for (const char* p = b; p < e; ++p)
            buf[n++] = *p == ',' ? '.' : *p;
        if (plainNumber<T>(buf, buf + n, out))
            return true;
    }
    if (equalsWord(b, e, "on") || equalsWord(b, e, "yes") || equalsWord(b, e, "true")) {
        out = T(1);
        return true;
    }
    if (equalsWord(b, e, "off") || equalsWord(b, e, "no") || equalsWord(b, e, "false")) {
        out = T(0);
        return true;
    }
    return false;
}

// The common case first: a plain number with nothing around it.
template <typename T> inline bool fieldNumber(const char* b, const char* e, bool comma, T& out) {
    if (comma && e - b < 64) {
        char buf[64];
        std::size_t n = 0;
        for (const char* p = b; p < e; ++p)
            buf[n++] = *p == ',' ? '.' : *p;
        if (plainNumber<T>(buf, buf + n, out))
            return true;
    } else if (plainNumber(b, e, out)) {
        return true;
    }
    return slowNumber(b, e, out);
}

// A plain decimal number read as it is scanned for its end: most fields of a log are
// "-12.5" or "860", and these need no second pass and no general parser.
struct Decimal {
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = -1; // digits after the point; -1 without a point
    bool negative = false;
};

inline const char* scanDecimal(const char* p, const char* end, bool comma, Decimal& d) {
    if (p < end && *p == '-') {
        d.negative = true;
        ++p;
    }
    const char* start = p;
    std::uint64_t m = 0;
    while (p < end) {
        const unsigned digit = unsigned(static_cast<unsigned char>(*p)) - unsigned('0');
        if (digit >= 10)
            break;
        m = m * 10 + digit;
        ++p;
    }
    int digits = int(p - start);
    if (p < end && (*p == '.' || (comma && *p == ','))) {
        const char* point = ++p;
        while (p < end) {
            const unsigned digit = unsigned(static_cast<unsigned char>(*p)) - unsigned('0');
            if (digit >= 10)
                break;
            m = m * 10 + digit;
            ++p;
        }
        d.fraction = int(p - point);
        digits += d.fraction;
    }
    d.mantissa = m;
    d.digits = digits;
    return p;
}

constexpr float kPow10f[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of the decimal where one division gives it exactly rounded, as the general
// parser would: the digits and the power of ten both exact in the type.
inline bool decimalValue(const Decimal& d, float& out) {
    const int f = d.fraction < 0 ? 0 : d.fraction;
    if (d.digits == 0 || d.digits > 15 || d.mantissa >= (std::uint64_t(1) << 24) || f > 10)
        return false;
    float v = float(d.mantissa);
    if (f > 0)
        v /= kPow10f[f];
    out = d.negative ? -v : v;
    return true;
}

inline bool decimalValue(const Decimal& d, double& out) {
    const int f = d.fraction < 0 ? 0 : d.fraction;
    if (d.digits == 0 || d.digits > 15 || f > 22)
        return false;
    double v = double(d.mantissa);
    if (f > 0)
        v /= kPow10[f];
    out = d.negative ? -v : v;
    return true;
}

bool isEmptyField(const char* b, const char* e) {
    unwrap(b, e);
    return b == e;
}

bool clockSeconds(const char* b, const char* e, double& out) {
    unwrap(b, e);
    // h:mm:ss.mmm or mm:ss.mmm; the parts before the seconds are whole numbers.
    double parts[3];
    int n = 0;
    const char* p = b;
    while (true) {
        const char* colon = std::find(p, e, ':');
        if (n == 3)
            return false;
        if (colon == e) {
            if (!plainNumber(p, e, parts[n]) || parts[n] < 0)
                return false;
            ++n;
            break;
        }
        long long whole = 0;
        const auto [ptr, ec] = std::from_chars(p, colon, whole);
        if (ec != std::errc() || ptr != colon || whole < 0 || p == colon)
            return false;
        parts[n++] = double(whole);
        p = colon + 1;
    }
    if (n < 2)
        return false;
    out = n == 2 ? parts[0] * 60.0 + parts[1] : parts[0] * 3600.0 + parts[1] * 60.0 + parts[2];
    return true;
}

} // namespace

QByteArrayView TextTable::utf8(QByteArrayView bytes, QByteArray& storage) {
    if (bytes.size() >= 3 && bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.sliced(3);
    if (bytes.size() >= 2 && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))) {
        QStringDecoder decode(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                           : QStringConverter::Utf16BE);
        const QString text = decode(bytes.sliced(2));
        storage = text.toUtf8();
        return storage;
    }
    return bytes;
}

bool TextTable::looksLikeText(QByteArrayView head) {
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return true;
    if (head.isEmpty())
        return false;
    qsizetype control = 0;
    for (char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0)
            return false;
        if (u < 0x20 && c != '\n' && c != '\r' && c != '\t')
            ++control;
    }
    return control * 100 <= head.size();
}

QString TextTable::text(QByteArrayView field) {
    const char* b = field.data();
    const char* e = b + field.size();
    unwrap(b, e);
    QByteArray bytes(b, e - b);
    bytes.replace("\"\"", "\"");
    QStringDecoder decode(QStringConverter::Utf8);
    QString s = decode(bytes);
    if (decode.hasError())
        s = QString::fromLatin1(bytes);
    return s.trimmed();
}

QString TextTable::excerpt(QByteArrayView line) {
    QString s = QString::fromUtf8(line.first(std::min<qsizetype>(line.size(), 120)));
    s = LogFileReader::printable(s);
    if (s.size() > 60)
        s = s.left(57) + QStringLiteral("...");
    return s;
}

TextTable::Split TextTable::split(QByteArrayView text, qsizetype from, char separator,
                                  bool quotes) {
    Split s;
    const char* base = text.data();
    const char* p = base + from;
    const char* end = base + text.size();
    const char* limit = base + std::min<qsizetype>(text.size(), from + kMaxLineBytes);
    while (true) {
        const char* fb = p;
        if (quotes && p < end && *p == '"') {
            ++p;
            while (true) {
                const char* q =
                    static_cast<const char*>(std::memchr(p, '"', std::size_t(limit - p)));
                if (!q) {
                    // No closing quote within the longest record read: the record is too
                    // long where the text goes on, and the quote is never closed where not.
                    s.tooLong = limit < end;
                    s.unclosed = !s.tooLong;
                    s.next = text.size();
                    return s;
                }
                if (q + 1 < end && q[1] == '"') {
                    p = q + 2;
                    continue;
                }
                p = q + 1;
                break;
            }
        }
        while (p < end && *p != separator && *p != '\n' && *p != '\r')
            ++p;
        if (p > limit) {
            s.tooLong = true;
            s.next = text.size();
            return s;
        }
        s.fields.emplace_back(fb, p - fb);
        if (p >= end || *p != separator)
            break;
        ++p;
    }
    if (p < end && *p == '\r')
        ++p;
    if (p < end && *p == '\n')
        ++p;
    s.next = p - base;
    return s;
}

qsizetype TextTable::nextLine(QByteArrayView text, qsizetype from) {
    const char* base = text.data();
    const char* p = base + from;
    const char* end = base + text.size();
    while (p < end && *p != '\n' && *p != '\r')
        ++p;
    if (p < end && *p == '\r')
        ++p;
    if (p < end && *p == '\n')
        ++p;
    return p - base;
}

bool TextTable::number(QByteArrayView field, double& out) {
    return slowNumber(field.data(), field.data() + field.size(), out);
}

bool TextTable::clockTime(QByteArrayView field, double& out) {
    return clockSeconds(field.data(), field.data() + field.size(), out);
}

bool TextTable::isValue(QByteArrayView field) {
    double v = 0;
    return number(field, v) || clockTime(field, v);
}

bool TextTable::mostlyValues(const std::vector<QByteArrayView>& fields) {
    int values = 0;
    int filled = 0;
    for (QByteArrayView f : fields) {
        if (isEmptyField(f.data(), f.data() + f.size()))
            continue;
        ++filled;
        // A switch's word alone does not make a row of values: "On" could be a name.
        double v = 0;
        const char* b = f.data();
        const char* e = b + f.size();
        unwrap(b, e);
        if (plainNumber(b, e, v) || clockTime(f, v) || (std::find(b, e, ',') != e && number(f, v)))
            ++values;
    }
    return filled > 0 && values * 2 > filled;
}

namespace {

// What the two halves of a table read side by side share: the values read so far (the
// limit is on the whole table) and a stop when either half has to give up.
struct PartShare {
    std::atomic<std::size_t> rows{0};
    std::atomic<bool> stop{false};
};

// The rows in [from, to), which starts and ends at line boundaries. Rows are numbered
// from 0 where there is no time column.
TextTable::Rows readPart(QByteArrayView text, qsizetype from, qsizetype to,
                         const TextTable::Layout& layout, const LogReadProgress& progress,
                         PartShare& share) {
    using Rows = TextTable::Rows;
    constexpr qsizetype kMaxLineBytes = TextTable::kMaxLineBytes;
    Rows r;
    const int ncol = std::max(layout.columns, 1);
    const int valueColumns = layout.timeColumn >= 0 ? ncol - 1 : ncol;
    r.columns.resize(std::size_t(std::max(valueColumns, 0)));
    // Rows are about as long as the first few; reserving on that keeps the columns from
    // being copied as they grow.
    {
        qsizetype probe = from;
        int lines = 0;
        while (lines < 32 && probe < to) {
            probe = TextTable::nextLine(text, probe);
            ++lines;
        }
        const qsizetype per = lines > 0 ? std::max<qsizetype>((probe - from) / lines, 4) : 64;
        // Each value takes a byte of the text at least: rows of the first lines' length,
        // but never more values than the text has bytes.
        const std::size_t rest = std::size_t(to - from);
        const std::size_t guess = std::min(std::size_t(rest / std::size_t(per) + 16),
                                           rest / std::size_t(std::max(valueColumns, 1)) + 16);
        r.time.reserve(guess);
        for (auto& c : r.columns)
            c.reserve(guess);
    }
    // Where each field of a row goes: the time, a column, or nowhere.
    std::vector<int> slot(static_cast<std::size_t>(ncol));
    for (int c = 0, k = 0; c < ncol; ++c)
        slot[std::size_t(c)] = c == layout.timeColumn ? -1 : k++;

    const char sep = layout.separator;
    const bool quotes = layout.quotes;
    const bool comma = layout.decimalComma;
    const char* base = text.data();
    const char* p = base + from;
    const char* end = base + to;
    std::size_t rowIndex = 0;
    std::size_t shared = 0;     // of rowIndex, added to share.rows
    std::size_t bothHalves = 0; // share.rows when last looked at
    qint64 nextReport = 1 << 16;
    while (p < end) {
        const char* line = p;
        if (*p == '\n' || *p == '\r') {
            ++p;
            continue;
        }
        if (layout.markLines && end - p >= 5 && std::memcmp(p, "MARK ", 5) == 0) {
            const char* e = p;
            while (e < end && *e != '\n' && *e != '\r')
                ++e;
            if (e - line > kMaxLineBytes) {
                r.error = QStringLiteral("a line of more than %1 bytes (offset %2)")
                              .arg(kMaxLineBytes)
                              .arg(line - base);
                return r;
            }
            r.marks.push_back({r.time.size(), TextTable::text(QByteArrayView(line, e - line))});
            p = e;
            continue;
        }
        int col = 0;
        bool timeOk = layout.timeColumn < 0;
        double timeValue = double(rowIndex);
        // Every column gets one value per row, missing unless the field holds one.
        while (true) {
            const char* fb;
            const char* fe;
            Decimal dec;
            bool plain = false;
            if (quotes && p < end && *p == '"') {
                ++p;
                fb = p;
                while (true) {
                    const char* q =
                        static_cast<const char*>(std::memchr(p, '"', std::size_t(end - p)));
                    if (!q || q - line > kMaxLineBytes) {
                        r.error = q ? QStringLiteral("a quoted field of more than %1 bytes "
                                                     "(offset %2)")
                                          .arg(kMaxLineBytes)
                                          .arg(fb - base)
                                    : QStringLiteral("a quote opened at offset %1 is never "
                                                     "closed")
                                          .arg(fb - 1 - base);
                        return r;
                    }
                    if (q + 1 < end && q[1] == '"') {
                        p = q + 2;
                        continue;
                    }
                    fe = q;
                    p = q + 1;
                    break;
                }
                while (p < end && *p != sep && *p != '\n' && *p != '\r')
                    ++p;
            } else {
                fb = p;
                p = scanDecimal(p, end, comma && sep != ',', dec);
                plain = p == end || *p == sep || *p == '\n' || *p == '\r';
                if (!plain)
                    while (p < end && *p != sep && *p != '\n' && *p != '\r')
                        ++p;
                fe = p;
            }
            if (col < ncol) {
                const int s = slot[std::size_t(col)];
                if (s < 0) {
                    if (layout.clockTime)
                        timeOk = clockSeconds(fb, fe, timeValue);
                    else
                        timeOk = (plain && decimalValue(dec, timeValue)) ||
                                 fieldNumber(fb, fe, comma, timeValue);
                } else {
                    float v;
                    if (!(plain && decimalValue(dec, v)) &&
                        (fb == fe || !fieldNumber(fb, fe, comma, v)))
                        v = LogChannel::kMissing;
                    r.columns[std::size_t(s)].push_back(v);
                }
            }
            ++col;
            if (p >= end || *p != sep)
                break;
            ++p;
        }
        if (p - line > kMaxLineBytes) {
            r.error = QStringLiteral("a line of more than %1 bytes (offset %2)")
                          .arg(kMaxLineBytes)
                          .arg(line - base);
            return r;
        }
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;
        if (col < ncol) {
            // Fields the row does not have are missing.
            for (int c = col; c < ncol; ++c) {
                const int s = slot[std::size_t(c)];
                if (s >= 0)
                    r.columns[std::size_t(s)].push_back(LogChannel::kMissing);
            }
            if (!(col == 1 && isEmptyField(line, p)))
                ++r.rowsShort;
        }
        if (!timeOk) {
            // A row without a time (a names line repeated, text) cannot be placed.
            for (auto& c : r.columns)
                c.pop_back();
            if (r.rowsWithoutTime++ == 0)
                r.firstBadLine = line - base;
            continue;
        }
        r.time.push_back(timeValue);
        ++rowIndex;
        // Short rows are filled with missing values, so a file of names and then short
        // lines could ask for far more memory than it has bytes. The other half's rows
        // count too; they are shared every few thousand rows.
        if ((rowIndex & 4095) == 0) {
            bothHalves = share.rows.fetch_add(rowIndex - shared) + rowIndex - shared;
            shared = rowIndex;
            if (share.stop.load(std::memory_order_relaxed))
                return r; // the other half failed; what this one read is not used
        }
        const std::size_t all = bothHalves + rowIndex - shared;
        if (all * std::size_t(std::max(valueColumns, 1)) > layout.maxValues) {
            r.error =
                QStringLiteral("more than %1 values (%2 rows of %3 columns); the most read is %1")
                    .arg(layout.maxValues)
                    .arg(all)
                    .arg(valueColumns);
            share.stop = true;
            return r;
        }
        if (progress && qint64(rowIndex) >= nextReport) {
            nextReport += 1 << 16;
            if (!progress(qint64(p - base), qint64(text.size()))) {
                r.cancelled = true;
                share.stop = true;
                return r;
            }
        }
    }
    return r;
}

// Where the second half of the rows starts: the line start nearest the middle, or `to`
// when the rows are too few to be worth splitting, or a quoted field could hold a line
// break (a line start is then not always a record's).
qsizetype middleLine(QByteArrayView text, qsizetype from, const TextTable::Layout& layout) {
    constexpr qsizetype kSplitBytes = qsizetype(8) << 20;
    const qsizetype to = text.size();
    if (to - from < kSplitBytes)
        return to;
    if (layout.quotes && std::memchr(text.data() + from, '"', std::size_t(to - from)))
        return to;
    const qsizetype mid = from + (to - from) / 2;
    const void* nl = std::memchr(text.data() + mid, '\n', std::size_t(to - mid));
    return nl ? qsizetype(static_cast<const char*>(nl) - text.data()) + 1 : to;
}

} // namespace

// A large table is read in two halves side by side, one on another thread: text logs of
// a million rows are common, and parsing numbers is all the work there is.
TextTable::Rows TextTable::readRows(QByteArrayView text, qsizetype from, const Layout& layout,
                                    const LogReadProgress& progress) {
    PartShare share;
    const qsizetype mid = middleLine(text, from, layout);
    if (mid >= text.size())
        return readPart(text, from, text.size(), layout, progress, share);

    Rows second;
    std::thread worker(
        [&] { second = readPart(text, mid, text.size(), layout, LogReadProgress(), share); });
    // The first half tells the progress of both: it is about as far as the second.
    const LogReadProgress halfProgress = [&](qint64 at, qint64 size) {
        return progress ? progress(std::min(from + 2 * (at - from), size), size) : true;
    };
    Rows r = readPart(text, from, mid, layout, progress ? halfProgress : LogReadProgress(), share);
    worker.join();
    if (r.cancelled || !r.error.isEmpty())
        return r;
    if (second.cancelled || !second.error.isEmpty())
        return second;

    const std::size_t before = r.time.size();
    if (layout.timeColumn < 0)
        for (double& t : second.time)
            t += double(before);
    r.time.insert(r.time.end(), second.time.begin(), second.time.end());
    for (std::size_t c = 0; c < r.columns.size(); ++c)
        r.columns[c].insert(r.columns[c].end(), second.columns[c].begin(), second.columns[c].end());
    for (Rows::Mark& m : second.marks)
        r.marks.push_back({m.row + before, std::move(m.text)});
    if (r.firstBadLine < 0)
        r.firstBadLine = second.firstBadLine;
    r.rowsWithoutTime += second.rowsWithoutTime;
    r.rowsShort += second.rowsShort;
    return r;
}

void TextTable::toSeconds(std::vector<double>& time, double factor, bool clock) {
    if (clock) {
        double day = 0.0;
        double previous = time.empty() ? 0.0 : time.front();
        const double first = previous;
        for (double& t : time) {
            // A clock that jumps back by more than half a day passed midnight.
            if (t + day < previous - 43200.0)
                day += 86400.0;
            t += day;
            previous = t;
            t -= first;
        }
        return;
    }
    if (factor != 1.0)
        for (double& t : time)
            t *= factor;
}

int TextTable::timeStepsBack(const std::vector<double>& time) {
    int n = 0;
    for (std::size_t i = 1; i < time.size(); ++i)
        if (time[i] < time[i - 1])
            ++n;
    return n;
}

QString TextTable::rowsProblem(const Rows& rows, const QString& shown) {
    if (rows.cancelled)
        return LogImport::kCancelled;
    if (!rows.error.isEmpty())
        return QStringLiteral("%1 cannot be read: %2.").arg(shown, rows.error);
    if (rows.time.empty())
        return QStringLiteral("%1 holds no rows of values.").arg(shown);
    return {};
}
