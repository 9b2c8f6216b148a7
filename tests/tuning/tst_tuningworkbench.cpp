// SPDX-License-Identifier: GPL-3.0-or-later
#include "TuningTestLogs.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningWorkbench.h"

#include <QtTest>

using namespace TuningTestLogs;

Q_DECLARE_METATYPE(TuningLog)
Q_DECLARE_METATYPE(std::vector<double>)

namespace {

// Engine speed 1000 and 2000, load 0 and 50: four cells that a hand can follow.
TuningSettings smallGrid() {
    TuningSettings s;
    s.rpmAxis = {1000, 2000};
    s.loadAxis = {0, 50};
    s.target = 13.2;
    return s;
}

TuningResult run(const TuningSettings& s, const std::vector<TuningLog>& logs) {
    TuningWorkbench bench(s);
    for (const TuningLog& log : logs)
        bench.add(log);
    return bench.result();
}

} // namespace

class tst_tuningworkbench : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void weighting_data();
    void weighting();
    void meanAndSpreadAreWeighted();
    void correctionSignAndLimit_data();
    void correctionSignAndLimit();
    void emptyAndThinCellsStayEmpty();
    void delayMovesTheRatioToTheLaterCell();
    void delayInterpolatesAndNeedsBothNeighbours();
    void filters_data();
    void filters();
    void sensorChoiceAndBankDifference();
    void fuelUnits();
    void builtInTargetTable_data();
    void builtInTargetTable();
    void targetTable();
    void badSettings_data();
    void badSettings();
    void delayCurve();
};

void tst_tuningworkbench::weighting_data() {
    QTest::addColumn<bool>("nearest");
    QTest::addColumn<double>("rpm");
    QTest::addColumn<double>("load");
    // Expected weight of 20 samples in cells (1000,0) (1000,50) (2000,0) (2000,50).
    QTest::addColumn<QList<double>>("weights");
    QTest::newRow("on a breakpoint: all in one cell")
        << false << 2000.0 << 0.0 << QList<double>{0, 0, 20, 0};
    QTest::newRow("midway: a quarter in each")
        << false << 1500.0 << 25.0 << QList<double>{5, 5, 5, 5};
    QTest::newRow("a quarter of the way") << false << 1250.0 << 0.0 << QList<double>{15, 0, 5, 0};
    QTest::newRow("beyond the axes: clamped to the corner")
        << false << 9000.0 << 80.0 << QList<double>{0, 0, 0, 20};
    QTest::newRow("below the axes: clamped")
        << false << 600.0 << -5.0 << QList<double>{20, 0, 0, 0};
    QTest::newRow("nearest: the closer breakpoint")
        << true << 1600.0 << 24.0 << QList<double>{0, 0, 20, 0};
    QTest::newRow("nearest: a tie goes to the lower one")
        << true << 1500.0 << 25.0 << QList<double>{20, 0, 0, 0};
}

void tst_tuningworkbench::weighting() {
    QFETCH(bool, nearest);
    QFETCH(double, rpm);
    QFETCH(double, load);
    QFETCH(QList<double>, weights);
    TuningSettings s = smallGrid();
    s.weighting =
        nearest ? TuningSettings::Weighting::Nearest : TuningSettings::Weighting::Bilinear;
    const TuningResult r = run(s, {steady(20, rpm, load, 14.0)});
    for (int k = 0; k < 4; ++k) {
        const int row = k / 2;
        const int column = k % 2;
        if (weights[k] == 0) {
            QVERIFY2(r.weight.isEmpty(row, column), qPrintable(QString::number(k)));
            QVERIFY(r.mean.isEmpty(row, column));
        } else {
            QCOMPARE(r.weight.at(row, column), weights[k]);
            QCOMPARE(r.mean.at(row, column), 14.0);
        }
    }
    QCOMPARE(r.counts.kept, 20);
}

