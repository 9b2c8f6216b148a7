// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuneXml.h"

#include "support/Numbers.h"

#include <QStringDecoder>

#include <charconv>
#include <cmath>

namespace {

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '.' || c == '-';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Tune files declare ISO-8859-1 but some carry UTF-8 units; take whichever the bytes are.
QString decodeText(QByteArrayView raw) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        text = QString::fromLatin1(raw.data(), raw.size());
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

} // namespace

namespace TuneXml {

QString Element::attribute(const char* name) const {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return value;
    return QString();
}

bool Element::hasAttribute(const char* name) const {
    for (const auto& a : attributes)
        if (a.first == name)
            return true;
    return false;
}

QList<Element> elements(QByteArrayView bytes, const QList<QByteArrayView>& tags) {
    QList<Element> out;
    const qsizetype n = bytes.size();
    const char* d = bytes.data();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype open = bytes.indexOf('<', pos);
        if (open < 0 || open + 1 >= n)
            break;
        pos = open + 1;
        const char first = d[pos];
        if (first == '!' && bytes.sliced(pos).startsWith("!--")) {
            const qsizetype close = bytes.indexOf("-->", pos + 3);
            if (close < 0)
                break;
            pos = close + 3;
            continue;
        }
        if (first == '?' || first == '!' || first == '/') {
            const qsizetype close = bytes.indexOf('>', pos);
            if (close < 0)
                break;
            pos = close + 1;
            continue;
        }
        qsizetype nameEnd = pos;
        while (nameEnd < n && isNameChar(d[nameEnd]))
            ++nameEnd;
        if (nameEnd == pos)
            continue;
        Element e;
        e.tag = QByteArray(d + pos, nameEnd - pos);
        const bool wanted = tags.contains(QByteArrayView(e.tag));
        pos = nameEnd;
        bool selfClosing = false;
        bool closed = false;
        while (pos < n) {
            while (pos < n && isBlank(d[pos]))
                ++pos;
            if (pos >= n)
                break;
            if (d[pos] == '>') {
                ++pos;
                closed = true;
                break;
            }
            if (d[pos] == '/' && pos + 1 < n && d[pos + 1] == '>') {
                pos += 2;
                closed = selfClosing = true;
                break;
            }
            qsizetype keyEnd = pos;
            while (keyEnd < n && isNameChar(d[keyEnd]))
                ++keyEnd;
            if (keyEnd == pos || keyEnd + 1 >= n || d[keyEnd] != '=' ||
                (d[keyEnd + 1] != '"' && d[keyEnd + 1] != '\''))
                break; // not an attribute: give the tag up
            const char quote = d[keyEnd + 1];
            const qsizetype valueEnd = bytes.indexOf(quote, keyEnd + 2);
            if (valueEnd < 0)
                return out;
            if (wanted)
                e.attributes.append({QByteArray(d + pos, keyEnd - pos),
                                     decodeText(bytes.sliced(keyEnd + 2, valueEnd - keyEnd - 2))});
            pos = valueEnd + 1;
        }
        if (!closed)
            continue;
        if (!wanted)
            continue;
        e.textBegin = e.textEnd = pos;
        if (!selfClosing) {
            const QByteArray endTag = "</" + e.tag;
            qsizetype end = bytes.indexOf(endTag, pos);
            while (end >= 0 && end + endTag.size() < n && isNameChar(d[end + endTag.size()]))
                end = bytes.indexOf(endTag, end + 1);
            if (end < 0)
                break;
            e.textEnd = end;
            const qsizetype close = bytes.indexOf('>', end);
            pos = close < 0 ? n : close + 1;
        }
        out.append(std::move(e));
    }
    return out;
}

bool numbers(QByteArrayView bytes, qsizetype begin, qsizetype end, std::vector<Number>& out) {
    out.clear();
    const char* d = bytes.data();
    qsizetype pos = std::max<qsizetype>(0, begin);
    end = std::min(end, bytes.size());
    while (pos < end) {
        while (pos < end && isBlank(d[pos]))
            ++pos;
        if (pos >= end)
            break;
        qsizetype stop = pos;
        while (stop < end && !isBlank(d[stop]))
            ++stop;
        Number number;
        number.begin = pos;
        number.end = stop;
        const char* first = d + pos;
        if (*first == '+')
            ++first;
        const auto result = std::from_chars(first, d + stop, number.value);
        if (result.ec != std::errc() || result.ptr != d + stop || !std::isfinite(number.value))
            return false;
        const QByteArrayView token(d + pos, stop - pos);
        const qsizetype dot = token.indexOf('.');
        qsizetype exponent = token.indexOf('e');
        if (exponent < 0)
            exponent = token.indexOf('E');
        if (exponent < 0)
            exponent = token.size();
        number.decimals = dot < 0 || dot > exponent ? 0 : int(exponent - dot - 1);
        out.push_back(number);
        pos = stop;
    }
    return true;
}

QByteArray formatNumber(double value, int decimals, int minimumDecimals) {
    decimals = std::clamp(decimals, 0, 10);
    double rounded = Numbers::roundHalfEven(value, decimals);
    if (rounded == 0.0)
        rounded = 0.0; // no "-0.0"
    return QByteArray::number(rounded, 'f', std::max(decimals, std::clamp(minimumDecimals, 0, 10)));
}

} // namespace TuneXml
