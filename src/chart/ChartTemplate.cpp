// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartTemplate.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <functional>
#include <map>

namespace {

// A template is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxSize = 64 * 1024;

bool readColor(const QString& v, quint32& out) {
    static const QRegularExpression re(QStringLiteral("^#([0-9a-fA-F]{6}|[0-9a-fA-F]{8})$"));
    if (!re.match(v).hasMatch())
        return false;
    bool ok = false;
    const quint32 n = v.mid(1).toUInt(&ok, 16);
    if (!ok)
        return false;
    out = v.size() == 7 ? (0xff000000u | n) : n;
    return true;
}

bool readNumber(const QString& v, double lo, double hi, double& out) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d < lo || d > hi)
        return false;
    out = d;
    return true;
}

bool readBool(const QString& v, bool& out) {
    const QString s = v.toLower();
    if (s == QLatin1String("yes") || s == QLatin1String("on") || s == QLatin1String("true")) {
        out = true;
        return true;
    }
    if (s == QLatin1String("no") || s == QLatin1String("off") || s == QLatin1String("false")) {
        out = false;
        return true;
    }
    return false;
}

bool readStyle(const QString& v, ChartTemplate::LineStyle& out) {
    const QString s = v.toLower();
    if (s == QLatin1String("solid"))
        out = ChartTemplate::LineStyle::Solid;
    else if (s == QLatin1String("dash"))
        out = ChartTemplate::LineStyle::Dash;
    else if (s == QLatin1String("dot"))
        out = ChartTemplate::LineStyle::Dot;
    else if (s == QLatin1String("dashdot"))
        out = ChartTemplate::LineStyle::DashDot;
    else
        return false;
    return true;
}

// "family, size[, bold][, italic]"
bool readFont(const QString& v, ChartTemplate::Font& out) {
    const QStringList parts = v.split(u',');
    if (parts.size() < 2)
        return false;
    ChartTemplate::Font f;
    f.family = parts[0].trimmed();
    if (f.family.isEmpty() || !readNumber(parts[1].trimmed(), 4.0, 72.0, f.points))
        return false;
    for (qsizetype i = 2; i < parts.size(); ++i) {
        const QString word = parts[i].trimmed().toLower();
        if (word == QLatin1String("bold"))
            f.bold = true;
        else if (word == QLatin1String("italic"))
            f.italic = true;
        else
            return false;
    }
    out = f;
    return true;
}

using Setter = std::function<bool(const QString&)>;
using Section = std::map<QString, Setter>;

Section lineKeys(ChartTemplate::Line& line) {
    return {
        {QStringLiteral("color"), [&line](const QString& v) { return readColor(v, line.color); }},
        {QStringLiteral("width"),
         [&line](const QString& v) { return readNumber(v, 0.0, 20.0, line.width); }},
        {QStringLiteral("style"), [&line](const QString& v) { return readStyle(v, line.style); }},
    };
}

} // namespace

std::optional<ChartTemplate> ChartTemplate::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxSize + 1);
    if (bytes.size() > kMaxSize) {
        if (error)
            *error = QStringLiteral("file too large");
        return std::nullopt;
    }
    return parse(bytes, error);
}

std::optional<ChartTemplate> ChartTemplate::parse(const QByteArray& text, QString* error) {
    auto fail = [error](int lineNo, const QString& why) -> std::optional<ChartTemplate> {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
        return std::nullopt;
    };

    ChartTemplate t;
    std::map<QString, Section> sections;
    sections[QStringLiteral("page")] = {
        {QStringLiteral("background"),
         [&t](const QString& v) { return readColor(v, t.background); }},
        {QStringLiteral("plot-background"),
         [&t](const QString& v) { return readColor(v, t.plotBackground); }},
    };
    sections[QStringLiteral("fonts")] = {
        {QStringLiteral("ticks"), [&t](const QString& v) { return readFont(v, t.tickFont); }},
        {QStringLiteral("titles"), [&t](const QString& v) { return readFont(v, t.titleFont); }},
        {QStringLiteral("legend"), [&t](const QString& v) { return readFont(v, t.legendFont); }},
    };
    sections[QStringLiteral("legend")] = {
        {QStringLiteral("visible"),
         [&t](const QString& v) { return readBool(v, t.legendVisible); }},
        {QStringLiteral("background"),
         [&t](const QString& v) { return readColor(v, t.legendBackground); }},
    };
    sections[QStringLiteral("axes")] = lineKeys(t.axes);
    Section grid = lineKeys(t.grid);
    grid[QStringLiteral("visible")] = [&t](const QString& v) { return readBool(v, t.gridVisible); };
    grid[QStringLiteral("subgrid")] = [&t](const QString& v) {
        return readBool(v, t.subGridVisible);
    };
    grid[QStringLiteral("subgrid-color")] = [&t](const QString& v) {
        return readColor(v, t.subGrid.color);
    };
    sections[QStringLiteral("grid")] = grid;
    sections[QStringLiteral("trace1")] = lineKeys(t.trace1);
    sections[QStringLiteral("trace2")] = lineKeys(t.trace2);
    sections[QStringLiteral("marker")] = lineKeys(t.marker);
    sections[QStringLiteral("trace3")] = lineKeys(t.trace3);
    sections[QStringLiteral("target")] = lineKeys(t.target);

    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String(kSignature))
        return fail(1, QStringLiteral("not a chart template"));

    Section* current = nullptr;
    bool skippingSection = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return fail(lineNo, QStringLiteral("unclosed section name"));
            const QString name = line.mid(1, line.size() - 2).trimmed().toLower();
            auto it = sections.find(name);
            current = it == sections.end() ? nullptr : &it->second;
            skippingSection = !current;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            return fail(lineNo, QStringLiteral("expected key = value"));
        if (skippingSection)
            continue;
        if (!current)
            return fail(lineNo, QStringLiteral("key outside a section"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        auto setter = current->find(key);
        if (setter == current->end())
            continue;
        if (!setter->second(value))
            return fail(lineNo, QStringLiteral("bad value for %1: %2").arg(key, value));
    }
    return t;
}