void tst_tuningworkbench::meanAndSpreadAreWeighted() {
    // 10 samples of 13 on the (1000,0) breakpoint, then 10 of 15 a quarter of the way to
    // 2000: cell (1000,0) gets weight 10 at 13 and 7.5 at 15.
    TuningLog log = steady(10, 1000, 0, 13.0);
    const TuningLog later = steady(10, 1250, 0, 15.0, kNone, 1.0);
    for (std::size_t i = 0; i < later.size(); ++i)
        append(log, {later.time[i], later.rpm[i], later.load[i], later.afr1[i]});
    TuningSettings s = smallGrid();
    s.filterLoadRate = false;
    const TuningResult r = run(s, {log});
    QCOMPARE(r.weight.at(0, 0), 17.5);
    const double mean = (10 * 13.0 + 7.5 * 15.0) / 17.5;
    QVERIFY(qFuzzyCompare(r.mean.at(0, 0), mean));
    const double variance = (10 * std::pow(13 - mean, 2) + 7.5 * std::pow(15 - mean, 2)) / 17.5;
    QVERIFY(qFuzzyCompare(r.spread.at(0, 0), std::sqrt(variance)));
    QCOMPARE(r.weight.at(1, 0), 2.5);
    QCOMPARE(r.mean.at(1, 0), 15.0);
    QCOMPARE(r.spread.at(1, 0), 0.0);
}

void tst_tuningworkbench::correctionSignAndLimit_data() {
    QTest::addColumn<double>("afr");
    QTest::addColumn<double>("base");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("maxChange");
    QTest::addColumn<double>("correction");
    QTest::addColumn<double>("corrected");
    QTest::addColumn<bool>("clamped");
    // Target 13.2 everywhere.
    QTest::newRow("rich: less fuel") << 12.0 << 50.0 << 0 << 15.0 << -100.0 / 11.0 << 45.0 << false;
    QTest::newRow("lean: more fuel")
        << 14.0 << 50.0 << 1 << 15.0 << 100.0 * 0.8 / 13.2 << 53.0 << false;
    QTest::newRow("on target: unchanged") << 13.2 << 4.25 << 2 << 15.0 << 0.0 << 4.25 << false;
    QTest::newRow("lean beyond the limit")
        << 16.0 << 50.0 << 1 << 15.0 << 100.0 * 2.8 / 13.2 << 57.5 << true;
    QTest::newRow("rich beyond a 10 % limit")
        << 10.5 << 50.0 << 0 << 10.0 << 100.0 * -2.7 / 13.2 << 45.0 << true;
    QTest::newRow("limit rounded half to even")
        << 16.0 << 50.0 << 0 << 15.0 << 100.0 * 2.8 / 13.2 << 58.0 << true;
}

