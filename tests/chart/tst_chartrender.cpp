// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartTestLog.h"
#include "PdfText.h"

#include "chart/ChartRenderer.h"
#include "cli/ChartCommand.h"
#include "logdata/LogFileWriter.h"
#include "support/DataFiles.h"
#include "support/SafeWrite.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

namespace {

int pixelsNear(const QImage& image, QColor color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - color.red()) < 40 && qAbs(c.green() - color.green()) < 40 &&
                qAbs(c.blue() - color.blue()) < 40)
                ++n;
        }
    }
    return n;
}

const QColor kTrace1(QStringLiteral("#c62828"));
const QColor kTrace2(QStringLiteral("#1565c0"));

} // namespace

class tst_chartrender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void pngShowsBothTraces();
    void pdfIsVectorWithTitles();
    void renderRefusals_data();
    void renderRefusals();
    void missingTemplate();
    void failedWriteKeepsOldPicture_data();
    void failedWriteKeepsOldPicture();
    void command_data();
    void command();
    void commandReadsLogFile();
    void programDrawsWithoutDisplay();

private:
    QString writeTestLog();
    std::unique_ptr<QTemporaryDir> m_dir;
};

QString tst_chartrender::writeTestLog() {
    AppState s;
    fillTestLog(s);
    const QString path = m_dir->filePath(QStringLiteral("run.log"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(LogFileWriter::whole(s.log, "Brenwick")) < 0)
        return {};
    return path;
}

void tst_chartrender::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    DataFiles::setSearchFolders({QStringLiteral(QERO_SOURCE_DATA)});
}

void tst_chartrender::cleanup() {
    DataFiles::setSearchFolders({});
}

void tst_chartrender::pngShowsBothTraces() {
    AppState s;
    fillTestLog(s);
    const QString png = m_dir->filePath(QStringLiteral("chart.png"));
    ChartRenderer::Request r;
    r.size = QSize(900, 500);
    QString error;
    QVERIFY2(ChartRenderer::render(s, r, png, &error), qPrintable(error));
    const QImage image(png);
    QCOMPARE(image.size(), QSize(900, 500));
    QVERIFY(pixelsNear(image, kTrace1) > 500);
    QVERIFY(pixelsNear(image, kTrace2) > 500);
}

void tst_chartrender::pdfIsVectorWithTitles() {
    AppState s;
    fillTestLog(s);
    s.log.AnalogLegend = QStringLiteral("TPS(%)");
    const QString pdf = m_dir->filePath(QStringLiteral("chart.pdf"));
    ChartRenderer::Request r;
    r.trace1 = TraceQuantity::Analog;
    r.trace2 = TraceQuantity::AFR2;
    r.from = 100.0;
    r.to = 200.0;
    QString error;
    QVERIFY2(ChartRenderer::render(s, r, pdf, &error), qPrintable(error));
    const PdfText::Page page = PdfText::read(pdf);
    QVERIFY2(page.text.contains(QStringLiteral("TPS(%)\n")), qPrintable(page.text));
    QVERIFY(page.text.contains(QStringLiteral("Sensor 2 Gasoline AFR\n")));
    QVERIFY(page.text.contains(QStringLiteral("Elapsed Time (sec)\n")));
    // The time axis runs over the chosen stretch.
    const QStringList runs = page.text.split(u'\n');
    QVERIFY2(runs.contains(QStringLiteral("100")) && runs.contains(QStringLiteral("200")),
             qPrintable(page.text));
    QVERIFY(!runs.contains(QStringLiteral("1000")));
    QCOMPARE(page.images, 0);
    // 100 s of 0.1 s samples: a thousand points per trace, drawn as lines.
    QVERIFY(PdfText::longestStroke(page, kTrace1) > 200);
    QVERIFY(PdfText::longestStroke(page, kTrace2) > 200);
}

