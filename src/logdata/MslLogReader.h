// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogReader.h"

// The MegaLogViewer / TunerStudio text log (".msl", also written by MegaTune and
// MS2-Extra): title and capture-date lines, the names row, an optional units row, then
// tab-separated values with "MARK nnn - text" lines among them. A blank field is no new
// value, so it is missing, not the value before.
class MslLogReader : public LogReader {
public:
    QString name() const override { return QStringLiteral("MegaLogViewer text log"); }
    QStringList extensions() const override { return {QStringLiteral("msl")}; }
    int recognise(QByteArrayView head, const QString& path) const override;
    LogReadResult read(QByteArrayView bytes, const QString& source,
                       const LogReadProgress& progress) const override;
};
