// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/RecordingSampleSource.h"

#include "logdata/RecordingReader.h"

#include <QBuffer>

#include <limits>

namespace {

double reading(int status, double lambda) {
    return status == 0 ? lambda : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

TuningLog RecordingSampleSource::read(const QString& path) const {
    return samples(path, [&path](const RecordingReader::RowFunction& row) {
        return RecordingReader::readFile(path, row);
    });
}

TuningLog RecordingSampleSource::parse(QByteArrayView bytes, const QString& source) {
    QByteArray copy = bytes.toByteArray();
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    return samples(source, [&device](const RecordingReader::RowFunction& row) {
        return RecordingReader::read(device, row);
    });
}

TuningLog RecordingSampleSource::samples(
    const QString& source,
    const std::function<RecordingReader::Result(const RecordingReader::RowFunction&)>& read) {
    TuningLog out;
    out.source = source;
    out.afrScale = 1.0;
    const RecordingReader::Result result = read([&](qint64, const RecordingRow& row) {
        // The workbench needs strictly ascending times; the recorder writes them so,
        // an edited file may not.
        if (!out.time.empty() && !(row.time > out.time.back())) {
            ++out.rowsSkipped;
            return true;
        }
        out.time.push_back(row.time);
        out.rpm.push_back(row.rpm);
        out.load.push_back(row.analogScaled);
        out.afr1.push_back(reading(row.status1, row.lambda1));
        out.afr2.push_back(reading(row.status2, row.lambda2));
        return true;
    });
    out.rowsSkipped += result.rowsSkipped;
    out.fuelStoichRatio = result.info.stoichRatio;
    if (result.lastLineCut)
        out.warnings << kLastRowCut;
    return out;
}
