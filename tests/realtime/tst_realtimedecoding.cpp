// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogBuffer.h"
#include "realtime/RealTimeDecoding.h"

#include <QtTest>

using namespace RealTimeDecoding;

class TestRealTimeDecoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void afrBytes_data();
    void afrBytes();
    void fuelUnits_data();
    void fuelUnits();
    void rpm_data();
    void rpm();
    void volts();
    void ethanol_data();
    void ethanol();
    void statusTexts_data();
    void statusTexts();
    void scaledAnalog_data();
    void scaledAnalog();
};

void TestRealTimeDecoding::afrBytes_data() {
    QTest::addColumn<int>("raw");
    QTest::addColumn<float>("afr");
    QTest::newRow("status 0") << 0 << 10.0f;
    QTest::newRow("status 3") << 3 << 10.0f;
    QTest::newRow("status 6") << 6 << 10.0f;
    QTest::newRow("7 -> 10.28 rounds up") << 7 << 10.3f;
    QTest::newRow("100 -> 14.0") << 100 << 14.0f;
    QTest::newRow("117 -> 14.68 rounds to 14.7") << 117 << 14.7f;
    QTest::newRow("238 -> 19.52 rounds down") << 238 << 19.5f;
    QTest::newRow("239 lean limit") << 239 << 19.5f;
    QTest::newRow("240 lean limit") << 240 << 19.5f;
    QTest::newRow("241 lean limit") << 241 << 19.5f;
    QTest::newRow("242 free air") << 242 << 20.0f;
    QTest::newRow("255 free air") << 255 << 20.0f;
}

void TestRealTimeDecoding::afrBytes() {
    QFETCH(int, raw);
    QFETCH(float, afr);
    QCOMPARE(afrFromRaw(raw), afr);
}

void TestRealTimeDecoding::fuelUnits_data() {
    QTest::addColumn<int>("raw");
    QTest::addColumn<float>("stoich");
    QTest::addColumn<double>("lambda");
    QTest::addColumn<double>("fuelAfr");
    QTest::newRow("E85 at 14.0") << 100 << 9.77f << 0.95303 << 9.3111;
    QTest::newRow("E85 at 14.7") << 117 << 9.77f << 1.00068 << 9.7767;
    QTest::newRow("gasoline at 14.0") << 100 << 14.69f << 0.95303 << 14.0;
    QTest::newRow("lambda fuel") << 100 << 1.0f << 0.95303 << 0.95303;
}

void TestRealTimeDecoding::fuelUnits() {
    QFETCH(int, raw);
    QFETCH(float, stoich);
    QFETCH(double, lambda);
    QFETCH(double, fuelAfr);
    const float a = afrFromRaw(raw);
    QVERIFY(std::abs(lambdaFromAFR(a) - lambda) < 5e-6);
    QVERIFY(std::abs(fuelAFR(a, stoich) - fuelAfr) < 5e-5);
}

void TestRealTimeDecoding::rpm_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("pulses");
    QTest::addColumn<float>("rpm");
    QTest::newRow("count 10000, 1 pulse") << 0x2710 << 1.0f << 1500.0f;
    QTest::newRow("count 10000, 2 pulses") << 0x2710 << 2.0f << 750.0f;
    QTest::newRow("count 65535") << 65535 << 1.0f << 15000000.0f / 65535.0f;
    // A zero period must not divide by zero: the engine reads as stopped.
    QTest::newRow("zero count") << 0 << 1.0f << 0.0f;
    QTest::newRow("zero pulses per revolution") << 10000 << 0.0f << 0.0f;
}

void TestRealTimeDecoding::rpm() {
    QFETCH(int, count);
    QFETCH(float, pulses);
    QFETCH(float, rpm);
    QCOMPARE(rpmFromCount(count, pulses), rpm);
}

void TestRealTimeDecoding::volts() {
    QCOMPARE(analogVolts(255), 5.0f);
    QCOMPARE(analogVolts(0), 0.0f);
    QCOMPARE(batteryVolts(255), 20.0f);
    QCOMPARE(batteryVolts(0), 0.0f);
    QVERIFY(std::abs(batteryVolts(191) - 14.98f) < 0.005f);
}

