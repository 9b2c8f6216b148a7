// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "device/FramDecoder.h"

#include <QtTest>

// How long the 64 KiB memory image of a download takes to turn into the 12000 samples.
class bench_framdecode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decode();
};

void bench_framdecode::decode() {
    // The simulated module's drive log: every record kind a real log has.
    FramDecoder::Image image{};
    const QeroModule module;
    std::copy(module.memory().bytes.begin(), module.memory().bytes.end(), image.begin());
    LogBuffer log;
    FramDecoder::Outcome outcome;
    QBENCHMARK {
        outcome = FramDecoder::decode(image, log);
    }
    QVERIFY(outcome.ok);
    // The drive log runs an engine: the last samples are not the empty buffer's zeros.
    QVERIFY(log.ElapsedTime[LogBuffer::kSamples - 1] > 0);
    QVERIFY(*std::max_element(log.RPM.begin(), log.RPM.end()) > 1000);
}

QTEST_GUILESS_MAIN(bench_framdecode)
#include "bench_framdecode.moc"
