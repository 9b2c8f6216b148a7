// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/QCustomPlotHeader.h"
#include "logdata/LogBuffer.h"
#include "support/ScriptedPrompter.h"
#include "workbench/WorkbenchSession.h"
#include "workbench/frmTuningWorkbench.h"

#include <QDoubleSpinBox>
#include <QtTest>

#include <cmath>

namespace {

// A drive of 12000 samples 0.1 s apart, speed and throttle wandering over the whole map.
TuningLog drive(int seed) {
    TuningLog log;
    const int count = LogBuffer::kSamples;
    log.reserve(std::size_t(count));
    log.afrScale = 14.69;
    log.fuelStoichRatio = 14.69;
    for (int i = 0; i < count; ++i) {
        const double phase = 0.01 * i + seed;
        log.time.push_back(0.1 * i);
        log.rpm.push_back(3500 + 3000 * std::sin(phase) + 200 * std::sin(7.3 * phase));
        log.load.push_back(50 + 45 * std::sin(0.37 * phase + 1.0));
        log.afr1.push_back(13.2 + 1.5 * std::sin(3.1 * phase));
        log.afr2.push_back(13.4 + 1.5 * std::sin(2.9 * phase));
    }
    return log;
}

constexpr int kLogs = 10;

} // namespace

// What a change of one setting costs with 10 full logs in the workbench: the computation
// with every sample's cell kept for the charts, and the same in the window with its
// table, inputs, time chart and scatter plot redrawn.
class bench_workbench : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingChange10Logs();
    void windowSettingChange10Logs();
};

void bench_workbench::settingChange10Logs() {
    WorkbenchSession session;
    for (int n = 0; n < kLogs; ++n)
        session.addLog(drive(n), QStringLiteral("drive %1").arg(n));
    TuningSettings s = session.settings();
    s.delay = TransportDelay::parseCurve(QStringLiteral("1000:300,6000:80"));
    int i = 0;
    QBENCHMARK {
        s.minWeight = (++i % 2) ? 4.0 : 6.0;
        session.setSettings(s);
    }
    QCOMPARE(session.result().counts.samples, qint64(kLogs) * LogBuffer::kSamples);
}

void bench_workbench::windowSettingChange10Logs() {
    LogBuffer empty;
    ScriptedPrompter prompter;
    frmTuningWorkbench w(empty, prompter);
    for (int n = 0; n < kLogs; ++n)
        w.addLog(drive(n), QStringLiteral("drive %1").arg(n));
    w.resize(1600, 1000);
    w.show();
    w.selectCell(6, 4);
    // Laid out and drawn once, as the window is when the user changes something.
    QCoreApplication::processEvents();
    w.plotScatter->replot(QCustomPlot::rpImmediateRefresh);
    int i = 0;
    QBENCHMARK {
        w.spnMinWeight->setValue((++i % 2) ? 4.0 : 6.0);
        w.plotTime->replot(QCustomPlot::rpImmediateRefresh);
        w.plotScatter->replot(QCustomPlot::rpImmediateRefresh);
        w.repaint();
    }
    QVERIFY(w.highlightGraph()->data()->size() > 0);
}

QTEST_MAIN(bench_workbench)
#include "bench_workbench.moc"
