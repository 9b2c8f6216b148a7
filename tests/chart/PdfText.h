// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads back what a PDF written by Qt shows: the text of every text run (through the
// fonts' ToUnicode maps) and the stroked paths with their colours. Enough to check a
// printout without a PDF library.

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>

namespace PdfText {

struct Stroke {
    QColor color;
    int segments = 0;
};

struct Page {
    QString text;          // text runs, one per line
    QList<Stroke> strokes; // every stroked path
    int images = 0;        // raster images anywhere in the file
};

// A zlib stream; qUncompress wants the expected size in front and grows past it.
inline QByteArray inflate(const QByteArray& data) {
    QByteArray sized(4, '\0');
    const quint32 guess = quint32(qMax<qsizetype>(data.size() * 8, 1024));
    for (int i = 0; i < 4; ++i)
        sized[i] = char((guess >> (24 - 8 * i)) & 0xff);
    return qUncompress(sized + data);
}

struct Object {
    QByteArray dict;
    QByteArray stream;
};

inline QHash<int, Object> objects(const QByteArray& pdf) {
    QHash<int, Object> result;
    static const QRegularExpression head(QStringLiteral("(\\d+) 0 obj"));
    const QString text = QString::fromLatin1(pdf); // one character per byte
    qsizetype pos = 0;
    for (;;) {
        const QRegularExpressionMatch m = head.match(text, pos);
        if (!m.hasMatch())
            break;
        const qsizetype start = m.capturedEnd();
        const qsizetype end = pdf.indexOf("endobj", start);
        if (end < 0)
            break;
        QByteArray body = pdf.mid(start, end - start);
        Object o;
        const qsizetype s = body.indexOf("stream");
        if (s >= 0 && body.lastIndexOf("endstream") > s) {
            o.dict = body.left(s);
            qsizetype dataStart = s + 6;
            if (body.mid(dataStart, 2) == "\r\n")
                dataStart += 2;
            else if (body[dataStart] == '\n')
                dataStart += 1;
            QByteArray data = body.mid(dataStart, body.lastIndexOf("endstream") - dataStart);
            o.stream = o.dict.contains("/FlateDecode") ? inflate(data) : data;
        } else {
            o.dict = body;
        }
        result.insert(m.captured(1).toInt(), o);
        pos = end + 6;
    }
    return result;
}

inline QHash<int, QString> toUnicode(const QByteArray& cmap) {
    QHash<int, QString> map;
    static const QRegularExpression range(
        QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*(\\[[^\\]]*\\]|<[0-9A-Fa-f]+>)"));
    static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
    auto text = [](const QString& h) {
        QString s;
        for (qsizetype i = 0; i + 4 <= h.size(); i += 4)
            s += QChar(char16_t(h.mid(i, 4).toUShort(nullptr, 16)));
        return s;
    };
    const QString src = QString::fromLatin1(cmap);
    for (auto it = range.globalMatch(src); it.hasNext();) {
        const auto m = it.next();
        const int from = m.captured(1).toInt(nullptr, 16);
        const int to = m.captured(2).toInt(nullptr, 16);
        const QString target = m.captured(3);
        if (target.startsWith(u'[')) {
            int code = from;
            for (auto h = hex.globalMatch(target); h.hasNext() && code <= to; ++code)
                map.insert(code, text(h.next().captured(1)));
        } else {
            const QString base = text(target.mid(1, target.size() - 2));
            for (int code = from; code <= to && !base.isEmpty(); ++code)
                map.insert(code, QString(QChar(base.at(0).unicode() + (code - from))));
        }
    }
    return map;
}

inline Page read(const QString& path) {
    QFile f(path);
    Page page;
    if (!f.open(QIODevice::ReadOnly))
        return page;
    const QByteArray pdf = f.readAll();
    const QHash<int, Object> objs = objects(pdf);

    // Font resource names -> the font's ToUnicode map.
    QHash<QString, QHash<int, QString>> fonts;
    static const QRegularExpression fontRef(QStringLiteral("/(F\\d+) (\\d+) 0 R"));
    static const QRegularExpression unicodeRef(QStringLiteral("/ToUnicode (\\d+) 0 R"));
    for (const Object& o : objs) {
        if (o.dict.contains("/Subtype /Image"))
            ++page.images;
        for (auto it = fontRef.globalMatch(QString::fromLatin1(o.dict)); it.hasNext();) {
            const auto m = it.next();
            const Object font = objs.value(m.captured(2).toInt());
            const auto u = unicodeRef.match(QString::fromLatin1(font.dict));
            if (u.hasMatch())
                fonts.insert(m.captured(1), toUnicode(objs.value(u.captured(1).toInt()).stream));
        }
    }

    static const QRegularExpression tf(QStringLiteral("^/(F\\d+) [\\d.]+ Tf"));
    static const QRegularExpression tj(QStringLiteral("<([0-9A-Fa-f]+)> Tj$"));
    static const QRegularExpression scn(QStringLiteral("^([\\d.]+) ([\\d.]+) ([\\d.]+) SCN$"));
    for (const Object& o : objs) {
        if (!o.stream.contains(" Tj") && !o.stream.contains(" SCN"))
            continue;
        const QList<QByteArray> lines = o.stream.split('\n');
        QHash<int, QString> font;
        QString run;
        QColor stroke;
        int segments = 0;
        for (const QByteArray& raw : lines) {
            const QString line = QString::fromLatin1(raw).trimmed();
            if (auto m = tf.match(line); m.hasMatch())
                font = fonts.value(m.captured(1));
            if (auto m = tj.match(line); m.hasMatch()) {
                const QString h = m.captured(1);
                for (qsizetype i = 0; i + 4 <= h.size(); i += 4)
                    run += font.value(h.mid(i, 4).toInt(nullptr, 16), QStringLiteral("?"));
            }
            if (line == QLatin1String("ET")) {
                // The space glyph is also the tab's; read it as the space it is here.
                run.replace(u'\t', u' ');
                page.text += run + u'\n';
                run.clear();
            }
            if (auto m = scn.match(line); m.hasMatch())
                stroke = QColor::fromRgbF(m.captured(1).toFloat(), m.captured(2).toFloat(),
                                          m.captured(3).toFloat());
            if (line.endsWith(QLatin1String(" l")))
                ++segments;
            if (line == QLatin1String("S")) {
                page.strokes.append({stroke, segments});
                segments = 0;
            }
        }
    }
    return page;
}

// The longest stroked path drawn in a colour near `color`, in line segments.
inline int longestStroke(const Page& page, const QColor& color) {
    int best = 0;
    for (const Stroke& s : page.strokes) {
        if (qAbs(s.color.red() - color.red()) <= 2 && qAbs(s.color.green() - color.green()) <= 2 &&
            qAbs(s.color.blue() - color.blue()) <= 2)
            best = qMax(best, s.segments);
    }
    return best;
}

} // namespace PdfText
