// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningSampleSource.h"

#include <QByteArrayView>

#include <QBitArray>

struct LogBuffer;

// Samples of a module ".log" file, read by the program's own log reader: the load is the
// analog input scaled by the file's own calibration, a sensor with a status code has no
// reading, and the ratios stay on the module's gasoline scale.
class LogFileSampleSource : public TuningSampleSource {
public:
    TuningLog read(const QString& path) const override;
    // The same from bytes already read (a pipe read once); `path` names them.
    static TuningLog parse(QByteArrayView bytes, const QString& path);

    // The same from a buffer that has been read already; `rows` is the number of sample
    // rows the file held. Rows that the reader did not fill (`filled`, when given: the
    // reader's record of them) and the cleared rows that pad a short log to its 12000 rows
    // are left out.
    static TuningLog fromBuffer(const LogBuffer& log, int rows, const QString& source,
                                const QBitArray* filled = nullptr);
};
