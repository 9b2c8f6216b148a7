// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <vector>

// The little of XML that TunerStudio's tune and table files need, read straight from the
// bytes: elements by tag name with their attributes and the byte range of their text.
// Working on the bytes (not on decoded text) keeps every offset exact, so a writer can
// replace one element's text and leave every other byte as it was, whatever the file's
// encoding claims. Anything malformed simply ends the scan; nothing reads out of bounds.
namespace TuneXml {

struct Element {
    QByteArray tag;
    QList<std::pair<QByteArray, QString>> attributes;
    // The text between the start and the end tag; empty for <tag/>.
    qsizetype textBegin = 0;
    qsizetype textEnd = 0;

    QString attribute(const char* name) const;
    bool hasAttribute(const char* name) const;
};

// Every element whose tag is one of `tags`, in file order. Elements of these tags are not
// expected to nest.
QList<Element> elements(QByteArrayView bytes, const QList<QByteArrayView>& tags);

struct Number {
    double value = 0.0;
    qsizetype begin = 0;
    qsizetype end = 0;
    // Digits after the decimal point as written.
    int decimals = 0;
};

// The blank-separated numbers of [begin, end). False on anything that is not a number.
bool numbers(QByteArrayView bytes, qsizetype begin, qsizetype end, std::vector<Number>& out);

// A value as the file writes it: rounded to `decimals`, then with at least `decimals`
// and at least `minimumDecimals` decimals ("39.0" for a whole-number table written so).
QByteArray formatNumber(double value, int decimals, int minimumDecimals);

} // namespace TuneXml
