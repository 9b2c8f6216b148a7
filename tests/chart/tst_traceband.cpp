// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/TraceBand.h"
#include "chart/TraceDecimator.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

// A plot 200 pixel columns wide and 100 rows high at (10, 20); a series of `count`
// samples over 0..1 s maps to it, values 0..1 from the bottom up.
struct Plot {
    int left = 10, right = 210, top = 20, bottom = 120;
    double x(double time) const { return left + time * (right - left); }
    double y(double value) const { return bottom - value * (bottom - top); }
};

std::vector<TraceBand::Run> bandOf(const std::vector<TraceDecimator::Point>& series,
                                   double halfWidth = 0.6) {
    const Plot plot;
    const int columns = plot.right - plot.left;
    TraceDecimator d(0.0, 1.0, columns);
    for (const TraceDecimator::Point& p : series)
        d.add(p.time, p.value);
    TraceBand band(plot.left, plot.right, plot.top, plot.bottom, halfWidth);
    for (const TraceDecimator::Column& c : d.columns()) {
        const double middle = plot.x((c.column + 0.5) / columns);
        band.add(middle, middle, plot.y(c.first.value), plot.y(c.lowest.value),
                 plot.y(c.highest.value), plot.y(c.last.value), c.gapBefore);
    }
    return band.runs();
}

bool covers(const TraceBand::Run& r, int row) {
    return !r.empty() && r.top <= row && row <= r.bottom;
}

} // namespace

class tst_traceband : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everySampleIsCoveredAndColumnsJoin_data();
    void everySampleIsCoveredAndColumnsJoin();
    void oneSampleSpikeReachesItsRow();
    void stepBetweenColumnsIsJoinedHalfEach();
    void gapIsNotBridged();
    void flatLineIsAboutAPenWide();
};

void tst_traceband::everySampleIsCoveredAndColumnsJoin_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("noise");
    QTest::newRow("smooth, 8 a column") << 1600 << 0.0;
    QTest::newRow("noisy, 8 a column") << 1600 << 0.5;
    QTest::newRow("noisy, 500 a column") << 100000 << 0.45;
    QTest::newRow("slight noise, 3 a column") << 600 << 0.02;
}

void tst_traceband::everySampleIsCoveredAndColumnsJoin() {
    QFETCH(int, count);
    QFETCH(double, noise);
    std::mt19937 random{unsigned(count)};
    std::uniform_real_distribution<double> jitter(-noise, noise);
    std::vector<TraceDecimator::Point> series{std::size_t(count), TraceDecimator::Point{}};
    for (int i = 0; i < count; ++i) {
        const double t = (i + 0.5) / count;
        series[std::size_t(i)] = {
            t, std::clamp(0.5 + 0.4 * std::sin(9.0 * t) + jitter(random), 0.0, 1.0)};
    }
    const std::vector<TraceBand::Run> runs = bandOf(series);
    const Plot plot;
    QCOMPARE(int(runs.size()), plot.right - plot.left);
    // No sample is lost: its own pixel is filled.
    for (const TraceDecimator::Point& p : series) {
        const int column = int(std::floor(plot.x(p.time))) - plot.left;
        const int row = int(std::floor(plot.y(p.value)));
        QVERIFY2(covers(runs[std::size_t(column)], std::min(row, plot.bottom - 1)),
                 qPrintable(QStringLiteral("column %1 row %2").arg(column).arg(row)));
    }
    // The line is unbroken: each column's rows meet or overlap its neighbour's.
    for (std::size_t i = 1; i < runs.size(); ++i) {
        QVERIFY(!runs[i].empty());
        QVERIFY2(runs[i].top <= runs[i - 1].bottom + 1 && runs[i - 1].top <= runs[i].bottom + 1,
                 qPrintable(QStringLiteral("columns %1 and %2").arg(i - 1).arg(i)));
    }
}

