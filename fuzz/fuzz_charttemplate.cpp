// SPDX-License-Identifier: GPL-3.0-or-later
// The chart template reader must take any bytes without crashing or reading out of
// bounds, whatever a damaged or hostile template holds.
#include "chart/ChartTemplate.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    (void)ChartTemplate::parse(bytes, &error);
    // Behind the signature line, so that the sections and values are reached too.
    (void)ChartTemplate::parse(QByteArray(ChartTemplate::kSignature) + '\n' + bytes, &error);
    return 0;
}
