// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/RecordingFormat.h"

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// Reads a recording row by row, however long the drive was: the comment line, the
// header line, then every row in order. A last line without its line feed is a row the
// recorder was cut off in (a crash, a pulled cable) and is left out; other rows that do
// not read are skipped and counted.
class RecordingReader {
public:
    struct Result {
        RecordingInfo info;
        qint64 rows = 0;        // rows handed to the callback
        qint64 rowsSkipped = 0; // complete lines that were not rows
        bool lastLineCut = false;
        bool stopped = false; // the callback asked to stop
    };

    // Called for each row with its index (0 for the first); returning false stops reading.
    using RowFunction = std::function<bool(qint64 index, const RecordingRow& row)>;

    // Throws QeroFailure when the file cannot be opened or read, and with kNotARecording
    // when its first line is not a recording's comment line.
    static Result readFile(const QString& path, const RowFunction& row);
    static Result read(QIODevice& device, const RowFunction& row);

    static inline const QString kNotARecording =
        QStringLiteral("The file is not a QERO4D Log recording (its first line does not start "
                       "with \"# QERO4D Log recording\").");
};
