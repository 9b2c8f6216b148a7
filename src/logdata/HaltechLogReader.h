// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogReader.h"

#include <QString>

// The Haltech NSP data log export: "%DataLog%" and "Key : value" lines, then one block
// per channel ("Channel :", "ID :", "Type :", "DisplayMaxMin :") that names the columns
// in order, then comma-separated rows of raw integers with the clock time first. Each
// channel's type gives its scaling; the int32 values near the lowest mean "no value".
class HaltechLogReader : public LogReader {
public:
    QString name() const override { return QStringLiteral("Haltech NSP data log"); }
    QStringList extensions() const override { return {QStringLiteral("csv")}; }
    int recognise(QByteArrayView head, const QString& path) const override;
    LogReadResult read(QByteArrayView bytes, const QString& source,
                       const LogReadProgress& progress) const override;

    // A channel type's factor from the raw integer to the unit it names, and that unit
    // ("Pressure" -> 0.1 kPa); factor 1 and no unit for a type not known.
    struct Scaling {
        double factor = 1.0;
        QString unit;
    };
    static Scaling scaling(const QString& type);
};