void tst_tuningworkbench::correctionSignAndLimit() {
    QFETCH(double, afr);
    QFETCH(double, base);
    QFETCH(int, decimals);
    QFETCH(double, maxChange);
    QFETCH(double, correction);
    QFETCH(double, corrected);
    QFETCH(bool, clamped);
    TuningSettings s = smallGrid();
    TuningGrid map(2, 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            map.set(r, c, base);
    s.base = map;
    s.baseDecimals = decimals;
    s.maxChangePercent = maxChange;
    const TuningResult r = run(s, {steady(10, 1000, 0, afr)});
    QVERIFY(std::fabs(r.correction.at(0, 0) - correction) < 1e-9);
    QCOMPARE(r.corrected.at(0, 0), corrected);
    // A cell held at the limit is marked so; one within it is marked as not held.
    QCOMPARE(r.clamped.at(0, 0), clamped ? 1.0 : 0.0);
    // Cells without samples keep the base value and were not corrected at all.
    QCOMPARE(r.corrected.at(1, 1), base);
    QVERIFY(r.clamped.isEmpty(1, 1));
    // Without a base there is nothing to hold.
    s.base.reset();
    QVERIFY(!run(s, {steady(10, 1000, 0, afr)}).clamped.isValid());
}

void tst_tuningworkbench::emptyAndThinCellsStayEmpty() {
    TuningSettings s = smallGrid();
    TuningGrid map(2, 2);
    for (int k = 0; k < 4; ++k)
        map.set(k / 2, k % 2, 40.0 + k);
    s.base = map;
    // 4 samples: weight 4, below the 5 a cell needs.
    const TuningResult r = run(s, {steady(4, 2000, 50, 12.0)});
    QCOMPARE(r.weight.at(1, 1), 4.0);
    QCOMPARE(r.mean.at(1, 1), 12.0);
    QVERIFY(r.correction.isEmpty(1, 1));
    QCOMPARE(r.corrected.at(1, 1), 43.0);
    // A cell no sample reached is empty in every grid, never 0.
    for (const TuningGrid* g : {&r.weight, &r.mean, &r.spread, &r.correction, &r.bankDifference})
        QVERIFY(g->isEmpty(0, 0));
    QCOMPARE(r.corrected.at(0, 0), 40.0);
    QCOMPARE(r.target.at(0, 0), 13.2);
    // A lower threshold makes the thin cell usable.
    s.minWeight = 4.0;
    QVERIFY(!run(s, {steady(4, 2000, 50, 12.0)}).correction.isEmpty(1, 1));
}

void tst_tuningworkbench::delayMovesTheRatioToTheLaterCell() {
    // Samples every 0.125 s. The load steps from 0 to 50 at sample 10; the exhaust of the
    // new load reaches the sensor 0.5 s (4 samples) later, where the ratio steps from 14
    // to 12.
    TuningLog log;
    for (int i = 0; i < 30; ++i)
        append(log, {0.125 * i, 1000, i < 10 ? 0.0 : 50.0, i < 14 ? 14.0 : 12.0});
    TuningSettings s = smallGrid();

    s.delay = TransportDelay::fixed(500);
    TuningResult r = run(s, {log});
    // Samples 9 and 10 see the load jump (200 %/s of a 50 span > 20 %), samples 26..29
    // would read past the end of the log.
    QCOMPARE(r.counts.loadRate, 2);
    QCOMPARE(r.counts.noReading, 4);
    QCOMPARE(r.weight.at(0, 0), 9.0);
    QCOMPARE(r.mean.at(0, 0), 14.0);
    QCOMPARE(r.weight.at(0, 1), 15.0);
    QCOMPARE(r.mean.at(0, 1), 12.0);
    QCOMPARE(r.spread.at(0, 1), 0.0);

    // Without the delay the high-load cell mixes in the ratio of the low load.
    s.delay = TransportDelay::fixed(0);
    r = run(s, {log});
    QCOMPARE(r.weight.at(0, 1), 19.0);
    QVERIFY(qFuzzyCompare(r.mean.at(0, 1), (3 * 14.0 + 16 * 12.0) / 19.0));
}

void tst_tuningworkbench::delayInterpolatesAndNeedsBothNeighbours() {
    // Samples 1 s apart; a 250 ms delay reads a quarter of the way to the next sample.
    TuningLog log;
    append(log, {0, 1000, 0, 12.0});
    append(log, {1, 1000, 0, 16.0});
    append(log, {2, 1000, 0, kNone}); // the sensor had a status here
    append(log, {3, 1000, 0, 14.0});
    TuningSettings s = smallGrid();
    s.minWeight = 1;
    s.delay = TransportDelay::fixed(250);
    const TuningResult r = run(s, {log});
    // 13 from the first pair; the second and third pairs touch the invalid sample, the
    // last sample reads past the end.
    QCOMPARE(r.counts.kept, 1);
    QCOMPARE(r.counts.noReading, 3);
    QCOMPARE(r.mean.at(0, 0), 13.0);

    // Without a delay a valid sample next to an invalid one keeps its own reading.
    s.delay = TransportDelay::fixed(0);
    const TuningResult same = run(s, {log});
    QCOMPARE(same.counts.kept, 3);
    QCOMPARE(same.counts.noReading, 1);
}

void tst_tuningworkbench::filters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<TuningLog>("log");
    QTest::addColumn<int>("dropped");

    QTest::newRow("engine speed below 500") << "rpm" << steady(10, 499, 0, 14.0) << 10;
    QTest::newRow("engine speed 500 passes") << "rpm" << steady(10, 500, 0, 14.0) << 0;
    TuningLog ramp;
    // 1 per second passes (the limit is 20 % of the 50 span: 10 per second); the jump to
    // 3 at the end is seen by the last two samples.
    for (int i = 0; i < 10; ++i)
        append(ramp, {0.1 * i, 1000, 0.1 * i, 14.0});
    append(ramp, {1.0, 1000, 3.0, 14.0});
    QTest::newRow("load moving") << "load-rate" << ramp << 2;
    QTest::newRow("ratio too rich") << "afr" << steady(10, 1000, 0, 0.67 * 14.69) << 10;
    QTest::newRow("ratio too lean") << "afr" << steady(10, 1000, 0, 1.34 * 14.69) << 10;
    QTest::newRow("ratio 10.0 on gasoline passes") << "afr" << steady(10, 1000, 0, 10.0) << 0;
    QTest::newRow("ratio 19.5 on gasoline passes") << "afr" << steady(10, 1000, 0, 19.5) << 0;
    // The first 0.5 s of the log: samples at 0.0 .. 0.4 (5 of them).
    QTest::newRow("warm-up") << "warmup" << steady(10, 1000, 0, 14.0, kNone, 20.0) << 5;
}

