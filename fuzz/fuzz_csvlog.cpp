// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzLogCheck.h"
#include "logdata/CsvLogReader.h"
#include "logdata/HaltechLogReader.h"
#include "logdata/LogImport.h"

#include <cstddef>
#include <cstdint>

// Any bytes read as a CSV table and as a Haltech export, and through the table of readers,
// give a log of channels as long as its time axis, or an error that shows no control
// character.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CsvLogReader csv;
    static const HaltechLogReader haltech;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    csv.recognise(bytes, QStringLiteral("fuzz.csv"));
    checkLogResult(csv.read(bytes, QStringLiteral("fuzz.csv"), {}));
    checkLogResult(haltech.read(bytes, QStringLiteral("fuzz.csv"), {}));
    checkLogResult(LogImport::read(bytes, QStringLiteral("fuzz.csv")));
    return 0;
}
