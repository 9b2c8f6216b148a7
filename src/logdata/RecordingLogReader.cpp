// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/RecordingLogReader.h"

#include "logdata/LogFileReader.h"
#include "logdata/LogImport.h"
#include "logdata/RecordingFormat.h"
#include "logdata/RecordingReader.h"
#include "support/QeroFailure.h"
#include "support/Units.h"

#include <QBuffer>

int RecordingLogReader::recognise(QByteArrayView head, const QString&) const {
    return RecordingFormat::isRecording(head) ? 100 : 0;
}

LogReadResult RecordingLogReader::read(QByteArrayView bytes, const QString& source,
                                       const LogReadProgress& progress) const {
    Log log;
    enum Column {
        Rpm,
        Lambda1,
        Status1,
        Lambda2,
        Status2,
        Volts,
        Scaled,
        Battery,
        Cell1,
        Cell2,
        Ethanol,
        Count
    };
    std::vector<float> col[Count];
    bool anyEthanol = false;
    // Each row is about 90 bytes: reserving on that guess keeps a long drive from being
    // copied as it grows.
    const std::size_t guess = std::size_t(bytes.size() / 90 + 16);
    log.time.reserve(guess);
    for (auto& c : col)
        c.reserve(guess);

    QByteArray copy = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    RecordingReader::Result r;
    const auto ratio = [](double lambda, int status) {
        // A ratio of nothing is no reading, whatever status came with it.
        return status == SensorStatus::Valid && lambda > 0.0 ? float(lambda) : LogChannel::kMissing;
    };
    bool cancelled = false;
    try {
        r = RecordingReader::read(device, [&](qint64 index, const RecordingRow& row) {
            if (!log.time.empty() && !(row.time > log.time.back()))
                return true; // a clock that went back: the row cannot be placed
            log.time.push_back(row.time);
            col[Rpm].push_back(float(row.rpm));
            col[Lambda1].push_back(ratio(row.lambda1, row.status1));
            col[Status1].push_back(float(row.status1));
            col[Lambda2].push_back(ratio(row.lambda2, row.status2));
            col[Status2].push_back(float(row.status2));
            col[Volts].push_back(float(row.analogVolts));
            col[Scaled].push_back(float(row.analogScaled));
            col[Battery].push_back(float(row.battery));
            col[Cell1].push_back(float(row.cellRes1));
            col[Cell2].push_back(float(row.cellRes2));
            col[Ethanol].push_back(float(row.ethanol)); // NaN where the module has none
            anyEthanol = anyEthanol || row.hasEthanol();
            if (row.mark)
                log.marks.push_back({row.time, QStringLiteral("Mark")});
            if (progress && (index & 0xFFFF) == 0 && !progress(device.pos(), device.size())) {
                cancelled = true;
                return false;
            }
            return true;
        });
    } catch (const QeroFailure& f) {
        return LogReadResult::failure(
            QStringLiteral("%1: %2").arg(LogFileReader::printable(source), f.description()));
    }
    if (cancelled)
        return LogReadResult::failure(LogImport::kCancelled);
    LogReadResult out;
    if (r.rowsSkipped > 0)
        out.warnings.append(
            QStringLiteral("%1 lines of the recording could not be read and were left out.")
                .arg(r.rowsSkipped));
    if (r.lastLineCut)
        out.warnings.append(QStringLiteral("The last line of the recording was cut off (the "
                                           "recording was not ended) and was left out."));
    if (log.time.empty()) {
        out.error = QStringLiteral("%1: the recording holds no rows.")
                        .arg(LogFileReader::printable(source));
        return out;
    }
    log.fuelStoich = r.info.stoichRatio;
    log.info = QStringLiteral("%1 %2").arg(r.info.model, r.info.firmware).trimmed();
    log.started = QDateTime::fromString(r.info.started, Qt::ISODate);

    const auto add = [&](const QString& name, const QString& unit, Quantity q, Column c) {
        LogChannel ch;
        ch.name = name;
        ch.unit = unit;
        ch.quantity = q;
        ch.values = std::move(col[c]);
        log.channels.push_back(std::move(ch));
        return int(log.channels.size()) - 1;
    };
    add(QStringLiteral("RPM"), QStringLiteral("rpm"), Quantity::EngineSpeed, Rpm);
    for (int s = 1; s <= 2; ++s) {
        const int ratioIndex = add(QStringLiteral("Lambda %1").arg(s), Units::lambdaName(),
                                   Quantity::FuelRatio, s == 1 ? Lambda1 : Lambda2);
        const int statusIndex = add(QStringLiteral("Sensor %1 status").arg(s), QString(),
                                    Quantity::SensorStatus, s == 1 ? Status1 : Status2);
        LogChannel& rc = log.channels[ratioIndex];
        rc.ratioScale = Units::kLambdaScale;
        rc.sensor = s;
        rc.statusChannel = statusIndex;
        rc.digits = 3;
        log.channels[statusIndex].sensor = s;
    }
    add(QStringLiteral("Analog input"), QStringLiteral("V"), Quantity::AnalogVolts, Volts);
    // A scaled input is kept where the recording names one: by its type, or by a legend of
    // the user's own.
    if (r.info.analogType.compare(QLatin1String("NONE"), Qt::CaseInsensitive) != 0 ||
        r.info.analogLegend != RecordingInfo().analogLegend)
        add(r.info.analogLegend, QString(), Quantity::AnalogScaled, Scaled);
    add(QStringLiteral("Battery"), QStringLiteral("V"), Quantity::BatteryVolts, Battery);
    add(QStringLiteral("Cell resistance 1"), QStringLiteral("Ω"), Quantity::Other, Cell1);
    add(QStringLiteral("Cell resistance 2"), QStringLiteral("Ω"), Quantity::Other, Cell2);
    if (anyEthanol)
        add(QStringLiteral("Ethanol"), QStringLiteral("%"), Quantity::Other, Ethanol);
    log.format = name();
    out.log = std::move(log);
    return out;
}
