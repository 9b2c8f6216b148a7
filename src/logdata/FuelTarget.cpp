// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/FuelTarget.h"

#include "logdata/SettingsTable.h"
#include "support/SettingsStore.h"

namespace {

QString targetKey(const QString& prefix) {
    return prefix + QStringLiteral("Target");
}

QString stoichKey(const QString& prefix) {
    return prefix + QStringLiteral("TargetStoichRatio");
}

} // namespace

FuelTarget FuelTarget::load(const SettingsStore& settings, const QString& prefix) {
    FuelTarget t;
    t.value = SettingsTable::rememberedSingle(settings, targetKey(prefix));
    t.stoichRatio = SettingsTable::rememberedSingle(settings, stoichKey(prefix)).value_or(0.0f);
    return t;
}

void FuelTarget::save(SettingsStore& settings, const QString& prefix) const {
    if (!value)
        return;
    settings.setValue(targetKey(prefix), QString::number(double(*value)));
    settings.setValue(stoichKey(prefix), QString::number(double(stoichRatio)));
}

std::optional<float> FuelTarget::forFuel(float fuelStoichRatio) const {
    if (!value || stoichRatio != fuelStoichRatio)
        return std::nullopt;
    return value;
}
