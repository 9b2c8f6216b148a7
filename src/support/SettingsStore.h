// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The per-user keyed settings store: text values per key, in the section "Properties"
// of the application "QERO4D_Log".
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when the key is absent.
    virtual std::optional<QString> value(const QString& key) const = 0;
    // Written at once: nothing is saved at exit.
    virtual void setValue(const QString& key, const QString& text) = 0;
    // Why the store could not be read whole (a damaged file), empty when it was. The
    // values that could be read are still there.
    virtual QString damage() const { return {}; }
};
