// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzReused.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"

#include <QHashFunctions>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes must read without a crash or an out-of-bounds access, and whatever was read
// must write out and read back as a complete file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LogBuffer& log = reusedFresh<LogBuffer, 0>();
    const LogFileReader::Result r = LogFileReader::read(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), log);
    if (r.rowsRead > LogBuffer::kSamples || r.rowsSkipped > r.rowsRead || log.FuelType.size() > 16)
        std::abort();
    if (r.noDataFound())
        return 0;
    // The round trip writes and reads all 12000 rows, far more work than most reads; it
    // runs for one input in sixteen, chosen by content so that a finding still reproduces.
    if (qHashBits(data, size, 0) % 16 != 0)
        return 0;
    const QByteArray written = LogFileWriter::whole(log, QStringLiteral("Brenwick"));
    LogBuffer& again = reusedFresh<LogBuffer, 1>();
    const LogFileReader::Result back = LogFileReader::read(written, again);
    if (!back.warnings.isEmpty() || back.rowsSkipped != 0)
        std::abort();
    return 0;
}
