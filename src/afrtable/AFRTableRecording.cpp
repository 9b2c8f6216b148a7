// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTableRecording.h"

#include "logdata/LogFileReader.h"
#include "logdata/RecordingFormat.h"
#include "support/Units.h"

#include <QFile>

#include <memory>

namespace {

// The module's sensor value for a recorded reading: its gasoline-scale ratio, or the
// placeholder and the code where the sensor was not reading.
void fillSensor(int status, double lambda, float& afr, float& code) {
    code = float(status);
    afr = status == SensorStatus::FreeAir ? 20.0f
          : status != SensorStatus::Valid ? 10.0f
                                          : float(RecordingFormat::gasolineAFR(lambda));
}

} // namespace

RecordingReader::Result
AFRTableRecording::read(const QString& path,
                        const std::function<void(const LogBuffer&, int filled)>& chunk) {
    auto buffer = std::make_unique<LogBuffer>();
    buffer->ClearDataBuffer();
    int filled = 0;
    // The header every buffer carries comes from the comment line, read first.
    RecordingInfo info;
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            info = RecordingFormat::parseComment(f.readLine(64 * 1024).trimmed());
    }
    const auto flush = [&] {
        if (filled == 0)
            return;
        LogBuffer& log = *buffer;
        log.FuelType = info.fuel;
        log.StoichRatio = float(info.stoichRatio);
        log.MinInVolts = float(info.minVolts);
        log.MaxInVolts = float(info.maxVolts);
        log.MinScaledValue = float(info.minScaled);
        log.MaxScaledValue = float(info.maxScaled);
        log.AnalogLegend = info.analogLegend;
        log.AnalogInputType = QStringLiteral("USER");
        log.DownloadDate = info.started;
        if (filled > 1)
            log.DataLogInterval =
                float((log.ElapsedTime[filled - 1] - log.ElapsedTime[0]) / (filled - 1));
        LogFileReader::repairElapsedTime(log);
        log.DataBufferEmpty = false;
        chunk(log, filled);
        log.ClearDataBuffer();
        filled = 0;
    };
    RecordingReader::Result result =
        RecordingReader::readFile(path, [&](qint64, const RecordingRow& row) {
            LogBuffer& log = *buffer;
            const int i = filled++;
            log.ElapsedTime[i] = float(row.time);
            fillSensor(row.status1, row.lambda1, log.AFR1[i], log.Sensor1Status[i]);
            fillSensor(row.status2, row.lambda2, log.AFR2[i], log.Sensor2Status[i]);
            log.RPM[i] = float(row.rpm);
            log.AnalogInVolts[i] = float(row.analogVolts);
            if (filled == LogBuffer::kSamples)
                flush();
            return true;
        });
    flush();
    return result;
}
