#pragma once

#include "logdata/AppState.h"
#include "logdata/Log.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

// Small pieces shared by the qero4d-cli commands.
namespace CliSupport {

// Exit statuses of every command.
constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

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
