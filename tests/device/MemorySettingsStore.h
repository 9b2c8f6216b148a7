// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/SettingsStore.h"

#include <QMap>

// Settings kept in memory, so a test can look at exactly what a command stored.
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<QString> value(const QString& key) const override {
        if (!values.contains(key))
            return std::nullopt;
        return values.value(key);
    }
    void setValue(const QString& key, const QString& text) override { values[key] = text; }

    QMap<QString, QString> values;
};
