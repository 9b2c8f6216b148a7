// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/IniSettingsStore.h"

#include "support/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

IniSettingsStore::IniSettingsStore() {
    const QString overridePath = qEnvironmentVariable("QERO4D_SETTINGS");
    if (!overridePath.isEmpty()) {
        open(overridePath);
    } else {
#ifdef Q_OS_WIN
        m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                 kApplication, kApplication);
#else
        // Where QSettings keeps a user's INI file, looked at before QSettings reads it.
#ifdef Q_OS_DARWIN
        const QString folder = QDir::homePath() + QStringLiteral("/.config");
#else
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
        const QString path = folder + u'/' + QLatin1String(kApplication) + u'/' +
                             QLatin1String(kApplication) + QStringLiteral(".ini");
        if (!refusedToRead(path))
            m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                     kApplication, kApplication);
#endif
    }
}

IniSettingsStore::IniSettingsStore(const QString& iniFile) {
    open(iniFile);
}

bool IniSettingsStore::refusedToRead(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists())
        return false;
    // isFile() follows a link, so a link to a regular file is read and written as usual.
    if (!file.isFile()) {
        m_path = path;
        m_notRegular = true;
        return true;
    }
    if (file.size() <= kMaxFileBytes) {
        dropByteOrderMark(path);
        return false;
    }
    m_path = path;
    m_oversizedBytes = file.size();
    return true;
}

void IniSettingsStore::dropByteOrderMark(const QString& path) {
    // Windows editors save UTF-8 with a byte order mark, which the INI reader takes for
    // part of the first line and then calls the whole file damaged. The file is the same
    // without it; should it not be writable, the damage is reported as before.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.peek(3) != QByteArrayView("\xEF\xBB\xBF"))
        return;
    const QByteArray rest = f.readAll().mid(3);
    f.close();
    try {
        SafeWrite::writeFile(path, rest);
    } catch (...) {
    }
}

void IniSettingsStore::open(const QString& path) {
    if (!refusedToRead(path))
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

std::optional<QString> IniSettingsStore::value(const QString& key) const {
    if (!m_settings)
        return std::nullopt;
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
    if (m_notRegular) {
        // Without the key, so that it is said once however many settings change.
        reportWriteFailure(QStringLiteral("Settings are not saved: the settings path %1 is not "
                                          "a regular file and is left as it is.")
                               .arg(m_path));
        return;
    }
    if (!m_settings) {
        // The oversized file is set aside, not read, and a new one begins.
        const QString aside = m_path + QStringLiteral(".too-large");
        QFile::remove(aside);
        if (!QFile::rename(m_path, aside))
            QFile::remove(m_path);
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    }
    m_settings->setValue(QLatin1String(kSection) + u'/' + key, text);
    m_settings->sync();
    if (m_settings->status() != QSettings::AccessError) {
        m_lastWriteFailure.clear();
        return;
    }
    reportWriteFailure(QStringLiteral("The setting %1 could not be saved: the settings "
                                      "file %2 cannot be written.")
                           .arg(key, location()));
}

void IniSettingsStore::reportWriteFailure(const QString& message) {
    // Said once for a run of failures, not at every setting that changes.
    if (message == m_lastWriteFailure)
        return;
    m_lastWriteFailure = message;
    if (onWriteFailure)
        onWriteFailure(message);
    else
        qWarning("%s", qPrintable(message));
}

QString IniSettingsStore::damage() const {
    if (m_notRegular)
        return QStringLiteral("The settings path %1 is not a regular file (a device, a pipe or "
                              "a folder) and is neither read nor replaced. Settings start with "
                              "their defaults and changes are not saved.")
            .arg(m_path);
    if (!m_settings)
        return QStringLiteral("The settings file %1 holds %2 bytes, far more than settings "
                              "take, and is not read. Settings start with their defaults; when "
                              "a setting changes, the file is set aside as %1.too-large and "
                              "written anew.")
            .arg(m_path)
            .arg(m_oversizedBytes);
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
    return m_settings ? m_settings->fileName() : m_path;
}
