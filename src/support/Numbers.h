// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

// The one place where numbers become text and text becomes numbers, so that every
// window, printout, log file and CLI output agrees on rounding and layout.
namespace Numbers {

// Nearest value with `decimals` decimals; an exact half goes to the even neighbour.
// Ties are judged on the exact binary value, so 0.125 -> 0.12 but 12.345 -> 12.35
// (the double nearest 12.345 lies just above the half).
double roundHalfEven(double value, int decimals = 0);

// Picture patterns: "0" a digit always shown, "#" a digit shown only when significant,
// "." the decimal point. "#0.0", "0.0#", "####0.0##", "##0", "##", "#" and so on.
QString format(double value, const QString& pattern);

// The log file's number form: the single-precision value to 7 significant digits,
// no exponent, no trailing zeros or point, no leading zero (".1", "-.5", "10", "14.7").
QString logNumber(float value);
// The same form appended to `out` (a log file holds 60000 of them: no text objects).
void appendLogNumber(QByteArray& out, float value);
// The same form written at `at`, which has room for kLogNumberRoom characters; returns
// the end. Lets a writer build a whole row before handing it to a byte array.
constexpr int kLogNumberRoom = 96;
char* writeLogNumber(char* at, float value);
// Whole numbers (16-bit integers) in a log file.
QString logInteger(int value);

// The shortest decimal text that reads back as the same single-precision number.
QString shortestFloat(float value);

// The longest decimal number at the start of `text` (leading blanks skipped);
// 0 when there is none. Accepts a sign, a fraction and an exponent.
double leadingNumber(const QString& text);
double leadingNumber(QByteArrayView text);

// The system's general date-and-time form: short date followed by long time.
QString generalDateTime(const QDateTime& when);

// Settings hold numbers as text in the plain number-to-text form ("0.1", "14.69").
QString settingText(float value);
QString settingText(int value);
QString settingText(bool value);

} // namespace Numbers
