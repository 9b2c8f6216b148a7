// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartTestLog.h"
#include "PdfText.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"

#include "app/frmMain.h"
#include "chart/ChartGraph.h"
#include "chart/ChartPlot.h"
#include "chart/frmChart1.h"
#include "logdata/LogCsv.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/PrinterProvider.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPdfWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Every printout goes to one PDF file.
class PdfPrinter : public PrinterProvider {
public:
    explicit PdfPrinter(QString path) : m_path(std::move(path)) {}
    QPagedPaintDevice* printer() override {
        m_writer = std::make_unique<QPdfWriter>(m_path);
        return m_writer.get();
    }
    QStringList fontFamilies() override { return QFontDatabase::families(); }

private:
    QString m_path;
    std::unique_ptr<QPdfWriter> m_writer;
};
const QString kShippedData = QStringLiteral(QERO_SOURCE_DATA);
QString fixture(const char* name) {
    return QStringLiteral(QERO_TEST_DATA "/") + QLatin1String(name);
}
} // namespace

class tst_chartwindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opensOnWholeBuffer();
    void clickReadsNearestSample();
    void clickOutsidePlotAreaBlanksReadouts();
    void zoomButtonsAndScrollBar();
    void traceOptionsReplaceTheirTrace();
    void missingTemplate_data();
    void missingTemplate();
    void printsHeaderAndBothTraces();
    void printCancelErasesComment();
    void printerThatFailsIsReported();
    void viewChartRefusesEmptyBuffer();
    void viewChartOpensModally();
    void wheelZoomsAroundPointer();
    void dragPansAndDoesNotPlaceMarker();
    void keysMoveMarkerBySample();
    void readoutComesFromTrueSampleWhileReduced();
    void oneSampleSpikeIsDrawn();
    void thirdTraceAndTargetLine();
    void exportDataWritesVisibleSamples();
    void fileDialogsStartInTheFolderUsedLast();
    void savePictureWritesWhatIsShown_data();
    void savePictureWritesWhatIsShown();
    void choicesRememberedBetweenRuns();

private:
    void clickAt(frmChart1& w, double time, Qt::MouseButton button = Qt::LeftButton);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_chartwindow::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    DataFiles::setSearchFolders({kShippedData});
}

void tst_chartwindow::cleanup() {
    DataFiles::setSearchFolders({});
}

void tst_chartwindow::clickAt(frmChart1& w, double time, Qt::MouseButton button) {
    ChartPlot* plot = w.Chart2D1;
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const QPoint pos(qRound(plot->pixelAtTime(time)), plot->axisRect()->rect().center().y());
    QTest::mouseClick(plot, button, Qt::NoModifier, pos);
}

void tst_chartwindow::opensOnWholeBuffer() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(w.windowTitle(),
             QStringLiteral("QERO Dual Channel Data Logging Program - Chart Display"));
    QCOMPARE(w.lblLogIntervalData->text(), QStringLiteral("0.10"));
    QCOMPARE(w.lblStoichRatio->text(), QStringLiteral("14.69"));
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("Sec "));
    QCOMPARE(w.lblMarkerTrace1->text(), QString());
    QVERIFY(w.optTrace1RPM->isChecked());
    QVERIFY(w.optTrace2AFR1->isChecked());
    QCOMPARE(w.optTrace2AFR1->text(), QStringLiteral("SENSOR 1 AFR "));

    ChartPlot* plot = w.Chart2D1;
    QCOMPARE(plot->axisX()->label(), QStringLiteral("Elapsed Time (sec)"));
    QCOMPARE(plot->axisX()->range(), QCPRange(0, 1200));
    QCOMPARE(plot->axisY()->label(), QStringLiteral("RPM"));
    QCOMPARE(plot->axisY()->range(), QCPRange(0, 10000));
    QCOMPARE(plot->axisY2()->label(), QStringLiteral("Sensor 1 Gasoline AFR"));
    QCOMPARE(plot->axisY2()->range(), QCPRange(10, 20));
    QCOMPARE(plot->group(1)->name(), QStringLiteral("RPM"));
    QCOMPARE(plot->group(1)->data()->size(), LogBuffer::kSamples);
    QCOMPARE(plot->group(2)->data()->size(), LogBuffer::kSamples);
    QCOMPARE(plot->group(1)->data()->at(424)->key, double(42.5f));
    QCOMPARE(plot->group(1)->data()->at(424)->value, 5240.0);
    QCOMPARE(plot->markerTime(), 600.0);
    QCOMPARE(w.scrChart2D1->maximum(), 1200);
    QCOMPARE(w.scrChart2D1->value(), 1200);
    QCOMPARE(w.scrChart2D1->pageStep(), 600);
    QCOMPARE(w.Trace1Format(), QStringLiteral("####0"));
    QCOMPARE(w.Trace2Format(), QStringLiteral("#0.0"));
}

