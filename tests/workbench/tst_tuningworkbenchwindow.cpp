// SPDX-License-Identifier: GPL-3.0-or-later
#include "../afrtable/TestLogFile.h"
#include "chart/QCustomPlotHeader.h"
#include "cli/TuneCommand.h"
#include "logdata/LogBuffer.h"
#include "support/ScriptedPrompter.h"
#include "workbench/frmCsvColumns.h"
#include "workbench/frmTuningWorkbench.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "tuning/TuningResultCsv.h"

namespace {

// 20 samples at 2000 rpm and 40 % throttle running lean at 14.5, then 10 at 4000 rpm and
// 80 % rich at 12.0; the throttle step between them drops the two samples around it.
void fillDrive(TestLogFile& log) {
    log.maxValue = QStringLiteral("100");
    log.fill(0, 20, 2000, 2.0f, 14.5f);
    log.fill(20, 10, 4000, 4.0f, 12.0f);
}

// The same drive as the log in memory.
void fillDrive(LogBuffer& log) {
    log.ClearDataBuffer();
    log.MaxScaledValue = 100.0f;
    log.AnalogLegend = QStringLiteral("TPS");
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        log.ElapsedTime[i] = 0.1f * float(i + 1);
    for (int i = 0; i < 30; ++i) {
        const bool first = i < 20;
        log.RPM[i] = first ? 2000.0f : 4000.0f;
        log.AnalogInVolts[i] = first ? 2.0f : 4.0f;
        log.AFR1[i] = log.AFR2[i] = first ? 14.5f : 12.0f;
    }
    log.DataBufferEmpty = false;
}

const QString kBase = QStringLiteral("RPM\t40\t80\r\n"
                                     "2000\t50.0\t60.0\r\n"
                                     "4000\t70.0\t80.0\r\n");

void pasteKeys(QWidget* w) {
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
}

QString tableText(const frmTuningWorkbench& w, int row, int column) {
    return w.tblGrid->model()->index(row, column).data().toString();
}

} // namespace

class tst_tuningworkbenchwindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void pasteBaseMapAndAxes();
    void settingChangeRecomputes();
    void builtInTargetAndClampedCellsShown();
    void severalFilesAddedAtOnceAndListedByName();
    void listOfLogsAndChartsKeepTheirRoom();
    void copiedCorrectedMapEqualsTheCommandLine_data();
    void copiedCorrectedMapEqualsTheCommandLine();
    void badPasteIsRefusedAndKeepsTheTable_data();
    void badPasteIsRefusedAndKeepsTheTable();
    void cellSelectionHighlightsItsSamples();
    void inputsShowCountsAndDrops();
    void csvColumnsChosenOverAPreview();
    void setupSavedLoadedAndTablesExported();
    void joinedLogsAndChannelFilters();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_logPath;
    ScriptedPrompter m_prompter;
    LogBuffer m_empty;
};

void tst_tuningworkbenchwindow::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    TestLogFile log;
    fillDrive(log);
    m_logPath = m_dir->filePath(QStringLiteral("drive.log"));
    QVERIFY(log.write(m_logPath));
    m_prompter.clear();
    m_empty = LogBuffer();
}

