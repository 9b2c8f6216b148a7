// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/SettingsTable.h"

#include "support/ErrorReport.h"
#include "support/Numbers.h"
#include "support/QeroFailure.h"

#include <cmath>
#include <functional>
#include <limits>

namespace SettingsTable {

namespace {

QeroFailure typeMismatch(const QString& key, const QString& text) {
    return QeroFailure(QStringLiteral("Settings"),
                       QStringLiteral("Type mismatch: the setting \"%1\" holds \"%2\", which is "
                                      "not a valid value. Ignore uses the default.")
                           .arg(key, text.left(80)));
}

double toNumber(const QString& key, const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw typeMismatch(key, text);
    return v;
}

double roundedInRange(const QString& key, const QString& text, double lo, double hi) {
    const double v = Numbers::roundHalfEven(toNumber(key, text), 0);
    if (v < lo || v > hi)
        throw QeroFailure(QStringLiteral("Settings"),
                          QStringLiteral("Overflow: the setting \"%1\" holds \"%2\", which is out "
                                         "of range. Ignore uses the default.")
                              .arg(key, text.left(80)));
    return v;
}

} // namespace

qint16 toInt16(const QString& key, const QString& text) {
    return qint16(roundedInRange(key, text, std::numeric_limits<qint16>::min(),
                                 std::numeric_limits<qint16>::max()));
}

quint8 toByte(const QString& key, const QString& text) {
    return quint8(roundedInRange(key, text, 0, 255));
}

float toSingle(const QString& key, const QString& text) {
    const double v = toNumber(key, text);
    if (std::fabs(v) > std::numeric_limits<float>::max())
        throw typeMismatch(key, text);
    return float(v);
}

bool toBoolean(const QString& key, const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        throw typeMismatch(key, text);
    return v != 0.0;
}

void load(AppState& state, SettingsStore& store, Prompter& prompter) {
    LogBuffer& log = state.log;
    struct Key {
        const char* name;
        QString defaultText;
        std::function<void(const QString&)> apply;
    };
    const QString portKey = QStringLiteral("CommPort");
    // Table order matters: the clamps and the AFR pattern follow the keys they need.
    const Key keys[] = {
        {"CommPort", QStringLiteral("1"),
         [&](const QString& t) {
             const qint16 port = toInt16(portKey, t);
             if (port < 1 || port > 255)
                 throw QeroFailure(QStringLiteral("Settings"),
                                   QStringLiteral("Invalid property value: the setting "
                                                  "\"CommPort\" holds \"%1\"; ports are 1 to "
                                                  "255. Ignore uses port 1.")
                                       .arg(t.left(80)));
             state.settings.PortNumber = port;
         }},
        {"AutoConnect", QStringLiteral("False"),
         [&](const QString& t) {
             state.settings.AutoConnect = toBoolean(QStringLiteral("AutoConnect"), t);
         }},
        {"DataLogInterval", QStringLiteral("0.1"),
         [&](const QString& t) {
             log.DataLogInterval = toSingle(QStringLiteral("DataLogInterval"), t);
         }},
        {"PulsePerRev", QStringLiteral("1"),
         [&](const QString& t) {
             state.settings.PulsePerRev = toSingle(QStringLiteral("PulsePerRev"), t);
         }},
        {"RPMDebounce", QStringLiteral("10"),
         [&](const QString& t) {
             state.settings.RPMDebounce = toByte(QStringLiteral("RPMDebounce"), t);
         }},
        {"MinLEDPWM", QStringLiteral("15"),
         [&](const QString& t) {
             state.settings.MinLEDPWM = toByte(QStringLiteral("MinLEDPWM"), t);
         }},
        {"AFRTableData", QStringLiteral("Sensor 1"),
         [&](const QString& t) { state.settings.AFRTableData = t; }},
        {"AnalogInputType", QStringLiteral("NONE"),
         [&](const QString& t) { log.AnalogInputType = t; }},
        {"MaxRPMDisplay", QStringLiteral("10000"),
         [&](const QString& t) {
             log.MaxRPMDisplay = toInt16(QStringLiteral("MaxRPMDisplay"), t);
             log.MaxRPMDisplay = qint16(qBound(4000, int(log.MaxRPMDisplay), 20000));
         }},
        {"MinInVolts", QStringLiteral("0"),
         [&](const QString& t) { log.MinInVolts = toSingle(QStringLiteral("MinInVolts"), t); }},
        {"MaxInVolts", QStringLiteral("5"),
         [&](const QString& t) { log.MaxInVolts = toSingle(QStringLiteral("MaxInVolts"), t); }},
        {"MinScaledValue", QStringLiteral("0"),
         [&](const QString& t) {
             log.MinScaledValue = toSingle(QStringLiteral("MinScaledValue"), t);
         }},
        {"MaxScaledValue", QStringLiteral("5"),
         [&](const QString& t) {
             log.MaxScaledValue = toSingle(QStringLiteral("MaxScaledValue"), t);
         }},
        {"AnalogLegend", QStringLiteral("Analog Input"),
         [&](const QString& t) { log.AnalogLegend = t; }},
        {"FuelType", QStringLiteral("Gasoline"), [&](const QString& t) { log.FuelType = t; }},
        {"StoichRatio", Numbers::settingText(float(Units::kGasolineStoich)),
         [&](const QString& t) { log.StoichRatio = toSingle(QStringLiteral("StoichRatio"), t); }},
    };

    // A damaged file is said once, before its keys; Ignore goes on with whatever could be
    // read from it, Abort starts with every default.
    bool aborted = ErrorReport::runStep(prompter, [&] {
                       const QString damage = store.damage();
                       if (!damage.isEmpty())
                           throw QeroFailure(QStringLiteral("Settings"), damage);
                   }) == ErrorReport::StepResult::Aborted;
    for (const Key& key : keys) {
        if (!aborted) {
            const QString name = QLatin1String(key.name);
            const ErrorReport::StepResult r = ErrorReport::runStep(
                prompter, [&] { key.apply(store.value(name).value_or(key.defaultText)); });
            aborted = r == ErrorReport::StepResult::Aborted;
        }
        const QLatin1String name(key.name);
        // The clamps run even when a key failed, so every value starts in range.
        if (name == QLatin1String("AnalogLegend")) {
            log.MinInVolts = qBound(0.0f, log.MinInVolts, 5.0f);
            log.MaxInVolts = qBound(0.0f, log.MaxInVolts, 5.0f);
        } else if (name == QLatin1String("StoichRatio")) {
            state.updateAFRFormat();
        }
    }
}

void save(SettingsStore& store, const QString& key, float value) {
    store.setValue(key, Numbers::settingText(value));
}

void save(SettingsStore& store, const QString& key, int value) {
    store.setValue(key, Numbers::settingText(value));
}

void save(SettingsStore& store, const QString& key, bool value) {
    store.setValue(key, Numbers::settingText(value));
}

void save(SettingsStore& store, const QString& key, const QString& value) {
    store.setValue(key, value);
}

std::optional<float> rememberedSingle(const SettingsStore& store, const QString& key) {
    const std::optional<QString> text = store.value(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const float v = text->toFloat(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace SettingsTable
