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

// How long the chart takes to draw two full traces on screen, and to print its page to
// a PDF file (with the size of that file).
class bench_chart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void replot();
    void printToPdf();

private:
    void prepare(ChartPlot& plot);

    AppState m_state;
};

void bench_chart::initTestCase() {
    DataFiles::setSearchFolders({QStringLiteral(QERO_SOURCE_DATA)});
    // A downloaded drive log: 12000 samples of a real drive's shape, not a flat line.
    FramDecoder::Image image{};
    const QeroModule module;
    std::copy(module.memory().bytes.begin(), module.memory().bytes.end(), image.begin());
    const FramDecoder::Outcome outcome = FramDecoder::decode(image, m_state.log);
    QVERIFY(outcome.ok);
    outcome.parameters.applyTo(m_state);
}

void bench_chart::prepare(ChartPlot& plot) {
    QVERIFY(plot.loadTemplate(DataFiles::find(QLatin1String(ChartTemplate::kFileName))));
    plot.setTimes(m_state.log.ElapsedTime);
    plot.setTrace(1, ChartTrace::load(TraceQuantity::RPM, m_state));
    plot.setTrace(2, ChartTrace::load(TraceQuantity::AFR1, m_state));
    plot.setTimeWindow(0.0, ChartNavigator::chartTimeSpan(m_state.log.DataLogInterval));
    QCOMPARE(plot.group(1)->dataCount(), LogBuffer::kSamples);
    QCOMPARE(plot.group(2)->dataCount(), LogBuffer::kSamples);
}

void bench_chart::replot() {
    ChartPlot plot;
    plot.resize(1600, 900);
    prepare(plot);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QBENCHMARK {
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    // The traces were really drawn: the picture holds more than the background.
    const QImage picture = plot.toPixmap().toImage();
    QCOMPARE(picture.size(), QSize(1600, 900));
    const QRgb corner = picture.pixel(2, 2);
    int drawn = 0;
    for (int x = 0; x < picture.width(); x += 7)
        drawn += picture.pixel(x, picture.height() / 2) != corner ? 1 : 0;
    QVERIFY(drawn > 20);
}

void bench_chart::printToPdf() {
    ChartPlot plot;
    plot.resize(1600, 900);
    prepare(plot);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("chart.pdf"));
    const QStringList header = ChartPrintLayout::headerLines(
        {QStringLiteral("Brenwick")}, m_state.log.DownloadDate, QStringLiteral("Bench run"));
    // As the program prints where it has no printer: a high-resolution PDF page.
    QBENCHMARK {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        ChartPrinter::printPage(printer, plot, header);
    }
    const qint64 bytes = QFileInfo(path).size();
    QVERIFY(bytes > 1000);
    qInfo("figure pdf_bytes %lld", bytes);
}

QTEST_MAIN(bench_chart)
#include "bench_chart.moc"
