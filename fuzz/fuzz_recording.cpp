// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/RecordingReader.h"
#include "support/QeroFailure.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes read as a recording of the real-time view: rows handed over in order, as
// many as the reader counts, or a refusal; never a crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    try {
        qint64 expected = 0;
        const RecordingReader::Result r =
            RecordingReader::read(device, [&](qint64 index, const RecordingRow&) {
                if (index != expected++)
                    std::abort();
                return true;
            });
        if (r.rows != expected || r.rowsSkipped < 0)
            std::abort();
    } catch (const QeroFailure&) {
    }
    return 0;
}
