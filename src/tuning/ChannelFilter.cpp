// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/ChannelFilter.h"

#include "logdata/LogFileReader.h"
#include "tuning/TuningInputError.h"

#include <QStringList>

#include <cmath>

struct ChannelFilter::Node {
    enum class Kind { And, Or, Not, Compare };
    enum class Op { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
    Kind kind = Kind::Compare;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
    QString channel;
    bool rate = false;
    Op op = Op::Less;
    double number = 0.0;
};

namespace {

using Node = ChannelFilter::Node;

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    std::unique_ptr<Node> parse() {
        std::unique_ptr<Node> n = orExpr();
        skipBlanks();
        if (m_pos < m_text.size())
            fail(QStringLiteral("unexpected \"%1\"").arg(m_text.mid(m_pos, 20)));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& what) const {
        throw TuningInputError(
            QStringLiteral("filter \"%1\": %2 at character %3")
                .arg(LogFileReader::printable(m_text.left(200)), LogFileReader::printable(what))
                .arg(m_pos + 1));
    }
    void skipBlanks() {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }
    // A keyword standing alone (not the start of a longer name).
    bool keyword(QLatin1String word) {
        skipBlanks();
        if (m_text.mid(m_pos, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype after = m_pos + word.size();
        if (after < m_text.size() && (m_text[after].isLetterOrNumber() || m_text[after] == u'_'))
            return false;
        m_pos = after;
        return true;
    }
    bool symbol(QChar c) {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    std::unique_ptr<Node> orExpr() {
        std::unique_ptr<Node> n = andExpr();
        while (keyword(QLatin1String("or")) || symbol2("||")) {
            auto o = std::make_unique<Node>();
            o->kind = Node::Kind::Or;
            o->left = std::move(n);
            o->right = andExpr();
            n = std::move(o);
        }
        return n;
    }
    std::unique_ptr<Node> andExpr() {
        std::unique_ptr<Node> n = unary();
        while (keyword(QLatin1String("and")) || symbol2("&&")) {
            auto a = std::make_unique<Node>();
            a->kind = Node::Kind::And;
            a->left = std::move(n);
            a->right = unary();
            n = std::move(a);
        }
        return n;
    }
    bool symbol2(const char* two) {
        skipBlanks();
        if (m_text.mid(m_pos, 2) == QLatin1String(two)) {
            m_pos += 2;
            return true;
        }
        return false;
    }
    std::unique_ptr<Node> unary() {
        if (keyword(QLatin1String("not")) || symbol(u'!')) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Not;
            n->left = unary();
            return n;
        }
        if (symbol(u'(')) {
            std::unique_ptr<Node> n = orExpr();
            if (!symbol(u')'))
                fail(QStringLiteral("a closing parenthesis is missing"));
            return n;
        }
        return comparison();
    }
    std::unique_ptr<Node> comparison() {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Compare;
        if (keyword(QLatin1String("rate"))) {
            if (!symbol(u'('))
                fail(QStringLiteral("rate needs a channel in parentheses"));
            n->rate = true;
            n->channel = name();
            if (!symbol(u')'))
                fail(QStringLiteral("a closing parenthesis is missing"));
        } else {
            n->channel = name();
        }
        n->op = op();
        n->number = number();
        return n;
    }
    QString name() {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
            const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
            if (close < 0)
                fail(QStringLiteral("a closing quote is missing"));
            const QString n = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            if (n.isEmpty())
                fail(QStringLiteral("an empty channel name"));
            return n;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() &&
               (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == u'_' ||
                m_text[m_pos] == u'.' || m_text[m_pos] == u'#' || m_text[m_pos] == u'%'))
            ++m_pos;
        if (m_pos == start)
            fail(QStringLiteral("a channel name is expected"));
        return m_text.mid(start, m_pos - start);
    }
    Node::Op op() {
        skipBlanks();
        static const std::pair<const char*, Node::Op> ops[] = {
            {"<=", Node::Op::LessEqual}, {">=", Node::Op::GreaterEqual}, {"==", Node::Op::Equal},
            {"!=", Node::Op::NotEqual},  {"<>", Node::Op::NotEqual},     {"<", Node::Op::Less},
            {">", Node::Op::Greater},    {"=", Node::Op::Equal}};
        for (const auto& [text, value] : ops) {
            const QLatin1String t(text);
            if (m_text.mid(m_pos, t.size()) == t) {
                m_pos += t.size();
                return value;
            }
        }
        fail(QStringLiteral("a comparison (< <= > >= == !=) is expected"));
    }
    double number() {
        skipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() &&
               (m_text[m_pos].isDigit() || m_text[m_pos] == u'.' || m_text[m_pos] == u'-' ||
                m_text[m_pos] == u'+' || m_text[m_pos] == u'e' || m_text[m_pos] == u'E'))
            ++m_pos;
        bool ok = false;
        const double v = m_text.mid(start, m_pos - start).toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            m_pos = start;
            fail(QStringLiteral("a number is expected"));
        }
        return v;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

void collectNames(const Node& n, std::vector<QString>& out) {
    if (n.kind == Node::Kind::Compare) {
        out.push_back(n.channel);
        return;
    }
    if (n.left)
        collectNames(*n.left, out);
    if (n.right)
        collectNames(*n.right, out);
}

bool compare(double v, Node::Op op, double x) {
    switch (op) {
    case Node::Op::Less:
        return v < x;
    case Node::Op::LessEqual:
        return v <= x;
    case Node::Op::Greater:
        return v > x;
    case Node::Op::GreaterEqual:
        return v >= x;
    case Node::Op::Equal:
        return v == x;
    case Node::Op::NotEqual:
        return !std::isnan(v) && v != x;
    }
    return false;
}

std::vector<bool> eval(const Node& n, const Log& log) {
    switch (n.kind) {
    case Node::Kind::And:
    case Node::Kind::Or: {
        std::vector<bool> a = eval(*n.left, log);
        const std::vector<bool> b = eval(*n.right, log);
        for (std::size_t i = 0; i < a.size(); ++i)
            a[i] = n.kind == Node::Kind::And ? (a[i] && b[i]) : (a[i] || b[i]);
        return a;
    }
    case Node::Kind::Not: {
        std::vector<bool> a = eval(*n.left, log);
        a.flip();
        return a;
    }
    case Node::Kind::Compare:
        break;
    }
    const int c = log.findName(n.channel);
    const std::vector<float>& v = log.channels[std::size_t(c)].values;
    std::vector<bool> out(log.rows());
    const std::size_t rows = log.rows();
    for (std::size_t i = 0; i < rows; ++i) {
        double x = v[i];
        if (n.rate) {
            // The change per second over the neighbouring samples, as the load-rate filter
            // measures it.
            const std::size_t before = i > 0 ? i - 1 : i;
            const std::size_t after = i + 1 < rows ? i + 1 : i;
            const double dt = log.time[after] - log.time[before];
            x = dt > 0.0 ? std::fabs(double(v[after]) - double(v[before])) / dt : 0.0;
        }
        out[i] = compare(x, n.op, n.number);
    }
    return out;
}

} // namespace

ChannelFilter::ChannelFilter() = default;
ChannelFilter::~ChannelFilter() = default;
ChannelFilter::ChannelFilter(ChannelFilter&&) noexcept = default;
ChannelFilter& ChannelFilter::operator=(ChannelFilter&&) noexcept = default;

ChannelFilter ChannelFilter::parse(const QString& text) {
    ChannelFilter f;
    f.m_text = text.trimmed();
    if (f.m_text.isEmpty())
        throw TuningInputError(QStringLiteral("an empty filter"));
    if (f.m_text.size() > 1000)
        throw TuningInputError(QStringLiteral("a filter of more than 1000 characters"));
    f.m_root = Parser(f.m_text).parse();
    return f;
}

std::vector<QString> ChannelFilter::channelNames() const {
    std::vector<QString> out;
    if (m_root)
        collectNames(*m_root, out);
    return out;
}

std::vector<bool> ChannelFilter::evaluate(const Log& log) const {
    for (const QString& name : channelNames()) {
        if (log.findName(name) < 0) {
            QStringList names;
            for (const LogChannel& c : log.channels)
                names << c.name;
            throw TuningInputError(
                QStringLiteral("filter \"%1\": %2 has no channel named \"%3\"; its channels "
                               "are %4")
                    .arg(LogFileReader::printable(m_text), LogFileReader::printable(log.source),
                         LogFileReader::printable(name),
                         LogFileReader::printable(names.join(QStringLiteral(", ")).left(2000))));
        }
    }
    if (!m_root)
        return std::vector<bool>(log.rows(), true);
    return eval(*m_root, log);
}
