// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class SettingsStore;

// Every completed download written at once as a ".log" file into a folder of the user's
// data folder, so that no answer to any later question (Discard, a failed save, a live
// view that resets the module) can lose a day's recording. The folder keeps the newest
// kKept files; older ones are removed as new ones arrive.
class DownloadArchive {
public:
    static constexpr int kKept = 200;
    // File > Recent Downloads lists this many, newest first.
    static constexpr int kMenuEntries = 8;
    // True/False; a missing or unreadable value keeps downloads.
    static inline const QString kEnabledKey = QStringLiteral("KeepDownloads");
    // Another folder for the kept downloads; none means the user's data folder.
    static inline const QString kFolderKey = QStringLiteral("DownloadsFolder");

    explicit DownloadArchive(const SettingsStore& settings) : m_settings(settings) {}

    bool enabled() const;
    // The folder named by kFolderKey, else "downloads" in the user's data folder
    // (QStandardPaths::AppDataLocation: ~/.local/share/QERO4D_Log/downloads on Linux).
    QString folder() const;

    // Writes `log` as File > Save would (with its comment as it is, none asked for) under
    // a name of the moment `when`, through the atomic writer, then removes the oldest
    // beyond kKept. Returns the file's path; throws QeroFailure when it cannot be written.
    QString keep(const LogBuffer& log, const QString& makerLabel, const QDateTime& when) const;

    // The kept downloads, newest first, at most `max` of them.
    QStringList files(int max = kKept) const;

    // "download-2026-12-11_14-18-43.log"; a second one of the same second gets "-2" and on.
    static QString fileName(const QDateTime& when, int repeat = 1);

private:
    void prune() const;

    const SettingsStore& m_settings;
};
