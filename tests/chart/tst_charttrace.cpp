// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartTrace.h"
#include "logdata/AnalogScaling.h"
#include "logdata/AppState.h"

#include <QtTest>

class tst_charttrace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void afrAxisRange_data();
    void afrAxisRange();
    void afrTraceOnFuelScale_data();
    void afrTraceOnFuelScale();
    void eachQuantityHasItsFormatRangeAndTitle_data();
    void eachQuantityHasItsFormatRangeAndTitle();
    void analogScaling_data();
    void analogScaling();
    void analogTraceIsNotClamped();
    void statusPlaceholdersArePlottedAsValues();
    void commandLineNames();
};

void tst_charttrace::afrAxisRange_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::newRow("gasoline 14.69") << 14.69f << 10.0 << 20.0;
    QTest::newRow("14.7") << 14.7f << 10.0 << 21.0;
    QTest::newRow("lambda") << 1.0f << 0.6 << 1.4;
    QTest::newRow("1.0001 is not lambda") << 1.0001f << 0.0 << 2.0;
    QTest::newRow("9.7") << 9.7f << 6.0 << 14.0;
    QTest::newRow("6.4") << 6.4f << 4.0 << 9.0;
    QTest::newRow("E85") << 9.77f << 6.0 << 14.0;
}

void tst_charttrace::afrAxisRange() {
    QFETCH(float, ratio);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    const ChartTrace::AxisRange r = ChartTrace::afrAxisRange(ratio);
    QCOMPARE(r.minimum, minimum);
    QCOMPARE(r.maximum, maximum);
}

void tst_charttrace::afrTraceOnFuelScale_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<float>("stored");
    QTest::addColumn<float>("shown");
    QTest::newRow("gasoline keeps the value") << 14.69f << 14.69f << 14.69f;
    QTest::newRow("lambda at stoichiometric") << 1.0f << 14.69f << 1.0f;
    QTest::newRow("lambda lean") << 1.0f << 16.0f << float(16.0 / 14.69);
    QTest::newRow("E85") << 9.77f << 12.0f << float(12.0 * double(9.77f) / 14.69);
}

void tst_charttrace::afrTraceOnFuelScale() {
    QFETCH(float, ratio);
    QFETCH(float, stored);
    QFETCH(float, shown);
    AppState s;
    s.log.StoichRatio = ratio;
    s.log.AFR1.fill(13.0f);
    s.log.AFR1[41] = stored;
    s.log.AFR2[41] = stored;
    const TraceSetup t1 = ChartTrace::load(TraceQuantity::AFR1, s.log, s.settings);
    const TraceSetup t2 = ChartTrace::load(TraceQuantity::AFR2, s.log, s.settings);
    QCOMPARE(t1.values[41], shown);
    QCOMPARE(t2.values[41], shown);
    QCOMPARE(t1.values[40], ChartTrace::afrForFuel(13.0f, ratio));
}

void tst_charttrace::eachQuantityHasItsFormatRangeAndTitle_data() {
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QString>("title");
    QTest::newRow("rpm") << int(TraceQuantity::RPM) << "####0" << 0.0 << 8000.0 << "RPM";
    QTest::newRow("afr1") << int(TraceQuantity::AFR1) << "#0.00" << 6.0 << 14.0
                          << "Sensor 1 E85 AFR";
    QTest::newRow("afr2") << int(TraceQuantity::AFR2) << "#0.00" << 6.0 << 14.0
                          << "Sensor 2 E85 AFR";
    QTest::newRow("analog") << int(TraceQuantity::Analog) << "####0.00" << 4.45 << 30.1
                            << "MAP (In-Hg)";
}

void tst_charttrace::eachQuantityHasItsFormatRangeAndTitle() {
    QFETCH(int, quantity);
    QFETCH(QString, format);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(QString, title);
    AppState s;
    s.log.MaxRPMDisplay = 8000;
    s.log.FuelType = QStringLiteral("E85");
    s.log.StoichRatio = 9.77f;
    s.updateAFRFormat();
    s.log.MinInVolts = 0.25f;
    s.log.MaxInVolts = 4.85f;
    s.log.MinScaledValue = 4.45f;
    s.log.MaxScaledValue = 30.1f;
    s.log.AnalogLegend = QStringLiteral("MAP (In-Hg)");
    s.log.RPM.fill(2500.0f);
    const TraceSetup t = ChartTrace::load(TraceQuantity(quantity), s.log, s.settings);
    QCOMPARE(t.format, format);
    QCOMPARE(t.axisMinimum, double(float(minimum))); // the scaling values are singles
    QCOMPARE(t.axisMaximum, double(float(maximum)));
    QCOMPARE(t.title, title);
    if (TraceQuantity(quantity) == TraceQuantity::RPM)
        QCOMPARE(t.values[11999], 2500.0f);
}

