// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningInputError.h"
#include "tuning/TuningTableText.h"

#include <cstddef>
#include <cstdint>

// Any bytes read as a pasted or saved table (base map, target table, a grid copied from a
// spreadsheet or an engine computer's table editor): a table or a refusal; never a crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        (void)TuningTableText::parse(bytes, QStringLiteral("fuzz.txt"));
    } catch (const TuningInputError&) {
    }
    return 0;
}