void tst_tuningworkbench::filters() {
    QFETCH(QString, filter);
    QFETCH(TuningLog, log);
    QFETCH(int, dropped);
    TuningSettings s = smallGrid();
    if (filter == QLatin1String("warmup"))
        s.warmUpSeconds = 0.45;
    TuningResult r = run(s, {log});
    const qint64 counted = filter == QLatin1String("rpm")         ? r.counts.rpm
                           : filter == QLatin1String("load-rate") ? r.counts.loadRate
                           : filter == QLatin1String("afr")       ? r.counts.afr
                                                                  : r.counts.warmUp;
    QCOMPARE(counted, dropped);
    QCOMPARE(r.counts.kept, qint64(log.size()) - dropped);

    // Switched off, the filter keeps every sample.
    if (filter == QLatin1String("rpm"))
        s.filterRpm = false;
    else if (filter == QLatin1String("load-rate"))
        s.filterLoadRate = false;
    else if (filter == QLatin1String("afr"))
        s.filterAfr = false;
    else
        s.filterWarmUp = false;
    r = run(s, {log});
    QCOMPARE(r.counts.kept, qint64(log.size()));
}

void tst_tuningworkbench::sensorChoiceAndBankDifference() {
    TuningLog log = steady(10, 1000, 0, 14.0, 13.0);
    log.afr2[9] = kNone;
    TuningSettings s = smallGrid();
    s.minWeight = 1;

    TuningResult r = run(s, {log});
    QCOMPARE(r.mean.at(0, 0), 14.0);
    QCOMPARE(r.weight.at(0, 0), 10.0);
    // Compared on the 9 samples where both sensors read: bank 1 leaner by 1.
    QCOMPARE(r.bankDifference.at(0, 0), 1.0);

    s.sensor = TuningSettings::Sensor::Sensor2;
    r = run(s, {log});
    QCOMPARE(r.mean.at(0, 0), 13.0);
    QCOMPARE(r.weight.at(0, 0), 9.0);

    s.sensor = TuningSettings::Sensor::Both;
    r = run(s, {log});
    QCOMPARE(r.mean.at(0, 0), 13.5);
    QCOMPARE(r.counts.noReading, 1);

    // Too few shared samples: no bank difference.
    s.minWeight = 10;
    QVERIFY(run(s, {log}).bankDifference.isEmpty(0, 0));
}

void tst_tuningworkbench::fuelUnits() {
    // A module log holds gasoline-scale ratios; in an E85 run 14.69 is 9.77, the built-in
    // target at part load lambda 1.00 × 9.77 → 9.8 and at the top of the load axis
    // 0.87 × 9.77 = 8.50, and the lambda window is judged in E85.
    TuningLog log = steady(10, 1000, 0, 14.69);
    log.afrScale = 14.69;
    TuningLog lambda = steady(10, 2000, 0, 0.9);
    lambda.afrScale = 1.0;
    TuningSettings s = smallGrid();
    s.target.reset();
    s.stoichRatio = 9.77;
    const TuningResult r = run(s, {log, lambda});
    QVERIFY(qFuzzyCompare(r.mean.at(0, 0), 9.77));
    QVERIFY(qFuzzyCompare(r.mean.at(1, 0), 0.9 * 9.77));
    QCOMPARE(r.target.at(0, 0), 9.8);
    QCOMPARE(r.target.at(0, 1), 8.5);
    QCOMPARE(r.counts.kept, 20);
    QCOMPARE(TuningSettings::defaultTarget(14.69), 13.2);
    QCOMPARE(TuningSettings::defaultTarget(1.0), 0.9);
}