void tst_charttrace::analogScaling_data() {
    QTest::addColumn<float>("minVolts");
    QTest::addColumn<float>("maxVolts");
    QTest::addColumn<float>("minValue");
    QTest::addColumn<float>("maxValue");
    QTest::addColumn<float>("volts");
    QTest::addColumn<float>("expected");
    QTest::newRow("2 bar MAP low end") << 0.3f << 4.8f << 5.9f << 59.1f << 0.3f << 5.9f;
    QTest::newRow("2 bar MAP high end") << 0.3f << 4.8f << 5.9f << 59.1f << 4.8f << 59.1f;
    QTest::newRow("empty span divides by 0.1") << 2.0f << 2.0f << 0.0f << 100.0f << 2.05f << 50.0f;
    QTest::newRow("empty span at its volts") << 2.0f << 2.0f << 0.0f << 100.0f << 2.0f << 0.0f;
    QTest::newRow("reversed span divides by 0.1") << 3.0f << 1.0f << 0.0f << 1.0f << 3.1f << 1.0f;
    QTest::newRow("none") << 0.0f << 5.0f << 0.0f << 5.0f << 1.25f << 1.25f;
}

void tst_charttrace::analogScaling() {
    QFETCH(float, minVolts);
    QFETCH(float, maxVolts);
    QFETCH(float, minValue);
    QFETCH(float, maxValue);
    QFETCH(float, volts);
    QFETCH(float, expected);
    const AnalogScaling scale(minVolts, maxVolts, minValue, maxValue);
    QVERIFY2(qAbs(scale.scale(volts) - expected) <= 1e-4f * qMax(1.0f, qAbs(expected)),
             qPrintable(QString::number(scale.scale(volts), 'g', 9)));
}

void tst_charttrace::analogTraceIsNotClamped() {
    AppState s;
    s.log.MinInVolts = 1.0f;
    s.log.MaxInVolts = 2.0f;
    s.log.MinScaledValue = 0.0f;
    s.log.MaxScaledValue = 100.0f;
    s.log.AnalogInVolts.fill(2.0f);
    s.log.AnalogInVolts[0] = 5.0f;
    s.log.AnalogInVolts[1] = 0.0f;
    const TraceSetup t = ChartTrace::load(TraceQuantity::Analog, s.log, s.settings);
    QCOMPARE(t.values[0], 400.0f);
    QCOMPARE(t.values[1], -100.0f);
    QCOMPARE(t.values[2], 100.0f);
}

void tst_charttrace::statusPlaceholdersArePlottedAsValues() {
    AppState s;
    s.log.StoichRatio = 1.0f;
    s.log.AFR1[5] = 20.0f; // free air
    s.log.Sensor1Status[5] = 10.0f;
    s.log.AFR1[6] = 10.0f; // sensor cold
    s.log.Sensor1Status[6] = 6.0f;
    const TraceSetup t = ChartTrace::load(TraceQuantity::AFR1, s.log, s.settings);
    QCOMPARE(t.values[5], float(20.0 / 14.69));
    QCOMPARE(t.values[6], float(10.0 / 14.69));
}

void tst_charttrace::commandLineNames() {
    QCOMPARE(ChartTrace::fromName(QStringLiteral("rpm")), TraceQuantity::RPM);
    QCOMPARE(ChartTrace::fromName(QStringLiteral("AFR1")), TraceQuantity::AFR1);
    QCOMPARE(ChartTrace::fromName(QStringLiteral("afr2")), TraceQuantity::AFR2);
    QCOMPARE(ChartTrace::fromName(QStringLiteral("analog")), TraceQuantity::Analog);
    QVERIFY(!ChartTrace::fromName(QStringLiteral("afr3")));
}

QTEST_GUILESS_MAIN(tst_charttrace)
#include "tst_charttrace.moc"