void tst_tuningworkbenchwindow::pasteBaseMapAndAxes() {
    frmTuningWorkbench w(m_empty, m_prompter);
    w.spnTarget->setValue(13.2); // one target for every cell, for the arithmetic below
    w.addFile(m_logPath);
    w.show();
    // The AFR table's axes to start with.
    QCOMPARE(w.tblGrid->model()->rowCount(), int(TuningSettings::defaultRpmAxis().size()));

    // A map with its axes, pasted on the Base table: the axes come with it.
    w.tabTables->setCurrentIndex(int(WorkbenchTable::Base));
    QApplication::clipboard()->setText(kBase);
    pasteKeys(w.tblGrid);
    QVERIFY2(m_prompter.messages().isEmpty(), qPrintable(m_prompter.messageTexts().join('\n')));
    QCOMPARE(w.tblGrid->model()->rowCount(), 2);
    QCOMPARE(w.tblGrid->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("4000"));
    QCOMPARE(w.tblGrid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("80"));
    QCOMPARE(tableText(w, 1, 0), QStringLiteral("70.0"));
    QCOMPARE(w.txtRpmAxis->text(), QStringLiteral("2000, 4000"));
    w.showTable(WorkbenchTable::Corrected);
    QCOMPARE(tableText(w, 0, 0), QStringLiteral("54.9"));
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("72.7"));

    // Axes typed as a row: the base map of another size stands in the way, and stays.
    w.txtLoadAxis->setText(QStringLiteral("20 40 80"));
    Q_EMIT w.txtLoadAxis->editingFinished();
    QCOMPARE(m_prompter.messages().size(), 1);
    QVERIFY(m_prompter.messages()[0].text.contains(QLatin1String("Clear the base map first")));
    QCOMPARE(w.txtLoadAxis->text(), QStringLiteral("40, 80"));
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("72.7"));

    // Without a base map the typed axes are taken; a bare grid then fits them.
    w.cmdClearBase->click();
    w.txtLoadAxis->setText(QStringLiteral("20;40;80"));
    Q_EMIT w.txtLoadAxis->editingFinished();
    QCOMPARE(w.tblGrid->model()->columnCount(), 3);
    w.showTable(WorkbenchTable::Base);
    QApplication::clipboard()->setText(QStringLiteral("1\t2\t3\n4,5\t5\t6\n"));
    pasteKeys(w.tblGrid);
    QCOMPARE(m_prompter.messages().size(), 1);
    QCOMPARE(tableText(w, 1, 0), QStringLiteral("4.5"));
    QCOMPARE(w.session().settings().loadAxis, (std::vector<double>{20, 40, 80}));
}

void tst_tuningworkbenchwindow::settingChangeRecomputes() {
    frmTuningWorkbench w(m_empty, m_prompter);
    w.spnTarget->setValue(13.2);
    w.addFile(m_logPath);
    w.txtRpmAxis->setText(QStringLiteral("2000,4000"));
    w.txtLoadAxis->setText(QStringLiteral("40,80"));
    Q_EMIT w.txtLoadAxis->editingFinished();
    w.showTable(WorkbenchTable::Correction);
    QCOMPARE(tableText(w, 0, 0), QStringLiteral("9.8"));
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("-9.1"));

    // The rich cell has 9 samples: a minimum weight of 10 empties it at once.
    w.spnMinWeight->setValue(10);
    QCOMPARE(tableText(w, 1, 1), QString());
    QCOMPARE(tableText(w, 0, 0), QStringLiteral("9.8"));
    // A target of 14.5 puts the lean cell on target.
    w.spnTarget->setValue(14.5);
    QCOMPARE(tableText(w, 0, 0), QStringLiteral("0.0"));
    // Switching the load-rate filter off keeps the two samples of the throttle step.
    QCOMPARE(w.session().result().counts.kept, 28);
    w.chkFilterLoadRate->setChecked(false);
    QCOMPARE(w.session().result().counts.kept, 30);
    QCOMPARE(w.tblInputs->item(0, 2)->text(), QStringLiteral("30"));
    QVERIFY(m_prompter.messages().isEmpty());
}

