// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogReader.h"

// A live recording (".csv" with the recording's comment line) as a log, however long:
// every row it holds, the marks on the time axis, ratios missing where the sensor was
// not reading.
class RecordingLogReader : public LogReader {
public:
    QString name() const override { return QStringLiteral("QERO4D Log recording"); }
    QStringList extensions() const override { return {QStringLiteral("csv")}; }
    int recognise(QByteArrayView head, const QString& path) const override;
    LogReadResult read(QByteArrayView bytes, const QString& source,
                       const LogReadProgress& progress) const override;
};
