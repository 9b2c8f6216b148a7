// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Numbers.h"

#include <QLocale>

#include <QRegularExpression>
#include <algorithm>

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Numbers {

namespace {

const double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};

// Qt hands the user's locale to the C library, so printf and strtod may write and expect
// a decimal comma; to_chars and from_chars never look at the locale.
QByteArray fixed(double value, int decimals) {
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return QByteArray(buf, r.ptr - buf);
}

double parse(const QByteArray& text) {
    double v = 0.0;
    const char* first = text.constData();
    if (*first == '+')
        ++first;
    const auto r = std::from_chars(first, text.constData() + text.size(), v);
    return r.ec == std::errc() ? v : 0.0;
}

// Exact decimal rounding: to_chars rounds the exact binary value and sends exact ties to
// the even digit.
double roundExactly(double value, int decimals) {
    return parse(fixed(value, decimals));
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    if (decimals <= 0)
        return std::nearbyint(value); // default rounding mode: to nearest, ties to even
    if (decimals > 10)
        return roundExactly(value, decimals);
    const double scale = kPowersOfTen[decimals];
    const double scaled = value * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) > 1e15)
        return value;
    const double fraction = scaled - std::floor(scaled);
    // Near a half the product may have been rounded onto (or off) the tie: decide on
    // the exact value instead.
    if (std::fabs(fraction - 0.5) < 1e-6)
        return roundExactly(value, decimals);
    return std::nearbyint(scaled) / scale;
}

QString format(double value, const QString& pattern) {
    const qsizetype point = pattern.indexOf(u'.');
    const QString intPart = point < 0 ? pattern : pattern.left(point);
    const QString fracPart = point < 0 ? QString() : pattern.mid(point + 1);
    const int minInt = int(intPart.count(u'0'));
    const int minFrac = int(fracPart.count(u'0'));
    const int maxFrac = int(fracPart.size());

    double rounded = roundHalfEven(value, maxFrac);
    if (rounded == 0.0)
        rounded = 0.0; // no "-0"
    QString digits = QString::fromLatin1(fixed(std::fabs(rounded), maxFrac));
    QString whole = digits;
    QString frac;
    if (maxFrac > 0) {
        const qsizetype dot = digits.indexOf(u'.');
        whole = digits.left(dot);
        frac = digits.mid(dot + 1);
        while (frac.size() > minFrac && frac.endsWith(u'0'))
            frac.chop(1);
    }
    // Leading zeros of the whole part are shown only as far as the pattern's zeros ask.
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole == QLatin1String("0"))
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(u'0');

    QString out = whole;
    if (!frac.isEmpty())
        out += u'.' + frac;
    if (rounded < 0 && !out.isEmpty())
        out.prepend(u'-');
    return out;
}

QString logNumber(float value) {
    QByteArray out;
    appendLogNumber(out, value);
    return QString::fromLatin1(out);
}

char* writeLogNumber(char* at, float value) {
    if (!std::isfinite(value) || value == 0.0f) {
        *at++ = '0';
        return at;
    }
    // 7 significant digits, then written out without an exponent so that the reader's
    // leading-number rule reads the whole value back.
    char buf[64];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::scientific, 6);
    // buf: [-]d.dddddde[+-]xx
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    const char* e = std::find(p, static_cast<const char*>(r.ptr), 'e');
    char mantissa[8]; // 7 digits, the point after the first dropped
    int digits = 0;
    for (const char* c = p; c < e && digits < 7; ++c)
        if (*c != '.')
            mantissa[digits++] = *c;
    const char* expText = e + 1;
    const bool negativeExponent = expText < r.ptr && *expText == '-';
    if (expText < r.ptr && (*expText == '-' || *expText == '+'))
        ++expText;
    int exponent = 0;
    std::from_chars(expText, r.ptr, exponent);
    if (negativeExponent)
        exponent = -exponent;

    // Digits before the point, then after it; a float has at most 39 and 52 of them.
    char whole[48];
    char frac[64];
    int wholeLen = 0;
    int fracLen = 0;
    const int pointPos = 1 + exponent;
    if (pointPos <= 0) {
        for (int k = 0; k < -pointPos; ++k)
            frac[fracLen++] = '0';
        for (int k = 0; k < digits; ++k)
            frac[fracLen++] = mantissa[k];
    } else if (pointPos >= digits) {
        for (int k = 0; k < digits; ++k)
            whole[wholeLen++] = mantissa[k];
        for (int k = digits; k < pointPos; ++k)
            whole[wholeLen++] = '0';
    } else {
        for (int k = 0; k < pointPos; ++k)
            whole[wholeLen++] = mantissa[k];
        for (int k = pointPos; k < digits; ++k)
            frac[fracLen++] = mantissa[k];
    }
    while (fracLen > 0 && frac[fracLen - 1] == '0')
        --fracLen;
    int firstDigit = 0;
    while (firstDigit < wholeLen && whole[firstDigit] == '0')
        ++firstDigit;
    if (firstDigit == wholeLen && fracLen == 0) {
        *at++ = '0';
        return at;
    }
    if (negative)
        *at++ = '-';
    at = std::copy(whole + firstDigit, whole + wholeLen, at);
    if (fracLen > 0) {
        *at++ = '.';
        at = std::copy(frac, frac + fracLen, at);
    }
    return at;
}

void appendLogNumber(QByteArray& out, float value) {
    char buf[kLogNumberRoom];
    out.append(buf, writeLogNumber(buf, value) - buf);
}

QString logInteger(int value) {
    return QString::number(value);
}

QString shortestFloat(float value) {
    if (!std::isfinite(value))
        return QString::number(double(value));
    // Fewest significant digits that read back as the same single-precision value, in
    // plain notation unless the exponent form is shorter ("13000", not "1.3e+04"), and
    // with "." whatever the C locale says.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, result.ptr - buf);
}

double leadingNumber(QByteArrayView field) {
    const qsizetype n = field.size();
    qsizetype i = 0;
    while (i < n && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    const qsizetype start = i; // from_chars takes no sign
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(field[i])) {
        ++i;
        ++digits;
    }
    if (i < n && field[i] == '.') {
        ++i;
        while (i < n && isAsciiDigit(field[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    // An exponent counts only when digits follow it.
    if (i < n && (field[i] == 'e' || field[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (field[j] == '+' || field[j] == '-'))
            ++j;
        int expDigits = 0;
        while (j < n && isAsciiDigit(field[j]) && expDigits < 6) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            end = j;
    }
    // Read in place: the number's bytes are one run of the field.
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(field.data() + start, field.data() + end, value);
    if (ec == std::errc::result_out_of_range) {
        // Too small reads as 0; too large is not a number this program can use.
        return 0.0;
    }
    if (ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

double leadingNumber(const QString& text) {
    return leadingNumber(QByteArrayView(text.toUtf8()));
}

QString generalDateTime(const QDateTime& when) {
    const QLocale locale;
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    // A four-digit year, so that a log downloaded today still reads right in 2100.
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    // The long time form without the time zone.
    static const QRegularExpression zone(QStringLiteral("\\s*t+"));
    timeFormat.remove(zone);
    return locale.toString(when.date(), dateFormat) + u' ' +
           locale.toString(when.time(), timeFormat.trimmed());
}

QString settingText(float value) {
    return shortestFloat(value);
}
QString settingText(int value) {
    return QString::number(value);
}
QString settingText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace Numbers