void tst_chartwindow::clickReadsNearestSample() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Narrow the window to 45 s at the start, where a pixel is well under a sample.
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton);
    QCOMPARE(w.navigator().ZoomWidth, 45.0f);
    w.scrChart2D1->setValue(20);
    QCOMPARE(w.Chart2D1->axisX()->range(), QCPRange(0, 45));

    clickAt(w, 30.0);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("30.0 Sec "));
    QTest::mouseClick(w.cmdReset, Qt::LeftButton);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("0.000 Sec "));

    clickAt(w, 42.5);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("12.5 Sec "));
    QCOMPARE(w.lblMarkerTrace1->text(), QStringLiteral("5240"));
    QCOMPARE(w.lblMarkerTrace2->text(), QStringLiteral("10.0"));
    QCOMPARE(w.lblDiagCode->text(), QStringLiteral("Sensor Cold"));
    QVERIFY(qAbs(w.Chart2D1->markerTime() - 42.5) < 0.05);

    clickAt(w, 25.0);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("-5.0 Sec "));
    QCOMPARE(w.lblDiagCode->text(), QString());

    // The right button changes nothing.
    const double line = w.Chart2D1->markerTime();
    clickAt(w, 10.0, Qt::RightButton);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("-5.0 Sec "));
    QCOMPARE(w.Chart2D1->markerTime(), line);
}

void tst_chartwindow::clickOutsidePlotAreaBlanksReadouts() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    clickAt(w, 42.5);
    QVERIFY(!w.lblMarkerTrace1->text().isEmpty());
    // On the left axis' labels, left of the plotting area.
    const QRect area = w.Chart2D1->axisRect()->rect();
    QTest::mouseClick(w.Chart2D1, Qt::LeftButton, Qt::NoModifier,
                      QPoint(area.left() - 10, area.center().y()));
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("Sec "));
    QCOMPARE(w.lblMarkerTrace1->text(), QString());
    QCOMPARE(w.lblMarkerTrace2->text(), QString());
    QCOMPARE(w.lblDiagCode->text(), QString());
    QVERIFY(w.Chart2D1->markerTime() < 0.0); // the line still moved there
}

void tst_chartwindow::zoomButtonsAndScrollBar() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton);
    QCOMPARE(w.Chart2D1->axisX()->range(), QCPRange(420, 780));
    QCOMPARE(w.scrChart2D1->value(), 600);
    QCOMPARE(w.scrChart2D1->pageStep(), 360);
    QCOMPARE(w.scrChart2D1->singleStep(), 72);
    w.scrChart2D1->setValue(w.scrChart2D1->maximum());
    QCOMPARE(w.Chart2D1->axisX()->range(), QCPRange(1020, 1200));
    w.scrChart2D1->setValue(0);
    QCOMPARE(w.Chart2D1->axisX()->range(), QCPRange(0, 360));
    QTest::mouseClick(w.cmdZoomOut, Qt::LeftButton);
    QCOMPARE(w.navigator().ZoomWidth, 720.0f);
    QTest::mouseClick(w.cmdZoomOut, Qt::LeftButton); // 1440 s is more than the buffer
    QCOMPARE(w.navigator().ZoomWidth, 720.0f);
    QTest::mouseClick(w.cmdZoomAll, Qt::LeftButton);
    QCOMPARE(w.Chart2D1->axisX()->range(), QCPRange(0, 1200));
    QVERIFY(p.boxes().isEmpty());
}