void tst_traceband::oneSampleSpikeReachesItsRow() {
    // 4000 samples at 0.1 with one at 0.95: the spike's column reaches the top, the
    // columns two away stay low.
    std::vector<TraceDecimator::Point> series(4000);
    for (int i = 0; i < 4000; ++i)
        series[std::size_t(i)] = {(i + 0.5) / 4000.0, 0.1};
    series[2501].value = 0.95;
    const std::vector<TraceBand::Run> runs = bandOf(series);
    const Plot plot;
    const int column = int(std::floor(plot.x(series[2501].time))) - plot.left;
    const int spikeRow = int(std::floor(plot.y(0.95)));
    QVERIFY(covers(runs[std::size_t(column)], spikeRow));
    QVERIFY(!covers(runs[std::size_t(column - 2)], spikeRow));
    QVERIFY(!covers(runs[std::size_t(column + 2)], spikeRow));
    QVERIFY(runs[std::size_t(column + 2)].top > int(plot.y(0.2)));
}

void tst_traceband::stepBetweenColumnsIsJoinedHalfEach() {
    // Two columns side by side at rows 30 and 90: the line between them is split at
    // their border, each column drawing its half of the climb.
    TraceBand band(0, 4, 0, 100, 0.5);
    band.add(1.5, 1.5, 30.0, 30.0, 30.0, 30.0, false);
    band.add(2.5, 2.5, 90.0, 90.0, 90.0, 90.0, false);
    const std::vector<TraceBand::Run> runs = band.runs();
    QVERIFY(runs[0].empty());
    QVERIFY(runs[3].empty());
    QCOMPARE(runs[1].top, 29);
    QCOMPARE(runs[1].bottom, 60);
    QCOMPARE(runs[2].top, 59);
    QCOMPARE(runs[2].bottom, 90);
}

void tst_traceband::gapIsNotBridged() {
    TraceBand band(0, 4, 0, 100, 0.5);
    band.add(1.5, 1.5, 30.0, 30.0, 30.0, 30.0, false);
    band.add(2.5, 2.5, 90.0, 90.0, 90.0, 90.0, true);
    const std::vector<TraceBand::Run> runs = band.runs();
    QCOMPARE(runs[1].bottom, 30);
    QCOMPARE(runs[2].top, 89);
}

void tst_traceband::flatLineIsAboutAPenWide() {
    // A flat line through the middle of row 50 drawn with pens 1.2 and 3 pixels wide;
    // a line running above the plot leaves nothing, one running off its edges nothing
    // outside them.
    for (const double half : {0.6, 1.5}) {
        TraceBand band(0, 3, 0, 100, half);
        for (const double x : {0.5, 1.5, 2.5})
            band.add(x, x, 50.5, 50.5, 50.5, 50.5, false);
        for (const TraceBand::Run& r : band.runs()) {
            QCOMPARE(r.top, int(std::ceil(50.0 - half)));
            QCOMPARE(r.bottom, int(std::floor(50.0 + half)));
        }
    }
    TraceBand above(0, 3, 10, 100, 0.6);
    above.add(-5.0, -5.0, 2.0, 2.0, 2.0, 2.0, false);
    above.add(8.0, 8.0, 3.0, 3.0, 3.0, 3.0, false);
    for (const TraceBand::Run& r : above.runs())
        QVERIFY(r.empty());
    TraceBand across(0, 3, 0, 100, 0.6);
    across.add(-100.0, -100.0, 20.5, 20.5, 20.5, 20.5, false);
    across.add(100.0, 100.0, 20.5, 20.5, 20.5, 20.5, false);
    const std::vector<TraceBand::Run> runs = across.runs();
    QCOMPARE(int(runs.size()), 3);
    for (const TraceBand::Run& r : runs) {
        QCOMPARE(r.top, 20);
        QCOMPARE(r.bottom, 20);
    }
}

QTEST_APPLESS_MAIN(tst_traceband)
#include "tst_traceband.moc"
