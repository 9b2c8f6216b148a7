// SPDX-License-Identifier: GPL-3.0-or-later
// A memory image comes from a module whose memory may hold anything (a new module, a
// module written by other firmware, a download cut short): every image must decode into
// values the chart, the table and the log file can take, or be refused with the log left
// as it was.
#include "device/FramDecoder.h"
#include "device/ModuleParameters.h"
#include "logdata/LogBuffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The checks walk all 84000 values on every run. They are left out of the coverage
// feedback, which they add nothing to, and read the columns through plain pointers (an
// out-of-line std::array subscript was called, and traced, for every value): otherwise they
// cost more than the decoding itself.
#define QERO_FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))

QERO_FUZZ_UNTRACED inline bool validStatus(float s) {
    return s == 0.0f || (s >= 1.0f && s <= 6.0f && s == std::floor(s)) || s == 10.0f;
}

QERO_FUZZ_UNTRACED void checkDecoded(const LogBuffer& log) {
    const float* afr1 = log.AFR1.data();
    const float* afr2 = log.AFR2.data();
    const float* status1 = log.Sensor1Status.data();
    const float* status2 = log.Sensor2Status.data();
    const float* rpm = log.RPM.data();
    const float* volts = log.AnalogInVolts.data();
    const float* time = log.ElapsedTime.data();
    for (int k = 0; k < LogBuffer::kSamples; ++k) {
        if (!(afr1[k] >= 10.0f && afr1[k] <= 20.0f) || !(afr2[k] >= 10.0f && afr2[k] <= 20.0f))
            std::abort();
        if (!validStatus(status1[k]) || !validStatus(status2[k]))
            std::abort();
        if (!(rpm[k] >= 0.0f && std::isfinite(rpm[k])))
            std::abort();
        if (!(volts[k] >= 0.0f && volts[k] <= 5.0f))
            std::abort();
        if (!std::isfinite(time[k]) || (k > 0 && time[k] < time[k - 1]))
            std::abort();
    }
}

// All-ones bytes (a NaN no decoding gives) set and compared as whole blocks of memory:
// marking float by float took about a twelfth of every run.
constexpr unsigned char kMarkByte = 0xFF;

QERO_FUZZ_UNTRACED void markAll(LogBuffer& log) {
    for (auto* column : {&log.ElapsedTime, &log.AFR1, &log.AFR2, &log.RPM, &log.AnalogInVolts,
                         &log.Sensor1Status, &log.Sensor2Status})
        std::memset(column->data(), kMarkByte, sizeof(*column));
}

QERO_FUZZ_UNTRACED bool allMarked(const LogBuffer& log) {
    static const std::array<unsigned char, sizeof(LogBuffer::Samples)> marked = [] {
        std::array<unsigned char, sizeof(LogBuffer::Samples)> bytes;
        bytes.fill(kMarkByte);
        return bytes;
    }();
    for (auto* column : {&log.ElapsedTime, &log.AFR1, &log.AFR2, &log.RPM, &log.AnalogInVolts,
                         &log.Sensor1Status, &log.Sensor2Status})
        if (std::memcmp(column->data(), marked.data(), marked.size()) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The image is the input, repeated to fill the 64 KiB so that short inputs still put
    // varied records all around the ring. The last six bytes are also a parameter block as
    // the parameter panel reads it.
    static FramDecoder::Image image;
    const size_t chunk = std::min(size, image.size());
    for (size_t a = 0; a < image.size(); a += chunk)
        std::memcpy(image.data() + a, data, std::min(chunk, image.size() - a));

    // Marked entries show whether a refused image touched the log.
    static LogBuffer log;
    markAll(log);
    const FramDecoder::Outcome out = FramDecoder::decode(image, log);
    if (!out.ok) {
        if (out.failure.isEmpty() || !allMarked(log))
            std::abort(); // a refused image must leave the log as it was, with a reason
    } else {
        checkDecoded(log);
        if (!(out.parameters.PulsePerRev >= 0.5f && out.parameters.PulsePerRev <= 12.0f))
            std::abort();
    }

    // The parameter bytes written back from what was read are the bytes that were read.
    if (size >= 6) {
        const quint8* p = data + size - 6;
        const ModuleParameters params = ModuleParameters::fromBytes(p, false);
        quint8 written[6] = {0, 0, p[2], p[3], 0, 0};
        params.writeBytes(written);
        for (int b : ModuleParameters::kWrittenBytes)
            if (written[b] != p[b])
                std::abort();
        if (!(ModuleParameters::fromBytes(written, false) == params))
            std::abort();
    }

    return 0;
}