void tst_chartwindow::traceOptionsReplaceTheirTrace() {
    AppState s;
    fillTestLog(s);
    s.log.FuelType = QStringLiteral("Lambda");
    s.log.StoichRatio = 1.0f;
    s.updateAFRFormat();
    s.log.AnalogLegend = QStringLiteral("TPS(%)");
    s.log.MinScaledValue = 0.0f;
    s.log.MaxScaledValue = 100.0f;
    ScriptedPrompter p;
    frmChart1 w(s, p);
    QTest::mouseClick(w.optTrace1AFR2, Qt::LeftButton);
    QVERIFY(w.optTrace1AFR2->isChecked());
    QCOMPARE(w.Chart2D1->axisY()->label(), QStringLiteral("Sensor 2 Lambda AFR"));
    QCOMPARE(w.Chart2D1->axisY()->range(), QCPRange(0.6, 1.4));
    QCOMPARE(w.Trace1Format(), QStringLiteral("#0.000"));
    QCOMPARE(w.Trace1Data()[0], float(13.5 / 14.69));
    QTest::mouseClick(w.optTrace2Analog, Qt::LeftButton);
    QCOMPARE(w.Chart2D1->axisY2()->label(), QStringLiteral("TPS(%)"));
    QCOMPARE(w.Chart2D1->axisY2()->range(), QCPRange(0, 100));
    QCOMPARE(w.Trace2Format(), QStringLiteral("####0.00"));
    QCOMPARE(w.Chart2D1->group(2)->data()->at(7)->value, 50.0);
    // Trace 1 was left alone.
    QCOMPARE(w.Chart2D1->axisY()->label(), QStringLiteral("Sensor 2 Lambda AFR"));
}

void tst_chartwindow::missingTemplate_data() {
    QTest::addColumn<QString>("templateSource");
    QTest::newRow("absent") << QString();
    QTest::newRow("unreadable") << fixture("wrong_signature.oc2");
}

void tst_chartwindow::missingTemplate() {
    QFETCH(QString, templateSource);
    if (!templateSource.isEmpty())
        QVERIFY(
            QFile::copy(templateSource, m_dir->filePath(QStringLiteral("QERO4D_Log_Chart.oc2"))));
    DataFiles::setSearchFolders({m_dir->path()});
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    QCOMPARE(p.boxes().size(), 1);
    const ScriptedPrompter::Box box = p.boxes().first();
    QCOMPARE(box.text, QStringLiteral("Chart template file QERO4D_Log_Chart.oc2 not found."));
    QCOMPARE(box.title, QStringLiteral("Form Load"));
    QCOMPARE(box.icon, Prompter::Icon::Exclamation);
    QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Ok));
    // The header labels are there, the chart is empty and stays empty.
    QCOMPARE(w.lblLogIntervalData->text(), QStringLiteral("0.10"));
    QCOMPARE(w.lblMarkerTime->text(), QString());
    QCOMPARE(w.Chart2D1->group(1)->data()->size(), 0);
    QTest::mouseClick(w.optTrace1AFR1, Qt::LeftButton);
    QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    clickAt(w, 10.0);
    QCOMPARE(w.Chart2D1->group(1)->data()->size(), 0);
    QCOMPARE(w.lblMarkerTime->text(), QString());
    QCOMPARE(p.boxes().size(), 1);
}

