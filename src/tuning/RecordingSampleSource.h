// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/RecordingReader.h"
#include "tuning/TuningSampleSource.h"

#include <QByteArrayView>

#include <functional>

// Samples of a live recording, however long: the load is the recorded scaled analog
// input, the sensors are on the lambda scale (the fuel the recording declares is
// reported), and a sensor with a status code has no reading.
class RecordingSampleSource : public TuningSampleSource {
public:
    TuningLog read(const QString& path) const override;
    // The same from bytes already read (a pipe read once); `source` names them.
    static TuningLog parse(QByteArrayView bytes, const QString& source);

    static inline const QString kLastRowCut =
        QStringLiteral("the last row was cut off (the recording ended abruptly) and is left out");

private:
    static TuningLog samples(
        const QString& source,
        const std::function<RecordingReader::Result(const RecordingReader::RowFunction&)>& read);
};
