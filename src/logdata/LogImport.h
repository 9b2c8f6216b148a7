// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The one way into the program for a log file: open(path) reads the file through the
// reader its content names, whatever the file is called.
namespace LogImport {

// Every reader, most specific first.
const std::vector<const LogReader*>& readers();

// The largest file a reader is handed; bigger files are refused before anything is read.
inline constexpr qint64 kMaxFileBytes = qint64(2) * 1024 * 1024 * 1024 - 1;
// What is read from a pipe or a device, which tell no size in advance.
inline constexpr qint64 kMaxStreamBytes = qint64(256) * 1024 * 1024;

inline const QString kCancelled = QStringLiteral("Reading the file was cancelled.");

// The reader for a file that starts with `head`, or nullptr when none takes it.
const LogReader* choose(QByteArrayView head, const QString& path);

// True when the file is the module's own ".log" (by its content, or by its name when its
// header is damaged or it cannot be read here), which is read into the module's buffer;
// any other log goes through open(). Pipes and devices are judged by their name alone, so
// that they are read once.
bool isModuleLog(const QString& path);
// True when the file is a recording of the real-time view (by its content). A pipe or a
// device is not looked into (that would use up its first bytes): false.
bool isRecording(const QString& path);

// The whole of a pipe or a device, read once, up to kMaxStreamBytes; nullopt, with the
// reason for the user in `error`, when it gives more or the read is cancelled.
std::optional<QByteArray> readStream(QIODevice& device, const QString& path, QString* error,
                                     const LogReadProgress& progress = {});

// Reads the file through the reader chosen by its content. A file no reader takes is
// refused naming the formats tried; one that cannot be opened names the system's reason.
LogReadResult open(const QString& path, const LogReadProgress& progress = {});
// The same for bytes already in memory.
LogReadResult read(QByteArrayView bytes, const QString& source,
                   const LogReadProgress& progress = {});

// "All supported files (*.log *.csv ...)" and one filter per format, for file dialogs.
QStringList dialogFilters();

} // namespace LogImport