void tst_chartwindow::printsHeaderAndBothTraces() {
    AppState s;
    fillTestLog(s);
    s.log.Comment = QStringLiteral("old comment");
    ScriptedPrompter p;
    p.answerInput(QStringLiteral("Dyno run 3, 4th gear"));
    frmChart1 w(s, p);
    const QString pdf = m_dir->filePath(QStringLiteral("chart.pdf"));
    PdfPrinter printer(pdf);
    w.setPrinterProvider(&printer);
    QTest::mouseClick(w.cmdPrint, Qt::LeftButton);

    QCOMPARE(p.boxes().size(), 1);
    const ScriptedPrompter::Box box = p.boxes().first();
    QCOMPARE(box.kind, ScriptedPrompter::Box::Input);
    QCOMPARE(box.text, QStringLiteral("Enter or edit comment. Cancel will erase any comment."));
    QCOMPARE(box.title, QStringLiteral("Optional Information Entry/Edit"));
    QCOMPARE(box.defaultText, QStringLiteral("old comment"));
    QCOMPARE(s.log.Comment, QStringLiteral("Dyno run 3, 4th gear"));

    const PdfText::Page page = PdfText::read(pdf);
    QVERIFY2(
        page.text.contains(QStringLiteral("Brenwick QERO Data Printed: 12/10/2026 9:41:07 AM\n")),
        qPrintable(page.text));
    QVERIFY(page.text.contains(QStringLiteral("Comment: Dyno run 3, 4th gear\n")));
    QVERIFY(page.text.contains(QStringLiteral("Elapsed Time (sec)")));
    QVERIFY(page.text.contains(QStringLiteral("Sensor 1 Gasoline AFR")));
    // Both traces as long vector paths in their template colours, no raster.
    QCOMPARE(page.images, 0);
    QVERIFY2(PdfText::longestStroke(page, QColor(QStringLiteral("#c62828"))) > 500,
             "trace 1 missing");
    QVERIFY2(PdfText::longestStroke(page, QColor(QStringLiteral("#1565c0"))) > 500,
             "trace 2 missing");
}

void tst_chartwindow::printCancelErasesComment() {
    AppState s;
    fillTestLog(s);
    s.log.Comment = QStringLiteral("to be erased");
    ScriptedPrompter p;
    p.answerInput(std::nullopt);
    frmChart1 w(s, p);
    const QString pdf = m_dir->filePath(QStringLiteral("chart.pdf"));
    PdfPrinter printer(pdf);
    w.setPrinterProvider(&printer);
    w.cmdPrint_Click();
    QCOMPARE(s.log.Comment, QString());
    const PdfText::Page page = PdfText::read(pdf);
    QVERIFY2(page.text.contains(QStringLiteral("Brenwick QERO Data Printed: ")),
             qPrintable(QString::number(QFileInfo(pdf).size())));
    QVERIFY(!page.text.contains(QStringLiteral("Comment:")));
}

void tst_chartwindow::printerThatFailsIsReported() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    p.answerInput(QStringLiteral("x"));
    p.answerButton(Prompter::Abort);
    frmChart1 w(s, p);
    // A PDF that cannot be created stands for a printer that will not start.
    const QString pdf = m_dir->filePath(QStringLiteral("no/such/folder/chart.pdf"));
    PdfPrinter printer(pdf);
    w.setPrinterProvider(&printer);
    w.cmdPrint_Click();
    QCOMPARE(p.boxes().size(), 2);
    QCOMPARE(p.boxes().at(1).title, QStringLiteral("Error"));
    QCOMPARE(p.boxes().at(1).icon, Prompter::Icon::Critical);
}

void tst_chartwindow::viewChartRefusesEmptyBuffer() {
    AppState s;
    IniSettingsStore settings(m_dir->filePath(QStringLiteral("settings.ini")));
    ScriptedPrompter p;
    VirtualClock clock;
    ModuleSession module(s, clock, p, std::make_unique<QSerialPortLink>());
    frmMain main(s, settings, p, clock, module);
    QVERIFY(main.mnuViewChart->isEnabled());
    s.window.RealTimeActive = true;
    main.mnuViewChart->trigger();
    QVERIFY(!s.window.RealTimeActive);
    QCOMPARE(p.messages().size(), 1);
    const ScriptedPrompter::Box box = p.messages().first();
    QCOMPARE(box.text, QStringLiteral("Data buffer empty."));
    QCOMPARE(box.title, QStringLiteral("View Chart"));
    QCOMPARE(box.icon, Prompter::Icon::Exclamation);
    QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Ok));
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_chartwindow::viewChartOpensModally() {
    AppState s;
    IniSettingsStore settings(m_dir->filePath(QStringLiteral("settings.ini")));
    ScriptedPrompter p;
    VirtualClock clock;
    ModuleSession module(s, clock, p, std::make_unique<QSerialPortLink>());
    frmMain main(s, settings, p, clock, module);
    fillTestLog(s);
    QString seen;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        if (auto* chart = qobject_cast<frmChart1*>(QApplication::activeModalWidget())) {
            seen = chart->lblLogIntervalData->text();
            wasModal = chart->isModal();
            QTest::mouseClick(chart->cmdExit, Qt::LeftButton);
        }
    });
    main.mnuViewChart_Click();
    QCOMPARE(seen, QStringLiteral("0.10"));
    QVERIFY(wasModal);
    // The main window's own start-up check may speak meanwhile; the chart said nothing.
    for (const ScriptedPrompter::Box& box : p.messages())
        QVERIFY2(box.title != QLatin1String("View Chart") &&
                     box.title != QLatin1String("Form Load"),
                 qPrintable(box.text));
}

