// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files the program reads line by line (configuration, log files) come from users'
// editors and other machines: UTF-8 when the bytes are valid UTF-8, else the single-byte
// Windows code page the module's first programs wrote.
namespace TextFile {

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);

// Splits at LF, dropping a CR before it; a last line without LF still counts.
QStringList splitLines(const QString& text);

} // namespace TextFile