void tst_chartrender::renderRefusals_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<QSize>("size");
    QTest::newRow("other extension") << "chart.jpg" << 0.0 << 10.0 << QSize(800, 600);
    QTest::newRow("empty range") << "chart.png" << 50.0 << 50.0 << QSize(800, 600);
    QTest::newRow("reversed range") << "chart.png" << 60.0 << 50.0 << QSize(800, 600);
    QTest::newRow("tiny") << "chart.png" << 0.0 << 10.0 << QSize(10, 600);
    QTest::newRow("huge") << "chart.png" << 0.0 << 10.0 << QSize(800, 90000);
    QTest::newRow("beyond 8000 a side") << "chart.png" << 0.0 << 10.0 << QSize(8001, 600);
    QTest::newRow("no folder") << "no/such/chart.png" << 0.0 << 10.0 << QSize(800, 600);
}

void tst_chartrender::renderRefusals() {
    QFETCH(QString, file);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QSize, size);
    AppState s;
    fillTestLog(s);
    ChartRenderer::Request r;
    r.from = from;
    r.to = to;
    r.size = size;
    QString error;
    QVERIFY(!ChartRenderer::render(s, r, m_dir->filePath(file), &error));
    QVERIFY(!error.isEmpty());
}

void tst_chartrender::missingTemplate() {
    DataFiles::setSearchFolders({m_dir->path()});
    AppState s;
    fillTestLog(s);
    QString error;
    QVERIFY(!ChartRenderer::render(s, {}, m_dir->filePath(QStringLiteral("c.png")), &error));
    QCOMPARE(error, QStringLiteral("Chart template file QERO4D_Log_Chart.oc2 not found."));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("c.png"))));
}

void tst_chartrender::failedWriteKeepsOldPicture_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("png") << "old.png";
    QTest::newRow("pdf") << "old.pdf";
}

void tst_chartrender::failedWriteKeepsOldPicture() {
    QFETCH(QString, file);
    const QString path = m_dir->filePath(file);
    const QByteArray old = "an older picture";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    const ChartLogLoader loader = [](const QString&, AppState& state, QString&) {
        fillTestLog(state);
        return true;
    };
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    // The disk fills up after the first kilobyte.
    SafeWrite::setSpaceLimitForTesting(1000);
    const int status =
        runChartCommand({QStringLiteral("run.log"), QStringLiteral("-o"), path}, out, err, loader);
    SafeWrite::setSpaceLimitForTesting(-1);
    QCOMPARE(status, 1);
    err.flush();
    QVERIFY2(errText.contains(path) && errText.contains(qt_error_string(ENOSPC)),
             qPrintable(errText));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
}

void tst_chartrender::command_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<bool>("written");
    QTest::newRow("defaults") << QStringList{"run.log", "-o", "OUT.png"} << 0 << "" << true;
    QTest::newRow("all options") << QStringList{"run.log", "-o",       "OUT.pdf", "--trace1",
                                                "analog",  "--trace2", "afr2",    "--from",
                                                "10",      "--to",     "70.5",    "--size",
                                                "640x480"}
                                 << 0 << "" << true;
    QTest::newRow("help") << QStringList{"--help"} << 0 << "" << false;
    QTest::newRow("no log") << QStringList{"-o", "OUT.png"} << 2 << "one log file" << false;
    QTest::newRow("no output") << QStringList{"run.log"} << 2 << "-o" << false;
    QTest::newRow("bad trace") << QStringList{"run.log", "-o", "OUT.png", "--trace1", "egt"} << 2
                               << "rpm, afr1, afr2, analog" << false;
    QTest::newRow("bad time") << QStringList{"run.log", "-o", "OUT.png", "--from", "soon"} << 2
                              << "--from" << false;
    QTest::newRow("bad size") << QStringList{"run.log", "-o", "OUT.png", "--size", "big"} << 2
                              << "--size" << false;
    QTest::newRow("size beyond 8000")
        << QStringList{"run.log", "-o", "OUT.png", "--size", "20000x20000"} << 2
        << "--size must be from 100x100 to 6000x8000" << false;
    // Past 6000 wide every point is stroked with the wide pen and the time leaves linear.
    QTest::newRow("width 8000") << QStringList{"run.log", "-o", "OUT.png", "--size", "8000x8000"}
                                << 2 << "--size must be from 100x100 to 6000x8000" << false;
    QTest::newRow("width 6001") << QStringList{"run.log", "-o", "OUT.png", "--size", "6001x700"}
                                << 2 << "--size" << false;
    QTest::newRow("unknown option")
        << QStringList{"run.log", "-o", "OUT.png", "--colour"} << 2 << "colour" << false;
    QTest::newRow("reversed times")
        << QStringList{"run.log", "-o", "OUT.png", "--from", "90", "--to", "10"} << 1
        << "before the end" << false;
    QTest::newRow("unreadable log")
        << QStringList{"bad.log", "-o", "OUT.png"} << 1 << "cannot read bad.log" << false;
}