void tst_chartwindow::wheelZoomsAroundPointer() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ChartPlot* plot = w.Chart2D1;
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const QPointF at(plot->pixelAtTime(300.0), plot->axisRect()->rect().center().y());
    const double before = plot->timeAtPixel(at.x());
    QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    // Two notches in: 0.64 of the width, the time under the pointer still under it.
    QVERIFY(qAbs(plot->axisX()->range().size() - 1200.0 * 0.64) < 0.01);
    QVERIFY(qAbs(plot->timeAtPixel(at.x()) - before) < 0.01);
    QCOMPARE(w.scrChart2D1->value(), w.navigator().scroll.value);
    QCOMPARE(w.scrChart2D1->pageStep(), 768);
    // The buttons go on from the wheel's width.
    QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton);
    QCOMPARE(w.navigator().ZoomWidth, 384.0f);
}

void tst_chartwindow::dragPansAndDoesNotPlaceMarker() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < 2; ++i)
        QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton); // 180 s: [510, 690]
    ChartPlot* plot = w.Chart2D1;
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const int y = plot->axisRect()->rect().center().y();
    const QPoint from(qRound(plot->pixelAtTime(600.0)), y);
    const QPoint to(qRound(plot->pixelAtTime(630.0)), y);
    QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), plot->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, to);
    // The content followed the pointer: 30 s earlier in view, the marker where it was.
    QVERIFY(qAbs(plot->axisX()->range().lower - 480.0) < 0.5);
    QVERIFY(qAbs(plot->axisX()->range().size() - 180.0) < 1e-3);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("Sec "));
    QCOMPARE(plot->markerTime(), 600.0);
    // A click without movement still places the marker.
    clickAt(w, 500.0);
    QVERIFY(w.lblMarkerTime->text().startsWith(QStringLiteral("500.")));
    QVERIFY(qAbs(plot->markerTime() - 500.0) < 0.5);
}

void tst_chartwindow::keysMoveMarkerBySample() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton);
    w.scrChart2D1->setValue(20); // [0, 45]
    clickAt(w, 42.0);
    ChartPlot* plot = w.Chart2D1;
    QTest::keyClick(plot, Qt::Key_Right);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("42.1 Sec "));
    QCOMPARE(w.lblMarkerTrace1->text(), QStringLiteral("5200"));
    QTest::keyClick(plot, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("43.1 Sec "));
    QCOMPARE(plot->markerTime(), double(43.1f));
    QTest::keyClick(plot, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(plot, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(plot, Qt::Key_Left, Qt::ShiftModifier);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(plot, Qt::Key_Right);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("42.5 Sec "));
    QCOMPARE(w.lblDiagCode->text(), QStringLiteral("Sensor Cold"));
    // Past the window's end the window follows, keeping its width.
    QTest::keyClick(plot, Qt::Key_End);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("1200.0 Sec "));
    QCOMPARE(plot->axisX()->range(), QCPRange(1155, 1200));
    QTest::keyClick(plot, Qt::Key_Home);
    QCOMPARE(w.lblMarkerTime->text(), QStringLiteral("0.1 Sec "));
    QCOMPARE(plot->axisX()->range().lower, double(0.1f));
    // + and - are the zoom buttons, around the marker.
    QTest::keyClick(plot, Qt::Key_Minus);
    QCOMPARE(w.navigator().ZoomWidth, 90.0f);
    QTest::keyClick(plot, Qt::Key_Plus);
    QCOMPARE(w.navigator().ZoomWidth, 45.0f);
}

