// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/LogViewLogic.h"
#include "chart/LogViewPlot.h"
#include "chart/frmLogViewer.h"
#include "logdata/LogImport.h"
#include "support/ScriptedPrompter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <time.h>

namespace {

constexpr std::size_t kRows = 1000000;

// An hour and a half of an engine at 100 Hz, as an engine computer logs it: engine speed,
// manifold pressure, throttle, lambda, coolant and intake temperature.
QByteArray engineCsv(std::size_t rows) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    QByteArray out = "Time (s),RPM (rpm),MAP (kPa),TPS (%),Lambda,CLT (C),IAT (C)\n";
    out.reserve(qsizetype(rows) * 48);
    char line[160];
    for (std::size_t i = 0; i < rows; ++i) {
        const double t = 0.01 * double(i);
        const double load = 0.5 + 0.45 * std::sin(t / 7.0) * std::sin(t / 53.0);
        const int n = std::snprintf(line, sizeof line, "%.2f,%.0f,%.1f,%.1f,%.3f,%.1f,%.1f\n", t,
                                    900 + 5000 * load + 30 * noise(random), 20 + 80 * load,
                                    100 * load, 0.82 + 0.18 * (1 - load) + 0.01 * noise(random),
                                    20 + 70 * (1 - std::exp(-t / 600)), 30 + 5 * noise(random));
        out.append(line, n);
    }
    return out;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

// The log viewer on a million rows: opening the file to the first painted frame, and a
// replot of four panes at 1600x900 at every zoom from the whole log down to a second.
class bench_logviewer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_csv;

private Q_SLOTS:
    void initTestCase() {
        m_csv = m_dir.filePath(QStringLiteral("engine.csv"));
        QFile f(m_csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(engineCsv(kRows));
    }

    void openAndPaint() {
        ScriptedPrompter prompter;
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer clock;
            clock.start();
            LogReadResult r = LogImport::open(m_csv);
            QVERIFY2(r.ok(), qPrintable(r.error));
            QCOMPARE(r.log->rows(), kRows);
            frmLogViewer viewer(std::move(*r.log), prompter, nullptr);
            viewer.setAttribute(Qt::WA_DeleteOnClose, false);
            viewer.resize(1600, 900);
            viewer.show();
            QVERIFY(QTest::qWaitForWindowExposed(&viewer));
            // The first frame: the plot drawn into the window.
            viewer.plot()->replot(QCustomPlot::rpImmediateRefresh);
            viewer.repaint();
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        qInfo("figure viewer_open_ms %.1f", times[times.size() / 2]);
    }

    void replotFourPanes() {
        LogReadResult r = LogImport::open(m_csv);
        QVERIFY(r.ok());
        const Log& log = *r.log;
        LogViewLogic logic(log);
        QCOMPARE(logic.panes.size(), std::size_t(4));
        LogViewPlot plot;
        plot.resize(1600, 900);
        plot.display(logic);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        double worst = 0.0;
        double worstCpu = 0.0;
        const double whole = log.time.back() - log.time.front();
        for (const double width : {whole, whole / 10, whole / 100, whole / 1000, 60.0, 1.0}) {
            const double start = log.time.front() + (whole - width) / 2;
            plot.setTimeWindow(start, start + width);
            plot.replot(QCustomPlot::rpImmediateRefresh);
            std::vector<double> wall, cpu;
            for (int i = 0; i < 15; ++i) {
                QElapsedTimer clock;
                clock.start();
                const double c = cpuMs();
                plot.replot(QCustomPlot::rpImmediateRefresh);
                cpu.push_back(cpuMs() - c);
                wall.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
            std::sort(wall.begin(), wall.end());
            std::sort(cpu.begin(), cpu.end());
            worst = std::max(worst, wall[wall.size() / 2]);
            worstCpu = std::max(worstCpu, cpu.front());
        }
        qInfo("figure viewer_replot_ms %.1f", worst);
        qInfo("figure viewer_replot_cpu_ms %.1f", worstCpu);
    }
};

QTEST_MAIN(bench_logviewer)
#include "bench_logviewer.moc"
