// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"
#include "support/FieldCheck.h"
#include "support/SettingsValues.h"

#include <QString>

class Prompter;
class SettingsStore;

// What the fuel type window does, without its widgets: the fuel table, the check of the
// user fuel's ratio, and taking a choice (fuel, ratio, AFR pattern and both settings).
class FuelTypeLogic {
public:
    enum class Fuel { Gasoline, E10, E85, Ethanol, Methanol, Lambda, User };
    struct Entry {
        Fuel fuel;
        const char* option; // the option button's name
        QString caption;
        QString name; // FuelType stored; empty for the user fuel
        float ratio;  // StoichRatio stored; 0 for the user fuel
    };
    static const Entry& entry(Fuel fuel);
    // The option that matches a fuel name (upper-cased); any other name is the user's.
    static Fuel fuelFor(const QString& fuelType);

    static constexpr int kMaxName = 16;

    // The fuel lives in `log`; `values` holds the AFR pattern that follows its ratio.
    FuelTypeLogic(LogBuffer& log, SettingsValues& values, Prompter& prompter,
                  SettingsStore& settings);

    // The user fuel's ratio box on focus loss: below 1 or above 20 is refused with a
    // message and replaced by the bound; StoichRatio takes the value, rounded to two
    // decimals, at once.
    FieldCheck validateRatio(const QString& text);
    // The ratio as the ratio box shows it.
    static QString ratioText(float ratio);

    // Takes the choice: a fixed fuel sets its name and ratio; the user fuel takes the
    // trimmed name (first 16 characters) and keeps the ratio its box stored. Then the
    // AFR pattern follows the ratio and both settings are saved.
    void applyChoice(Fuel fuel, const QString& userName);

private:
    LogBuffer& m_log;
    SettingsValues& m_values;
    Prompter& m_prompter;
    SettingsStore& m_settings;
};