void tst_chartwindow::readoutComesFromTrueSampleWhileReduced() {
    // Sensor 1 alternates between a reading and a cold-sensor code: at Zoom All the trace
    // is drawn reduced, but the readouts still read the nearest real sample.
    AppState s;
    fillTestLog(s);
    for (int i = 1; i < LogBuffer::kSamples; i += 2) {
        s.log.AFR1[i] = 10.0f;
        s.log.Sensor1Status[i] = 6.0f;
    }
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ChartPlot* plot = w.Chart2D1;
    for (double t : {123.4, 777.7}) {
        clickAt(w, t);
        const double clicked = plot->markerTime();
        const std::optional<int> i = ChartSampleFinder(s.log.ElapsedTime).nearest(clicked);
        QVERIFY(i);
        QCOMPARE(w.lblMarkerTrace2->text(),
                 Numbers::format(s.log.AFR1[*i], QStringLiteral("#0.0")));
        QCOMPARE(w.lblDiagCode->text(), *i % 2 ? QStringLiteral("Sensor Cold") : QString());
    }
}

void tst_chartwindow::oneSampleSpikeIsDrawn() {
    // 12000 samples over about 1000 pixels: one sample of RPM 9500 among values of 1000
    // to 1990 still reaches its height on the screen.
    AppState s;
    fillTestLog(s);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        s.log.RPM[i] = 1000.0f + float((i * 37) % 100) * 10.0f;
    const int spike = 7001;
    s.log.RPM[spike] = 9500.0f;
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ChartPlot* plot = w.Chart2D1;
    plot->replot(QCustomPlot::rpImmediateRefresh);
    QVERIFY(plot->axisRect()->rect().width() * 2 < LogBuffer::kSamples / 4);
    const QImage picture = plot->toPixmap().toImage();
    const QColor trace1 = plot->group(1)->pen().color();
    const int x = qRound(plot->pixelAtTime(s.log.ElapsedTime[spike]));
    const int top = qRound(plot->axisY()->coordToPixel(9400.0));
    const int below = qRound(plot->axisY()->coordToPixel(3000.0));
    const auto traceIn = [&](const QImage& image, int px, int py) {
        const QColor c = image.pixelColor(px, py);
        return qAbs(c.red() - trace1.red()) < 24 && qAbs(c.green() - trace1.green()) < 24 &&
               qAbs(c.blue() - trace1.blue()) < 24;
    };
    const auto traceAt = [&](int px, int py) { return traceIn(picture, px, py); };
    bool reachesTop = false;
    for (int dx = -1; dx <= 1; ++dx)
        reachesTop = reachesTop || traceAt(x + dx, top);
    QVERIFY(reachesTop);
    // Elsewhere the trace stays low.
    QVERIFY(!traceAt(x - 40, top));
    QVERIFY(!traceAt(x - 40, below));

    // The data changed in place after a draw (the spike moved): the next draw shows the
    // data as it is now, not as it was summarised for the last one.
    const int moved = 3001;
    auto data = plot->group(1)->data()->begin();
    data[spike].value = 1000.0;
    data[moved].value = 9500.0;
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const QImage after = plot->toPixmap().toImage();
    const int movedX = qRound(plot->pixelAtTime(s.log.ElapsedTime[moved]));
    bool movedReachesTop = false;
    bool oldStillThere = false;
    for (int dx = -1; dx <= 1; ++dx) {
        movedReachesTop = movedReachesTop || traceIn(after, movedX + dx, top);
        oldStillThere = oldStillThere || traceIn(after, x + dx, top);
    }
    QVERIFY(movedReachesTop);
    QVERIFY(!oldStillThere);
}

