// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/ModuleLogReader.h"

#include "logdata/AnalogScaling.h"
#include "logdata/LogFileReader.h"
#include "support/Units.h"

#include <QFileInfo>

#include <memory>

namespace {

// The sensor's ratio where it was reading, missing where its status says otherwise.
float ratioOrMissing(float afr, float status) {
    return status == float(SensorStatus::Valid) ? afr : LogChannel::kMissing;
}

} // namespace

int ModuleLogReader::recognise(QByteArrayView head, const QString& path) const {
    if (LogFileReader::hasLogHeader(head))
        return 100;
    // A file saved as a log whose header is damaged is still read as a log, with the
    // reader's warning that it may not be one.
    if (QFileInfo(path).suffix().compare(QLatin1String("log"), Qt::CaseInsensitive) == 0)
        return 20;
    return 0;
}

LogReadResult ModuleLogReader::read(QByteArrayView bytes, const QString& source,
                                    const LogReadProgress&) const {
    // The reader fills a buffer of the module's shape; the log takes only the rows read.
    auto buffer = std::make_unique<LogBuffer>();
    buffer->ClearDataBuffer();
    const LogFileReader::Result r = LogFileReader::read(bytes, *buffer);
    LogReadResult out;
    out.warnings = r.warnings;
    if (r.noDataFound()) {
        out.error = QStringLiteral("%1: %2").arg(LogFileReader::printable(source),
                                                 LogFileReader::kNoDataFound);
        return out;
    }
    if (r.samplesFilled.count(true) == 0) {
        out.error = QStringLiteral("%1: the file holds no sample that could be read.")
                        .arg(LogFileReader::printable(source));
        return out;
    }
    out.log = fromBuffer(*buffer, &r.samplesFilled);
    out.log->source = source;
    return out;
}

Log ModuleLogReader::fromBuffer(const LogBuffer& buffer, const QBitArray* filled) {
    Log log;
    log.format = QStringLiteral("QERO4D log file");
    log.fuelStoich = buffer.StoichRatio;
    log.info = buffer.Comment;
    std::vector<int> rows;
    rows.reserve(LogBuffer::kSamples);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        if (!filled || filled->testBit(i))
            rows.push_back(i);
    log.time.reserve(rows.size());
    for (int i : rows)
        log.time.push_back(buffer.ElapsedTime[i]);

    const auto fill = [&](const QString& name, const QString& unit, Quantity q,
                          const LogBuffer::Samples& samples) {
        const int c = log.addChannel(name, unit, q);
        std::vector<float>& v = log.channels[c].values;
        for (std::size_t k = 0; k < rows.size(); ++k)
            v[k] = samples[rows[k]];
        return c;
    };
    fill(kRpm, QStringLiteral("rpm"), Quantity::EngineSpeed, buffer.RPM);
    const std::pair<const LogBuffer::Samples*, const LogBuffer::Samples*> sensors[] = {
        {&buffer.AFR1, &buffer.Sensor1Status}, {&buffer.AFR2, &buffer.Sensor2Status}};
    for (int s = 0; s < 2; ++s) {
        const int ratio =
            fill(s == 0 ? kAfr1 : kAfr2, Units::afrName(), Quantity::FuelRatio, *sensors[s].first);
        const int status = fill(s == 0 ? kStatus1 : kStatus2, QString(), Quantity::SensorStatus,
                                *sensors[s].second);
        LogChannel& rc = log.channels[ratio];
        rc.ratioScale = Units::kGasolineStoich;
        rc.sensor = s + 1;
        rc.statusChannel = status;
        rc.digits = 1;
        log.channels[status].sensor = s + 1;
        const std::vector<float>& st = log.channels[status].values;
        for (std::size_t k = 0; k < rows.size(); ++k)
            rc.values[k] = ratioOrMissing(rc.values[k], st[k]);
    }
    fill(kAnalogVolts, QStringLiteral("V"), Quantity::AnalogVolts, buffer.AnalogInVolts);
    if (AnalogScaling::presetFor(buffer.AnalogInputType) != AnalogScaling::Preset::None) {
        const AnalogScaling scaling(buffer);
        const int c = log.addChannel(buffer.AnalogLegend, QString(), Quantity::AnalogScaled);
        std::vector<float>& v = log.channels[c].values;
        for (std::size_t k = 0; k < rows.size(); ++k)
            v[k] = scaling.scale(buffer.AnalogInVolts[rows[k]]);
    }
    return log;
}
