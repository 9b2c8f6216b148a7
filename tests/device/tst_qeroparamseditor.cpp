// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySettingsStore.h"
#include "device/ModuleParameters.h"
#include "device/QeroParamsEditor.h"
#include "logdata/AppState.h"
#include "support/ScriptedPrompter.h"

#include <QtTest>

#include <memory>

class tst_qeroparamseditor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void interval_data();
    void interval();
    void pulses_data();
    void pulses();
    void debounce_data();
    void debounce();
    void brightness_data();
    void brightness();
    void displayRules_data();
    void displayRules();
    void openEmptiesLogAndImage();
    void restoreDefaults();
    void okWritesSettingsAndImageBytes_data();
    void okWritesSettingsAndImageBytes();

private:
    void addValidationColumns();
    void checkValidation();

    std::unique_ptr<AppState> m_state;
    MemorySettingsStore m_settings;
    ScriptedPrompter m_prompter;
};

void tst_qeroparamseditor::init() {
    m_state = std::make_unique<AppState>();
    m_settings.values.clear();
    m_prompter.clear();
}

void tst_qeroparamseditor::addValidationColumns() {
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message"); // empty: no message
    QTest::addColumn<QString>("title");
}

// After a validation: exactly the expected message box (or none), and the box text.
void tst_qeroparamseditor::checkValidation() {
    QFETCH(QString, message);
    QFETCH(QString, title);
    const auto boxes = m_prompter.messages();
    if (message.isEmpty()) {
        QCOMPARE(boxes.size(), 0);
        return;
    }
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, message);
    QCOMPARE(boxes[0].title, title);
    QCOMPARE(boxes[0].icon, Prompter::Icon::Exclamation);
    QCOMPARE(boxes[0].buttons, Prompter::Buttons(Prompter::Ok));
}

void tst_qeroparamseditor::interval_data() {
    addValidationColumns();
    QTest::addColumn<float>("stored");
    const QString t = QStringLiteral("Data Logging Interval");
    QTest::newRow("0.1 is 6 ticks") << "0.1"
                                    << "0.10"
                                    << ""
                                    << "" << 0.096f;
    QTest::newRow("0.55 is 34 ticks") << "0.55"
                                      << "0.55"
                                      << ""
                                      << "" << 0.544f;
    QTest::newRow("1 is 62 ticks (62.5 to even)") << "1"
                                                  << "1.00"
                                                  << ""
                                                  << "" << 0.992f;
    QTest::newRow("0.25 sec") << "0.25 sec"
                              << "0.25"
                              << ""
                              << "" << 0.256f;
    QTest::newRow("too low") << "0.05"
                             << "0.10"
                             << "Value must be greater than or equal to .1" << t << 0.096f;
    QTest::newRow("no number is 0") << "abc"
                                    << "0.10"
                                    << "Value must be greater than or equal to .1" << t << 0.096f;
    QTest::newRow("too high") << "2"
                              << "1.00"
                              << "Value must be less than or equal to 1" << t << 0.992f;
}

void tst_qeroparamseditor::interval() {
    QFETCH(QString, entered);
    QFETCH(QString, shown);
    QFETCH(float, stored);
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    QCOMPARE(e.txtDataLogInterval_Validate(entered).text, shown);
    QCOMPARE(m_state->log.DataLogInterval, stored);
    checkValidation();
}

void tst_qeroparamseditor::pulses_data() {
    addValidationColumns();
    QTest::addColumn<float>("stored");
    const QString t = QStringLiteral("RPM Pulses Per Revolution");
    QTest::newRow("0.7 is half a pulse") << "0.7"
                                         << "0.5"
                                         << ""
                                         << "" << 0.5f;
    QTest::newRow("0.5") << "0.5"
                         << "0.5"
                         << ""
                         << "" << 0.5f;
    QTest::newRow("3.9 is 3") << "3.9"
                              << "3"
                              << ""
                              << "" << 3.0f;
    QTest::newRow("12") << "12"
                        << "12"
                        << ""
                        << "" << 12.0f;
    QTest::newRow("too low") << "0.2"
                             << "0.5"
                             << "Value must be greater than or equal to .5" << t << 0.5f;
    QTest::newRow("too high") << "12.5"
                              << "12"
                              << "Value must be less than or equal to 12" << t << 12.0f;
}

