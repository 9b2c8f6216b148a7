// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AnalogInScaleLogic.h"
#include "logdata/AnalogScaling.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

using Box = AnalogInScaleLogic::Box;
using Preset = AnalogScaling::Preset;

class tst_analogscaling : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void map2bar();
    void narrowSpanUsesTenthOfVolt_data();
    void narrowSpanUsesTenthOfVolt();
    void presets_data();
    void presets();
    void presetFor_data();
    void presetFor();
    void validateBox_data();
    void validateBox();
    void legend_data();
    void legend();
    void saveAndRestoreDefaults();
};

void tst_analogscaling::map2bar() {
    LogBuffer log;
    AnalogScaling::apply(Preset::MAP2bar, log);
    const AnalogScaling s(log);
    QCOMPARE(s.slope(), (59.1f - 5.9f) / (4.8f - 0.3f));
    QCOMPARE(s.scale(0.3f), 5.9f);
    QCOMPARE(s.scale(4.8f), 59.1f);
}

void tst_analogscaling::narrowSpanUsesTenthOfVolt_data() {
    QTest::addColumn<float>("minVolts");
    QTest::addColumn<float>("maxVolts");
    QTest::addColumn<float>("slope");
    QTest::addColumn<float>("offset");
    QTest::addColumn<float>("volts");
    QTest::addColumn<float>("scaled");
    QTest::newRow("equal") << 2.0f << 2.0f << 1000.0f << -2000.0f << 2.05f << 50.0f;
    QTest::newRow("equal at min") << 2.0f << 2.0f << 1000.0f << -2000.0f << 2.0f << 0.0f;
    QTest::newRow("reversed") << 3.0f << 1.0f << 1000.0f << -3000.0f << 3.0f << 0.0f;
    QTest::newRow("exactly 0.1") << 1.0f << 1.1f << 1000.0f << -1000.0f << 1.0f << 0.0f;
}

void tst_analogscaling::narrowSpanUsesTenthOfVolt() {
    QFETCH(float, minVolts);
    QFETCH(float, maxVolts);
    QFETCH(float, slope);
    QFETCH(float, offset);
    QFETCH(float, volts);
    QFETCH(float, scaled);
    const AnalogScaling s(minVolts, maxVolts, 0.0f, 100.0f);
    QCOMPARE(s.slope(), slope);
    QCOMPARE(s.offset(), offset);
    QCOMPARE(s.scale(volts), scaled);
}

void tst_analogscaling::presets_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QString>("legend");
    QTest::addColumn<QString>("code");
    const QList<float> mine{1.0f, 4.0f, 10.0f, 90.0f};
    QTest::newRow("none") << int(Preset::None) << QList<float>{0.0f, 5.0f, 0.0f, 5.0f} << "Volts"
                          << "NONE";
    QTest::newRow("tps") << int(Preset::TPS) << mine << "TPS(%)"
                         << "TPS";
    QTest::newRow("1 bar") << int(Preset::MAP1bar) << QList<float>{0.25f, 4.85f, 4.45f, 30.1f}
                           << "MAP (In-Hg)"
                           << "MAP1BAR";
    QTest::newRow("2 bar") << int(Preset::MAP2bar) << QList<float>{0.3f, 4.8f, 5.9f, 59.1f}
                           << "MAP (In-Hg)"
                           << "MAP2BAR";
    QTest::newRow("3 bar") << int(Preset::MAP3bar) << QList<float>{0.62f, 4.82f, 11.8f, 89.9f}
                           << "MAP (In-Hg)"
                           << "MAP3BAR";
    QTest::newRow("user") << int(Preset::User) << mine << "Boost"
                          << "USER";
}

void tst_analogscaling::presets() {
    QFETCH(int, preset);
    QFETCH(QList<float>, values);
    QFETCH(QString, legend);
    QFETCH(QString, code);
    LogBuffer log;
    log.MinInVolts = 1.0f;
    log.MaxInVolts = 4.0f;
    log.MinScaledValue = 10.0f;
    log.MaxScaledValue = 90.0f;
    log.AnalogLegend = QStringLiteral("Boost");
    AnalogScaling::apply(Preset(preset), log);
    QCOMPARE((QList<float>{log.MinInVolts, log.MaxInVolts, log.MinScaledValue, log.MaxScaledValue}),
             values);
    QCOMPARE(log.AnalogLegend, legend);
    QCOMPARE(log.AnalogInputType, code);
}

void tst_analogscaling::presetFor_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("preset");
    QTest::newRow("NONE") << "NONE" << int(Preset::None);
    QTest::newRow("TPS") << "TPS" << int(Preset::TPS);
    QTest::newRow("MAP1BAR") << "MAP1BAR" << int(Preset::MAP1bar);
    QTest::newRow("MAP2BAR") << "MAP2BAR" << int(Preset::MAP2bar);
    QTest::newRow("MAP3BAR") << "MAP3BAR" << int(Preset::MAP3bar);
    QTest::newRow("USER") << "USER" << int(Preset::User);
    QTest::newRow("other") << "map2bar" << int(Preset::User);
}

void tst_analogscaling::presetFor() {
    QFETCH(QString, type);
    QFETCH(int, preset);
    QCOMPARE(int(AnalogScaling::presetFor(type)), preset);
}

