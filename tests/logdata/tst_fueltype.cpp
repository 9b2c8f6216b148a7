// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/FuelFactor.h"
#include "logdata/AppState.h"
#include "logdata/FuelTypeLogic.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

using Fuel = FuelTypeLogic::Fuel;

class tst_fueltype : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encoding_data();
    void encoding();
    void fuelFor_data();
    void fuelFor();
    void applyFixedFuel_data();
    void applyFixedFuel();
    void applyUserFuel();
    void validateRatio_data();
    void validateRatio();
};

void tst_fueltype::encoding_data() {
    QTest::addColumn<int>("fuel");
    QTest::addColumn<int>("factor");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("Gasoline") << int(Fuel::Gasoline) << 32767 << 0xFF << 0x7F;
    QTest::newRow("E10") << int(Fuel::E10) << 31518 << 0x1E << 0x7B;
    QTest::newRow("E85") << int(Fuel::E85) << 21793 << 0x21 << 0x55;
    QTest::newRow("Ethanol") << int(Fuel::Ethanol) << 20098 << 0x82 << 0x4E;
    QTest::newRow("Methanol") << int(Fuel::Methanol) << 14432 << 0x60 << 0x38;
    QTest::newRow("Lambda") << int(Fuel::Lambda) << 22306 << 0x22 << 0x57;
}

void tst_fueltype::encoding() {
    QFETCH(int, fuel);
    QFETCH(int, factor);
    QFETCH(int, low);
    QFETCH(int, high);
    // The window's fuel table gives the module the factors it expects.
    const FuelTypeLogic::Entry& e = FuelTypeLogic::entry(Fuel(fuel));
    const std::optional<quint16> f = FuelFactor::factor(e.name, e.ratio);
    QVERIFY(f);
    QCOMPARE(int(*f), factor);
    FramImage fram;
    FuelFactor::store(fram, *f);
    QCOMPARE(int(fram.FRAMBuffer[6]), low);
    QCOMPARE(int(fram.FRAMBuffer[7]), high);
    QCOMPARE(int(fram.FRAMBuffer[5]), 0);
    QCOMPARE(int(fram.FRAMBuffer[8]), 0);
}

void tst_fueltype::fuelFor_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fuel");
    QTest::newRow("Gasoline") << "Gasoline" << int(Fuel::Gasoline);
    QTest::newRow("gasoline") << "gasoline" << int(Fuel::Gasoline);
    QTest::newRow("e10") << "e10" << int(Fuel::E10);
    QTest::newRow("E85") << "E85" << int(Fuel::E85);
    QTest::newRow("ETHANOL") << "ETHANOL" << int(Fuel::Ethanol);
    QTest::newRow("Methanol") << "Methanol" << int(Fuel::Methanol);
    QTest::newRow("LAMBDA") << "LAMBDA" << int(Fuel::Lambda);
    QTest::newRow("other") << "Race 110" << int(Fuel::User);
    QTest::newRow("spaces") << " E85" << int(Fuel::User);
}

void tst_fueltype::fuelFor() {
    QFETCH(QString, name);
    QFETCH(int, fuel);
    QCOMPARE(int(FuelTypeLogic::fuelFor(name)), fuel);
}

void tst_fueltype::applyFixedFuel_data() {
    QTest::addColumn<int>("fuel");
    QTest::addColumn<QString>("name");
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Gasoline") << int(Fuel::Gasoline) << "Gasoline" << 14.69f << "#0.0"
                              << "14.69";
    QTest::newRow("E10") << int(Fuel::E10) << "E10" << 14.13f << "#0.0"
                         << "14.13";
    QTest::newRow("E85") << int(Fuel::E85) << "E85" << 9.77f << "#0.00"
                         << "9.77";
    QTest::newRow("Ethanol") << int(Fuel::Ethanol) << "Ethanol" << 9.01f << "#0.00"
                             << "9.01";
    QTest::newRow("Methanol") << int(Fuel::Methanol) << "Methanol" << 6.47f << "#0.00"
                              << "6.47";
    QTest::newRow("Lambda") << int(Fuel::Lambda) << "Lambda" << 1.0f << "#0.000"
                            << "1";
}