void tst_qeroparamseditor::pulses() {
    QFETCH(QString, entered);
    QFETCH(QString, shown);
    QFETCH(float, stored);
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    QCOMPARE(e.txtPulsePerRev_Validate(entered).text, shown);
    QCOMPARE(m_state->settings.PulsePerRev, stored);
    checkValidation();
}

void tst_qeroparamseditor::debounce_data() {
    addValidationColumns();
    QTest::addColumn<int>("stored");
    const QString t = QStringLiteral("RPM Debounce Time");
    QTest::newRow("0.12 is 2 steps") << "0.12"
                                     << "0.10"
                                     << ""
                                     << "" << 2;
    QTest::newRow("0.5") << "0.5"
                         << "0.50"
                         << ""
                         << "" << 10;
    QTest::newRow("4.1") << "4.1"
                         << "4.10"
                         << ""
                         << "" << 82;
    QTest::newRow("9.9") << "9.9"
                         << "9.90"
                         << ""
                         << "" << 198;
    QTest::newRow("too low") << "0"
                             << "0.10"
                             << "Value must be greater than or equal to .1" << t << 2;
    QTest::newRow("too high") << "10"
                              << "9.90"
                              << "Value must be less than or equal to 9.9" << t << 198;
}

void tst_qeroparamseditor::debounce() {
    QFETCH(QString, entered);
    QFETCH(QString, shown);
    QFETCH(int, stored);
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    QCOMPARE(e.txtRPMDebounce_Validate(entered).text, shown);
    QCOMPARE(int(m_state->settings.RPMDebounce), stored);
    checkValidation();
}

void tst_qeroparamseditor::brightness_data() {
    addValidationColumns();
    QTest::addColumn<int>("stored");
    const QString t = QStringLiteral("Minimum LED Brightness");
    QTest::newRow("50.9 uses 50, 127.5 to even") << "50.9"
                                                 << "50"
                                                 << ""
                                                 << "" << 128;
    QTest::newRow("100") << "100"
                         << "100"
                         << ""
                         << "" << 255;
    QTest::newRow("5") << "5"
                       << "5"
                       << ""
                       << "" << 13;
    QTest::newRow("4.9 is cut to 4") << "4.9"
                                     << "5"
                                     << "Value must be greater than or equal to 5%" << t << 13;
    QTest::newRow("100.5 is cut to 100") << "100.5"
                                         << "100"
                                         << ""
                                         << "" << 255;
    QTest::newRow("too high") << "101"
                              << "100"
                              << "Value must be less than or equal to 100%" << t << 255;
    QTest::newRow("huge") << "1e300"
                          << "100"
                          << "Value must be less than or equal to 100%" << t << 255;
}

void tst_qeroparamseditor::brightness() {
    QFETCH(QString, entered);
    QFETCH(QString, shown);
    QFETCH(int, stored);
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    QCOMPARE(e.txtMinLEDPWM_Validate(entered).text, shown);
    QCOMPARE(int(m_state->settings.MinLEDPWM), stored);
    checkValidation();
}

void tst_qeroparamseditor::displayRules_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<float>("pulses");
    QTest::addColumn<int>("debounce");
    QTest::addColumn<int>("duty");
    QTest::addColumn<QString>("texts"); // the four box texts, joined by '|'
    QTest::addColumn<float>("pulsesAfter");
    QTest::newRow("defaults") << 0.1f << 1.0f << 10 << 15 << "0.10|1|0.50|6" << 1.0f;
    QTest::newRow("6 ticks") << 0.096f << 0.5f << 2 << 128 << "0.10|0.5|0.10|50" << 0.5f;
    QTest::newRow("pulses below 1 become half")
        << 0.992f << 0.8f << 198 << 255 << "1.00|0.5|9.90|100" << 0.5f;
    QTest::newRow("from a module: 20 pulses")
        << 0.016f << 20.0f << 0 << 0 << "0.00|20|0.00|0" << 20.0f;
    QTest::newRow("a stored fraction is cut")
        << 0.544f << 2.7f << 255 << 1 << "0.55|2|12.75|0" << 2.0f;
}

