// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/TraceSummary.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

namespace {

using Point = TraceDecimator::Point;

double timeOf(const Point& p) {
    return p.time;
}

double valueOf(const Point& p) {
    return p.value;
}

enum class Kind {
    Noisy,    // noise over a slow swell
    Plateaus, // three values only: ties everywhere
    Gaps,     // noisy, with missing values alone and in runs across blocks
    Repeats,  // times repeated, two samples at each
};

std::vector<Point> series(Kind kind, int count) {
    std::mt19937 random(unsigned(count) * 7 + unsigned(kind));
    std::uniform_real_distribution<double> noise(-5.0, 5.0);
    std::vector<Point> out{std::size_t(count)};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < count; ++i) {
        Point& p = out[std::size_t(i)];
        p.time = kind == Kind::Repeats ? 0.2 * (i / 2) : 0.1 * i;
        p.value = 10.0 * std::sin(i / 300.0) + noise(random);
        if (kind == Kind::Plateaus)
            p.value = double(random() % 3);
        if (kind == Kind::Gaps && (random() % 97 == 0 || (i / 50) % 40 == 7))
            p.value = nan;
    }
    return out;
}

bool same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool same(const Point& a, const Point& b) {
    return same(a.time, b.time) && same(a.value, b.value);
}

} // namespace

// The summary must hand the decimator exactly what every sample would: the picture is
// drawn from it, and a column that differs is a wrong pixel column.
class tst_tracesummary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reducesAsEverySampleWould_data();
    void reducesAsEverySampleWould();
    void refusesTimesOutOfOrder_data();
    void refusesTimesOutOfOrder();
};

void tst_tracesummary::reducesAsEverySampleWould_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<int>("columns");
    // Fed from one sample before `from` to one after `to`, as the chart feeds what it shows.
    QTest::newRow("a million, all shown") << int(Kind::Noisy) << 1000000 << 0.0 << 99999.9 << 1600;
    QTest::newRow("a million in three columns")
        << int(Kind::Noisy) << 1000000 << 0.0 << 99999.9 << 3;
    QTest::newRow("a zoomed stretch") << int(Kind::Noisy) << 12000 << 333.3 << 701.05 << 1237;
    QTest::newRow("ties") << int(Kind::Plateaus) << 200000 << 50.0 << 19000.0 << 977;
    QTest::newRow("gaps") << int(Kind::Gaps) << 200000 << 0.0 << 19999.9 << 1500;
    QTest::newRow("gaps, few columns") << int(Kind::Gaps) << 200000 << 0.0 << 19999.9 << 7;
    QTest::newRow("repeated times") << int(Kind::Repeats) << 100000 << 10.0 << 9000.0 << 800;
    QTest::newRow("an empty range") << int(Kind::Noisy) << 50000 << 100.0 << 100.0 << 1600;
    QTest::newRow("a range past the end") << int(Kind::Noisy) << 50000 << 4000.0 << 9000.0 << 500;
}

void tst_tracesummary::reducesAsEverySampleWould() {
    QFETCH(int, kind);
    QFETCH(int, count);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(int, columns);
    const std::vector<Point> s = series(Kind(kind), count);
    const auto firstShown = std::lower_bound(s.begin(), s.end(), from,
                                             [](const Point& p, double t) { return p.time < t; });
    const auto lastShown = std::upper_bound(s.begin(), s.end(), to,
                                            [](double t, const Point& p) { return t < p.time; });
    const std::int64_t begin = std::max<std::int64_t>(0, (firstShown - s.begin()) - 1);
    const std::int64_t end = std::min<std::int64_t>(count, (lastShown - s.begin()) + 1);

    TraceDecimator everySample(from, to, columns);
    for (std::int64_t i = begin; i < end; ++i)
        everySample.add(s[std::size_t(i)].time, s[std::size_t(i)].value);
    TraceSummary summary;
    summary.build(s.data(), count, timeOf, valueOf);
    QVERIFY(summary.usable());
    TraceDecimator summarised(from, to, columns);
    summary.reduce(s.data(), begin, end, timeOf, valueOf, summarised);

    QCOMPARE(summarised.samplesSeen(), everySample.samplesSeen());
    const std::vector<TraceDecimator::Column>& want = everySample.columns();
    const std::vector<TraceDecimator::Column>& got = summarised.columns();
    QCOMPARE(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        const TraceDecimator::Column& a = got[i];
        const TraceDecimator::Column& b = want[i];
        const bool equal =
            a.column == b.column && a.count == b.count && a.gapBefore == b.gapBefore &&
            same(a.gapTime, b.gapTime) && same(a.first, b.first) && same(a.lowest, b.lowest) &&
            same(a.highest, b.highest) && same(a.last, b.last) && a.firstAt == b.firstAt &&
            a.lowestAt == b.lowestAt && a.highestAt == b.highestAt && a.lastAt == b.lastAt;
        if (!equal)
            QFAIL(qPrintable(
                QStringLiteral("kept column %1 (plot column %2) differs").arg(i).arg(b.column)));
    }
}

void tst_tracesummary::refusesTimesOutOfOrder_data() {
    QTest::addColumn<int>("at");
    QTest::addColumn<double>("time");
    QTest::newRow("a time missing") << 500 << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("a time going back") << 500 << 1.0;
    QTest::newRow("the first time missing") << 0 << std::numeric_limits<double>::quiet_NaN();
}

void tst_tracesummary::refusesTimesOutOfOrder() {
    QFETCH(int, at);
    QFETCH(double, time);
    std::vector<Point> s = series(Kind::Noisy, 1000);
    TraceSummary summary;
    summary.build(s.data(), std::int64_t(s.size()), timeOf, valueOf);
    QVERIFY(summary.usable());
    s[std::size_t(at)].time = time;
    summary.build(s.data(), std::int64_t(s.size()), timeOf, valueOf);
    QVERIFY(!summary.usable());
}

QTEST_GUILESS_MAIN(tst_tracesummary)
#include "tst_tracesummary.moc"
