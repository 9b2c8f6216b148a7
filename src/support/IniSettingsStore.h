#pragma once

#include "support/SettingsStore.h"

#include <QSettings>

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

    static constexpr const char* kApplication = "QERO4D_Log";
    static constexpr const char* kSection = "Properties";

private:
    std::unique_ptr<QSettings> m_settings;
};
