// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace DataFiles {

QString programFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString installedFolder() {
    // Seen from the program first, so an installation under another prefix than the one
    // it was built for finds its own files.
    if (QCoreApplication::instance()) {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                               QStringLiteral("/" QERO_DATA_DIR_FROM_BIN));
        if (QFileInfo(beside).isDir())
            return beside;
    }
    return QStringLiteral(QERO_DATA_DIR);
}

namespace {
QStringList& searchOverride() {
    static QStringList folders;
    return folders;
}
} // namespace

void setSearchFolders(const QStringList& folders) {
    searchOverride() = folders;
}

QStringList searchFolders() {
    return searchOverride().isEmpty() ? QStringList{programFolder(), installedFolder()}
                                      : searchOverride();
}

QString find(const QString& fileName) {
    const QStringList folders = searchFolders();
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (QFileInfo::exists(path))
            return path;
    }
    return QDir(folders.first()).filePath(fileName);
}

} // namespace DataFiles