void tst_chartwindow::thirdTraceAndTargetLine() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    ChartPlot* plot = w.Chart2D1;
    // Opens with two traces and no target line.
    QVERIFY(w.optTrace3None->isChecked());
    QVERIFY(!plot->group(3)->visible());
    QVERIFY(!w.chkTargetLine->isChecked());
    QVERIFY(!plot->targetLineVisible());
    // Trace 1 RPM, trace 2 sensor 1 AFR: the analog input shares no axis.
    QVERIFY(w.optTrace3AFR2->isEnabled());
    QVERIFY(w.optTrace3RPM->isEnabled());
    QVERIFY(!w.optTrace3Analog->isEnabled());

    w.optTrace3AFR2->click();
    QVERIFY(plot->group(3)->visible());
    QCOMPARE(plot->group(3)->valueAxis(), plot->axisY2());
    QCOMPARE(plot->group(3)->data()->size(), LogBuffer::kSamples);
    QCOMPARE(plot->group(3)->data()->at(5)->value, 13.5);

    w.chkTargetLine->click();
    QVERIFY(plot->targetLineVisible());
    // The stoichiometric ratio, in the fuel's decimals.
    QCOMPARE(w.spnTarget->value(), 14.7);
    QCOMPARE(plot->targetLineValue(), 14.7);
    w.spnTarget->setValue(13.2);
    QCOMPARE(plot->targetLineValue(), 13.2);

    // Sensor 1 moves to trace 1: the AFR axis is now the left one, and both follow it.
    w.optTrace1AFR1->click();
    w.optTrace2RPM->click();
    QCOMPARE(plot->group(3)->valueAxis(), plot->axisY());
    QVERIFY(plot->targetLineVisible());
    // No AFR trace left: the third trace goes, the target line with it.
    w.optTrace1Analog->click();
    QVERIFY(w.optTrace3None->isChecked());
    QVERIFY(!plot->group(3)->visible());
    QVERIFY(!w.optTrace3AFR2->isEnabled());
    QVERIFY(!w.chkTargetLine->isEnabled());
    QVERIFY(!plot->targetLineVisible());
}

void tst_chartwindow::exportDataWritesVisibleSamples() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(w.cmdZoomIn, Qt::LeftButton);
    w.scrChart2D1->setValue(100); // [77.5, 122.5]
    const QString path = m_dir->filePath(QStringLiteral("stretch.csv"));
    // Cancelled: nothing written.
    p.answerFile(QString());
    QTest::mouseClick(w.cmdExportData, Qt::LeftButton);
    QVERIFY(!QFile::exists(path));
    p.answerFile(m_dir->filePath(QStringLiteral("stretch"))); // the extension is added
    QTest::mouseClick(w.cmdExportData, Qt::LeftButton);
    QCOMPARE(p.boxes().last().title, QStringLiteral("Export Data"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.first() + '\n', LogCsv::header());
    // Samples 775 (77.5 s) to 1225 (122.5 s), as the CLI's CSV writes them.
    QCOMPARE(lines.size(), 1 + 451 + 1);
    QByteArray row;
    LogCsv::appendRow(row, s.log, 774);
    QCOMPARE(lines[1] + '\n', row);
    QVERIFY(lines[1].startsWith("775,77.5,"));
    QVERIFY(lines[451].startsWith("1225,122.5,"));
    QVERIFY(p.messages().isEmpty());
}

void tst_chartwindow::fileDialogsStartInTheFolderUsedLast() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    IniSettingsStore settings(m_dir->filePath(QStringLiteral("folders.ini")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("logs")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("pictures")));
    settings.setValue(QStringLiteral("LastFolder"), m_dir->filePath(QStringLiteral("logs")));
    frmChart1 w(s, p);
    w.rememberChoices(settings);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    p.answerFile(m_dir->filePath(QStringLiteral("pictures/chart.png")));
    QTest::mouseClick(w.cmdSavePicture, Qt::LeftButton);
    QCOMPARE(p.boxes().last().folder, m_dir->filePath(QStringLiteral("logs")));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("pictures/chart.png"))));
    // The next dialog starts where the picture went.
    p.answerFile(QString());
    QTest::mouseClick(w.cmdExportData, Qt::LeftButton);
    QCOMPARE(p.boxes().last().title, QStringLiteral("Export Data"));
    QCOMPARE(p.boxes().last().folder, m_dir->filePath(QStringLiteral("pictures")));
    QCOMPARE(settings.value(QStringLiteral("LastFolder")),
             m_dir->filePath(QStringLiteral("pictures")));
}

