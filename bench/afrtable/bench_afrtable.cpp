// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "afrtable/AFRTable.h"
#include "device/FramDecoder.h"
#include "logdata/AppState.h"

#include <QtTest>

#include <algorithm>
#include <numeric>

// How long one AFR table takes to build from a full log in memory.
class bench_afrtable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writeAFRTable();
};

void bench_afrtable::writeAFRTable() {
    // A downloaded drive log: its samples spread over many engine-speed and throttle
    // cells, as a real one does.
    AppState state;
    FramDecoder::Image image{};
    const QeroModule module;
    std::copy(module.memory().bytes.begin(), module.memory().bytes.end(), image.begin());
    QVERIFY(FramDecoder::decode(image, state.log).ok);

    AFRTable table;
    AFRTableGrid grid;
    QBENCHMARK {
        grid = table.WriteAFRTable(QStringLiteral("AFR"), true, state, false);
    }
    const auto& counts = table.CellSampleCount();
    QVERIFY(std::accumulate(counts.begin(), counts.end(), qint64(0)) > 1000);
    QVERIFY(std::count_if(counts.begin(), counts.end(), [](qint32 n) { return n > 0; }) > 10);
    QVERIFY(!grid.text[0][1].isEmpty());
}

QTEST_GUILESS_MAIN(bench_afrtable)
#include "bench_afrtable.moc"
