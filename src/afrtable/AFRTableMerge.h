// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class AFRTable;
class Prompter;
struct AppState;

// File > Open Additional File of the AFR table: a further log file is read and its
// samples are added to the table already shown.
namespace AFRTableMerge {

inline const QString kTitle = QStringLiteral("Open Additional File");
inline const QString kRatioMismatch = QStringLiteral(
    "Stoichiometric ratio for new data doesn't match. Click OK to continue or Cancel");

enum class Result {
    Merged,        // the file's samples were added to the table
    NothingChosen, // the file dialog was cancelled
    NoData,        // the file ended inside its header
    Cancelled,     // the user declined a file of another fuel
    NotTPS,        // the file's analog input is not a throttle sensor
    Failed,        // the file could not be read (reported)
};

struct Outcome {
    Result result = Result::NothingChosen;
    QString path;
};

// The whole command: asks for the file, then addFile().
Outcome openAdditionalFile(const AppState& state, AFRTable& table, bool filterUnstable,
                           Prompter& prompter);

// Reads `path` into a buffer of its own, reports its problems through `prompter` and,
// when the file is accepted, adds its samples to `table` (display mode
// state.AFRTableDisplay). The log in memory is never touched, accepted file or not.
Result addFile(const QString& path, const AppState& state, AFRTable& table, bool filterUnstable,
               Prompter& prompter);

// The main caption's suffix while a merged table is shown: "Added File - " and the file
// name, or "Added File - ..." and its last 60 characters when it is longer.
QString captionSuffix(const QString& path);

} // namespace AFRTableMerge
