// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

class Prompter;

// How the AFR table and `qero4d-cli table` read log files: the one place that knows the
// file format on their behalf.
namespace AFRTableLogFile {

inline const QString kNoDataFound =
    QStringLiteral("Error - reached premature end-of-file. No data found");
inline const QString kLogFilter = QStringLiteral("QERO4D log files (*.log)|*.log");

enum class FuelLines {
    Apply,      // File > Open: the file's fuel and ratio (or gasoline, 14.7) become current
    ReportOnly, // an added file: only reported, the table keeps its fuel
};

struct Report {
    bool noDataFound = false; // the file ended inside its 8 header lines
    QStringList warnings;     // the premature-end messages, in the order they arose
    // The ratio line's value, when the file has that line with its 2 fields.
    std::optional<float> stoichRatio;
};

// The whole file; throws QeroFailure with the system's reason when it cannot be read.
QByteArray readBytes(const QString& path);

// Fills `log` from the bytes exactly as File > Open reads a file, the fuel lines as
// `fuel` says.
Report read(QByteArrayView bytes, LogBuffer& log, FuelLines fuel);

// Lets the user choose an existing log file; empty when nothing was chosen.
QString chooseFile(Prompter& prompter);

// The file name as the caption shows it: after the last folder separator, or "..." and
// its last 60 characters when longer.
QString captionFileName(const QString& path);

} // namespace AFRTableLogFile