void tst_chartwindow::savePictureWritesWhatIsShown_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("PNG") << QStringLiteral("chart.png") << QByteArray("\x89PNG");
    QTest::newRow("PDF") << QStringLiteral("chart.PDF") << QByteArray("%PDF");
    QTest::newRow("no extension: PNG") << QStringLiteral("chart") << QByteArray("\x89PNG");
}

void tst_chartwindow::savePictureWritesWhatIsShown() {
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    frmChart1 w(s, p);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    p.answerFile(m_dir->filePath(name));
    QTest::mouseClick(w.cmdSavePicture, Qt::LeftButton);
    QVERIFY(p.messages().isEmpty());
    const QString written =
        m_dir->filePath(QFileInfo(name).suffix().isEmpty() ? name + QStringLiteral(".png") : name);
    QFile f(written);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith(magic));
    if (magic.startsWith("\x89")) {
        const QImage image = QImage::fromData(bytes, "PNG");
        QCOMPARE(image.size(), w.Chart2D1->size());
    } else {
        const PdfText::Page page = PdfText::read(written);
        QVERIFY2(page.text.contains(QStringLiteral("Elapsed Time (sec)")), qPrintable(page.text));
        QCOMPARE(page.images, 0);
        QVERIFY(PdfText::longestStroke(page, QColor(QStringLiteral("#c62828"))) > 500);
    }
    // Another extension is refused with a message, and nothing is written.
    p.answerFile(m_dir->filePath(QStringLiteral("chart.bmp")));
    QTest::mouseClick(w.cmdSavePicture, Qt::LeftButton);
    QCOMPARE(p.messageTexts(),
             QStringList{QStringLiteral("A picture is saved as a .png or a .pdf file.")});
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("chart.bmp"))));
}

void tst_chartwindow::choicesRememberedBetweenRuns() {
    AppState s;
    fillTestLog(s);
    ScriptedPrompter p;
    const QString file = m_dir->filePath(QStringLiteral("remembered.ini"));
    {
        IniSettingsStore settings(file);
        frmChart1 w(s, p);
        w.rememberChoices(settings);
        // A first run opens with the usual traces.
        QVERIFY(w.optTrace1RPM->isChecked() && w.optTrace2AFR1->isChecked());
        QVERIFY(w.optTrace3None->isChecked() && !w.chkTargetLine->isChecked());
        w.show();
        w.optTrace1Analog->click();
        w.optTrace2AFR2->click();
        w.optTrace3AFR1->click();
        w.spnTarget->setValue(13.2);
        w.chkTargetLine->click();
        w.close();
    }
    // A restart: a fresh store on the same file, a fresh window.
    IniSettingsStore settings(file);
    frmChart1 w(s, p);
    w.rememberChoices(settings);
    QVERIFY(w.optTrace1Analog->isChecked());
    QVERIFY(w.optTrace2AFR2->isChecked());
    QVERIFY(w.optTrace3AFR1->isChecked());
    QCOMPARE(w.Trace1Data(), ChartTrace::load(TraceQuantity::Analog, s.log, s.settings).values);
    QCOMPARE(w.Trace2Data(), s.log.AFR2);
    QCOMPARE(w.Chart2D1->group(3)->data()->size(), LogBuffer::kSamples);
    QVERIFY(w.chkTargetLine->isChecked());
    QCOMPARE(w.spnTarget->value(), 13.2);
    QVERIFY(p.boxes().isEmpty());

    // The target belongs to its fuel: on the lambda scale the chart starts from 1.0.
    s.log.StoichRatio = 1.0f;
    s.updateAFRFormat();
    frmChart1 lambda(s, p);
    lambda.rememberChoices(settings);
    QVERIFY(lambda.chkTargetLine->isChecked());
    QCOMPARE(lambda.spnTarget->value(), 1.0);
}

QTEST_MAIN(tst_chartwindow)
#include "tst_chartwindow.moc"
