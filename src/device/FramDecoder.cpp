// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/FramDecoder.h"

#include "support/Numbers.h"

namespace {

// Every sensor and analog byte has one fixed result: compute the 256 of each once so
// that a whole image decodes without any rounding work per record.
struct ByteTables {
    std::array<float, 256> afr{};
    std::array<float, 256> status{};
    std::array<float, 256> volts{};

    ByteTables() {
        for (int code = 0; code < 256; ++code) {
            if (code <= 6) {
                afr[code] = 10.0f;
                status[code] = float(code);
            } else if (code <= 238) {
                afr[code] = float(Numbers::roundHalfEven(code / 25.0 + 10.0, 1));
                status[code] = 0.0f;
            } else if (code <= 241) {
                afr[code] = 19.5f;
                status[code] = 0.0f;
            } else {
                afr[code] = 20.0f;
                status[code] = 10.0f;
            }
            volts[code] = float(Numbers::roundHalfEven(5.0 * code / 255.0, 2));
        }
    }
};

using namespace ModuleVocabulary::Memory;

const ByteTables& tables() {
    static const ByteTables t;
    return t;
}

} // namespace

int FramDecoder::ringPosition(int position) {
    if (position >= kLowerHalfLimit && position <= kUpperHalfStart)
        return kUpperHalfStart;
    if (position > kLastAddress)
        return kLowerHalfStart;
    return position;
}

float FramDecoder::sensorAFR(quint8 code) {
    return tables().afr[code];
}

float FramDecoder::sensorStatus(quint8 code) {
    return tables().status[code];
}

float FramDecoder::rpm(quint16 period, float pulsePerRev) {
    if (period == 0 || period == 0xFFFF)
        return 0.0f;
    return float(Numbers::roundHalfEven(kTicksPerMinute / (double(pulsePerRev) * period)));
}

float FramDecoder::analogVolts(quint8 value) {
    return tables().volts[value];
}

float FramDecoder::elapsedTime(float interval, int sample) {
    return float(Numbers::roundHalfEven(double(interval) * sample, 2));
}

FramDecoder::Outcome FramDecoder::decode(const Image& image, LogBuffer& log) {
    Outcome out;
    out.parameters = ModuleParameters::fromBytes(image.data(), true);

    // Walk the ring first so that a pointer leading off the end leaves the log untouched.
    std::array<int, kRecords> positions;
    int p = image[kLogPointerLow] + 256 * image[kLogPointerHigh];
    for (int i = 0; i < kRecords; ++i) {
        p = ringPosition(p);
        if (p + kRecordSize - 1 > kLastAddress) {
            out.failure = QStringLiteral("Log record %1 at address %2 runs past the end of the "
                                         "module memory.")
                              .arg(i + 1)
                              .arg(p);
            return out;
        }
        positions[i] = p;
        p += kRecordSize;
    }

    const ByteTables& t = tables();
    const float pulses = out.parameters.PulsePerRev;
    for (int i = 0; i < kRecords; ++i) {
        const quint8* r = image.data() + positions[i];
        log.AFR1[i] = t.afr[r[0]];
        log.Sensor1Status[i] = t.status[r[0]];
        log.AFR2[i] = t.afr[r[1]];
        log.Sensor2Status[i] = t.status[r[1]];
        log.RPM[i] = rpm(quint16(r[2] + 256 * r[3]), pulses);
        log.AnalogInVolts[i] = t.volts[r[4]];
    }
    for (int i = 0; i < kRecords; ++i)
        log.ElapsedTime[i] = elapsedTime(out.parameters.DataLogInterval, i + 1);
    out.ok = true;
    return out;
}
