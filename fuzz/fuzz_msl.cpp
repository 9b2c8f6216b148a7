// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzLogCheck.h"
#include "logdata/MslLogReader.h"

#include <cstddef>
#include <cstdint>

// Any bytes read as a MegaLogViewer text log give a log of channels as long as its time
// axis, or an error that shows no control character.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MslLogReader reader;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    reader.recognise(bytes, QStringLiteral("fuzz.msl"));
    checkLogResult(reader.read(bytes, QStringLiteral("fuzz.msl"), {}));
    return 0;
}
