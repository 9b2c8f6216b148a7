// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TextFile.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextFile {

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Windows-1252 is a superset of Latin-1 in the printable range that matters here.
    return QString::fromLatin1(bytes);
}

QByteArray encode(const QString& text) {
    // Plain ASCII and Latin-1 texts stay single-byte, as older readers expect.
    bool latin1 = true;
    for (QChar c : text)
        if (c.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    return latin1 ? text.toLatin1() : text.toUtf8();
}

QStringList splitLines(const QString& text) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
    return lines;
}

} // namespace TextFile
