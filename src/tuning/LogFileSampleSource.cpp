// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/LogFileSampleSource.h"

#include "logdata/AnalogScaling.h"
#include "logdata/LogBuffer.h"
#include "logdata/LogFileReader.h"
#include "support/Numbers.h"
#include "support/Units.h"

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kGasolineScale = Units::kGasolineStoich;

// What a saved empty buffer writes for every slot the log did not fill.
bool isClearedSlot(const LogBuffer& log, int i) {
    return log.AFR1[i] == 10.0f && log.AFR2[i] == 10.0f && log.Sensor1Status[i] == 0.0f &&
           log.Sensor2Status[i] == 0.0f && log.RPM[i] == 1.0f && log.AnalogInVolts[i] == 1.0f;
}

double reading(float afr, float status) {
    return status == 0.0f ? double(afr) : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

TuningLog LogFileSampleSource::fromBuffer(const LogBuffer& log, int rows, const QString& source,
                                          const QBitArray* filled) {
    TuningLog out;
    out.source = source;
    out.afrScale = kGasolineScale;
    // The ratio as the user typed it ("14.69"), not its single-precision neighbour.
    out.fuelStoichRatio = Numbers::shortestFloat(log.StoichRatio).toDouble();

    int end = std::min(rows, LogBuffer::kSamples);
    // Only what the file held can be padding; a row the reader could not use is counted.
    while (end > 0 && (!filled || filled->testBit(end - 1)) && isClearedSlot(log, end - 1))
        --end;
    out.reserve(std::size_t(end));
    const AnalogScaling scaling(log);
    for (int i = 0; i < end; ++i) {
        if ((filled && !filled->testBit(i)) || std::isnan(log.RPM[i])) {
            ++out.rowsSkipped;
            continue;
        }
        out.time.push_back(double(log.ElapsedTime[i]));
        out.rpm.push_back(double(log.RPM[i]));
        out.load.push_back(double(scaling.scale(log.AnalogInVolts[i])));
        out.afr1.push_back(reading(log.AFR1[i], log.Sensor1Status[i]));
        out.afr2.push_back(reading(log.AFR2[i], log.Sensor2Status[i]));
    }
    return out;
}

TuningLog LogFileSampleSource::read(const QString& path) const {
    return parse(LogFileReader::readBytes(path), path);
}

TuningLog LogFileSampleSource::parse(QByteArrayView bytes, const QString& path) {
    auto log = std::make_unique<LogBuffer>();
    log->ClearDataBuffer();
    const LogFileReader::Result result =
        LogFileReader::read(bytes, *log, LogFileReader::FuelLines::Apply);
    // The reader says which rows it filled; the others are no samples.
    TuningLog out =
        fromBuffer(*log, result.noDataFound() ? 0 : result.rowsRead, path, &result.samplesFilled);
    out.warnings = result.warnings;
    return out;
}
