// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AppState.h"
#include "realtime/BarGauge.h"
#include "realtime/RealTimeDataFrame.h"
#include "realtime/TachometerDial.h"

#include <QLabel>
#include <QtTest>

class TestRealTimeFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fuelLayout_data();
    void fuelLayout();
    void analogGauges_data();
    void analogGauges();
    void ethanolByModel_data();
    void ethanolByModel();
    void tachometerScale();
    void updates();
    void tpsHighlight();
    void resetDisplay();
    void degenerateScalesPaint();
    void picture();
};

void TestRealTimeFrame::fuelLayout_data() {
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<bool>("afrShown");
    QTest::addColumn<int>("cell1");
    QTest::addColumn<int>("cell2");
    QTest::addColumn<double>("afrMax");
    QTest::newRow("Lambda") << "Lambda" << false << 1320 << 5400 << 20.5;
    QTest::newRow("Gasoline") << "Gasoline" << true << 2400 << 6480 << 20.5;
    QTest::newRow("Methanol") << "Methanol" << true << 2400 << 6480 << 9.0;
}

void TestRealTimeFrame::fuelLayout() {
    QFETCH(QString, fuel);
    QFETCH(bool, afrShown);
    QFETCH(int, cell1);
    QFETCH(int, cell2);
    QFETCH(double, afrMax);
    AppState state;
    RealTimeDataFrame frame(state);
    frame.resize(900, 600);
    frame.show();
    // Lambda first, then the fuel: the layout must come back when the fuel changes.
    state.log.FuelType = QStringLiteral("Lambda");
    frame.configure();
    state.log.FuelType = fuel;
    frame.configure();
    QCOMPARE(frame.gauAFR1->isVisible(), afrShown);
    QCOMPARE(frame.gauAFR2->isVisible(), afrShown);
    QCOMPARE(frame.designRect(frame.gauCellRes1).left(), cell1);
    QCOMPARE(frame.designRect(frame.gauCellRes2).left(), cell2);
    QCOMPARE(frame.gauAFR1->scale().max, afrMax);
    // Twips scale to pixels the same for every child: the gauges keep their order.
    QVERIFY(frame.gauCellRes1->x() > frame.gauLambda1->x());
    QVERIFY(frame.gauCellRes2->x() > frame.gauLambda2->x());
}

void TestRealTimeFrame::analogGauges_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("map");
    QTest::addColumn<bool>("tps");
    QTest::addColumn<bool>("user");
    QTest::newRow("NONE") << "NONE" << false << false << false;
    QTest::newRow("MAP2BAR") << "MAP2BAR" << true << false << false;
    QTest::newRow("TPS") << "TPS" << false << true << false;
    QTest::newRow("USER") << "USER" << false << false << true;
}

