#include "chart/ChartChoices.h"

#include "support/SettingsStore.h"

#include <cmath>

namespace {

const QString kTrace1 = QStringLiteral("ChartTrace1");
const QString kTrace2 = QStringLiteral("ChartTrace2");
const QString kTrace3 = QStringLiteral("ChartTrace3");
const QString kTargetLine = QStringLiteral("ChartTargetLine");
const QString kTarget = QStringLiteral("ChartTarget");
const QString kTargetStoich = QStringLiteral("ChartTargetStoichRatio");
const QString kNone = QStringLiteral("none");

std::optional<float> number(const SettingsStore& settings, const QString& key) {
    const std::optional<QString> text = settings.value(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const float v = text->toFloat(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

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
    c.target = number(settings, kTarget);
    c.targetStoichRatio = number(settings, kTargetStoich).value_or(0.0f);
    return c;
}

void ChartChoices::save(SettingsStore& settings) const {
    settings.setValue(kTrace1, name(trace1));
    settings.setValue(kTrace2, name(trace2));
    settings.setValue(kTrace3, trace3 ? name(*trace3) : kNone);
    settings.setValue(kTargetLine, targetLine ? QStringLiteral("True") : QStringLiteral("False"));
    if (target) {
        settings.setValue(kTarget, QString::number(double(*target)));
        settings.setValue(kTargetStoich, QString::number(double(targetStoichRatio)));
    }
}

std::optional<float> ChartChoices::targetFor(float stoichRatio) const {
    if (!target || targetStoichRatio != stoichRatio)
        return std::nullopt;
    return target;
}
