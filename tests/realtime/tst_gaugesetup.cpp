// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogBuffer.h"
#include "logdata/SettingsTable.h"
#include "realtime/GaugeSetup.h"
#include "realtime/MaxRPMSetting.h"
#include "support/IniSettingsStore.h"
#include "support/Numbers.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace GaugeSetup;

class TestGaugeSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sensorLayout_data();
    void sensorLayout();
    void afrScales_data();
    void afrScales();
    void analogGauge_data();
    void analogGauge();
    void mapScales_data();
    void mapScales();
    void userScale_data();
    void userScale();
    void tpsBands_data();
    void tpsBands();
    void tachometer_data();
    void tachometer();
    void ethanolGauge_data();
    void ethanolGauge();
    void maxRPM_data();
    void maxRPM();
};

void TestGaugeSetup::sensorLayout_data() {
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<bool>("afrVisible");
    QTest::addColumn<int>("left1");
    QTest::addColumn<int>("left2");
    QTest::newRow("Lambda") << "Lambda" << false << 1320 << 5400;
    QTest::newRow("lambda in lower case") << "lambda" << false << 1320 << 5400;
    QTest::newRow("Gasoline") << "Gasoline" << true << 2400 << 6480;
    QTest::newRow("E85") << "E85" << true << 2400 << 6480;
}

void TestGaugeSetup::sensorLayout() {
    QFETCH(QString, fuel);
    QFETCH(bool, afrVisible);
    QFETCH(int, left1);
    QFETCH(int, left2);
    const SensorLayout l = GaugeSetup::sensorLayout(fuel);
    QCOMPARE(l.afrVisible, afrVisible);
    QCOMPARE(l.cellRes1Left, left1);
    QCOMPARE(l.cellRes2Left, left2);
}

void TestGaugeSetup::afrScales_data() {
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<QList<double>>("expected"); // min max from to step b1from b1to b2from b2to
    QTest::newRow("E85") << "E85" << QList<double>{6.5, 13.5, 7, 13, 1, 6.5, 8.3, 9.8, 13.5};
    QTest::newRow("user fuel e85")
        << "e85" << QList<double>{6.5, 13.5, 7, 13, 1, 6.5, 8.3, 9.8, 13.5};
    QTest::newRow("Ethanol") << "Ethanol"
                             << QList<double>{6.0, 12.5, 6, 12, 1, 6.0, 7.7, 9.0, 12.5};
    QTest::newRow("Methanol") << "METHANOL"
                              << QList<double>{4.0, 9.0, 4, 9, 0.5, 4.0, 5.5, 6.5, 9.0};
    QTest::newRow("Gasoline") << "Gasoline"
                              << QList<double>{9.5, 20.5, 10, 20, 1, 9.5, 12.5, 15, 20.5};
    QTest::newRow("E10") << "E10" << QList<double>{9.5, 20.5, 10, 20, 1, 9.5, 12.5, 15, 20.5};
    QTest::newRow("user fuel") << "Race 110"
                               << QList<double>{9.5, 20.5, 10, 20, 1, 9.5, 12.5, 15, 20.5};
}

void TestGaugeSetup::afrScales() {
    QFETCH(QString, fuel);
    QFETCH(QList<double>, expected);
    const BarScale s = afrScale(fuel);
    QCOMPARE(s.bands.size(), 2);
    const QList<double> got{s.min,         s.max,           s.labelFrom,
                            s.labelTo,     s.labelStep,     s.bands[0].from,
                            s.bands[0].to, s.bands[1].from, s.bands[1].to};
    QCOMPARE(got, expected);
}

void TestGaugeSetup::analogGauge_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("gauge");
    QTest::newRow("NONE") << "NONE" << int(AnalogGauge::None);
    QTest::newRow("MAP1BAR") << "MAP1BAR" << int(AnalogGauge::MAP);
    QTest::newRow("MAP2BAR") << "MAP2BAR" << int(AnalogGauge::MAP);
    QTest::newRow("MAP3BAR") << "MAP3BAR" << int(AnalogGauge::MAP);
    QTest::newRow("TPS") << "TPS" << int(AnalogGauge::TPS);
    QTest::newRow("USER") << "USER" << int(AnalogGauge::User);
    // The type is compared exactly: anything unexpected is the user's own quantity.
    QTest::newRow("tps in lower case") << "tps" << int(AnalogGauge::User);
    QTest::newRow("none in lower case") << "none" << int(AnalogGauge::User);
}

