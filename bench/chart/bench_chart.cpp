// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "chart/ChartNavigator.h"
#include "chart/ChartPlot.h"
#include "chart/ChartPrintLayout.h"
#include "chart/ChartPrinter.h"
#include "chart/ChartTemplate.h"
#include "chart/ChartTrace.h"
#include "device/FramDecoder.h"
#include "logdata/AppState.h"
#include "support/DataFiles.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <time.h>

namespace {

// The drive log made noisy over its whole length, as a loose wire or a misfiring RPM
// input makes it: RPM jumps anywhere between 0 and the top of its scale from one sample
// to the next, sensor 1 alternates between its reading and a cold-sensor code (an AFR
// of 10.0), and sensor 2 jumps by up to two ratio points.
void makeNoisy(LogBuffer& log) {
    std::mt19937 random(20260412);
    std::uniform_real_distribution<float> rpm(0.0f, float(log.MaxRPMDisplay));
    std::uniform_real_distribution<float> jump(-2.0f, 2.0f);
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        log.RPM[i] = std::round(rpm(random));
        if (i % 2) {
            log.AFR1[i] = 10.0f;
            log.Sensor1Status[i] = 6.0f;
        }
        log.AFR2[i] = std::clamp(log.AFR2[i] + jump(random), 10.0f, 20.0f);
    }
}

// Processor time of this process in milliseconds: on a machine whose cores other work
// shares, the wall time of a replot says more about that work than about the replot.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The least processor time of `runs` replots: the replot's own cost, with the least of
// what page faults and cache misses caused by other processes add to it.
template <typename Work> void reportCpu(const Work& work, const char* figure, int runs = 25) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuMs();
        work();
        times.push_back(cpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    qInfo("figure %s %.2f", figure, times.front());
    qInfo("figure %s_median %.2f", figure, times[times.size() / 2]);
}

} // namespace

// How long the chart takes to draw two full traces on screen, for a smooth drive log, a
// noisy one and a series of a million points, and to print its page to a PDF file (with
// the size of that file).
class bench_chart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void replotSmooth();
    void replotNoisy();
    void replotMillion();
    void moveMarker();
    void printSmooth();
    void printNoisy();

private:
    void prepare(ChartPlot& plot, const AppState& state);
    void replot(const AppState& state, const char* figure);
    void print(const AppState& state, const char* figure);
    static void checkDrawn(ChartPlot& plot);

    AppState m_smooth;
    AppState m_noisy;
};

void bench_chart::initTestCase() {
    DataFiles::setSearchFolders({QStringLiteral(QERO_SOURCE_DATA)});
    // A downloaded drive log: 12000 samples of a real drive's shape, not a flat line.
    FramDecoder::Image image{};
    const QeroModule module;
    std::copy(module.memory().bytes.begin(), module.memory().bytes.end(), image.begin());
    const FramDecoder::Outcome outcome = FramDecoder::decode(image, m_smooth.log);
    QVERIFY(outcome.ok);
    outcome.parameters.applyTo(m_smooth.log, m_smooth.settings);
    m_noisy = m_smooth;
    makeNoisy(m_noisy.log);
}

void bench_chart::prepare(ChartPlot& plot, const AppState& state) {
    QVERIFY(plot.loadTemplate(DataFiles::find(QLatin1String(ChartTemplate::kFileName))));
    plot.setTimes(state.log.ElapsedTime);
    plot.setTrace(1, ChartTrace::load(TraceQuantity::RPM, state.log, state.settings));
    plot.setTrace(2, ChartTrace::load(TraceQuantity::AFR1, state.log, state.settings));
    plot.setTimeWindow(0.0, ChartNavigator::chartTimeSpan(state.log.DataLogInterval));
    QCOMPARE(plot.group(1)->dataCount(), LogBuffer::kSamples);
    QCOMPARE(plot.group(2)->dataCount(), LogBuffer::kSamples);
}

void bench_chart::checkDrawn(ChartPlot& plot) {
    // The traces were really drawn: the picture holds more than the background.
    const QImage picture = plot.toPixmap().toImage();
    QCOMPARE(picture.size(), QSize(1600, 900));
    const QRgb corner = picture.pixel(2, 2);
    int drawn = 0;
    for (int x = 0; x < picture.width(); x += 7)
        drawn += picture.pixel(x, picture.height() / 2) != corner ? 1 : 0;
    QVERIFY(drawn > 20);
}

void bench_chart::replot(const AppState& state, const char* figure) {
    ChartPlot plot;
    plot.resize(1600, 900);
    prepare(plot, state);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QBENCHMARK {
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    reportCpu([&] { plot.replot(QCustomPlot::rpImmediateRefresh); }, figure);
    checkDrawn(plot);
}

void bench_chart::replotSmooth() {
    replot(m_smooth, "replot_cpu_ms_smooth");
}

void bench_chart::replotNoisy() {
    replot(m_noisy, "replot_cpu_ms_noisy");
}

void bench_chart::replotMillion() {
    // Two traces of a million samples each, 0.1 s apart: a slow swell with noise on it,
    // the whole series in view.
    constexpr int kPoints = 1000000;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    QVector<QCPGraphData> rpm(kPoints);
    QVector<QCPGraphData> afr(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double t = 0.1 * i;
        rpm[i] = QCPGraphData(t, 4000.0 + 3000.0 * std::sin(t / 900.0) + 400.0 * noise(random));
        afr[i] = QCPGraphData(t, 14.7 + 2.0 * std::sin(t / 300.0) + noise(random));
    }
    ChartPlot plot;
    plot.resize(1600, 900);
    prepare(plot, m_smooth);
    plot.group(1)->data()->set(rpm, true);
    plot.group(2)->data()->set(afr, true);
    plot.setTimeWindow(0.0, 0.1 * (kPoints - 1));
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QBENCHMARK {
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    reportCpu([&] { plot.replot(QCustomPlot::rpImmediateRefresh); }, "replot_cpu_ms_million");
    QCOMPARE(plot.group(1)->dataCount(), kPoints);
    checkDrawn(plot);
}

void bench_chart::moveMarker() {
    // The marker stepped along the noisy log and the window painted: the traces stay as
    // they were drawn.
    ChartPlot plot;
    plot.resize(1600, 900);
    prepare(plot, m_noisy);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.replot(QCustomPlot::rpImmediateRefresh);
    double time = 0.0;
    const auto step = [&] {
        time += 0.1;
        plot.setMarkerTime(time);
        plot.repaint();
    };
    QBENCHMARK {
        step();
    }
    reportCpu(step, "marker_cpu_ms");
    QVERIFY(plot.markerTime() > 0.0);
    checkDrawn(plot);
}

void bench_chart::print(const AppState& state, const char* figure) {
    ChartPlot plot;
    plot.resize(1600, 900);
    prepare(plot, state);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("chart.pdf"));
    const QStringList header = ChartPrintLayout::headerLines(
        {QStringLiteral("Brenwick")}, state.log.DownloadDate, QStringLiteral("Bench run"));
    // As the program prints where it has no printer: a high-resolution PDF page.
    QBENCHMARK {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        ChartPrinter::printPage(printer, plot, header);
    }
    const qint64 bytes = QFileInfo(path).size();
    QVERIFY(bytes > 1000);
    qInfo("figure %s %lld", figure, bytes);
}

void bench_chart::printSmooth() {
    print(m_smooth, "pdf_bytes_smooth");
}

void bench_chart::printNoisy() {
    print(m_noisy, "pdf_bytes_noisy");
}

QTEST_MAIN(bench_chart)
#include "bench_chart.moc"