void tst_tuningworkbenchwindow::builtInTargetAndClampedCellsShown() {
    frmTuningWorkbench w(m_empty, m_prompter);
    w.addFile(m_logPath);
    w.show();
    // Without a target of the user's, the built-in table: the box says so.
    QCOMPARE(w.spnTarget->text(), frmTuningWorkbench::kBuiltInTarget);
    QVERIFY(!w.session().settings().target);
    w.tabTables->setCurrentIndex(int(WorkbenchTable::Base));
    QApplication::clipboard()->setText(kBase);
    pasteKeys(w.tblGrid);
    QVERIFY2(m_prompter.messages().isEmpty(), qPrintable(m_prompter.messageTexts().join('\n')));
    // On the load axis 40 to 80: stoichiometric at 40, 12.8 (lambda 0.87) at 80.
    w.showTable(WorkbenchTable::Target);
    QCOMPARE(tableText(w, 0, 0), QStringLiteral("14.7"));
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("12.8"));
    // The table that says how much to change the fuel by is named so.
    QCOMPARE(w.tabTables->tabText(int(WorkbenchTable::Correction)),
             QStringLiteral("Change fuel by %"));

    // 14.5 against 14.7: −1.4 %, well within the limit; 12.0 against 12.8: −6.25 %, held at
    // a limit of 5 %.
    w.spnMaxChange->setValue(5);
    const auto font = [&](int r, int c) {
        return w.tblGrid->model()->index(r, c).data(Qt::FontRole).value<QFont>();
    };
    const auto tip = [&](int r, int c) {
        return w.tblGrid->model()->index(r, c).data(Qt::ToolTipRole).toString();
    };
    for (WorkbenchTable table : {WorkbenchTable::Corrected, WorkbenchTable::Correction}) {
        w.showTable(table);
        QVERIFY(font(1, 1).bold() && font(1, 1).underline());
        QVERIFY(!font(0, 0).bold());
        QVERIFY2(tip(1, 1).contains(QLatin1String("Clamped: held at the 5.0 % limit")),
                 qPrintable(tip(1, 1)));
        QVERIFY(!tip(0, 0).contains(QLatin1String("Clamped")));
    }
    w.showTable(WorkbenchTable::Corrected);
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("76.0"));
    QVERIFY(tip(1, 1).contains(QLatin1String("Change fuel by -6.")));
    // A wider limit holds nothing.
    w.spnMaxChange->setValue(15);
    QVERIFY(!font(1, 1).bold());
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("75.0"));
    // The exported CSV marks the held cells too.
    w.spnMaxChange->setValue(5);
    const QString csv = TuningResultCsv::text(w.session().result());
    QVERIFY(csv.startsWith(QLatin1String(
        "rpm,load,weight,mean,spread,target,correction,base,corrected,bank_difference,clamped\n")));
    QVERIFY2(csv.contains(QRegularExpression(QStringLiteral("\n4000,80,[^\n]*,76,[^\n]*,1\n"))),
             qPrintable(csv));
    QVERIFY(csv.contains(QRegularExpression(QStringLiteral("\n2000,40,[^\n]*,0\n"))));
    // A target typed by the user replaces the table; 0 brings the table back.
    w.spnTarget->setValue(13.2);
    QCOMPARE(w.session().settings().target, std::optional<double>(13.2));
    w.spnTarget->setValue(0);
    QVERIFY(!w.session().settings().target);
    QCOMPARE(w.spnTarget->text(), frmTuningWorkbench::kBuiltInTarget);
}

void tst_tuningworkbenchwindow::severalFilesAddedAtOnceAndListedByName() {
    LogBuffer inMemory;
    fillDrive(inMemory);
    frmTuningWorkbench w(inMemory, m_prompter);
    // The log in memory goes by the name of its file once the main window gives it.
    QCOMPARE(w.tblInputs->item(0, 0)->text(), WorkbenchSession::kLogInMemory);
    w.logInMemoryName = [] { return QStringLiteral("saturday.log"); };
    w.rereadLogInMemory();
    QCOMPARE(w.tblInputs->rowCount(), 1);
    QCOMPARE(w.tblInputs->item(0, 0)->text(), QStringLiteral("saturday.log"));

    const QString second = m_dir->filePath(QStringLiteral("second.log"));
    QVERIFY(QFile::copy(m_logPath, second));
    m_prompter.answerFiles({m_logPath, second});
    w.cmdAddFiles_Click();
    QVERIFY2(m_prompter.messages().isEmpty(), qPrintable(m_prompter.messageTexts().join('\n')));
    QCOMPARE(w.tblInputs->rowCount(), 3);
    QCOMPARE(w.tblInputs->item(1, 0)->text(), QStringLiteral("drive.log"));
    QCOMPARE(w.tblInputs->item(2, 0)->text(), QStringLiteral("second.log"));
    // Cancelled: nothing added.
    m_prompter.answerFiles({});
    w.cmdAddFiles_Click();
    QCOMPARE(w.tblInputs->rowCount(), 3);

    // The first preset is named by what it holds: the AFR table's 30 rows by 9 columns.
    QCOMPARE(w.cboAxesPreset->itemText(1), QStringLiteral("AFR table (30 \u00d7 9)"));
    QCOMPARE(int(TuningSettings::defaultRpmAxis().size()), 30);
    QCOMPARE(int(TuningSettings::defaultLoadAxis().size()), 9);
}

