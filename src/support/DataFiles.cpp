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