void TestRealTimeFrame::analogGauges() {
    QFETCH(QString, type);
    QFETCH(bool, map);
    QFETCH(bool, tps);
    QFETCH(bool, user);
    AppState state;
    RealTimeDataFrame frame(state);
    frame.show();
    state.log.AnalogInputType = type;
    state.log.MinScaledValue = 0;
    state.log.MaxScaledValue = 100;
    frame.configure();
    QCOMPARE(frame.gauMAP->isVisible(), map);
    QCOMPARE(frame.gauTPS->isVisible(), tps);
    QCOMPARE(frame.gauUser->isVisible(), user);
    QVERIFY(frame.gauInput1Analog->isVisible());
    if (map)
        QCOMPARE(frame.gauMAP->scale().labelTo, 60.0);
    if (user)
        QCOMPARE(frame.gauUser->scaleLabels(),
                 QStringList({"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
}

void TestRealTimeFrame::ethanolByModel_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("shown");
    QTest::newRow("QERO3Dual Rev 3") << "QERO3Dual Rev 3" << true;
    QTest::newRow("QERO4D Rev 3") << "QERO4D Rev 3" << false;
}

void TestRealTimeFrame::ethanolByModel() {
    QFETCH(QString, version);
    QFETCH(bool, shown);
    AppState state;
    RealTimeDataFrame frame(state);
    frame.show();
    state.module.QEROVersion = version;
    frame.configure();
    QCOMPARE(frame.gauESENS->isVisible(), shown);
}

void TestRealTimeFrame::tachometerScale() {
    AppState state;
    RealTimeDataFrame frame(state);
    state.log.MaxRPMDisplay = 8000;
    frame.configure();
    QCOMPARE(frame.gauTach->fullScale(), 8);
    QCOMPARE(frame.gauTach->redFrom(), 6.0);
    QCOMPARE(frame.gauTach->cautionFrom(), 5.6);
}

void TestRealTimeFrame::updates() {
    AppState state;
    state.log.FuelType = QStringLiteral("Lambda");
    RealTimeDataFrame frame(state);
    frame.configure();
    frame.gauAFR1->setValue(15);
    frame.showSensors(3, 4, 0.9, 1.1, 13.2, 16.2, false);
    QCOMPARE(frame.lblDiagCode->text(), QStringLiteral("Sensor 1 Short\nSensor 2 Open"));
    QCOMPARE(frame.gauLambda1->value(), 0.9);
    QCOMPARE(frame.gauLambda2->value(), 1.1);
    QCOMPARE(frame.gauAFR1->value(), 15.0); // not written for the lambda fuel
    frame.showSensors(100, 100, 0.9, 1.1, 13.2, 16.2, true);
    QCOMPARE(frame.lblDiagCode->text(), QString());
    QCOMPARE(frame.gauAFR2->value(), 16.2);

    frame.showRPM(1500.4f);
    QCOMPARE(frame.gauTach->needle(), double(1500.4f) / 1000.0);
    QCOMPARE(frame.gauTach->readout(), QStringLiteral("1500"));
    QCOMPARE(frame.gauTach->displayMode(), 3);
    frame.showBattery(14.5f);
    QCOMPARE(frame.gauBatVolts->value(), 14.5);
    QCOMPARE(frame.gauBatVolts->readoutText(), QStringLiteral("14.5"));
    frame.showCellResistance1(80);
    frame.showCellResistance2(90);
    frame.showEthanol(85);
    QCOMPARE(frame.gauCellRes1->value(), 80.0);
    QCOMPARE(frame.gauCellRes2->value(), 90.0);
    QCOMPARE(frame.gauESENS->value(), 85.0);
}

void TestRealTimeFrame::tpsHighlight() {
    AppState state;
    state.log.AnalogInputType = QStringLiteral("TPS");
    RealTimeDataFrame frame(state);
    frame.configure();
    frame.showAnalog(2.0f, 70.5f);
    QCOMPARE(frame.gauInput1Analog->value(), 2.0);
    QCOMPARE(frame.gauTPS->highlightedBand(), 6);
    QCOMPARE(frame.gauTPS->value(), 70.5);
    frame.showAnalog(0.5f, 10.0f);
    QCOMPARE(frame.gauTPS->highlightedBand(), 0);
    // The other scaled gauges are left alone.
    QCOMPARE(frame.gauMAP->value(), 0.0);
    QCOMPARE(frame.gauUser->value(), 0.0);
}

void TestRealTimeFrame::resetDisplay() {
    AppState state;
    state.log.AnalogInputType = QStringLiteral("TPS");
    RealTimeDataFrame frame(state);
    frame.configure();
    frame.showSensors(3, 3, 0.8, 0.8, 11.0, 11.0, true);
    frame.showAnalog(4.0f, 80.0f);
    frame.showBattery(13.8f);
    frame.showRPM(3500);
    frame.showCellResistance1(77);
    frame.resetDisplay();
    QCOMPARE(frame.lblDiagCode->text(), QString());
    QCOMPARE(frame.gauTPS->value(), 0.0);
    QCOMPARE(frame.gauTPS->highlightedBand(), 0);
    QCOMPARE(frame.gauAFR1->value(), 15.0);
    QCOMPARE(frame.gauAFR2->value2(), 15.0);
    QCOMPARE(frame.gauLambda1->value(), 1.0);
    QCOMPARE(frame.gauLambda2->value2(), 1.0);
    QCOMPARE(frame.gauBatVolts->value(), 0.0);
    QCOMPARE(frame.gauTach->needle(), 0.0);
    QCOMPARE(frame.gauTach->readout(), QStringLiteral("0"));
    QCOMPARE(frame.gauCellRes1->value(), 77.0); // not part of the reset
}

void TestRealTimeFrame::degenerateScalesPaint() {
    // An empty or reversed user range and values far outside the scale must still paint.
    BarGauge g(QStringLiteral("USER"));
    g.resize(70, 300);
    for (auto [lo, hi] : {std::pair{3.0f, 3.0f}, std::pair{100.0f, 0.0f}}) {
        g.setScale(GaugeSetup::userScale(lo, hi));
        g.setValue(1e30);
        g.setValue2(-1e30);
        QVERIFY(!g.grab().isNull());
        QVERIFY(g.scaleLabels().size() <= 2);
    }
    TachometerDial d;
    d.resize(200, 200);
    d.setScale(0, 0, 0);
    d.setNeedle(std::nan(""));
    QVERIFY(!d.grab().isNull());
}

void TestRealTimeFrame::picture() {
    // A look at the whole panel, for a person: saved beside the test program.
    AppState state;
    state.module.QEROVersion = QStringLiteral("QERO3Dual Rev 3");
    state.log.AnalogInputType = QStringLiteral("TPS");
    RealTimeDataFrame frame(state);
    frame.resize(1000, 680);
    frame.show();
    frame.configure();
    frame.showSensors(6, 120, 0.95, 1.02, 14.0, 15.0, true);
    frame.showRPM(3250);
    frame.showAnalog(2.1f, 42.0f);
    frame.showBattery(13.9f);
    frame.showCellResistance1(82);
    frame.showCellResistance2(95);
    frame.showEthanol(12);
    const QImage img = frame.grab().toImage();
    QVERIFY(!img.isNull());
    img.save(QCoreApplication::applicationDirPath() + QStringLiteral("/realtime-frame.png"));
}

QTEST_MAIN(TestRealTimeFrame)
#include "tst_realtimeframe.moc"