void tst_qeroparamseditor::displayRules() {
    QFETCH(float, interval);
    QFETCH(float, pulses);
    QFETCH(int, debounce);
    QFETCH(int, duty);
    QFETCH(QString, texts);
    QFETCH(float, pulsesAfter);
    m_state->log.DataLogInterval = interval;
    m_state->settings.PulsePerRev = pulses;
    m_state->settings.RPMDebounce = quint8(debounce);
    m_state->settings.MinLEDPWM = quint8(duty);
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    const auto t = e.texts();
    QCOMPARE(QStringList({t.interval, t.pulses, t.debounce, t.brightness}).join(u'|'), texts);
    QCOMPARE(m_state->settings.PulsePerRev, pulsesAfter);
}

void tst_qeroparamseditor::openEmptiesLogAndImage() {
    m_state->log.DataBufferEmpty = false;
    m_state->log.AFR1[0] = 14.0f;
    m_state->fram.FRAMBuffer[100] = 9;
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    const auto t = e.open();
    QVERIFY(m_state->log.DataBufferEmpty);
    QCOMPARE(m_state->log.AFR1[0], 10.0f);
    QCOMPARE(m_state->fram.FRAMBuffer[100], quint8(0));
    QCOMPARE(t.interval, QStringLiteral("0.10"));
}

void tst_qeroparamseditor::restoreDefaults() {
    m_state->log.DataLogInterval = 0.5f;
    m_state->settings.PulsePerRev = 4.0f;
    m_state->settings.RPMDebounce = 100;
    m_state->settings.MinLEDPWM = 200;
    m_state->fram.FRAMBuffer[0] = 77;
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    const auto t = e.cmdRestoreDefaults_Click();
    QCOMPARE(t, (QeroParamsEditor::Texts{"0.10", "1", "0.50", "6"}));
    QCOMPARE(m_state->log.DataLogInterval, 0.1f);
    QCOMPARE(m_state->settings.PulsePerRev, 1.0f);
    QCOMPARE(m_state->settings.RPMDebounce, quint8(10));
    QCOMPARE(m_state->settings.MinLEDPWM, quint8(15));
    QCOMPARE(m_settings.values.value("DataLogInterval"), QStringLiteral("0.1"));
    QCOMPARE(m_settings.values.value("PulsePerRev"), QStringLiteral("1"));
    QCOMPARE(m_settings.values.value("RPMDebounce"), QStringLiteral("10"));
    QCOMPARE(m_settings.values.value("MinLEDPWM"), QStringLiteral("15"));
    // Restore Defaults is not OK: the image is left alone and nothing is asked.
    QCOMPARE(m_state->fram.FRAMBuffer[0], quint8(77));
    QCOMPARE(m_prompter.boxes().size(), 0);
}

void tst_qeroparamseditor::okWritesSettingsAndImageBytes_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<float>("pulses");
    QTest::addColumn<QList<int>>("bytes"); // 0 to 5 afterwards
    QTest::newRow("defaults: 0.1 s is 6.25 ticks")
        << 0.1f << 1.0f << QList<int>{6, 1, 0xAA, 0xBB, 10, 15};
    QTest::newRow("half a pulse is 0") << 0.992f << 0.5f << QList<int>{62, 0, 0xAA, 0xBB, 10, 15};
    QTest::newRow("12 pulses") << 0.544f << 12.0f << QList<int>{34, 12, 0xAA, 0xBB, 10, 15};
    QTest::newRow("out-of-range settings stay in a byte")
        << 100.0f << 1000.0f << QList<int>{255, 255, 0xAA, 0xBB, 10, 15};
    QTest::newRow("negative settings are 0")
        << -1.0f << -3.0f << QList<int>{0, 0, 0xAA, 0xBB, 10, 15};
}

void tst_qeroparamseditor::okWritesSettingsAndImageBytes() {
    QFETCH(float, interval);
    QFETCH(float, pulses);
    QFETCH(QList<int>, bytes);
    m_state->log.DataLogInterval = interval;
    m_state->settings.PulsePerRev = pulses;
    m_state->fram.FRAMBuffer[2] = 0xAA;
    m_state->fram.FRAMBuffer[3] = 0xBB;
    QeroParamsEditor e(*m_state, m_settings, m_prompter);
    e.cmdQEROParamsOK_Click();
    for (int i = 0; i < 6; ++i)
        QCOMPARE(int(m_state->fram.FRAMBuffer[i]), bytes[i]);
    QCOMPARE(m_settings.values.size(), 4);
    QCOMPARE(m_settings.values.value("RPMDebounce"), QStringLiteral("10"));
}

QTEST_APPLESS_MAIN(tst_qeroparamseditor)
#include "tst_qeroparamseditor.moc"
