// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/AppState.h"
#include "logdata/Log.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>
#include <vector>

// Small pieces shared by the qero4d-cli commands.
namespace CliSupport {

// Exit statuses of every command.
constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

// Exit status of a command stopped by Ctrl-C (128 + SIGINT, as a shell reports it).
constexpr int kInterrupted = 130;

// The one check every number an option takes goes through, before a port is opened or a
// file written: a decimal number in C notation, finite ("nan", "inf", "" and values past a
// double's range are refused) and from `min` to `max`. On refusal `problem` holds
// "OPTION: "TEXT" is not a number from MIN to MAX", the text escaped and cut short.
// A bound for options that take any finite number.
constexpr double kAnyNumber = 1e300;
std::optional<double> numberOption(const QString& option, const QString& text, double min,
                                   double max, QString* problem);

// A list of such numbers separated by commas, semicolons or blanks; an empty entry
// ("500,,1000"), a trailing comma or an empty list is refused.
std::optional<std::vector<double>> numberListOption(const QString& option, const QString& text,
                                                    double min, double max, QString* problem);

// Outside text (a module's ID, a CSV header, a typed value) as messages show it: control
// bytes escaped as \xNN, at most `limit` characters, "..." when cut.
QString quoted(const QString& text, qsizetype limit = 60);

// Whether an output file could be written at `path`, asked before a long read (a
// module's memory) that would otherwise be lost at the end: its folder exists and may be
// written, and the path is not a folder. False with the reason in `problem`.
bool outputFolderReady(const QString& path, QString* problem);

// True when the arguments ask for the command's help.
bool wantsHelp(const QStringList& args);

// A JSON string literal, quotes included.
QString jsonString(const QString& text);

// The maker's short label from the configuration file (program folder, then installed
// data folder), or the built-in one. Throws QeroFailure when the file is damaged.
QString makerLabel();

// A fresh program state as after start-up with no settings: cleared buffers.
AppState freshState();

// True when the file is the module's own ".log" (by its content, or by its name when its
// header is damaged), which the commands read into the module's buffer as File > Open
// does. Pipes and devices are judged by their name alone, so that they are read once.
bool isModuleLog(const QString& path);

// Any other log, through the table of readers: the reader's warnings go to `err` behind
// "qero4d-cli COMMAND: PATH: "; nothing, after the reason, when there is no log.
std::optional<Log> openLog(const QString& path, const QString& command, QTextStream& err);

} // namespace CliSupport