void tst_tuningworkbenchwindow::listOfLogsAndChartsKeepTheirRoom() {
    frmTuningWorkbench w(m_empty, m_prompter);
    w.addFile(m_logPath);
    w.resize(1366, 690);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    // Eight logs in view at once.
    const int rows =
        w.tblInputs->viewport()->height() / w.tblInputs->verticalHeader()->defaultSectionSize();
    QVERIFY2(rows >= frmTuningWorkbench::kInputRowsShown, qPrintable(QString::number(rows)));
    // The time chart's legend lies beside the drive, not over it.
    w.plotTime->replot();
    const QRect legend = w.plotTime->legend->outerRect();
    const QRect drive = w.plotTime->axisRect()->rect();
    QVERIFY(legend.isValid() && drive.isValid());
    QVERIFY2(!legend.intersects(drive), qPrintable(QStringLiteral("legend %1,%2 %3x%4")
                                                       .arg(legend.x())
                                                       .arg(legend.y())
                                                       .arg(legend.width())
                                                       .arg(legend.height())));
    QVERIFY(drive.height() > 60);
}

void tst_tuningworkbenchwindow::copiedCorrectedMapEqualsTheCommandLine_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("withAxes");
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("map with axes, CRLF") << kBase << true << QStringList();
    QTest::newRow("bare map, decimal comma")
        << QStringLiteral("50,00;60,00\n70,00;80,00\n") << false
        << QStringList{"--rpm-axis", "2000,4000", "--load-axis", "40,80"};
    QTest::newRow("map with axes, nearest cell, delay")
        << kBase << true << QStringList{"--weighting", "nearest", "--delay-ms", "100"};
}

void tst_tuningworkbenchwindow::copiedCorrectedMapEqualsTheCommandLine() {
    QFETCH(QString, base);
    QFETCH(bool, withAxes);
    QFETCH(QStringList, extra);
    const QString basePath = m_dir->filePath(QStringLiteral("ve.txt"));
    {
        QFile f(basePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(base.toUtf8());
    }
    QString cliOut, cliErr;
    QTextStream out(&cliOut), err(&cliErr);
    QCOMPARE(runTuneCommand(QStringList{m_logPath, "--base", basePath} + extra, out, err), 0);
    out.flush();

    frmTuningWorkbench w(m_empty, m_prompter);
    w.addFile(m_logPath);
    if (extra.contains(QLatin1String("--rpm-axis"))) {
        w.txtRpmAxis->setText(QStringLiteral("2000,4000"));
        w.txtLoadAxis->setText(QStringLiteral("40,80"));
        Q_EMIT w.txtLoadAxis->editingFinished();
    }
    if (extra.contains(QLatin1String("nearest")))
        w.cboWeighting->setCurrentIndex(1);
    if (extra.contains(QLatin1String("--delay-ms")))
        w.spnDelay->setValue(100);
    w.showTable(WorkbenchTable::Base);
    QApplication::clipboard()->setText(base);
    pasteKeys(w.tblGrid);
    QVERIFY2(m_prompter.messages().isEmpty(), qPrintable(m_prompter.messageTexts().join('\n')));
    w.showTable(WorkbenchTable::Corrected);
    w.chkCopyAxes->setChecked(withAxes);
    QApplication::clipboard()->clear();
    QTest::keyClick(w.tblGrid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), cliOut);
}

void tst_tuningworkbenchwindow::badPasteIsRefusedAndKeepsTheTable_data() {
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("not numbers")
        << int(WorkbenchTable::Base) << QStringLiteral("Dear tuner,\nhere is the map")
        << "Expected a grid of numbers for the base map: 2 rows (engine speed) by 2 columns (load)";
    QTest::newRow("a grid of another size")
        << int(WorkbenchTable::Base) << QStringLiteral("1\t2\t3\n4\t5\t6\n7\t8\t9\n")
        << "the grid has 3 rows and 3 columns";
    QTest::newRow("axes out of order")
        << int(WorkbenchTable::Base) << QStringLiteral("\t80\t40\n2000\t1\t2\n4000\t3\t4\n")
        << "the load axis is not strictly ascending";
    QTest::newRow("target of 0") << int(WorkbenchTable::Target) << QStringLiteral("13\t13\n13\t0\n")
                                 << "Row 2, column 2 is not above 0.";
    QTest::newRow("on a computed table")
        << int(WorkbenchTable::Mean) << QStringLiteral("1\t2\n3\t4\n")
        << "Paste the engine computer's map on the Base table, or a target table on the Target "
           "table.";
}