void tst_fueltype::applyFixedFuel() {
    QFETCH(int, fuel);
    QFETCH(QString, name);
    QFETCH(float, ratio);
    QFETCH(QString, format);
    QFETCH(QString, stored);
    AppState state;
    state.log.FuelType = QStringLiteral("Race");
    state.log.StoichRatio = 12.0f;
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    FuelTypeLogic(state.log, state.settings, prompter, settings)
        .applyChoice(Fuel(fuel), QStringLiteral("ignored"));
    QCOMPARE(state.log.FuelType, name);
    QCOMPARE(state.log.StoichRatio, ratio);
    QCOMPARE(state.settings.AFRFormat, format);
    QCOMPARE(settings.value(QStringLiteral("FuelType")), name);
    QCOMPARE(settings.value(QStringLiteral("StoichRatio")), stored);
}

void tst_fueltype::applyUserFuel() {
    AppState state;
    state.log.StoichRatio = 12.35f; // stored by the ratio box's check
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    FuelTypeLogic logic(state.log, state.settings, prompter, settings);
    logic.applyChoice(Fuel::User, QStringLiteral("   Propane blend from the station   "));
    QCOMPARE(state.log.FuelType, QStringLiteral("Propane blend fr"));
    QCOMPARE(state.log.StoichRatio, 12.35f);
    QCOMPARE(state.settings.AFRFormat, QStringLiteral("#0.0"));
    QCOMPARE(settings.value(QStringLiteral("FuelType")), QStringLiteral("Propane blend fr"));
    QCOMPARE(settings.value(QStringLiteral("StoichRatio")), QStringLiteral("12.35"));
    QVERIFY(prompter.boxes().isEmpty());
}

void tst_fueltype::validateRatio_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0.5") << "0.5"
                         << "Value must be greater than or equal to one" << 1.0f << "1.00";
    QTest::newRow("abc") << "abc"
                         << "Value must be greater than or equal to one" << 1.0f << "1.00";
    QTest::newRow("25") << "25"
                        << "Value must be less than or equal to 20" << 20.0f << "20.00";
    QTest::newRow("12.345") << "12.345" << QString() << 12.35f << "12.35";
    QTest::newRow("1") << "1" << QString() << 1.0f << "1.00";
    QTest::newRow("20") << "20" << QString() << 20.0f << "20.00";
}

void tst_fueltype::validateRatio() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(float, ratio);
    QFETCH(QString, shown);
    AppState state;
    state.log.FuelType = QStringLiteral("Race");
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    FuelTypeLogic logic(state.log, state.settings, prompter, settings);
    const FieldCheck c = logic.validateRatio(typed);
    QCOMPARE(c.text, shown);
    QCOMPARE(c.keepFocus, !message.isEmpty());
    QCOMPARE(state.log.StoichRatio, ratio);
    // Only the ratio changes at once; the name, the pattern and the settings wait for OK.
    QCOMPARE(state.log.FuelType, QStringLiteral("Race"));
    QCOMPARE(state.settings.AFRFormat, QStringLiteral("#0.0"));
    QVERIFY(!settings.value(QStringLiteral("StoichRatio")));
    if (message.isEmpty()) {
        QVERIFY(prompter.boxes().isEmpty());
    } else {
        QCOMPARE(prompter.boxes().size(), 1);
        const ScriptedPrompter::Box b = prompter.boxes().first();
        QCOMPARE(b.text, message);
        QCOMPARE(b.title, QStringLiteral("Stoichiometric Ratio"));
        QCOMPARE(b.icon, Prompter::Icon::Exclamation);
        QCOMPARE(b.buttons, Prompter::Buttons(Prompter::Ok));
    }
}

QTEST_GUILESS_MAIN(tst_fueltype)
#include "tst_fueltype.moc"