void TestGaugeSetup::analogGauge() {
    QFETCH(QString, type);
    QFETCH(int, gauge);
    QCOMPARE(int(analogGaugeFor(type)), gauge);
}

void TestGaugeSetup::mapScales_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QList<double>>("expected"); // min max from to step band
    QTest::newRow("1 bar") << "MAP1BAR" << QList<double>{-1, 31, 0, 30, 5, -1, 31};
    QTest::newRow("2 bar") << "MAP2BAR" << QList<double>{-1, 61, 0, 60, 5, -1, 61};
    QTest::newRow("3 bar") << "MAP3BAR" << QList<double>{-1, 91, 0, 90, 10, -1, 91};
}

void TestGaugeSetup::mapScales() {
    QFETCH(QString, type);
    QFETCH(QList<double>, expected);
    const BarScale s = mapScale(type);
    QCOMPARE(s.bands.size(), 1);
    const QList<double> got{s.min,       s.max,           s.labelFrom,  s.labelTo,
                            s.labelStep, s.bands[0].from, s.bands[0].to};
    QCOMPARE(got, expected);
}

void TestGaugeSetup::userScale_data() {
    QTest::addColumn<float>("minValue");
    QTest::addColumn<float>("maxValue");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("step");
    QTest::newRow("0-100") << 0.0f << 100.0f << 0.0 << 100.0 << 10.0;
    QTest::newRow("0-5") << 0.0f << 5.0f << 0.0 << 5.0 << 0.5;
    QTest::newRow("integer part of the bottom") << 12.7f << 80.4f << 12.0 << 80.0 << 6.8;
    QTest::newRow("top rounded half to even") << 0.0f << 2.5f << 0.0 << 2.0 << 0.2;
    QTest::newRow("empty range") << 3.0f << 3.0f << 3.0 << 3.0 << 0.0;
}

void TestGaugeSetup::userScale() {
    QFETCH(float, minValue);
    QFETCH(float, maxValue);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, step);
    const BarScale s = GaugeSetup::userScale(minValue, maxValue);
    QCOMPARE(s.min, double(minValue));
    QCOMPARE(s.max, double(maxValue));
    QCOMPARE(s.labelFrom, from);
    QCOMPARE(s.labelTo, to);
    QVERIFY(std::abs(s.labelStep - step) < 1e-12);
    QCOMPARE(s.bands.size(), 1);
    QCOMPARE(s.bands[0].from, double(minValue));
    QCOMPARE(s.bands[0].to, double(maxValue));
}

void TestGaugeSetup::tpsBands_data() {
    QTest::addColumn<double>("percent");
    QTest::addColumn<int>("band");
    QTest::newRow("0") << 0.0 << 0;
    QTest::newRow("10") << 10.0 << 0;
    QTest::newRow("10.01") << 10.01 << 1;
    QTest::newRow("15") << 15.0 << 1;
    QTest::newRow("22.5") << 22.5 << 2;
    QTest::newRow("35") << 35.0 << 3;
    QTest::newRow("50") << 50.0 << 4;
    QTest::newRow("50.5") << 50.5 << 5;
    QTest::newRow("70") << 70.0 << 5;
    QTest::newRow("70.5") << 70.5 << 6;
    QTest::newRow("negative") << -3.0 << 0;
}

void TestGaugeSetup::tpsBands() {
    QFETCH(double, percent);
    QFETCH(int, band);
    QCOMPARE(tpsBand(percent), band);
    QCOMPARE(tpsScale().bands.size(), 7);
}

