#include "support/IniSettingsStore.h"

#include <QStringList>

IniSettingsStore::IniSettingsStore() {
    const QString overridePath = qEnvironmentVariable("QERO4D_SETTINGS");
    if (!overridePath.isEmpty()) {
        m_settings = std::make_unique<QSettings>(overridePath, QSettings::IniFormat);
    } else {
#ifdef Q_OS_WIN
        m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                 kApplication, kApplication);
#else
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 kApplication, kApplication);
#endif
    }
}

IniSettingsStore::IniSettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<QString> IniSettingsStore::value(const QString& key) const {
    const QString full = QLatin1String(kSection) + u'/' + key;
    if (!m_settings->contains(full))
        return std::nullopt;
    const QVariant v = m_settings->value(full);
    // An unquoted text with commas in a hand-edited file comes back as a list.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

void IniSettingsStore::setValue(const QString& key, const QString& text) {
    m_settings->setValue(QLatin1String(kSection) + u'/' + key, text);
    m_settings->sync();
}

QString IniSettingsStore::damage() const {
    // QSettings reads its file at the first access and only then knows its status.
    (void)m_settings->allKeys();
    if (m_settings->status() != QSettings::FormatError)
        return {};
    return QStringLiteral("The settings file %1 is damaged. Settings that cannot be read from "
                          "it start with their defaults, and the file is written anew when a "
                          "setting changes.")
        .arg(location());
}

QString IniSettingsStore::location() const {
    return m_settings->fileName();
}
