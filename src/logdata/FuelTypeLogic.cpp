// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/FuelTypeLogic.h"

#include "logdata/AppState.h"
#include "logdata/SettingsTable.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/Units.h"

#include <array>

namespace {

const std::array<FuelTypeLogic::Entry, 7> kFuels = {{
    {FuelTypeLogic::Fuel::Gasoline, "optGasolineFuel", QStringLiteral("Gasoline"),
     QStringLiteral("Gasoline"), float(Units::kGasolineStoich)},
    {FuelTypeLogic::Fuel::E10, "optE10Fuel", QStringLiteral("E10"), QStringLiteral("E10"), 14.13f},
    {FuelTypeLogic::Fuel::E85, "optE85Fuel", QStringLiteral("E85"), QStringLiteral("E85"), 9.77f},
    {FuelTypeLogic::Fuel::Ethanol, "optEthanolFuel", QStringLiteral("Ethanol"),
     QStringLiteral("Ethanol"), 9.01f},
    {FuelTypeLogic::Fuel::Methanol, "optMethanolFuel", QStringLiteral("Methanol"),
     QStringLiteral("Methanol"), 6.47f},
    {FuelTypeLogic::Fuel::Lambda, "optLambda", QStringLiteral("Lambda Values"),
     QStringLiteral("Lambda"), 1.0f},
    {FuelTypeLogic::Fuel::User, "optUserFuel", QStringLiteral("User Defined"), QString(), 0.0f},
}};

QString trimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

} // namespace

const FuelTypeLogic::Entry& FuelTypeLogic::entry(Fuel fuel) {
    return kFuels[size_t(fuel)];
}

FuelTypeLogic::Fuel FuelTypeLogic::fuelFor(const QString& fuelType) {
    const QString upper = fuelType.toUpper();
    for (const Entry& e : kFuels)
        if (e.fuel != Fuel::User && upper == e.name.toUpper())
            return e.fuel;
    return Fuel::User;
}

FuelTypeLogic::FuelTypeLogic(LogBuffer& log, SettingsValues& values, Prompter& prompter,
                             SettingsStore& settings)
    : m_log(log), m_values(values), m_prompter(prompter), m_settings(settings) {}

QString FuelTypeLogic::ratioText(float ratio) {
    return Numbers::format(double(ratio), QStringLiteral("#0.00"));
}

FieldCheck FuelTypeLogic::validateRatio(const QString& text) {
    const QString title = QStringLiteral("Stoichiometric Ratio");
    double v = Numbers::leadingNumber(text);
    FieldCheck out;
    if (v < 1.0) {
        out.message = QStringLiteral("Value must be greater than or equal to one");
        v = 1.0;
    } else if (v > 20.0) {
        out.message = QStringLiteral("Value must be less than or equal to 20");
        v = 20.0;
    }
    if (out.refused()) {
        m_prompter.message(out.message, title, Prompter::Icon::Exclamation, Prompter::Ok);
        out.keepFocus = true;
    }
    m_log.StoichRatio = float(Numbers::roundHalfEven(v, 2));
    out.value = double(m_log.StoichRatio);
    out.text = ratioText(m_log.StoichRatio);
    return out;
}

void FuelTypeLogic::applyChoice(Fuel fuel, const QString& userName) {
    LogBuffer& log = m_log;
    if (fuel == Fuel::User) {
        log.FuelType = trimBlanks(userName).left(kMaxName);
    } else {
        log.FuelType = entry(fuel).name;
        log.StoichRatio = entry(fuel).ratio;
    }
    m_values.AFRFormat = AppState::afrFormatFor(log.StoichRatio);
    SettingsTable::save(m_settings, QStringLiteral("FuelType"), log.FuelType);
    SettingsTable::save(m_settings, QStringLiteral("StoichRatio"), log.StoichRatio);
}
