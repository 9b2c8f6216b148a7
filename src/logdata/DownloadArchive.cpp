// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/DownloadArchive.h"

#include "logdata/LogFileWriter.h"
#include "logdata/SettingsTable.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"
#include "support/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <climits>

#include <algorithm>
#include <utility>

namespace {

// Only files of this form are listed or ever removed: a log the user put in the folder
// by hand is left alone.
const QRegularExpression& keptName() {
    static const QRegularExpression re(
        QStringLiteral("^download-(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)(?:-(\\d+))?\\.log$"));
    return re;
}

// Names sort by their moment, then by their repeat number ("-2" after none).
std::pair<QString, int> sortKey(const QString& name) {
    const QRegularExpressionMatch m = keptName().match(name);
    return {m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()};
}

} // namespace

bool DownloadArchive::enabled() const {
    const std::optional<QString> text = m_settings.value(kEnabledKey);
    if (!text)
        return true;
    try {
        return SettingsTable::toBoolean(kEnabledKey, *text);
    } catch (const QeroFailure&) {
        return true;
    }
}

QString DownloadArchive::folder() const {
    const std::optional<QString> chosen = m_settings.value(kFolderKey);
    if (chosen && !chosen->trimmed().isEmpty())
        return QDir::cleanPath(*chosen);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("downloads"));
}

QString DownloadArchive::fileName(const QDateTime& when, int repeat) {
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    return repeat <= 1 ? QStringLiteral("download-%1.log").arg(stamp)
                       : QStringLiteral("download-%1-%2.log").arg(stamp).arg(repeat);
}

QString DownloadArchive::keep(const LogBuffer& log, const QString& makerLabel,
                              const QDateTime& when) const {
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        throw QeroFailure(
            QStringLiteral("Write"),
            QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(dir)));
    QString path;
    for (int repeat = 1;; ++repeat) {
        path = QDir(dir).filePath(fileName(when, repeat));
        if (!QFileInfo::exists(path))
            break;
    }
    SafeWrite::writeFile(path, LogFileWriter::whole(log, makerLabel));
    prune();
    return path;
}

QStringList DownloadArchive::files(int max) const {
    QStringList names = QDir(folder()).entryList({QStringLiteral("download-*.log")}, QDir::Files);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& n) { return !keptName().match(n).hasMatch(); }),
                names.end());
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return sortKey(a) > sortKey(b); });
    QStringList out;
    const QDir dir(folder());
    for (const QString& name : names) {
        if (out.size() >= max)
            break;
        out << dir.filePath(name);
    }
    return out;
}

void DownloadArchive::prune() const {
    const QStringList all = files(INT_MAX);
    for (qsizetype i = kKept; i < all.size(); ++i)
        QFile::remove(all[i]);
}
