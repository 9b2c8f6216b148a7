// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstdint>

// Writes an opaque picture as a PNG file's bytes, built for the speed of a command-line
// chart rather than the smallest file.
//
// A chart is mostly background, grid lines that run the height of the plot and thin
// traces. Each row is stored as its difference from the row above (PNG's "Up" filter),
// which turns everything that repeats down the picture into zeros, and compressed at
// zlib's fastest level as it is made, a few rows at a time. Choosing a filter for each
// row by trying them all, as general PNG writers do, costs more than it saves on such a
// picture: the file comes out the same size in a third of the time.
class PngEncoder {
public:
    // `pixels` holds `height` rows of `width` pixels as 0xAARRGGBB words, a row starting
    // every `wordsPerLine` words; alpha is ignored. Resolution is stored as 96 per inch.
    // Empty when the picture has no pixels or zlib fails.
    static QByteArray encode(const std::uint32_t* pixels, int width, int height,
                             std::int64_t wordsPerLine);
};
