// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"
#include "logdata/LogReader.h"

#include <QBitArray>

// The module's own ".log" file as a log: the rows the file holds, and only those, with
// each sensor's ratio missing wherever its status says it was not reading.
class ModuleLogReader : public LogReader {
public:
    QString name() const override { return QStringLiteral("QERO4D log file"); }
    QStringList extensions() const override { return {QStringLiteral("log")}; }
    int recognise(QByteArrayView head, const QString& path) const override;
    LogReadResult read(QByteArrayView bytes, const QString& source,
                       const LogReadProgress& progress) const override;

    // The log the buffer holds. `filled` marks the entries that hold a sample (bit i for
    // entry i); without it every entry does, as after a download.
    static Log fromBuffer(const LogBuffer& buffer, const QBitArray* filled = nullptr);

    // Channel names of a log made from the buffer.
    static inline const QString kRpm = QStringLiteral("RPM");
    static inline const QString kAfr1 = QStringLiteral("AFR 1");
    static inline const QString kAfr2 = QStringLiteral("AFR 2");
    static inline const QString kStatus1 = QStringLiteral("Sensor 1 status");
    static inline const QString kStatus2 = QStringLiteral("Sensor 2 status");
    static inline const QString kAnalogVolts = QStringLiteral("Analog input");
};