void tst_tuningworkbenchwindow::badPasteIsRefusedAndKeepsTheTable() {
    QFETCH(int, table);
    QFETCH(QString, text);
    QFETCH(QString, message);
    frmTuningWorkbench w(m_empty, m_prompter);
    w.addFile(m_logPath);
    w.showTable(WorkbenchTable::Base);
    QApplication::clipboard()->setText(kBase);
    pasteKeys(w.tblGrid);
    w.showTable(WorkbenchTable::Target);
    QApplication::clipboard()->setText(QStringLiteral("13\t13\n13\t13\n"));
    pasteKeys(w.tblGrid);
    QVERIFY(m_prompter.messages().isEmpty());
    const QString baseBefore = w.session().copyText(WorkbenchTable::Base, true);
    const QString targetBefore = w.session().copyText(WorkbenchTable::Target, true);
    const QString correctedBefore = w.session().copyText(WorkbenchTable::Corrected, true);

    w.showTable(WorkbenchTable(table));
    QApplication::clipboard()->setText(text);
    pasteKeys(w.tblGrid);
    QCOMPARE(m_prompter.messages().size(), 1);
    const ScriptedPrompter::Box box = m_prompter.messages()[0];
    QVERIFY2(box.text.contains(message), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("Tuning Workbench"));
    QCOMPARE(box.icon, Prompter::Icon::Exclamation);
    QCOMPARE(w.session().copyText(WorkbenchTable::Base, true), baseBefore);
    QCOMPARE(w.session().copyText(WorkbenchTable::Target, true), targetBefore);
    QCOMPARE(w.session().copyText(WorkbenchTable::Corrected, true), correctedBefore);
    QCOMPARE(w.tblGrid->model()->rowCount(), 2);
}

void tst_tuningworkbenchwindow::cellSelectionHighlightsItsSamples() {
    LogBuffer memory;
    fillDrive(memory);
    frmTuningWorkbench w(memory, m_prompter);
    w.resize(1400, 900);
    w.show();
    w.txtRpmAxis->setText(QStringLiteral("2000,4000"));
    w.txtLoadAxis->setText(QStringLiteral("40,80"));
    Q_EMIT w.txtLoadAxis->editingFinished();
    const auto keys = [](QCPGraph* g) {
        QList<double> out;
        for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
            out << it->key;
        return out;
    };
    const auto values = [](QCPGraph* g) {
        QList<double> out;
        for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
            out << it->value;
        return out;
    };

    // The rich cell: samples 21..30, less the first one (the throttle step), at their time.
    w.selectCell(1, 1);
    QList<double> expected;
    for (int i = 21; i < 30; ++i)
        expected << double(0.1f * float(i + 1));
    QCOMPARE(keys(w.highlightGraph()), expected);
    QCOMPARE(values(w.highlightGraph()), QList<double>(9, 12.0));
    QCOMPARE(w.scatterSelectedGraph()->data()->size(), 9);

    // The lean cell: samples 1..19 (the 20th is at the step).
    w.selectCell(0, 0);
    QCOMPARE(w.highlightGraph()->data()->size(), 19);
    QCOMPARE(w.highlightGraph()->data()->constBegin()->key, double(0.1f));
    QCOMPARE(values(w.highlightGraph()).last(), 14.5);

    // An empty cell highlights nothing.
    w.selectCell(0, 1);
    QVERIFY(w.highlightGraph()->data()->isEmpty());
    QVERIFY(w.scatterSelectedGraph()->data()->isEmpty());

    // Clicking the chart selects the cell of the sample there; the scatter likewise.
    w.clickTimeChart(2.6);
    QCOMPARE(w.selectedCell(), QPoint(1, 1));
    w.clickScatter(2050, 14.4);
    QCOMPARE(w.selectedCell(), QPoint(0, 0));
    // A click on the drawn chart goes the same way.
    const double x = w.plotTime->xAxis->coordToPixel(2.8);
    const double y = w.plotTime->yAxis->coordToPixel(12.0);
    QTest::mouseClick(w.plotTime, Qt::LeftButton, Qt::NoModifier, QPoint(int(x), int(y)));
    QCOMPARE(w.selectedCell(), QPoint(1, 1));
    // Selection survives a recompute.
    w.spnMinWeight->setValue(3);
    QCOMPARE(w.selectedCell(), QPoint(1, 1));
    QCOMPARE(w.highlightGraph()->data()->size(), 9);
}