void TestRealTimeDecoding::ethanol_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("percent");
    QTest::newRow("40 is below the zero point") << 40.0f << 0.0f;
    QTest::newRow("50 is 0 %") << 50.0f << 0.0f;
    QTest::newRow("135 is 85 %") << 135.0f << 85.0f;
    QTest::newRow("failed read (0)") << 0.0f << 0.0f;
}

void TestRealTimeDecoding::ethanol() {
    QFETCH(float, value);
    QFETCH(float, percent);
    QCOMPARE(ethanolPercent(value), percent);
}

void TestRealTimeDecoding::statusTexts_data() {
    QTest::addColumn<int>("raw1");
    QTest::addColumn<int>("raw2");
    QTest::addColumn<QString>("text");
    QTest::newRow("both valid") << 100 << 120 << QString();
    QTest::newRow("short and open") << 3 << 4 << QStringLiteral("Sensor 1 Short\nSensor 2 Open");
    QTest::newRow("only sensor 2 cold") << 0 << 6 << QStringLiteral("Sensor 2 Cold");
    QTest::newRow("battery code on sensor 2 says nothing") << 100 << 1 << QString();
    QTest::newRow("low battery") << 1 << 100 << QStringLiteral("Low Battery\n");
    QTest::newRow("high battery") << 2 << 2 << QStringLiteral("High Battery\n");
    QTest::newRow("over temperature") << 5 << 5 << QStringLiteral("Over Max Temp\n");
    QTest::newRow("both cold") << 6 << 6 << QStringLiteral("Sensor 1 Cold\nSensor 2 Cold");
    QTest::newRow("both free air")
        << 242 << 255 << QStringLiteral("Sensor 1 Free Air\nSensor 2 Free Air");
    QTest::newRow("lean limit is no status") << 240 << 241 << QString();
    QTest::newRow("sensor 2 short only") << 120 << 3 << QStringLiteral("Sensor 2 Short");
}

void TestRealTimeDecoding::statusTexts() {
    QFETCH(int, raw1);
    QFETCH(int, raw2);
    QFETCH(QString, text);
    QCOMPARE(diagnosticText(raw1, raw2), text);
}

void TestRealTimeDecoding::scaledAnalog_data() {
    QTest::addColumn<QList<float>>("scaling"); // min volts, max volts, min value, max value
    QTest::addColumn<float>("volts");
    QTest::addColumn<float>("expected");
    const QList<float> map2{0.3f, 4.8f, 5.9f, 59.1f};
    QTest::newRow("2 bar MAP bottom") << map2 << 0.3f << 5.9f;
    QTest::newRow("2 bar MAP top") << map2 << 4.8f << 59.1f;
    // An empty voltage span divides by 0.1 V instead of by zero.
    const QList<float> empty{2.0f, 2.0f, 0.0f, 100.0f};
    QTest::newRow("empty span at its voltage") << empty << 2.0f << 0.0f;
    QTest::newRow("empty span 50 mV above") << empty << 2.05f << 50.0f;
    QTest::newRow("plain volts") << QList<float>{0, 5, 0, 5} << 3.3f << 3.3f;
}

void TestRealTimeDecoding::scaledAnalog() {
    QFETCH(QList<float>, scaling);
    QFETCH(float, volts);
    QFETCH(float, expected);
    LogBuffer log;
    log.MinInVolts = scaling[0];
    log.MaxInVolts = scaling[1];
    log.MinScaledValue = scaling[2];
    log.MaxScaledValue = scaling[3];
    QVERIFY2(std::abs(RealTimeDecoding::scaledAnalog(log, volts) - expected) < 1e-3f,
             qPrintable(QString::number(RealTimeDecoding::scaledAnalog(log, volts))));
}

QTEST_GUILESS_MAIN(TestRealTimeDecoding)
#include "tst_realtimedecoding.moc"
