// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <QString>

class SettingsStore;

// The two file-dialog helpers of the windows that read and write log files.
class FileChooser {
public:
    static inline const QString kLogFilter = QStringLiteral("QERO4D log files (*.log)|*.log");

    // Lets the user choose an existing file; empty when the dialog was cancelled or No
    // was answered. A chosen name that does not exist is reported ("File not found.");
    // Retry asks again, Yes (offered when `message` is not empty) returns the name as it
    // is. Cancel throws QeroFailure "Canceled File Open"; a failure inside, reported and
    // then aborted, throws "Aborted File Open" (source "File Open"). The dialog starts in
    // `folder` (empty: its own choice).
    static QString FileOpen(Prompter& prompter, const QString& title, const QString& filter,
                            const QString& message, const QString& folder = QString());

    // Lets the user choose a file to write; an existing one is confirmed first ("This
    // file already exists." and `message`, by default "Replace existing file?"): Yes
    // returns it, No asks again, Cancel throws "Canceled File Save". Empty when the
    // dialog was cancelled. A name typed without an extension gets the filter's one,
    // before the check for an existing file.
    static QString FileSave(Prompter& prompter, const QString& title, const QString& filter,
                            const QString& message, const QString& folder = QString());

    // `path` with the extension the filter promises when it names a single one ("*.log")
    // and the file name has none; otherwise `path` as it is.
    static QString withFilterExtension(const QString& path, const QString& filter);

    // The setting that holds the folder the file dialogs start in.
    static inline const QString kLastFolderKey = QStringLiteral("LastFolder");
    // Where a file dialog starts: the folder used last (`settings` may be null), while it
    // still exists; else the user's documents folder; else, where there is none (a first
    // run on a fresh account), the home folder. Never a folder that does not exist, which
    // the dialog would show as a file name ("Documents").
    static QString startFolder(const SettingsStore* settings);
    // Remembers the folder of `path` as the one used last.
    static void rememberFolder(SettingsStore* settings, const QString& path);

    // An empty filter offers every file.
    static QString effectiveFilter(const QString& filter);

    // An open dialog's `filter` with "All supported files" first, covering every type it
    // lists (not "*.*"): the dialog then starts by showing every file it can open.
    static QString withAllSupported(const QString& filter);
};