void tst_analogscaling::validateBox_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<float>("stored");
    QTest::addColumn<QString>("shown");
    const int minV = int(Box::MinVolts), maxV = int(Box::MaxVolts);
    const int minS = int(Box::MinValue), maxS = int(Box::MaxValue);
    QTest::newRow("negative volts") << maxV << "-1"
                                    << "Value must be greater than zero"
                                    << "Maximum Input Voltage" << 0.0f << "0.0";
    QTest::newRow("too many volts") << maxV << "7"
                                    << "Value must be less than or equal to 5"
                                    << "Maximum Input Voltage" << 5.0f << "5.0";
    QTest::newRow("volts two decimals")
        << minV << "0.255" << QString() << QString() << 0.26f << "0.26";
    QTest::newRow("zero passes") << minV << "0" << QString() << QString() << 0.0f << "0.0";
    QTest::newRow("not a number") << minV << "abc" << QString() << QString() << 0.0f << "0.0";
    QTest::newRow("three decimals")
        << minS << "12.3456" << QString() << QString() << 12.346f << "12.346";
    QTest::newRow("leading number")
        << minS << " 250 kPa" << QString() << QString() << 250.0f << "250.0";
    QTest::newRow("too large value") << maxS << "12000"
                                     << "Value must be less than or equal to 10000"
                                     << "Maximum Scaled Value" << 10000.0f << "10000.0";
    QTest::newRow("negative value") << minS << "-0.5"
                                    << "Value must be greater than zero"
                                    << "Minimum Scaled Value" << 0.0f << "0.0";
}

void tst_analogscaling::validateBox() {
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(float, stored);
    QFETCH(QString, shown);
    LogBuffer log;
    log.MinInVolts = log.MaxInVolts = log.MinScaledValue = log.MaxScaledValue = 3.0f;
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    AnalogInScaleLogic logic(log, prompter, settings);

    const FieldCheck c = logic.validate(Box(box), typed);
    QCOMPARE(c.text, shown);
    QCOMPARE(c.keepFocus, !message.isEmpty());
    const float values[] = {log.MinInVolts, log.MaxInVolts, log.MinScaledValue, log.MaxScaledValue};
    QCOMPARE(values[box], stored);
    if (message.isEmpty()) {
        QVERIFY(prompter.boxes().isEmpty());
    } else {
        QCOMPARE(prompter.boxes().size(), 1);
        const ScriptedPrompter::Box b = prompter.boxes().first();
        QCOMPARE(b.text, message);
        QCOMPARE(b.title, title);
        QCOMPARE(b.icon, Prompter::Icon::Exclamation);
        QCOMPARE(b.buttons, Prompter::Buttons(Prompter::Ok));
    }
    // Nothing is stored as a setting until OK.
    QVERIFY(!settings.value(QStringLiteral("MinInVolts")));
}

void tst_analogscaling::legend_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("legend");
    QTest::addColumn<bool>("keepFocus");
    QTest::newRow("trimmed") << "  Boost (psi) "
                             << "Boost (psi)" << false;
    QTest::newRow("20 characters") << "12345678901234567890"
                                   << "12345678901234567890" << false;
    QTest::newRow("25 characters") << "Manifold absolute press."
                                   << "Manifold absolute pr" << true;
}

void tst_analogscaling::legend() {
    QFETCH(QString, typed);
    QFETCH(QString, legend);
    QFETCH(bool, keepFocus);
    LogBuffer log;
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    AnalogInScaleLogic logic(log, prompter, settings);
    const FieldCheck c = logic.validateLegend(typed);
    QCOMPARE(c.text, legend);
    QCOMPARE(c.keepFocus, keepFocus);
    QCOMPARE(log.AnalogLegend, legend);
    QVERIFY(prompter.boxes().isEmpty());
}

void tst_analogscaling::saveAndRestoreDefaults() {
    LogBuffer log;
    AnalogScaling::apply(Preset::MAP3bar, log);
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    AnalogInScaleLogic logic(log, prompter, settings);
    logic.saveSettings();
    QCOMPARE(settings.value(QStringLiteral("MinInVolts")), QStringLiteral("0.62"));
    QCOMPARE(settings.value(QStringLiteral("MaxInVolts")), QStringLiteral("4.82"));
    QCOMPARE(settings.value(QStringLiteral("MinScaledValue")), QStringLiteral("11.8"));
    QCOMPARE(settings.value(QStringLiteral("MaxScaledValue")), QStringLiteral("89.9"));
    QCOMPARE(settings.value(QStringLiteral("AnalogLegend")), QStringLiteral("MAP (In-Hg)"));
    QCOMPARE(settings.value(QStringLiteral("AnalogInputType")), QStringLiteral("MAP3BAR"));

    prompter.answerButton(Prompter::Cancel);
    QVERIFY(!logic.restoreDefaults({}));
    QCOMPARE(log.AnalogInputType, QStringLiteral("MAP3BAR"));
    const ScriptedPrompter::Box b = prompter.boxes().first();
    QCOMPARE(b.text, QStringLiteral("This action will restore default analog input scaling."));
    QCOMPARE(b.title, QStringLiteral("Restore Defaults"));
    QCOMPARE(b.icon, Prompter::Icon::Critical);
    QCOMPARE(b.buttons, Prompter::Ok | Prompter::Cancel);

    prompter.answerButton(Prompter::Ok);
    QVERIFY(logic.restoreDefaults({}));
    QCOMPARE(log.MaxScaledValue, 5.0f);
    QCOMPARE(settings.value(QStringLiteral("MinInVolts")), QStringLiteral("0"));
    QCOMPARE(settings.value(QStringLiteral("MaxScaledValue")), QStringLiteral("5"));
    QCOMPARE(settings.value(QStringLiteral("AnalogLegend")), QStringLiteral("Volts"));
    QCOMPARE(settings.value(QStringLiteral("AnalogInputType")), QStringLiteral("NONE"));
}

QTEST_GUILESS_MAIN(tst_analogscaling)
#include "tst_analogscaling.moc"
