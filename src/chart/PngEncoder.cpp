// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

void putBigEndian(char* at, std::uint32_t value) {
    at[0] = char(value >> 24);
    at[1] = char(value >> 16);
    at[2] = char(value >> 8);
    at[3] = char(value);
}

// A chunk with its length, type, data and checksum over type and data.
void appendChunk(QByteArray& out, const char (&type)[5], const QByteArray& data) {
    char head[8];
    putBigEndian(head, std::uint32_t(data.size()));
    std::memcpy(head + 4, type, 4);
    out.append(head, 8);
    out.append(data);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
    char tail[4];
    putBigEndian(tail, std::uint32_t(crc));
    out.append(tail, 4);
}

// Rows are handed to zlib in batches of about this many bytes: few calls, and a buffer
// that stays in the cache.
constexpr std::size_t kBatchBytes = 64 * 1024;

} // namespace

QByteArray PngEncoder::encode(const std::uint32_t* pixels, int width, int height,
                              std::int64_t wordsPerLine) {
    if (!pixels || width <= 0 || height <= 0 || wordsPerLine < width)
        return {};
    const std::size_t rowBytes = 3 * std::size_t(width);
    // A PNG row is its filter byte and the row; the whole must fit zlib's counters.
    const std::size_t rawBytes = (rowBytes + 1) * std::size_t(height);
    if (rawBytes > std::numeric_limits<uInt>::max() / 2)
        return {};

    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray header(13, '\0');
    putBigEndian(header.data(), std::uint32_t(width));
    putBigEndian(header.data() + 4, std::uint32_t(height));
    header[8] = 8;  // bits per sample
    header[9] = 2;  // red, green, blue
    header[10] = 0; // deflate
    header[11] = 0; // the five row filters
    header[12] = 0; // not interlaced
    appendChunk(out, "IHDR", header);
    QByteArray resolution(9, '\0');
    putBigEndian(resolution.data(), 3780); // pixels a metre: 96 per inch
    putBigEndian(resolution.data() + 4, 3780);
    resolution[8] = 1; // the unit is the metre
    appendChunk(out, "pHYs", resolution);

    z_stream z{};
    if (deflateInit(&z, 1) != Z_OK)
        return {};
    QByteArray compressed;
    // Pages of the bound that are never written are never touched.
    compressed.resize(qsizetype(deflateBound(&z, uLong(rawBytes))));
    z.next_out = reinterpret_cast<Bytef*>(compressed.data());
    z.avail_out = uInt(compressed.size());

    const std::size_t rowsPerBatch = std::max<std::size_t>(1, kBatchBytes / (rowBytes + 1));
    std::vector<unsigned char> batch(rowsPerBatch * (rowBytes + 1));
    // The row above, unfiltered; zeros above the first row, as the Up filter assumes.
    std::vector<unsigned char> above(rowBytes, 0);
    bool ok = true;
    for (int y = 0; y < height && ok;) {
        const int rows = int(std::min<std::size_t>(rowsPerBatch, std::size_t(height - y)));
        unsigned char* o = batch.data();
        for (int r = 0; r < rows; ++r, ++y) {
            const std::uint32_t* line = pixels + std::int64_t(y) * wordsPerLine;
            *o++ = 2; // Up
            unsigned char* prior = above.data();
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = line[x];
                const unsigned char red = (unsigned char)(p >> 16);
                const unsigned char green = (unsigned char)(p >> 8);
                const unsigned char blue = (unsigned char)p;
                o[0] = (unsigned char)(red - prior[0]);
                o[1] = (unsigned char)(green - prior[1]);
                o[2] = (unsigned char)(blue - prior[2]);
                prior[0] = red;
                prior[1] = green;
                prior[2] = blue;
                o += 3;
                prior += 3;
            }
        }
        z.next_in = batch.data();
        z.avail_in = uInt(o - batch.data());
        const int flush = y == height ? Z_FINISH : Z_NO_FLUSH;
        const int result = deflate(&z, flush);
        ok = flush == Z_FINISH ? result == Z_STREAM_END : result == Z_OK && z.avail_in == 0;
    }
    const qsizetype written = qsizetype(z.total_out);
    deflateEnd(&z);
    if (!ok)
        return {};
    compressed.truncate(written);
    appendChunk(out, "IDAT", compressed);
    appendChunk(out, "IEND", QByteArray());
    return out;
}
