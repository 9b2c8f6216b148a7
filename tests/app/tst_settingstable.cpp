// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AppState.h"
#include "logdata/SettingsTable.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_settingstable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void firstRunDefaults();
    void startupClamps_data();
    void startupClamps();
    void afrFormatFollowsRatio_data();
    void afrFormatFollowsRatio();
    void unconvertibleSettingWithIgnoreGoesOn();
    void abortKeepsDefaultsOfRemainingKeys();
    void retryReadsTheKeyAgain();
    void writtenValuesReadBack();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("settings.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_settingstable::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_settingstable::firstRunDefaults() {
    IniSettingsStore store(iniPath());
    ScriptedPrompter p;
    AppState s;
    SettingsTable::load(s, store, p);
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(s.settings.PortNumber, qint16(1));
    QCOMPARE(s.settings.AutoConnect, false);
    QCOMPARE(s.log.DataLogInterval, 0.1f);
    QCOMPARE(s.settings.PulsePerRev, 1.0f);
    QCOMPARE(s.settings.RPMDebounce, quint8(10));
    QCOMPARE(s.settings.MinLEDPWM, quint8(15));
    QCOMPARE(s.settings.AFRTableData, QStringLiteral("Sensor 1"));
    QCOMPARE(s.log.AnalogInputType, QStringLiteral("NONE"));
    QCOMPARE(s.log.MaxRPMDisplay, qint16(10000));
    QCOMPARE(s.log.MinInVolts, 0.0f);
    QCOMPARE(s.log.MaxInVolts, 5.0f);
    QCOMPARE(s.log.MinScaledValue, 0.0f);
    QCOMPARE(s.log.MaxScaledValue, 5.0f);
    QCOMPARE(s.log.AnalogLegend, QStringLiteral("Analog Input"));
    QCOMPARE(s.log.FuelType, QStringLiteral("Gasoline"));
    QCOMPARE(s.log.StoichRatio, 14.69f);
    QCOMPARE(s.settings.AFRFormat, QStringLiteral("#0.0"));
}

void tst_settingstable::startupClamps_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("expected");
    QTest::newRow("rpm 3000") << "MaxRPMDisplay"
                              << "3000" << 4000.0;
    QTest::newRow("rpm 25000") << "MaxRPMDisplay"
                               << "25000" << 20000.0;
    QTest::newRow("rpm 12000 kept") << "MaxRPMDisplay"
                                    << "12000" << 12000.0;
    QTest::newRow("min volts -1") << "MinInVolts"
                                  << "-1" << 0.0;
    QTest::newRow("max volts 7") << "MaxInVolts"
                                 << "7" << 5.0;
    QTest::newRow("min volts 5.5") << "MinInVolts"
                                   << "5.5" << 5.0;
    QTest::newRow("scaled value not clamped") << "MaxScaledValue"
                                              << "25000" << 25000.0;
}

void tst_settingstable::startupClamps() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(double, expected);
    IniSettingsStore store(iniPath());
    store.setValue(key, stored);
    ScriptedPrompter p;
    AppState s;
    SettingsTable::load(s, store, p);
    QVERIFY(p.boxes().isEmpty());
    const double actual = key == QLatin1String("MaxRPMDisplay") ? double(s.log.MaxRPMDisplay)
                          : key == QLatin1String("MinInVolts")  ? double(s.log.MinInVolts)
                          : key == QLatin1String("MaxInVolts")  ? double(s.log.MaxInVolts)
                                                                : double(s.log.MaxScaledValue);
    QCOMPARE(actual, expected);
    // The clamp is not written back: nothing is saved at start-up.
    QCOMPARE(store.value(key).value(), stored);
}

void tst_settingstable::afrFormatFollowsRatio_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("1.99") << "1.99"
                          << "#0.000";
    QTest::newRow("2") << "2"
                       << "#0.00";
    QTest::newRow("10") << "10"
                        << "#0.00";
    QTest::newRow("10.01") << "10.01"
                           << "#0.0";
}

void tst_settingstable::afrFormatFollowsRatio() {
    QFETCH(QString, stored);
    QFETCH(QString, pattern);
    IniSettingsStore store(iniPath());
    store.setValue(QStringLiteral("StoichRatio"), stored);
    ScriptedPrompter p;
    AppState s;
    SettingsTable::load(s, store, p);
    QCOMPARE(s.settings.AFRFormat, pattern);
}