void tst_tuningworkbenchwindow::inputsShowCountsAndDrops() {
    LogBuffer memory;
    fillDrive(memory);
    const QByteArray before(reinterpret_cast<const char*>(&memory.AFR1), sizeof memory.AFR1);
    frmTuningWorkbench w(memory, m_prompter);
    w.addFile(m_logPath);
    QCOMPARE(w.tblInputs->rowCount(), 2);
    QCOMPARE(w.tblInputs->item(0, 0)->text(), QStringLiteral("Log in memory"));
    QCOMPARE(w.tblInputs->item(1, 0)->text(), QStringLiteral("drive.log"));
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(w.tblInputs->item(row, 1)->text(), QStringLiteral("30")); // samples
        QCOMPARE(w.tblInputs->item(row, 2)->text(), QStringLiteral("28")); // kept
        QCOMPARE(w.tblInputs->item(row, 5)->text(), QStringLiteral("2"));  // load moving
    }
    // A file that cannot be read is reported and changes nothing.
    w.addFile(m_dir->filePath(QStringLiteral("missing.log")));
    QCOMPARE(m_prompter.messages().size(), 1);
    QCOMPARE(w.tblInputs->rowCount(), 2);
    // A CSV file without the expected columns says which one it missed.
    const QString csv = m_dir->filePath(QStringLiteral("other.csv"));
    {
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("time,speed,load,afr1\n1,2,3,4\n");
    }
    QStringList previewHeader;
    w.chooseCsvColumns = [&](const QString&, const CsvSampleSource::Preview& preview) {
        previewHeader = preview.header;
        return std::optional(CsvSampleSource::Columns());
    };
    w.addFile(csv);
    QCOMPARE(previewHeader, (QStringList{"time", "speed", "load", "afr1"}));
    QCOMPARE(m_prompter.messages().size(), 2);
    QVERIFY2(m_prompter.messages()[1].text.contains(QLatin1String("no column \"rpm\"")),
             qPrintable(m_prompter.messages()[1].text));

    w.tblInputs->selectRow(0);
    w.cmdRemove_Click();
    QCOMPARE(w.tblInputs->rowCount(), 1);
    QCOMPARE(w.session().result().counts.samples, 30);
    w.rereadLogInMemory();
    QCOMPARE(w.tblInputs->rowCount(), 2);
    QCOMPARE(w.session().result().counts.samples, 60);
    // The log in memory was only read.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&memory.AFR1), sizeof memory.AFR1), before);
}

