// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AnalogInScaleLogic.h"

#include "logdata/SettingsTable.h"
#include "support/Numbers.h"
#include "support/Prompter.h"

#include <algorithm>
#include <array>

namespace {

const QString kVoltsPattern = QStringLiteral("0.0#");
const QString kValuePattern = QStringLiteral("####0.0##");

const std::array<AnalogInScaleLogic::BoxRule, 4> kRules = {{
    {"txtMinVolts", QStringLiteral("Minimum Input Voltage"), 5.0, 2, kVoltsPattern},
    {"txtMaxVolts", QStringLiteral("Maximum Input Voltage"), 5.0, 2, kVoltsPattern},
    {"txtMinValue", QStringLiteral("Minimum Scaled Value"), 10000.0, 3, kValuePattern},
    {"txtMaxValue", QStringLiteral("Maximum Scaled Value"), 10000.0, 3, kValuePattern},
}};

} // namespace

AnalogInScaleLogic::AnalogInScaleLogic(LogBuffer& log, Prompter& prompter, SettingsStore& settings)
    : m_log(log), m_prompter(prompter), m_settings(settings) {}

const AnalogInScaleLogic::BoxRule& AnalogInScaleLogic::rule(Box box) {
    return kRules[size_t(box)];
}

float& AnalogInScaleLogic::value(Box box) const {
    switch (box) {
    case Box::MinVolts:
        return m_log.MinInVolts;
    case Box::MaxVolts:
        return m_log.MaxInVolts;
    case Box::MinValue:
        return m_log.MinScaledValue;
    case Box::MaxValue:
        break;
    }
    return m_log.MaxScaledValue;
}

QString AnalogInScaleLogic::boxText(Box box) const {
    return Numbers::format(double(value(box)), rule(box).pattern);
}

FieldCheck AnalogInScaleLogic::validate(Box box, const QString& text) {
    const BoxRule& r = rule(box);
    double v = Numbers::leadingNumber(text);
    FieldCheck out;
    if (v < 0.0) {
        out.message = QStringLiteral("Value must be greater than zero");
        v = 0.0;
    } else if (v > r.upperBound) {
        out.message = QStringLiteral("Value must be less than or equal to ") +
                      Numbers::format(r.upperBound, QStringLiteral("#0"));
        v = r.upperBound;
    }
    if (out.refused()) {
        m_prompter.message(out.message, r.title, Prompter::Icon::Exclamation, Prompter::Ok);
        out.keepFocus = true;
    }
    value(box) = float(Numbers::roundHalfEven(v, r.decimals));
    out.value = double(value(box));
    out.text = boxText(box);
    return out;
}

FieldCheck AnalogInScaleLogic::validateLegend(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    FieldCheck out;
    QString legend = text.mid(start, end - start);
    if (legend.size() > kMaxLegend) {
        legend.truncate(kMaxLegend);
        out.keepFocus = true;
    }
    m_log.AnalogLegend = legend;
    out.text = legend;
    return out;
}

bool AnalogInScaleLogic::offerTpsPercentRange() {
    if (AnalogScaling::presetFor(m_log.AnalogInputType) != AnalogScaling::Preset::TPS)
        return false;
    if (m_log.MinScaledValue == 0.0f && m_log.MaxScaledValue == 100.0f)
        return false;
    const QString text =
        QStringLiteral("TPS Percent reads the throttle in percent, but the scaled value runs "
                       "from %1 to %2. Set it to 0 to 100?")
            .arg(boxText(Box::MinValue), boxText(Box::MaxValue));
    if (m_prompter.message(text, QStringLiteral("TPS Percent"), Prompter::Icon::Question,
                           Prompter::Yes | Prompter::No) != Prompter::Yes)
        return false;
    m_log.MinScaledValue = 0.0f;
    m_log.MaxScaledValue = 100.0f;
    return true;
}

void AnalogInScaleLogic::learnVolts(Box box, float volts) {
    const BoxRule& r = rule(box);
    const double v = std::clamp(double(volts), 0.0, r.upperBound);
    value(box) = float(Numbers::roundHalfEven(v, r.decimals));
}

void AnalogInScaleLogic::saveSettings() {
    SettingsTable::save(m_settings, QStringLiteral("MinInVolts"), m_log.MinInVolts);
    SettingsTable::save(m_settings, QStringLiteral("MaxInVolts"), m_log.MaxInVolts);
    SettingsTable::save(m_settings, QStringLiteral("MinScaledValue"), m_log.MinScaledValue);
    SettingsTable::save(m_settings, QStringLiteral("MaxScaledValue"), m_log.MaxScaledValue);
    SettingsTable::save(m_settings, QStringLiteral("AnalogLegend"), m_log.AnalogLegend);
    SettingsTable::save(m_settings, QStringLiteral("AnalogInputType"), m_log.AnalogInputType);
}

bool AnalogInScaleLogic::restoreDefaults(const std::function<void()>& selectNone) {
    if (m_prompter.message(QStringLiteral("This action will restore default analog input "
                                          "scaling."),
                           QStringLiteral("Restore Defaults"), Prompter::Icon::Critical,
                           Prompter::Ok | Prompter::Cancel) != Prompter::Ok)
        return false;
    if (selectNone)
        selectNone();
    else
        AnalogScaling::apply(AnalogScaling::Preset::None, m_log);
    saveSettings();
    return true;
}
