// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/TraceDecimator.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

using Point = TraceDecimator::Point;

std::vector<Point> reduce(const std::vector<Point>& series, double from, double to, int columns) {
    TraceDecimator d(from, to, columns);
    for (const Point& p : series)
        d.add(p.time, p.value);
    return d.points();
}

// A series 0.1 s apart with values drawn from a fixed seed: noise over a slow swell.
std::vector<Point> noisySeries(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-5.0, 5.0);
    std::vector<Point> out(count);
    for (int i = 0; i < count; ++i)
        out[i] = {0.1 * i, 10.0 * std::sin(i / 300.0) + noise(random)};
    return out;
}

bool samePoint(const Point& a, const Point& b) {
    return a.time == b.time && a.value == b.value;
}

} // namespace

class tst_tracedecimator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsEveryColumnsRangeInTimeOrder_data();
    void keepsEveryColumnsRangeInTimeOrder();
    void oneSampleSpikeSurvives_data();
    void oneSampleSpikeSurvives();
    void lowAndHighKeepTheirOrder();
    void missingValuesStayGaps();
    void sparseSeriesPassesUnchanged();
};

void tst_tracedecimator::keepsEveryColumnsRangeInTimeOrder_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<int>("columns");
    QTest::newRow("12000 over 1600 columns") << 12000 << 0.0 << 1199.9 << 1600;
    QTest::newRow("a zoomed stretch") << 12000 << 333.3 << 701.05 << 1237;
    QTest::newRow("a million over 1500 columns") << 1000000 << 0.0 << 99999.9 << 1500;
    QTest::newRow("one column") << 5000 << 10.0 << 20.0 << 1;
}

void tst_tracedecimator::keepsEveryColumnsRangeInTimeOrder() {
    QFETCH(int, count);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(int, columns);
    const std::vector<Point> series = noisySeries(count, unsigned(count + columns));
    TraceDecimator d(from, to, columns);
    for (const Point& p : series)
        d.add(p.time, p.value);
    const std::vector<Point> kept = d.points();

    // Each column's true range, and the range of what was kept of it.
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::vector<double> low(columns + 2, inf), high(columns + 2, -inf);
    std::vector<double> keptLow(columns + 2, inf), keptHigh(columns + 2, -inf);
    for (const Point& p : series) {
        const int c = d.columnOf(p.time) + 1;
        low[c] = std::min(low[c], p.value);
        high[c] = std::max(high[c], p.value);
    }
    for (const Point& p : kept) {
        const int c = d.columnOf(p.time) + 1;
        keptLow[c] = std::min(keptLow[c], p.value);
        keptHigh[c] = std::max(keptHigh[c], p.value);
    }
    QVERIFY(low == keptLow);
    QVERIFY(high == keptHigh);

    // At most four samples a column, each a real sample, in time order.
    QVERIFY(kept.size() <= std::size_t(4 * (columns + 2)));
    auto it = series.begin();
    for (const Point& p : kept) {
        it = std::find_if(it, series.end(), [&](const Point& s) { return samePoint(s, p); });
        QVERIFY2(it != series.end(), "a kept point is not a sample, or out of time order");
        ++it;
    }
    // The lines into and out of the range start at the samples just outside it.
    if (from > series.front().time)
        QVERIFY(kept.front().time < from);
    if (to < series.back().time)
        QVERIFY(kept.back().time > to);
}

void tst_tracedecimator::oneSampleSpikeSurvives_data() {
    QTest::addColumn<int>("at");
    QTest::addColumn<double>("spike");
    QTest::newRow("up, mid-column") << 5003 << 1.0e4;
    QTest::newRow("down, mid-column") << 5003 << -1.0e4;
    QTest::newRow("first sample") << 0 << 1.0e4;
    QTest::newRow("last sample") << 11999 << -1.0e4;
    QTest::newRow("first of a column") << 7500 << 1.0e4;
}

void tst_tracedecimator::oneSampleSpikeSurvives() {
    QFETCH(int, at);
    QFETCH(double, spike);
    std::vector<Point> series = noisySeries(12000, 3);
    series[at].value = spike;
    // 12000 samples over 800 columns: 15 samples a column.
    const std::vector<Point> kept = reduce(series, 0.0, 1199.9, 800);
    QVERIFY(std::any_of(kept.begin(), kept.end(),
                        [&](const Point& p) { return samePoint(p, series[at]); }));
}

void tst_tracedecimator::lowAndHighKeepTheirOrder() {
    // One column: a fall to the low before the rise to the high is drawn as it came, and
    // the other way round.
    const std::vector<Point> fallFirst = {
        {0.0, 5.0}, {0.1, 1.0}, {0.2, 9.0}, {0.3, 4.0}, {0.4, 6.0}};
    const std::vector<Point> riseFirst = {
        {0.0, 5.0}, {0.1, 9.0}, {0.2, 1.0}, {0.3, 4.0}, {0.4, 6.0}};
    const auto values = [](const std::vector<Point>& pts) {
        QList<double> v;
        for (const Point& p : pts)
            v << p.value;
        return v;
    };
    QCOMPARE(values(reduce(fallFirst, 0.0, 1.0, 1)), (QList<double>{5.0, 1.0, 9.0, 6.0}));
    QCOMPARE(values(reduce(riseFirst, 0.0, 1.0, 1)), (QList<double>{5.0, 9.0, 1.0, 6.0}));
}

void tst_tracedecimator::missingValuesStayGaps() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Missing values at the ends are no gap; a run of them inside is one gap, at the
    // time of its first.
    std::vector<Point> series = {{0.0, nan}, {1.0, 2.0}, {2.0, 3.0}, {3.0, nan}, {4.0, nan},
                                 {5.0, 1.0}, {6.0, 2.0}, {7.0, nan}, {nan, 8.0}};
    const std::vector<Point> kept = reduce(series, 0.0, 7.0, 7);
    QCOMPARE(int(kept.size()), 5);
    QCOMPARE(kept[0].value, 2.0);
    QCOMPARE(kept[1].value, 3.0);
    QVERIFY(std::isnan(kept[2].value));
    QCOMPARE(kept[2].time, 3.0);
    QCOMPARE(kept[3].value, 1.0);
    QCOMPARE(kept[4].value, 2.0);
}

void tst_tracedecimator::sparseSeriesPassesUnchanged() {
    // Fewer samples than columns: nothing to reduce, every sample is kept.
    const std::vector<Point> series = noisySeries(300, 11);
    const std::vector<Point> kept = reduce(series, 0.0, 29.9, 1600);
    QCOMPARE(kept.size(), series.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        QVERIFY(samePoint(kept[i], series[i]));
}

QTEST_APPLESS_MAIN(tst_tracedecimator)
#include "tst_tracedecimator.moc"
