// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogCsvWriter.h"
#include "logdata/LogJoin.h"
#include "tuning/LogSampleSource.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

// Engine speed of a drive: idle, pulls and shifts, cruise; a smooth curve with a random
// walk in it so that no two drives (seeds) look alike.
std::vector<double> driveRpm(double seconds, double step, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> walk(0.0, 40.0);
    std::uniform_real_distribution<double> pick(0.0, 1.0);
    std::vector<double> rpm;
    double r = 900, target = 900;
    for (double t = 0; t <= seconds; t += step) {
        if (pick(random) < step / 6.0)
            target = 900 + 5500 * pick(random);
        r += (target - r) * std::min(1.0, step * 1.5) + walk(random) * std::sqrt(step);
        rpm.push_back(std::clamp(r, 600.0, 7000.0));
    }
    return rpm;
}

// The wideband's log at 10 Hz: engine speed and a lambda reading.
Log widebandLog(double seconds, unsigned seed) {
    Log log;
    log.source = QStringLiteral("wideband.csv");
    const std::vector<double> rpm = driveRpm(seconds, 0.1, seed);
    for (std::size_t i = 0; i < rpm.size(); ++i)
        log.time.push_back(0.1 * double(i));
    const int r =
        log.addChannel(QStringLiteral("RPM"), QStringLiteral("rpm"), Quantity::EngineSpeed);
    const int l =
        log.addChannel(QStringLiteral("Lambda 1"), QStringLiteral("lambda"), Quantity::FuelRatio);
    log.channels[std::size_t(l)].ratioScale = 1.0;
    log.channels[std::size_t(l)].sensor = 1;
    for (std::size_t i = 0; i < rpm.size(); ++i) {
        log.channels[std::size_t(r)].values[i] = float(rpm[i]);
        log.channels[std::size_t(l)].values[i] = float(1.0 - rpm[i] / 40000.0);
    }
    return log;
}

// The engine computer's log of the same drive: started `shift` seconds earlier, its clock
// running `rate` times the wideband's, sampled at 100 Hz, engine speed with noise, and a
// manifold pressure that follows the engine speed.
Log engineLog(const Log& wideband, double shift, double rate, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 25.0);
    Log log;
    log.source = QStringLiteral("engine.msl");
    const int r =
        log.addChannel(QStringLiteral("RPM"), QStringLiteral("rpm"), Quantity::EngineSpeed);
    const int m =
        log.addChannel(QStringLiteral("MAP"), QStringLiteral("kPa"), Quantity::ManifoldPressure);
    const std::vector<float>& w = wideband.channels[0].values;
    const double end = wideband.time.back();
    for (double te = 0.0;; te += 0.01) {
        // The wideband time of this engine sample.
        const double tw = (te - shift) / rate;
        if (tw > end)
            break;
        if (tw < 0)
            continue;
        const double x = tw / 0.1;
        const std::size_t i = std::size_t(x);
        const double f = x - double(i);
        const double v = i + 1 < w.size() ? w[i] + f * (w[i + 1] - w[i]) : w.back();
        log.time.push_back(te);
        log.channels[std::size_t(r)].values.push_back(float(v + noise(random)));
        log.channels[std::size_t(m)].values.push_back(float(20 + v / 70));
    }
    return log;
}

} // namespace

class tst_logjoin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The known answer: shifted 37.3 s, another clock rate, noise on engine speed.
    void findsTheShiftAndRate_data() {
        QTest::addColumn<double>("minutes");
        QTest::addColumn<double>("rate");
        QTest::newRow("20 minutes, same clock") << 20.0 << 1.0;
        QTest::newRow("20 minutes, clock 0.05 % fast") << 20.0 << 1.0005;
        QTest::newRow("3 minutes") << 3.0 << 1.0;
    }
    void findsTheShiftAndRate() {
        QFETCH(double, minutes);
        QFETCH(double, rate);
        const Log w = widebandLog(minutes * 60, 5);
        const Log e = engineLog(w, 37.3, rate, 9);
        const LogJoin::Match m = LogJoin::find(w, e);
        QVERIFY2(m.accepted, qPrintable(m.reason));
        QVERIFY(m.score > 0.95);
        // Within one wideband sample everywhere along the drive.
        for (const double t : {0.0, w.time.back() / 2, w.time.back()}) {
            const double found = m.offset + m.rate * t;
            const double truth = 37.3 + rate * t;
            QVERIFY2(std::fabs(found - truth) < 0.1,
                     qPrintable(QStringLiteral("at %1 s: %2 against %3 (offset %4, rate %5)")
                                    .arg(t)
                                    .arg(found)
                                    .arg(truth)
                                    .arg(m.offset)
                                    .arg(m.rate, 0, 'f', 6)));
        }
    }

    // A log of another drive is refused, not joined.
    void refusesAnotherDrive() {
        const Log w = widebandLog(1200, 5);
        const Log other = engineLog(widebandLog(1200, 77), 37.3, 1.0, 9);
        const LogJoin::Match m = LogJoin::find(w, other);
        QVERIFY(!m.accepted);
        QVERIFY(m.score < LogJoin::kMinScore);
        QVERIFY(m.reason.contains(QLatin1String("do not look like the same drive")));
    }

    void refusesWithoutEngineSpeed() {
        Log w = widebandLog(120, 5);
        Log e = engineLog(w, 10, 1.0, 9);
        e.channels[0].quantity = Quantity::Other;
        const LogJoin::Match m = LogJoin::find(w, e);
        QVERIFY(!m.accepted);
        QVERIFY(m.reason.contains(QLatin1String("no engine speed")));
    }

    // The joined log: the wideband's rows, the engine's channels at the same instant, the
    // ratio from the wideband and the load from the engine for the tuning run.
    void joinedLogFeedsTheRun() {
        const Log w = widebandLog(300, 5);
        const Log e = engineLog(w, 37.3, 1.0, 9);
        const LogJoin::Match m = LogJoin::find(w, e);
        QVERIFY(m.accepted);
        const Log j = LogJoin::join(w, e, m);
        QCOMPARE(j.rows(), w.rows());
        const int ecuRpm = j.findName(QStringLiteral("ECU RPM"));
        const int map = j.find(Quantity::ManifoldPressure);
        QVERIFY(ecuRpm >= 0 && map >= 0);
        QCOMPARE(j.find(Quantity::EngineSpeed), 0); // the wideband's own
        const std::size_t mid = w.rows() / 2;
        QCOMPARE_LE(std::fabs(j.channels[std::size_t(map)].values[mid] -
                              (20 + w.channels[0].values[mid] / 70)),
                    1.0f);
        const TuningLog t = LogSampleSource::fromLog(j);
        QCOMPARE(t.loadQuantity, Quantity::ManifoldPressure);
        QCOMPARE(t.afrScale, std::optional<double>(1.0));
        QVERIFY(t.picked.contains(QLatin1String("MAP")));
    }
};

QTEST_GUILESS_MAIN(tst_logjoin)
#include "tst_logjoin.moc"
