// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// The log files opened or saved last, most recent first, kept in the settings so that
// File > Recent Files offers them again in the next run.
class RecentFiles {
public:
    static constexpr int kMax = 8;
    // The setting: the absolute paths, one a line.
    static inline const QString kKey = QStringLiteral("RecentFiles");

    explicit RecentFiles(SettingsStore& store) : m_store(store) {}

    // The list as stored; a damaged value (blank lines, repeats, too many) is read as far
    // as it makes sense and never fails.
    QStringList files() const;
    // `path` moves to the top (absolute, without repeats), the ninth and later drop off.
    void add(const QString& path);
    void remove(const QString& path);

    // The menu caption of entry `index` (0 the most recent): "&1 drive.log" ... "&8 ...".
    static QString caption(int index, const QString& path);

private:
    void store(const QStringList& files);

    SettingsStore& m_store;
};