void tst_tuningworkbenchwindow::csvColumnsChosenOverAPreview() {
    QByteArray bytes = "\xEF\xBB\xBFZeit;Drehzahl;Last;Lambda;Bemerkung\n";
    for (int i = 0; i < 30; ++i)
        bytes += QByteArray::number(i) + ",5;3000;60;0,9;\"a;b\"\n";
    const QString path = m_dir->filePath(QStringLiteral("other.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    frmTuningWorkbench w(m_empty, m_prompter);
    int asked = 0;
    w.chooseCsvColumns =
        [&](const QString& file,
            const CsvSampleSource::Preview& preview) -> std::optional<CsvSampleSource::Columns> {
        ++asked;
        // The first rows only, fields split as the reader splits them.
        frmCsvColumns dialog(QFileInfo(file).fileName(), preview);
        [&] {
            QCOMPARE(file, path);
            QCOMPARE(dialog.tblPreview->rowCount(), frmCsvColumns::kPreviewRows);
            QCOMPARE(dialog.tblPreview->columnCount(), 5);
            QCOMPARE(dialog.tblPreview->item(0, 0)->text(), QStringLiteral("0,5"));
            QCOMPARE(dialog.tblPreview->item(0, 4)->text(), QStringLiteral("a;b"));
            QCOMPARE(dialog.cboTime->currentText(), QStringLiteral("Zeit"));
            QCOMPARE(dialog.cboRpm->currentText(), QStringLiteral("Drehzahl"));
            QCOMPARE(dialog.cboLoad->currentText(), QStringLiteral("Last"));
            QCOMPARE(dialog.cboSensor1->currentText(), QStringLiteral("Lambda"));
            QCOMPARE(dialog.cboSensor2->currentText(), QStringLiteral("(none)"));
            QVERIFY(dialog.chkLambda->isChecked());
            // One column for two values cannot be right.
            dialog.cboLoad->setCurrentText(QStringLiteral("Drehzahl"));
            QVERIFY(!dialog.buttons->button(QDialogButtonBox::Ok)->isEnabled());
            dialog.cboLoad->setCurrentText(QStringLiteral("Last"));
            QVERIFY(dialog.buttons->button(QDialogButtonBox::Ok)->isEnabled());
        }();
        return std::optional(dialog.columns());
    };
    w.addFile(path);
    QCOMPARE(asked, 1);
    QVERIFY2(m_prompter.messages().isEmpty(), qPrintable(m_prompter.messageTexts().join('\n')));
    QCOMPARE(w.session().result().counts.samples, 30);
    // 0.9 lambda on gasoline: 13.221.
    w.txtRpmAxis->setText(QStringLiteral("2000,3000"));
    w.txtLoadAxis->setText(QStringLiteral("40,60"));
    Q_EMIT w.txtLoadAxis->editingFinished();
    QCOMPARE(tableText(w, 1, 1), QStringLiteral("13.22"));

    // Cancelled: nothing added.
    w.chooseCsvColumns = [](const QString&, const CsvSampleSource::Preview&) {
        return std::optional<CsvSampleSource::Columns>();
    };
    w.addFile(path);
    QCOMPARE(w.tblInputs->rowCount(), 1);
    QVERIFY(m_prompter.messages().isEmpty());
}

void tst_tuningworkbenchwindow::setupSavedLoadedAndTablesExported() {
    frmTuningWorkbench w(m_empty, m_prompter);
    w.addFile(m_logPath);
    w.showTable(WorkbenchTable::Base);
    QApplication::clipboard()->setText(kBase);
    pasteKeys(w.tblGrid);
    w.cboWeighting->setCurrentIndex(1);
    w.spnMaxChange->setValue(5);
    w.chkFilterWarmUp->setChecked(false);
    w.optDelayCurve->setChecked(true);
    w.txtDelayCurve->setText(QStringLiteral("1000:100,5000:50"));
    Q_EMIT w.txtDelayCurve->editingFinished();
    QVERIFY(!w.session().settings().delay.isFixed());
    const QString corrected = w.session().copyText(WorkbenchTable::Corrected, true);

    // Export: the command line's CSV on the same settings.
    // Typed without an extension, as users do: the chosen type's is added.
    const QString csv = m_dir->filePath(QStringLiteral("tables.csv"));
    m_prompter.answerFile(m_dir->filePath(QStringLiteral("tables")));
    w.cmdExportCsv->click();
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("tables"))));
    const QString basePath = m_dir->filePath(QStringLiteral("ve.txt"));
    {
        QFile f(basePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kBase.toUtf8());
    }
    QString cliOut, cliErr;
    QTextStream out(&cliOut), err(&cliErr);
    QCOMPARE(runTuneCommand({m_logPath, "--base", basePath, "--weighting", "nearest",
                             "--max-change", "5", "--no-filter", "warmup", "--delay-curve",
                             "1000:100,5000:50", "--format", "csv"},
                            out, err),
             0);
    out.flush();
    {
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), cliOut);
    }

    const QString setup = m_dir->filePath(QStringLiteral("setup.txt"));
    m_prompter.answerFile(m_dir->filePath(QStringLiteral("setup")));
    w.cmdSaveSetup->click();
    QVERIFY(m_prompter.messages().isEmpty());
    QVERIFY(QFile::exists(setup));

    // A fresh window takes it all back.
    frmTuningWorkbench other(m_empty, m_prompter);
    other.addFile(m_logPath);
    m_prompter.answerFile(setup);
    other.cmdLoadSetup->click();
    QVERIFY2(m_prompter.messages().isEmpty(), qPrintable(m_prompter.messageTexts().join('\n')));
    // The open dialogs start with every file they can open.
    QVERIFY(m_prompter.boxes().last().text.startsWith(
        QLatin1String("All supported files (*.txt)|*.txt|")));
    m_prompter.answerFiles({});
    other.cmdAddFiles->click();
    QVERIFY(m_prompter.boxes().last().text.startsWith(
        QLatin1String("All supported files (*.log *.csv *.txt)|*.log;*.csv;*.txt|")));
    QCOMPARE(other.session().copyText(WorkbenchTable::Corrected, true), corrected);
    QCOMPARE(other.cboWeighting->currentIndex(), 1);
    QCOMPARE(other.spnMaxChange->value(), 5.0);
    QVERIFY(!other.chkFilterWarmUp->isChecked());
    QVERIFY(other.optDelayCurve->isChecked());
    QCOMPARE(other.session().settings().delay.points().size(), std::size_t(2));

    // A damaged setup is refused with its line and changes nothing.
    QFile f(setup);
    QVERIFY(f.open(QIODevice::Append));
    f.write("[settings]\nmin-weight=many\n");
    f.close();
    m_prompter.answerFile(setup);
    w.cmdLoadSetup->click();
    QCOMPARE(m_prompter.messages().size(), 1);
    QVERIFY2(m_prompter.messages()[0].text.contains(
                 QLatin1String("min-weight: \"many\" is not a number")),
             qPrintable(m_prompter.messages()[0].text));
    QCOMPARE(w.session().copyText(WorkbenchTable::Corrected, true), corrected);
}

