// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/PngEncoder.h"

#include <QtTest>

#include <random>
#include <vector>

namespace {

// Pixels as the encoder reads them: rows of 0xAARRGGBB words, `wordsPerLine` apart.
struct Picture {
    int width = 0;
    int height = 0;
    std::int64_t wordsPerLine = 0;
    std::vector<std::uint32_t> words;
    std::uint32_t at(int x, int y) const { return words[std::size_t(y * wordsPerLine + x)]; }
};

enum class Content { Noise, Chart };

Picture make(int width, int height, int padding, Content content) {
    Picture p{width, height, width + padding, {}};
    p.words.assign(std::size_t(p.wordsPerLine * height), 0xdeadbeef);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t& w = p.words[std::size_t(y * p.wordsPerLine + x)];
            if (content == Content::Noise) {
                // Alpha varies too: the encoder must drop it, not let it leak in.
                w = std::uint32_t(random());
            } else {
                // White, a grid line every 50 columns, a trace that wanders and an
                // anti-aliased edge beside it.
                w = 0xffffffff;
                if (x % 50 == 0)
                    w = 0xffc0c0c0;
                const int traceRow = height / 2 + int(20 * std::sin(x / 30.0));
                if (y == traceRow)
                    w = 0xff0000ff;
                else if (y == traceRow + 1)
                    w = 0xff8080ff;
            }
        }
    return p;
}

} // namespace

class tst_pngencoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodesToTheSamePixels_data();
    void decodesToTheSamePixels();
    void refusesNoPicture();
};

void tst_pngencoder::decodesToTheSamePixels_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("padding");
    QTest::addColumn<int>("content");
    QTest::newRow("one pixel") << 1 << 1 << 0 << int(Content::Noise);
    QTest::newRow("odd sides, rows padded") << 7 << 5 << 3 << int(Content::Noise);
    // Incompressible: the compressed stream is larger than the pixels.
    QTest::newRow("noise over many batches") << 640 << 480 << 0 << int(Content::Noise);
    QTest::newRow("a chart") << 1200 << 700 << 0 << int(Content::Chart);
    QTest::newRow("one tall column") << 1 << 3000 << 1 << int(Content::Chart);
}

void tst_pngencoder::decodesToTheSamePixels() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, padding);
    QFETCH(int, content);
    const Picture p = make(width, height, padding, Content(content));
    const QByteArray png = PngEncoder::encode(p.words.data(), width, height, p.wordsPerLine);
    QVERIFY(!png.isEmpty());

    // Read back by Qt's own reader, which checks every chunk's checksum.
    QImage decoded;
    QVERIFY(decoded.loadFromData(png, "PNG"));
    QCOMPARE(decoded.size(), QSize(width, height));
    QVERIFY(!decoded.hasAlphaChannel());
    QCOMPARE(decoded.dotsPerMeterX(), 3780);
    decoded = decoded.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (decoded.pixel(x, y) != (p.at(x, y) | 0xff000000u))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
}

void tst_pngencoder::refusesNoPicture() {
    const std::uint32_t pixel = 0xff123456;
    QVERIFY(PngEncoder::encode(nullptr, 1, 1, 1).isEmpty());
    QVERIFY(PngEncoder::encode(&pixel, 0, 1, 1).isEmpty());
    QVERIFY(PngEncoder::encode(&pixel, 1, 0, 1).isEmpty());
    // Rows that would overlap.
    QVERIFY(PngEncoder::encode(&pixel, 2, 1, 1).isEmpty());
}

QTEST_GUILESS_MAIN(tst_pngencoder)
#include "tst_pngencoder.moc"
