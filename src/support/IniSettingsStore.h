// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/SettingsStore.h"

#include <QSettings>

#include <functional>
#include <memory>

// Settings kept by QSettings: an INI file per user on Linux and macOS
// (~/.config/QERO4D_Log/QERO4D_Log.ini), the registry on Windows. A given file path
// replaces the per-user location (tests, or QERO4D_SETTINGS=path).
class IniSettingsStore : public SettingsStore {
public:
    // The per-user store, unless the environment variable QERO4D_SETTINGS names a file.
    IniSettingsStore();
    explicit IniSettingsStore(const QString& iniFile);

    std::optional<QString> value(const QString& key) const override;
    void setValue(const QString& key, const QString& text) override;
    QString damage() const override;

    QString location() const;

    // Told when a changed setting could not be written (a full disk, a folder that cannot
    // be written); the program shows it. Without one, the failure goes to the warning log.
    std::function<void(const QString& message)> onWriteFailure;

    // Settings take a few hundred bytes; a file beyond this is not read at all, so that a
    // damaged or hostile file cannot make start-up read gigabytes.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    static constexpr const char* kApplication = "QERO4D_Log";
    static constexpr const char* kSection = "Properties";

private:
    void open(const QString& path);
    void reportWriteFailure(const QString& message);
    // True (and the path remembered, unread) when `path` is too large to read or is not a
    // regular file: a device or a pipe is never read (a pipe would block start-up) and
    // never replaced by a file of ours.
    static void dropByteOrderMark(const QString& path);
    bool refusedToRead(const QString& path);

    std::unique_ptr<QSettings> m_settings;
    // The file when it was refused; m_settings stays empty until a setting changes (and
    // for good when the path is not a regular file).
    QString m_path;
    qint64 m_oversizedBytes = 0;
    // The path names a device, a pipe, a socket or a folder: settings are neither read
    // from it nor written to it.
    bool m_notRegular = false;
    QString m_lastWriteFailure;
};
