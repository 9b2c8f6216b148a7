// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartChoices.h"

#include "logdata/SettingsTable.h"
#include "support/SettingsStore.h"

namespace {

const QString kTrace1 = QStringLiteral("ChartTrace1");
const QString kTrace2 = QStringLiteral("ChartTrace2");
const QString kTrace3 = QStringLiteral("ChartTrace3");
const QString kTargetLine = QStringLiteral("ChartTargetLine");
const QString kTargetPrefix = QStringLiteral("Chart");
const QString kNone = QStringLiteral("none");

} // namespace

QString ChartChoices::name(TraceQuantity quantity) {
    switch (quantity) {
    case TraceQuantity::RPM:
        return QStringLiteral("rpm");
    case TraceQuantity::AFR1:
        return QStringLiteral("afr1");
    case TraceQuantity::AFR2:
        return QStringLiteral("afr2");
    case TraceQuantity::Analog:
        break;
    }
    return QStringLiteral("analog");
}

ChartChoices ChartChoices::load(const SettingsStore& settings) {
    ChartChoices c;
    auto quantity = [&](const QString& key) -> std::optional<TraceQuantity> {
        const std::optional<QString> text = settings.value(key);
        return text ? ChartTrace::fromName(*text) : std::nullopt;
    };
    c.trace1 = quantity(kTrace1).value_or(c.trace1);
    c.trace2 = quantity(kTrace2).value_or(c.trace2);
    c.trace3 = quantity(kTrace3);
    c.targetLine = settings.value(kTargetLine) == QStringLiteral("True");
    c.target = FuelTarget::load(settings, kTargetPrefix);
    return c;
}

void ChartChoices::save(SettingsStore& settings) const {
    settings.setValue(kTrace1, name(trace1));
    settings.setValue(kTrace2, name(trace2));
    settings.setValue(kTrace3, trace3 ? name(*trace3) : kNone);
    SettingsTable::save(settings, kTargetLine, targetLine);
    target.save(settings, kTargetPrefix);
}
