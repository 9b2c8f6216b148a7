// A memory image comes from a module whose memory may hold anything (a new module, a
// module written by other firmware, a download cut short): every image must decode into
// values the chart, the table and the log file can take, or be refused with the log left
// as it was.
#include "device/FramDecoder.h"
#include "device/ModuleParameters.h"
#include "logdata/LogBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool validStatus(float s) {
    return s == 0.0f || (s >= 1.0f && s <= 6.0f && s == std::floor(s)) || s == 10.0f;
}

// The checks walk all 84000 values on every run; left out of the coverage feedback, which
// they add nothing to, they no longer cost more than the decoding itself.
#define QERO_FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))

QERO_FUZZ_UNTRACED void checkDecoded(const LogBuffer& log) {
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        const size_t k = size_t(i);
        for (float afr : {log.AFR1[k], log.AFR2[k]})
            if (!(afr >= 10.0f && afr <= 20.0f))
                std::abort();
        if (!validStatus(log.Sensor1Status[k]) || !validStatus(log.Sensor2Status[k]))
            std::abort();
        if (!(log.RPM[k] >= 0.0f && std::isfinite(log.RPM[k])))
            std::abort();
        if (!(log.AnalogInVolts[k] >= 0.0f && log.AnalogInVolts[k] <= 5.0f))
            std::abort();
        if (!std::isfinite(log.ElapsedTime[k]) ||
            (i > 0 && log.ElapsedTime[k] < log.ElapsedTime[k - 1]))
            std::abort();
    }
}

constexpr float kMark = -1.0f;

QERO_FUZZ_UNTRACED void markAll(LogBuffer& log) {
    for (auto* column : {&log.ElapsedTime, &log.AFR1, &log.AFR2, &log.RPM, &log.AnalogInVolts,
                         &log.Sensor1Status, &log.Sensor2Status})
        column->fill(kMark);
}

QERO_FUZZ_UNTRACED bool allMarked(const LogBuffer& log) {
    for (auto* column : {&log.ElapsedTime, &log.AFR1, &log.AFR2, &log.RPM, &log.AnalogInVolts,
                         &log.Sensor1Status, &log.Sensor2Status})
        if (!std::all_of(column->begin(), column->end(), [](float v) { return v == kMark; }))
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
