// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The program's own data files (configuration file, chart template, help) are looked for
// in the program's folder first, then in the installed data folder.
namespace DataFiles {

QString programFolder();
QString installedFolder();
// The folders searched, in order.
QStringList searchFolders();
// The first existing path, or the path in the program's folder when none exists.
QString find(const QString& fileName);

// Replaces the folders searched (tests point the program at their own files).
// An empty list restores the program folder and the installed data folder.
void setSearchFolders(const QStringList& folders);

} // namespace DataFiles
