#pragma once

#include "logdata/AppState.h"

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

} // namespace CliSupport
