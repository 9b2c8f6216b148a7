// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzLogCheck.h"
#include "logdata/MlgLogReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes read as a MegaLogViewer binary log give a log of channels as long as its time
// axis, one data block kept per row, or an error that shows no control character.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MlgLogReader reader;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const MlgLogReader::Parsed p = MlgLogReader::parse(bytes);
    if (p.error.isEmpty()) {
        std::size_t dataBlocks = 0;
        for (const MlgLogReader::Block& b : p.blocks)
            dataBlocks += b.type == 0 ? 1 : 0;
        if (dataBlocks != p.log.rows() || p.log.marks.size() > p.blocks.size() - dataBlocks)
            std::abort();
    }
    checkLogResult(reader.read(bytes, QStringLiteral("fuzz.mlg"), {}));
    return 0;
}
