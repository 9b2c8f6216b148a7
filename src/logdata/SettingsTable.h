// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/AppState.h"
#include "support/Prompter.h"
#include "support/SettingsStore.h"

#include <QString>

// The sixteen persistent settings: read at start-up in table order with their defaults
// and start-up clamps, each written at the moment it changes.
namespace SettingsTable {

// Reads every key into `state`. A text that does not convert is reported through the
// common error report: Retry reads it again, Ignore keeps the default and goes on with
// the next key, Abort keeps the defaults of the remaining keys. A damaged store never
// stops the program.
void load(AppState& state, SettingsStore& store, Prompter& prompter);

// Conversions of stored text; each throws QeroFailure when the text does not convert.
qint16 toInt16(const QString& key, const QString& text);
quint8 toByte(const QString& key, const QString& text);
float toSingle(const QString& key, const QString& text);
bool toBoolean(const QString& key, const QString& text);

// A remembered window choice: the stored number, or nothing when the key is absent or its
// text is not a finite number, so that the window quietly keeps its default.
std::optional<float> rememberedSingle(const SettingsStore& store, const QString& key);

// Writers used by the commands that change a setting.
void save(SettingsStore& store, const QString& key, float value);
void save(SettingsStore& store, const QString& key, int value);
void save(SettingsStore& store, const QString& key, bool value);
void save(SettingsStore& store, const QString& key, const QString& value);

} // namespace SettingsTable