// A wideband log without a load of its own joined with the engine computer's, then a
// filter typed on the engine's coolant: both said in the status line.
void tst_tuningworkbenchwindow::joinedLogsAndChannelFilters() {
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(m_dir->filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(bytes);
        return f.fileName();
    };
    const auto rpmAt = [](double t) {
        return 2500 + 1500 * std::sin(t / 3.0) + 700 * std::sin(t / 11.0 + 1) * std::sin(t);
    };
    QByteArray wide = "Time (s),RPM,Lambda\n";
    QByteArray engine = "Time (s),RPM,MAP (kPa),CLT (C)\n";
    for (int i = 0; i <= 1200; ++i)
        wide += QByteArray::number(i / 10.0) + ',' + QByteArray::number(rpmAt(i / 10.0), 'f', 0) +
                ",0.9\n";
    for (int i = 0; i <= 6000; ++i) {
        const double te = i / 50.0;
        engine += QByteArray::number(te + 12.5) + ',' + QByteArray::number(rpmAt(te), 'f', 0) +
                  ',' + QByteArray::number(30 + rpmAt(te) / 100, 'f', 1) + ',' +
                  QByteArray::number(te < 60 ? 60 : 85) + '\n';
    }
    frmTuningWorkbench w(m_empty, m_prompter);
    m_prompter.answerFile(write(QStringLiteral("wide.csv"), wide));
    m_prompter.answerFile(write(QStringLiteral("ecu.csv"), engine));
    w.cmdAddJoined->click();
    QCOMPARE(m_prompter.messages().size(), 0);
    QCOMPARE(w.tblInputs->rowCount(), 1);
    QCOMPARE(w.tblInputs->item(0, 0)->text(), QStringLiteral("wide.csv + ecu.csv"));
    QVERIFY2(w.lblStatus->text().contains(QLatin1String("Joined at offset")),
             qPrintable(w.lblStatus->text()));

    w.txtChannelFilters->setText(QStringLiteral("CLT > 70"));
    Q_EMIT w.txtChannelFilters->editingFinished();
    static const QRegularExpression dropped(QStringLiteral("(\\d+) left out where \"CLT > 70\" "
                                                           "did not hold"));
    const QRegularExpressionMatch m = dropped.match(w.lblStatus->text());
    QVERIFY2(m.hasMatch(), qPrintable(w.lblStatus->text()));
    QVERIFY(m.captured(1).toInt() > 0);

    // A filter on a channel no log has is refused and the box shows the one in use.
    w.txtChannelFilters->setText(QStringLiteral("EGT > 900"));
    Q_EMIT w.txtChannelFilters->editingFinished();
    QCOMPARE(m_prompter.messages().size(), 1);
    QVERIFY(m_prompter.messages().front().text.contains(QLatin1String("EGT")));
    QCOMPARE(w.txtChannelFilters->text(), QStringLiteral("CLT > 70"));
}

QTEST_MAIN(tst_tuningworkbenchwindow)
#include "tst_tuningworkbenchwindow.moc"
