// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SafeWrite.h"
#include "tuning/CsvSampleSource.h"
#include "tuning/TuneFile.h"
#include "tuning/TuningWorkbench.h"

#include <QTemporaryDir>
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

// A tune of about 300 KB as TunerStudio writes one: hundreds of constants around a 16x16
// fuel table and its bins, the fuel table near the end (MegaSquirt tunes hold it there).
QByteArray tune300KB() {
    QByteArray out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                     "<msq xmlns=\"http://www.msefi.com/:msq\">\n<page number=\"6\">\n";
    for (int n = 0; out.size() < 280000; ++n) {
        out += "        <constant cols=\"12\" digits=\"1\" name=\"other" + QByteArray::number(n) +
               "\" rows=\"12\" units=\"\xb0"
               "F\">\n";
        for (int r = 0; r < 12; ++r) {
            out += "        ";
            for (int c = 0; c < 12; ++c)
                out += QByteArray::number(10.0 + r + 0.1 * c, 'f', 1) + ' ';
            out += '\n';
        }
        out += "      </constant>\n";
    }
    out +=
        "        <constant cols=\"16\" digits=\"1\" name=\"veTable1\" rows=\"16\" units=\"%\">\n";
    for (int r = 0; r < 16; ++r) {
        out += "         ";
        for (int c = 0; c < 16; ++c)
            out += QByteArray::number(30.0 + 4 * r + 0.5 * c, 'f', 1) + ' ';
        out += '\n';
    }
    out += "      </constant>\n        <constant cols=\"1\" digits=\"0\" name=\"frpm_table1\" "
           "rows=\"16\" units=\"RPM\">\n";
    for (int c = 0; c < 16; ++c)
        out += "         " + QByteArray::number(500 + 450 * c) + ".0 \n";
    out += "      </constant>\n        <constant cols=\"1\" digits=\"1\" name=\"fmap_table1\" "
           "rows=\"16\" units=\"kPa\">\n";
    for (int r = 0; r < 16; ++r)
        out += "         " + QByteArray::number(20 + 15 * r) + ".0 \n";
    out += "      </constant>\n</page>\n</msq>\n";
    return out;
}

} // namespace

// The computation alone, files left out: qero4d-cli tune's own figures are taken by
// scripts/bench.sh on real files.
class bench_tuning : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workbench100Logs();
    void csvMillionRows();
    void tuneReadAndCorrectedCopy();
};

// Load a tune from disk, take its fuel table and bins, write its corrected copy (through
// the atomic writer, synced to disk).
void bench_tuning::tuneReadAndCorrectedCopy() {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("car.msq"));
    const QString out = dir.filePath(QStringLiteral("car-new.msq"));
    const QByteArray bytes = tune300KB();
    SafeWrite::writeFile(in, bytes);
    QByteArray written;
    QBENCHMARK {
        const TuneFile tune = TuneFile::readFile(in);
        const TuneTable ve = tune.table(tune.fuelTableName());
        TuningGrid corrected = ve.grid();
        for (int r = 0; r < corrected.rows(); ++r)
            for (int c = 0; c < corrected.columns(); ++c)
                corrected.set(r, c, corrected.at(r, c) * 1.05);
        written = tune.withValues(ve.name, corrected);
        SafeWrite::writeFile(out, written);
    }
    QVERIFY(bytes.size() > 280000);
    const TuneTable back = TuneFile::parse(written, out).table(QStringLiteral("veTable1"));
    QCOMPARE(back.at(0, 0), 31.5);
    QCOMPARE(written.left(written.indexOf("name=\"veTable1\"")),
             bytes.left(bytes.indexOf("name=\"veTable1\"")));
}

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