void tst_tuningworkbench::builtInTargetTable_data() {
    QTest::addColumn<double>("stoich");
    QTest::addColumn<std::vector<double>>("loadAxis");
    QTest::addColumn<std::vector<double>>("targets");
    const std::vector<double> throttle = TuningSettings::defaultLoadAxis();
    // Stoichiometric up to 40 % throttle, 14.2 at 60, 13.2 at 80, 12.8 wide open.
    QTest::newRow("gasoline, throttle axis")
        << 14.69 << throttle
        << std::vector<double>{14.7, 14.7, 14.7, 14.7, 14.7, 14.7, 14.2, 13.2, 12.8};
    QTest::newRow("lambda, throttle axis")
        << 1.0 << throttle << std::vector<double>{1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.97, 0.9, 0.87};
    // A manifold-pressure axis: the fraction of its span, not the numbers, counts.
    QTest::newRow("gasoline, 20 to 100 kPa")
        << 14.69 << std::vector<double>{20, 40, 60, 70, 84, 100}
        << std::vector<double>{14.7, 14.7, 14.7, 14.1, 13.2, 12.8};
}

void tst_tuningworkbench::builtInTargetTable() {
    QFETCH(double, stoich);
    QFETCH(std::vector<double>, loadAxis);
    QFETCH(std::vector<double>, targets);
    TuningSettings s;
    s.stoichRatio = stoich;
    s.loadAxis = loadAxis;
    s.rpmAxis = {1000, 3000, 6000};
    QVERIFY(!s.target && !s.targetTable);
    TuningWorkbench bench(s);
    const TuningResult r = bench.result();
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < int(targets.size()); ++c)
            QCOMPARE(r.target.at(row, c), targets[std::size_t(c)]);
    // One target given by the user stands for every cell.
    s.target = 13.5;
    QCOMPARE(TuningWorkbench(s).result().target.at(2, int(targets.size()) - 1), 13.5);
}

void tst_tuningworkbench::targetTable() {
    TuningSettings s = smallGrid();
    TuningGrid targets(2, 2);
    targets.set(0, 0, 14.0);
    targets.set(0, 1, 12.5);
    targets.set(1, 0, 14.5);
    targets.set(1, 1, 12.0);
    s.targetTable = targets;
    const TuningResult r = run(s, {steady(10, 1000, 50, 12.5), steady(10, 2000, 0, 14.5)});
    QCOMPARE(r.correction.at(0, 1), 0.0);
    QCOMPARE(r.correction.at(1, 0), 0.0);
    QCOMPARE(r.target.at(1, 1), 12.0);
}

void tst_tuningworkbench::badSettings_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("axis descending") << 0 << "the engine speed axis is not strictly ascending";
    QTest::newRow("axis with one breakpoint") << 1 << "the load axis needs at least two";
    QTest::newRow("target 0") << 2 << "the target must be above 0";
    QTest::newRow("base of another size") << 3 << "the base map has 1 rows and 2 columns";
    QTest::newRow("target table cell below 0")
        << 4 << "row 2, column 1: the target must be above 0";
}

void tst_tuningworkbench::badSettings() {
    QFETCH(int, fault);
    QFETCH(QString, message);
    TuningSettings s = smallGrid();
    switch (fault) {
    case 0:
        s.rpmAxis = {1000, 3000, 2000};
        break;
    case 1:
        s.loadAxis = {0};
        break;
    case 2:
        s.target = 0.0;
        break;
    case 3:
        s.base = TuningGrid(1, 2);
        break;
    default: {
        TuningGrid t(2, 2);
        for (int k = 0; k < 4; ++k)
            t.set(k / 2, k % 2, 13.0);
        t.set(1, 0, -1.0);
        s.targetTable = t;
    }
    }
    try {
        TuningWorkbench bench(s);
        QFAIL("settings accepted");
    } catch (const TuningInputError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void tst_tuningworkbench::delayCurve() {
    const TransportDelay d = TransportDelay::parseCurve(QStringLiteral("1000:200, 3000:100"));
    QCOMPARE(d.seconds(500), 0.2);
    QCOMPARE(d.seconds(1000), 0.2);
    QCOMPARE(d.seconds(2000), 0.15);
    QCOMPARE(d.seconds(9000), 0.1);
    for (const char* bad : {"3000:100,1000:200", "1000:200,1000:100", "1000:-5", "1000"}) {
        try {
            TransportDelay::parseCurve(QString::fromLatin1(bad));
            QFAIL(bad);
        } catch (const TuningInputError& e) {
            QVERIFY(e.message().contains(QLatin1String("delay curve point")));
        }
    }
}

QTEST_APPLESS_MAIN(tst_tuningworkbench)
#include "tst_tuningworkbench.moc"
