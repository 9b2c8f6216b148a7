// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The text of Help > About: the maker's label with the program's name and revision, a
// notice line, then the maker's contact lines from the configuration file.
namespace AboutText {

QString build(const QStringList& configList2);

} // namespace AboutText
