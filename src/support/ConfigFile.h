// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"
#include "support/SettingsValues.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// "QERO4D_Log.cfg": the maker's branding lines and the feature keywords, in three
// sections separated by lines that start with "!".
namespace ConfigFile {

inline constexpr const char* kFileName = "QERO4D_Log.cfg";

struct Lists {
    QStringList list1; // company name, font, size, style words, logo file
    QStringList list2; // short label, then the contact lines
    QStringList list3; // feature keywords
};

// The lists the program uses when there is no configuration file.
Lists defaults();

// Splits the file's text into the three lists. Throws QeroFailure when a section is not
// closed, the first section has fewer than five lines or the second one is empty.
Lists parse(const QByteArray& content);

// The configuration takes a few hundred bytes; a larger file is refused unread, so that a
// damaged or hostile file cannot make every start-up read gigabytes.
inline constexpr qint64 kMaxFileBytes = 64 * 1024;

// The bytes of the configuration file at `path`. Throws QeroFailure when it is not a
// regular file (a device is never read, a pipe would block start-up), is larger than
// kMaxFileBytes or cannot be read. The desktop program and the CLI read it through this.
QByteArray read(const QString& path);

// Reads `path` into the settings' three lists: the defaults when the file does not exist;
// a malformed file is reported through the common error report (Retry reads it again),
// and the defaults then stand in for it, so the program always has its branding lines.
void load(SettingsValues& settings, Prompter& prompter, const QString& path);

} // namespace ConfigFile