void tst_chartrender::command() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, errorText);
    QFETCH(bool, written);
    QString outPath;
    for (QString& a : args) {
        if (a.startsWith(QLatin1String("OUT."))) {
            a = m_dir->filePath(a);
            outPath = a;
        }
    }
    const ChartLogLoader loader = [](const QString& path, AppState& state, QString& error) {
        if (path != QLatin1String("run.log")) {
            error = QStringLiteral("cannot read ") + path;
            return false;
        }
        fillTestLog(state);
        return true;
    };
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    QCOMPARE(runChartCommand(args, out, err, loader), exitCode);
    if (errorText.isEmpty())
        QVERIFY2(errText.isEmpty(), qPrintable(errText));
    else
        QVERIFY2(errText.contains(errorText), qPrintable(errText));
    if (args.contains(QStringLiteral("--help")))
        QVERIFY(outText.startsWith(QStringLiteral("Usage: qero4d-cli chart LOG")));
    QCOMPARE(!outPath.isEmpty() && QFileInfo(outPath).size() > 1000, written);
}

void tst_chartrender::commandReadsLogFile() {
    const QString log = writeTestLog();
    QVERIFY(!log.isEmpty());
    const QString png = m_dir->filePath(QStringLiteral("chart.png"));
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    QCOMPARE(runChartCommand({log, QStringLiteral("-o"), png, QStringLiteral("--size"),
                              QStringLiteral("800x450")},
                             out, err),
             0);
    QVERIFY2(errText.isEmpty(), qPrintable(errText));
    const QImage image(png);
    QCOMPARE(image.size(), QSize(800, 450));
    QVERIFY(pixelsNear(image, kTrace1) > 300);
    QVERIFY(pixelsNear(image, kTrace2) > 300);

    // A file that is not there is reported with the system's reason.
    const QString missing = m_dir->filePath(QStringLiteral("missing.log"));
    QCOMPARE(runChartCommand({missing, QStringLiteral("-o"), png}, out, err), 1);
    QVERIFY(errText.startsWith(QStringLiteral("qero4d-cli chart: ")));
}

void tst_chartrender::programDrawsWithoutDisplay() {
    const QString log = writeTestLog();
    const QString pdf = m_dir->filePath(QStringLiteral("chart.pdf"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QERO_CLI_PATH), {QStringLiteral("chart"), log, QStringLiteral("-o"), pdf,
                                            QStringLiteral("--trace1"), QStringLiteral("afr2")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const PdfText::Page page = PdfText::read(pdf);
    QVERIFY2(page.text.contains(QStringLiteral("Sensor 2 Gasoline AFR\n")), qPrintable(page.text));
    QVERIFY(page.text.contains(QStringLiteral("Sensor 1 Gasoline AFR\n")));
    QVERIFY(PdfText::longestStroke(page, kTrace1) > 200);
}

QTEST_MAIN(tst_chartrender)
#include "tst_chartrender.moc"