void tst_settingstable::unconvertibleSettingWithIgnoreGoesOn() {
    IniSettingsStore store(iniPath());
    store.setValue(QStringLiteral("DataLogInterval"), QStringLiteral("fast"));
    store.setValue(QStringLiteral("MaxRPMDisplay"), QStringLiteral("lots"));
    store.setValue(QStringLiteral("FuelType"), QStringLiteral("E85"));
    store.setValue(QStringLiteral("StoichRatio"), QStringLiteral("9.77"));
    ScriptedPrompter p;
    p.answerButton(Prompter::Ignore);
    p.answerButton(Prompter::Ignore);
    AppState s;
    SettingsTable::load(s, store, p);
    QCOMPARE(p.boxes().size(), 2);
    for (const auto& box : p.boxes()) {
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, Prompter::Icon::Critical);
    }
    QVERIFY(p.boxes()[0].text.contains(QLatin1String("DataLogInterval")));
    QVERIFY(p.boxes()[1].text.contains(QLatin1String("MaxRPMDisplay")));
    QCOMPARE(s.log.DataLogInterval, 0.1f);
    QCOMPARE(s.log.MaxRPMDisplay, qint16(10000));
    // The keys after the damaged ones are still read.
    QCOMPARE(s.log.FuelType, QStringLiteral("E85"));
    QCOMPARE(s.log.StoichRatio, 9.77f);
    QCOMPARE(s.settings.AFRFormat, QStringLiteral("#0.00"));
}

void tst_settingstable::abortKeepsDefaultsOfRemainingKeys() {
    IniSettingsStore store(iniPath());
    store.setValue(QStringLiteral("AutoConnect"), QStringLiteral("maybe"));
    store.setValue(QStringLiteral("CommPort"), QStringLiteral("4"));
    store.setValue(QStringLiteral("MinInVolts"), QStringLiteral("-3"));
    store.setValue(QStringLiteral("StoichRatio"), QStringLiteral("1"));
    ScriptedPrompter p;
    p.answerButton(Prompter::Abort);
    AppState s;
    SettingsTable::load(s, store, p);
    QCOMPARE(p.boxes().size(), 1);
    QCOMPARE(s.settings.PortNumber, qint16(4));
    QCOMPARE(s.log.StoichRatio, 14.69f);
    QCOMPARE(s.log.MinInVolts, 0.0f);
    QCOMPARE(s.settings.AFRFormat, QStringLiteral("#0.0"));
}

void tst_settingstable::retryReadsTheKeyAgain() {
    IniSettingsStore store(iniPath());
    store.setValue(QStringLiteral("CommPort"), QStringLiteral("999"));
    ScriptedPrompter p;
    p.answerButton(Prompter::Retry);
    p.onBox = [&](const ScriptedPrompter::Box&) {
        // The user mends the value while the box is up.
        store.setValue(QStringLiteral("CommPort"), QStringLiteral("7"));
    };
    AppState s;
    SettingsTable::load(s, store, p);
    QCOMPARE(p.boxes().size(), 1);
    QCOMPARE(s.settings.PortNumber, qint16(7));
}

void tst_settingstable::writtenValuesReadBack() {
    {
        IniSettingsStore store(iniPath());
        SettingsTable::save(store, QStringLiteral("DataLogInterval"), 0.544f);
        SettingsTable::save(store, QStringLiteral("AutoConnect"), true);
        SettingsTable::save(store, QStringLiteral("MinLEDPWM"), 128);
        SettingsTable::save(store, QStringLiteral("AnalogLegend"), QStringLiteral("Boost, psi"));
        QCOMPARE(store.value(QStringLiteral("AutoConnect")).value(), QStringLiteral("True"));
        QCOMPARE(store.value(QStringLiteral("DataLogInterval")).value(), QStringLiteral("0.544"));
    }
    IniSettingsStore store(iniPath());
    ScriptedPrompter p;
    AppState s;
    SettingsTable::load(s, store, p);
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(s.log.DataLogInterval, 0.544f);
    QCOMPARE(s.settings.AutoConnect, true);
    QCOMPARE(s.settings.MinLEDPWM, quint8(128));
    QCOMPARE(s.log.AnalogLegend, QStringLiteral("Boost, psi"));
}

QTEST_GUILESS_MAIN(tst_settingstable)
#include "tst_settingstable.moc"