void TestGaugeSetup::tachometer_data() {
    QTest::addColumn<int>("maxRPM");
    QTest::addColumn<int>("full");
    QTest::addColumn<double>("zone1");
    QTest::addColumn<double>("zone2");
    QTest::newRow("10000") << 10000 << 10 << 7.5 << 7.0;
    QTest::newRow("8000") << 8000 << 8 << 6.0 << 5.6;
    QTest::newRow("10500 rounds to even")
        << 10500 << 10 << 7.9 << 7.3; // 7.35 lies just below the half in binary
    QTest::newRow("11500 rounds to even") << 11500 << 12 << 8.6 << 8.0;
    QTest::newRow("4000") << 4000 << 4 << 3.0 << 2.8;
    QTest::newRow("20000") << 20000 << 20 << 15.0 << 14.0;
}

void TestGaugeSetup::tachometer() {
    QFETCH(int, maxRPM);
    QFETCH(int, full);
    QFETCH(double, zone1);
    QFETCH(double, zone2);
    const TachScale t = tachScale(maxRPM);
    QCOMPARE(t.fullScale, full);
    QCOMPARE(t.zone1, zone1);
    QCOMPARE(t.zone2, zone2);
}

void TestGaugeSetup::ethanolGauge_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("shown");
    QTest::newRow("QERO3Dual Rev 2") << "QERO3Dual Rev 2" << true;
    QTest::newRow("QERO3Dual Rev 3") << "QERO3Dual Rev 3" << true;
    QTest::newRow("QERO4D Rev 2") << "QERO4D Rev 2" << false;
    QTest::newRow("QERO4D Rev 3") << "QERO4D Rev 3" << false;
    QTest::newRow("Unknown") << "Unknown" << false;
}

void TestGaugeSetup::ethanolGauge() {
    QFETCH(QString, version);
    QFETCH(bool, shown);
    QCOMPARE(hasEthanolSensor(version), shown);
}

void TestGaugeSetup::maxRPM_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("answers"); // "<cancel>" for Cancel
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("asked");
    QTest::newRow("valid answer") << 10000 << QStringList{"8000"} << 8000 << 1;
    QTest::newRow("too low and too high are asked again")
        << 10000 << QStringList{"3000", "25000", "12000"} << 12000 << 3;
    QTest::newRow("fraction is dropped") << 10000 << QStringList{"9999.9"} << 9999 << 1;
    QTest::newRow("text is 0 and asked again") << 10000 << QStringList{"abc", "6000"} << 6000 << 2;
    QTest::newRow("cancel keeps the current value") << 9000 << QStringList{"<cancel>"} << 9000 << 1;
    QTest::newRow("empty keeps the current value") << 9000 << QStringList{""} << 9000 << 1;
    QTest::newRow("beyond 16 bits is asked again")
        << 10000 << QStringList{"99999", "65536", "16000"} << 16000 << 3;
    QTest::newRow("bounds pass") << 10000 << QStringList{"20000"} << 20000 << 1;
}

void TestGaugeSetup::maxRPM() {
    QFETCH(int, current);
    QFETCH(QStringList, answers);
    QFETCH(int, expected);
    QFETCH(int, asked);
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    ScriptedPrompter prompter;
    for (const QString& a : answers)
        prompter.answerInput(a == QLatin1String("<cancel>") ? std::nullopt
                                                            : std::optional<QString>(a));
    LogBuffer log;
    log.MaxRPMDisplay = qint16(current);
    MaxRPMSetting::ask(prompter, log, store);
    QCOMPARE(int(log.MaxRPMDisplay), expected);
    QCOMPARE(store.value(QStringLiteral("MaxRPMDisplay")),
             std::optional<QString>(QString::number(expected)));
    QCOMPARE(prompter.boxes().size(), asked);
    const auto& first = prompter.boxes().first();
    QCOMPARE(first.text, QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"));
    QCOMPARE(first.title, QStringLiteral("Maximum RPM"));
    QCOMPARE(first.defaultText, QString::number(current));
    if (asked > 1) // the next box offers the refused answer, as it now stands
        QCOMPARE(prompter.boxes()[1].defaultText,
                 QString::number(int(std::floor(Numbers::leadingNumber(answers[0])))));
}

QTEST_GUILESS_MAIN(TestGaugeSetup)
#include "tst_gaugesetup.moc"
