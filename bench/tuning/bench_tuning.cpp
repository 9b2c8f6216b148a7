#include "tuning/CsvSampleSource.h"
#include "tuning/TuningWorkbench.h"

#include <QtTest>

#include <cmath>

namespace {

// A drive of `count` samples 0.1 s apart: speed and throttle wander over the whole map
// as on a road, so every sample lands in different cells.
TuningLog drive(int count, int seed) {
    TuningLog log;
    log.reserve(std::size_t(count));
    log.afrScale = 14.69;
    for (int i = 0; i < count; ++i) {
        const double t = 0.1 * i;
        const double phase = 0.01 * i + seed;
        log.time.push_back(t);
        log.rpm.push_back(3500 + 3000 * std::sin(phase) + 200 * std::sin(7.3 * phase));
        log.load.push_back(50 + 45 * std::sin(0.37 * phase + 1.0));
        log.afr1.push_back(13.2 + 1.5 * std::sin(3.1 * phase));
        log.afr2.push_back(i % 500 == 0 ? NAN : 13.4 + 1.5 * std::sin(2.9 * phase));
    }
    return log;
}

} // namespace

// The computation alone, files left out: qero4d-cli tune's own figures are taken by
// scripts/bench.sh on real files.
class bench_tuning : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workbench100Logs();
    void csvMillionRows();
};

void bench_tuning::workbench100Logs() {
    std::vector<TuningLog> logs;
    for (int n = 0; n < 100; ++n)
        logs.push_back(drive(12000, n));
    TuningSettings s;
    s.delay = TransportDelay::parseCurve(QStringLiteral("1000:300,6000:80"));
    TuningResult r;
    QBENCHMARK {
        TuningWorkbench bench(s);
        for (const TuningLog& log : logs)
            bench.add(log);
        r = bench.result();
    }
    QCOMPARE(r.counts.samples, 1200000);
    QVERIFY(r.counts.kept > 600000);
}

void bench_tuning::csvMillionRows() {
    QByteArray bytes = "time;rpm;load;afr1;afr2\n";
    bytes.reserve(40 * 1000000);
    const TuningLog source = drive(1000000, 3);
    for (std::size_t i = 0; i < source.size(); ++i) {
        bytes += QByteArray::number(source.time[i], 'f', 1) + ';' +
                 QByteArray::number(source.rpm[i], 'f', 0) + ';' +
                 QByteArray::number(source.load[i], 'f', 1).replace('.', ',') + ';' +
                 QByteArray::number(source.afr1[i], 'f', 2).replace('.', ',') + ';' +
                 (std::isnan(source.afr2[i])
                      ? QByteArray()
                      : QByteArray::number(source.afr2[i], 'f', 2).replace('.', ',')) +
                 '\n';
    }
    TuningLog log;
    QBENCHMARK {
        log = CsvSampleSource().parse(bytes, QStringLiteral("bench.csv"));
    }
    QCOMPARE(log.size(), std::size_t(1000000));
}

QTEST_GUILESS_MAIN(bench_tuning)
#include "bench_tuning.moc"
