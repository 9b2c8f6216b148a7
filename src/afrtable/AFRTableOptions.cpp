// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTableOptions.h"

#include "logdata/SettingsTable.h"
#include "support/SettingsStore.h"

#include <cmath>

namespace {

const QString kDisplay = QStringLiteral("AFRTableDisplay");
const QString kFilter = QStringLiteral("AFRTableFilter");
const QString kMinSamples = QStringLiteral("AFRTableMinSamples");
const QString kTargetPrefix = QStringLiteral("AFRTable");

} // namespace

AFRTableOptions AFRTableOptions::load(const SettingsStore& settings) {
    AFRTableOptions o;
    const std::optional<QString> display = settings.value(kDisplay);
    if (display == QStringLiteral("AFR") || display == QStringLiteral("Fuel"))
        o.display = *display;
    o.filter = settings.value(kFilter) == QStringLiteral("True");
    // The same bounds as the window's box.
    const std::optional<float> samples = SettingsTable::rememberedSingle(settings, kMinSamples);
    if (samples && *samples >= 1.0f && *samples <= 25.0f && *samples == std::floor(*samples))
        o.minSamples = qint16(*samples);
    o.target = FuelTarget::load(settings, kTargetPrefix);
    return o;
}

void AFRTableOptions::save(SettingsStore& settings) const {
    settings.setValue(kDisplay, display);
    SettingsTable::save(settings, kFilter, filter);
    settings.setValue(kMinSamples, QString::number(minSamples));
    target.save(settings, kTargetPrefix);
}
