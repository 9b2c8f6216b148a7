// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowBench.h"
#include "chart/PdfText.h"

#include "DriveLog.h"
#include "afrtable/frmAFRTable.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTrace.h"
#include "chart/LogViewPlot.h"
#include "chart/frmChart1.h"
#include "chart/frmLogViewer.h"
#include "device/PortSelectFrame.h"
#include "device/QEROParamsPanel.h"
#include "logdata/LogFileCommands.h"
#include "logdata/LogFileWriter.h"
#include "logdata/frmAnalogInScale.h"
#include "logdata/frmFuelType.h"
#include "realtime/BarGauge.h"
#include "realtime/RealTimeDataFrame.h"
#include "realtime/RealTimeDecoding.h"
#include "realtime/TachometerDial.h"
#include "support/Numbers.h"
#include "workbench/frmTuningWorkbench.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QtTest>

namespace {

using Box = ScriptedPrompter::Box;
using Icon = Prompter::Icon;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pages of a PDF written by Qt's PDF engine (one "/Type /Page" object per page).
int pdfPages(const QString& path) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    int pages = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(readAll(path))); it.hasNext(); it.next())
        ++pages;
    return pages;
}

// The value the module's record at `sample` (0 = oldest) decodes to, from its own memory.
struct RecordValues {
    float rpm;
    float volts;
};
RecordValues moduleRecord(const ModuleMemory& memory, int sample) {
    const int at =
        ModuleMemory::recordAddress(DriveLog::kOldestRingIndex + sample) % ModuleMemory::kSize;
    const int period = memory.bytes[at + 2] | (memory.bytes[at + 3] << 8);
    const double pulses = memory.bytes[1] == 0 ? 0.5 : memory.bytes[1];
    const float rpm = (period == 0 || period == 65535)
                          ? 0.0f
                          : float(Numbers::roundHalfEven(15000000.0 / (pulses * period)));
    return {rpm, float(Numbers::roundHalfEven(5.0 * memory.bytes[at + 4] / 255.0, 2))};
}

bool sameSamples(const LogBuffer& a, const LogBuffer& b) {
    return a.ElapsedTime == b.ElapsedTime && a.AFR1 == b.AFR1 && a.AFR2 == b.AFR2 &&
           a.RPM == b.RPM && a.AnalogInVolts == b.AnalogInVolts &&
           a.Sensor1Status == b.Sensor1Status && a.Sensor2Status == b.Sensor2Status;
}

// The download as File > Save writes it, with no comment given.
QByteArray savedBytes(MainWindowBench& b, const QString& name) {
    const QString path = b.path(name);
    b.prompter.answerFile(path);
    b.prompter.answerInput(QString());
    b.window->mnuSaveFile->trigger();
    return readAll(path);
}

// The newest kept download of the bench.
QString newestKept(const MainWindowBench& b) {
    return DownloadArchive(*b.settings).files(1).value(0);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The menu entries and whether each closes the real-time view before it does anything.
struct MenuRule {
    const char* name;
    const char* caption;
    bool closesRealTimeView;
};
const MenuRule kMenuRules[] = {
    {"mnuOpenFile", "&Open File", true},
    {"mnuSaveFile", "&Save File", true},
    // A submenu, counted as one entry: it is on once a file has been opened or saved, and
    // exercised when one of its files is chosen. Its entries are the files themselves.
    {"mnuRecentFiles", "&Recent Files", false},
    // The same for the kept downloads: on once a download has been kept.
    {"mnuRecentDownloads", "Recent &Downloads", false},
    {"mnuPrintSetup", "Print Set&up", false},
    {"mnuExit", "E&xit", false},
    {"mnuEditQEROParams", "&QERO Parameters", true},
    {"mnuMaxRPM", "Maximum &RPM", true},
    {"mnuAnalogInScale", "&Analog Input Scaling", true},
    {"mnuFuelType", "&Fuel Type", true},
    {"mnuEditComment", "&Comment", false},
    {"mnuViewRealTime", "View &Real Time Data", false},
    {"mnuViewChart", "View &Chart (Downloaded Data)", true},
    {"mnuViewAFRTable", "View &AFR Table (Downloaded Data)", true},
    {"mnuViewTuningWorkbench", "&Tuning Workbench", false},
    {"mnuViewLogViewer", "&Log Viewer (Downloaded Data)", false},
    {"mnuDownload", "&Download Data From QERO", true},
    {"mnuClearQEROBuffer", "&Clear QERO Data Buffer", true},
    {"mnuPortSetup", "&Port Setup", true},
    {"mnuVerifyDownload", "&Verify Download", false},
    {"mnuHelpContents", "&Contents", false},
    {"mnuAbout", "&About", false},
};

const QString kNoLink =
    QStringLiteral("Cannot establish RS-232 link. Check cable and module power.");

} // namespace

// The program end to end: the main window driven through its menus against the simulated
// module, as a user would work with it.
class tst_acceptance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadSaveOpenTableAndPrint();
    void moduleParameters_data();
    void moduleParameters();
    void parameterPanelLeftOpenWhileALogArrives();
    void fuelUpload_data();
    void fuelUpload();
    void realTimeView();
    void throttleLearnedFromModuleFillsTheTable();
    void commandsCloseRealTimeView_data();
    void commandsCloseRealTimeView();
    void portScan_data();
    void portScan();
    void refusals_data();
    void refusals();
    void startUpConnectionCheck_data();
    void startUpConnectionCheck();
    void fuelTravelsWithTheLog();
    void interruptedDownload_data();
    void interruptedDownload();
    void escapeEndsSaveKeepingOldFile();
    void openFileNotFound_data();
    void openFileNotFound();
    void escapeBeforeACommandDoesNotEndIt();
    void eraseThenDownload();
    void exitClosesThePort();
    void keyboardShortcuts_data();
    void keyboardShortcuts();
    void everyMenuEntryHasItsOwnMnemonic();
    void exitWithUnsavedDownload_data();
    void exitWithUnsavedDownload();
    void exitAsksOnlyForAnUnsavedLog_data();
    void exitAsksOnlyForAnUnsavedLog();
    void exitWithUnsavedWorkbenchSetup_data();
    void exitWithUnsavedWorkbenchSetup();
    void fileAddedToTableLeavesUnsavedDownload();
    void closingDuringDownloadEndsIt_data();
    void closingDuringDownloadEndsIt();
    void recentFilesMenu();
    void recentFileGoneIsReported();
    void droppedLogFileOpens_data();
    void droppedLogFileOpens();
    void unsavedDownloadOfferedBeforeItIsEmptied_data();
    void unsavedDownloadOfferedBeforeItIsEmptied();
    void unreadableFileLeavesTheDownload_data();
    void unreadableFileLeavesTheDownload();
    void everyDownloadIsKept();
    void ctrlSInTheChartSavesTheLog();
    void downloadTakesWhatTheReadmeSays();
    void keptDownloadsCanBeTurnedOff();
    void tuningWorkbenchBesideTheOtherWindows();
    void logViewerBesideTheLogInMemory();
    // Last: it checks what the tests above exercised.
    void verifiedDownloadOverNoisyLine();
    void everyMenuEntryEnabledAndExercised();
};

void tst_acceptance::downloadSaveOpenTableAndPrint() {
    MainWindowBench b;

    // A throttle sensor on the analog input, and the engine's speed range.
    b.modals.expect<frmAnalogInScale>([](frmAnalogInScale& w) {
        w.optTPS->click();
        MainWindowBench::leave(w.txtMaxValue, QStringLiteral("100"));
        w.cmdOK->click();
    });
    b.window->mnuAnalogInScale->trigger();
    QCOMPARE(b.setting(QStringLiteral("AnalogInputType")), QStringLiteral("TPS"));
    QCOMPARE(b.setting(QStringLiteral("MaxScaledValue")), QStringLiteral("100"));
    b.prompter.answerInput(QStringLiteral("8000"));
    b.window->mnuMaxRPM->trigger();
    QCOMPARE(b.setting(QStringLiteral("MaxRPMDisplay")), QStringLiteral("8000"));

    // Download: the chart comes up on the new log; it is printed from there.
    const QString chartPdf = b.path(QStringLiteral("chart.pdf"));
    int chartSamples = 0;
    QCPRange rpmAxis;
    QString chartCaption;
    b.modals.expect<frmChart1>([&](frmChart1& chart) {
        chartCaption = b.window->windowTitle();
        chartSamples = chart.Chart2D1->group(1)->data()->size();
        rpmAxis = chart.Chart2D1->axisY()->range();
        QCOMPARE(chart.Trace1Data(), b.state.log.RPM);
        b.prompter.answerInput(QStringLiteral("Dyno day, 3rd gear"));
        b.prompter.answerButton(Prompter::Yes); // no printer: a PDF file instead
        b.prompter.answerFile(chartPdf);
        chart.cmdPrint->click();
    });
    b.window->mnuDownload->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.modals.pending(), 0);
    QCOMPARE(b.boxesTitled(QStringLiteral("Download Data")).first().text,
             "Firmware ID: " + b.module.identification());
    QVERIFY(chartCaption.endsWith(QStringLiteral(" - Downloaded Data")));
    QCOMPARE(chartSamples, LogBuffer::kSamples);
    QCOMPARE(rpmAxis, QCPRange(0, 8000));
    QCOMPARE(b.module.blockReads(), 1024);
    // The log is the module's ring, oldest record first, across both halves.
    const LogBuffer& log = b.state.log;
    QCOMPARE(log.DataLogInterval, 0.096f);
    QCOMPARE(log.ElapsedTime[0], 0.1f);
    QCOMPARE(log.ElapsedTime[LogBuffer::kSamples - 1], 1152.0f);
    for (int sample : {0, 1678, 1679, 7678, 7679, 11999}) {
        const RecordValues expected = moduleRecord(b.module.memory(), sample);
        QCOMPARE(log.RPM[sample], expected.rpm);
        QCOMPARE(log.AnalogInVolts[sample], expected.volts);
    }
    QCOMPARE(log.AnalogLegend, QStringLiteral("TPS(%)"));
    QCOMPARE(log.Comment, QStringLiteral("Dyno day, 3rd gear"));
    QVERIFY(readAll(chartPdf).startsWith("%PDF-"));
    QCOMPARE(pdfPages(chartPdf), 1);
    const PdfText::Page chartPage = PdfText::read(chartPdf);
    QVERIFY2(chartPage.text.contains(QStringLiteral("Comment: Dyno day, 3rd gear")),
             qPrintable(chartPage.text));
    QVERIFY(chartPage.text.contains(QStringLiteral("Brenwick QERO Data Printed: ")));

    // File > Save, read back as text.
    const QString logPath = b.path(QStringLiteral("drive.log"));
    b.prompter.clear();
    b.prompter.answerFile(logPath);
    b.window->mnuSaveFile->trigger();
    QCOMPARE(b.prompter.messages().size(), 0); // the comment was given at the print
    QCOMPARE(b.window->windowTitle(),
             QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3 - drive.log"));
    const QByteArray saved = readAll(logPath);
    QVERIFY(saved.endsWith("\r\n"));
    QList<QByteArray> lines = saved.split('\n');
    lines.removeLast(); // after the last line break
    QCOMPARE(lines.size(), 8 + LogBuffer::kSamples + 4);
    for (const QByteArray& line : lines)
        QVERIFY(line.endsWith('\r'));
    QCOMPARE(lines[0], QByteArray("\"Data Logging Interval\",.096\r"));
    QCOMPARE(lines[1], QByteArray("\"Maximum RPM Display\",8000\r"));
    QCOMPARE(lines[5], QByteArray("\"Maximum Scaled Value\",100\r"));
    QCOMPARE(lines[6], QByteArray("\"Analog Legend\",\"TPS(%)\"\r"));
    QCOMPARE(lines[7],
             QByteArray("\"Elapsed Time\",\"AFR1\",\"AFR2\",\"RPM\",\"Analog Input Volts\"\r"));
    QCOMPARE(lines[8 + 12000],
             ("\"Brenwick QERO4D Data Downloaded\",\"" + log.DownloadDate.toLatin1() + "\"\r"));
    QVERIFY(!log.DownloadDate.isEmpty());
    QCOMPARE(lines[8 + 12001], QByteArray("\"Comment\",\"Dyno day, 3rd gear\"\r"));
    QCOMPARE(lines[8 + 12002], QByteArray("\"Fuel Type\",\"Gasoline\"\r"));
    QCOMPARE(lines[8 + 12003], QByteArray("\"Stoichiometric Ratio\",14.69\r"));
    // A cold sensor is written as its status code, free air as 20.
    const int cold = int(std::find_if(log.Sensor1Status.begin(), log.Sensor1Status.end(),
                                      [](float s) { return s >= 1 && s <= 6; }) -
                         log.Sensor1Status.begin());
    const int freeAir = int(std::find(log.Sensor1Status.begin(), log.Sensor1Status.end(), 10.0f) -
                            log.Sensor1Status.begin());
    QVERIFY(cold < LogBuffer::kSamples && freeAir < LogBuffer::kSamples);
    QCOMPARE(lines[8 + cold].split(',').at(1), QByteArray::number(int(log.Sensor1Status[cold])));
    QCOMPARE(lines[8 + freeAir].split(',').at(1), QByteArray("20"));

    // File > Open of that file over the downloaded log brings back the same log.
    const LogBuffer downloaded = log;
    b.prompter.clear();
    b.prompter.answerButton(Prompter::Ok); // overwrite the log in memory
    b.prompter.answerFile(logPath);
    bool chartOnOpenedLog = false;
    b.modals.expect<frmChart1>([&](frmChart1& chart) {
        chartOnOpenedLog = chart.Trace1Data() == downloaded.RPM &&
                           chart.Chart2D1->axisY()->range() == QCPRange(0, 8000);
    });
    b.window->mnuOpenFile->trigger();
    QVERIFY(chartOnOpenedLog);
    QCOMPARE(b.prompter.messages().size(), 1);
    QCOMPARE(b.prompter.messages().first().text,
             QStringLiteral("Data buffer not empty. OK to overwrite?"));
    QCOMPARE(b.prompter.messages().first().title, QStringLiteral("Open Log File"));
    QVERIFY(sameSamples(log, downloaded));
    QCOMPARE(log.DownloadDate, downloaded.DownloadDate);
    QCOMPARE(log.Comment, downloaded.Comment);
    QCOMPARE(log.MaxRPMDisplay, qint16(8000));
    QCOMPARE(log.AnalogLegend, QStringLiteral("TPS(%)"));
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - drive.log")));
    QCOMPARE(b.setting(QStringLiteral("AnalogInputType")), QStringLiteral("USER"));

    // View > AFR Table; a second log merged through the table's own File menu; printed.
    const QString second = b.path(QStringLiteral("second.log"));
    QVERIFY(QFile::copy(logPath, second));
    const QString tablePdf = b.path(QStringLiteral("table.pdf"));
    std::array<qint32, AFRTable::kCells> countsBefore{};
    std::array<qint32, AFRTable::kCells> countsAfter{};
    int cellsShown = 0;
    QString mergedCaption;
    bool refreshOffAfterMerge = false;
    b.prompter.clear();
    b.modals.expect<frmAFRTable>([&](frmAFRTable& table) {
        countsBefore = table.table().CellSampleCount();
        const AFRTableGrid::Texts texts = table.gridTexts();
        for (int r = 1; r < AFRTableGrid::kRows; ++r)
            for (int c = 1; c < AFRTableGrid::kColumns; ++c)
                cellsShown += texts[r][c].isEmpty() ? 0 : 1;
        b.prompter.answerFile(second);
        table.mnuOpenAddFile->trigger();
        countsAfter = table.table().CellSampleCount();
        mergedCaption = b.window->windowTitle();
        refreshOffAfterMerge = !table.cmdRefreshTable->isEnabled();
        b.prompter.answerInput(QStringLiteral("Dyno day, both runs"));
        b.prompter.answerButton(Prompter::Yes);
        b.prompter.answerFile(tablePdf);
        table.cmdPrint->click();
    });
    b.window->mnuViewAFRTable->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QVERIFY2(cellsShown > 20, qPrintable(QString::number(cellsShown)));
    for (int i = 0; i < AFRTable::kCells; ++i)
        QCOMPARE(countsAfter[i], 2 * countsBefore[i]);
    QVERIFY(std::accumulate(countsBefore.begin(), countsBefore.end(), 0) > 1000);
    QVERIFY(mergedCaption.endsWith(QStringLiteral(" - Added File - second.log")));
    QVERIFY(refreshOffAfterMerge);
    QVERIFY(readAll(tablePdf).startsWith("%PDF-"));
    QCOMPARE(pdfPages(tablePdf), 1);
    const PdfText::Page tablePage = PdfText::read(tablePdf);
    QVERIFY2(tablePage.text.contains(QStringLiteral("Brenwick QERO AFR Data Printed: ")),
             qPrintable(tablePage.text));
    QVERIFY(tablePage.text.contains(QStringLiteral("Dyno day, both runs")));
    // The added file went into the table only: the log opened before is still in memory.
    QVERIFY(!log.DataBufferEmpty);
    QVERIFY(sameSamples(log, downloaded));
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - drive.log")));
    for (const Box& box : b.prompter.messages())
        QVERIFY2(box.title != QLatin1String("Error"), qPrintable(box.text));
}

void tst_acceptance::moduleParameters_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("lastMessage");
    QTest::addColumn<bool>("written");
    QTest::newRow("written and verified") << ""
                                          << "Upload completed\n"
                                          << true;
    QTest::newRow("module refuses writes") << "write"
                                           << "Upload aborted - FRAM programming failed" << false;
    QTest::newRow("module gone") << "silent" << kNoLink << false;
}

void tst_acceptance::moduleParameters() {
    QFETCH(QString, fault);
    QFETCH(QString, lastMessage);
    QFETCH(bool, written);
    MainWindowBench b;
    b.module.memory().bytes[0] = 12; // 0.192 s
    b.module.memory().bytes[1] = 2;
    b.state.log.DataBufferEmpty = false;

    b.window->mnuEditQEROParams->trigger();
    QEROParamsPanel* panel = b.window->fraQEROParams;
    QVERIFY(panel->isVisible());
    QVERIFY(b.state.log.DataBufferEmpty);
    panel->cmdQEROParamsDownload->click();
    QCOMPARE(b.prompter.messageTexts(), QStringList{"Firmware ID: " + b.module.identification()});
    QCOMPARE(panel->txtDataLogInterval->text(), QStringLiteral("0.20"));
    QCOMPARE(panel->txtPulsePerRev->text(), QStringLiteral("2"));
    QCOMPARE(panel->txtRPMDebounce->text(), QStringLiteral("0.50"));
    QCOMPARE(panel->txtMinLEDPWM->text(), QStringLiteral("6"));

    MainWindowBench::leave(panel->txtPulsePerRev, QStringLiteral("3"));
    MainWindowBench::leave(panel->txtMinLEDPWM, QStringLiteral("50"));
    if (fault == QLatin1String("silent"))
        b.module.faults().silent = true;
    else if (!fault.isEmpty())
        b.module.faults().refuseCommand = QeroModule::commandFromName(fault);
    b.prompter.clear();
    panel->cmdQEROParamsUpload->click();

    const QList<Box> boxes = b.boxesTitled(QStringLiteral("Upload Parameters"));
    QVERIFY(!boxes.isEmpty());
    QCOMPARE(boxes.last().text, lastMessage);
    QCOMPARE(boxes.last().icon, Icon::Exclamation);
    QCOMPARE(b.prompter.messageTexts().contains(QStringLiteral("Upload completed\n")), written);
    const auto& memory = b.module.memory().bytes;
    QCOMPARE(memory[1], quint8(written ? 3 : 2));
    QCOMPARE(memory[5], quint8(written ? 128 : 15));
    QCOMPARE(memory[0], quint8(12));
    // The values are the program's own either way.
    QCOMPARE(b.setting(QStringLiteral("PulsePerRev")), QStringLiteral("3"));
    QCOMPARE(b.setting(QStringLiteral("MinLEDPWM")), QStringLiteral("128"));
    QVERIFY(!b.link->isOpen());
    QVERIFY(b.window->menuBar()->isEnabled());
    QCOMPARE(b.modals.seen(), QStringList()); // all of it inside the main window
}

void tst_acceptance::parameterPanelLeftOpenWhileALogArrives() {
    MainWindowBench b;
    b.module.memory().bytes[0] = 12; // 0.192 s
    b.module.memory().bytes[1] = 2;
    b.window->mnuEditQEROParams->trigger();
    QEROParamsPanel* panel = b.window->fraQEROParams;
    panel->txtDataLogInterval->setFocus(); // the user looked, typed nothing
    QCOMPARE(panel->txtDataLogInterval->text(), QStringLiteral("0.10"));

    // A download with the panel still up: the chart takes the focus from the panel's box
    // and gives it back. The log keeps the module's interval, and the panel shows it.
    b.modals.expect<frmChart1>();
    b.window->mnuDownload->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QVERIFY(panel->isVisible());
    QCOMPARE(b.state.log.DataLogInterval, 0.192f);
    QCOMPARE(b.state.log.ElapsedTime[1], 0.38f);
    QCOMPARE(panel->txtDataLogInterval->text(), QStringLiteral("0.20"));
    QCOMPARE(panel->txtPulsePerRev->text(), QStringLiteral("2"));
    panel->txtDataLogInterval->setFocus();
    b.window->mnuAbout->trigger(); // any box takes the focus once more
    QCOMPARE(b.state.log.DataLogInterval, 0.192f);

    // The saved log says how it was recorded; opened again, it keeps its own interval.
    const QString logPath = b.path(QStringLiteral("slow.log"));
    b.prompter.answerInput(QStringLiteral("slow logging"));
    b.prompter.answerFile(logPath);
    b.window->mnuSaveFile->trigger();
    QVERIFY(readAll(logPath).startsWith("\"Data Logging Interval\",.192\r\n"));
    QByteArray edited = readAll(logPath);
    edited.replace("\"Data Logging Interval\",.192", "\"Data Logging Interval\",.1");
    const QString tenthPath = b.path(QStringLiteral("tenth.log"));
    QFile tenth(tenthPath);
    QVERIFY(tenth.open(QIODevice::WriteOnly));
    tenth.write(edited);
    tenth.close();
    b.prompter.answerButton(Prompter::Ok);
    b.prompter.answerFile(tenthPath);
    b.modals.expect<frmChart1>();
    b.window->mnuOpenFile->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.state.log.DataLogInterval, 0.1f);
    QCOMPARE(panel->txtDataLogInterval->text(), QStringLiteral("0.10"));

    // What the user types is still checked when the box is left.
    MainWindowBench::leave(panel->txtDataLogInterval, QStringLiteral("0.55"));
    QCOMPARE(b.state.log.DataLogInterval, 0.544f);
}

void tst_acceptance::fuelUpload_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<QString>("ratio");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QString>("lastMessage");
    const int rev3 = int(QeroModule::Model::Qero4dRev3);
    QTest::newRow("E85 into a QERO4D Rev 3") << rev3 << "optE85Fuel"
                                             << "E85"
                                             << "9.77" << 0x21 << 0x55 << "Upload completed\n";
    QTest::newRow("Lambda into a QERO3Dual Rev 3")
        << int(QeroModule::Model::Qero3DualRev3) << "optLambda"
        << "Lambda"
        << "1" << 0x22 << 0x57 << "Upload completed\n";
    QTest::newRow("a QERO4D Rev 2 is refused")
        << int(QeroModule::Model::Qero4dRev2) << "optE85Fuel"
        << "E85"
        << "9.77" << 0xFF << 0x7F
        << "Error - invalid firmware ID. Unable to upload to earlier generation QERO.";
}

void tst_acceptance::fuelUpload() {
    QFETCH(int, model);
    QFETCH(QString, option);
    QFETCH(QString, fuel);
    QFETCH(QString, ratio);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, lastMessage);
    MainWindowBench::Options options;
    options.model = QeroModule::Model(model);
    MainWindowBench b(options);
    QCOMPARE(b.module.memory().bytes[6], quint8(0xFF));
    QCOMPARE(b.module.memory().bytes[7], quint8(0x7F));

    b.modals.expect<frmFuelType>([&](frmFuelType& w) {
        w.findChild<QRadioButton*>(option)->click();
        w.cmdFuelTypeUpload->click();
    });
    b.window->mnuFuelType->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.modals.pending(), 0);

    const QList<Box> boxes = b.boxesTitled(QStringLiteral("Upload Fuel Type"));
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.first().text, "Firmware ID: " + b.module.identification());
    QCOMPARE(boxes.last().text, lastMessage);
    QCOMPARE(b.module.memory().bytes[6], quint8(low));
    QCOMPARE(b.module.memory().bytes[7], quint8(high));
    // The program's own choice stands whether or not the module took it.
    QCOMPARE(b.state.log.FuelType, fuel);
    QCOMPARE(b.setting(QStringLiteral("FuelType")), fuel);
    QCOMPARE(b.setting(QStringLiteral("StoichRatio")), ratio);
    QVERIFY(!b.link->isOpen());
}

void tst_acceptance::throttleLearnedFromModuleFillsTheTable() {
    MainWindowBench b;

    // Analog Input Scaling > TPS Percent, the two ends taken from the module's live input:
    // the simulated engine pulls at wide-open throttle 30 to 36 s after the first read and
    // lifts off to a closed throttle right after.
    QString learnedOpen;
    QString learnedClosed;
    b.modals.expect<frmAnalogInScale>([&](frmAnalogInScale& w) {
        w.optTPS->click();
        QVERIFY(w.fraLearn->isEnabled());
        w.cmdLearnOpen->click(); // the engine starts
        b.clock.advance(32'000'000);
        w.cmdLearnOpen->click();
        learnedOpen = w.txtMaxVolts->text();
        b.clock.advance(5'000'000);
        w.cmdLearnClosed->click();
        learnedClosed = w.txtMinVolts->text();
        b.prompter.answerButton(Prompter::Yes); // the scaled range 0-5 becomes 0-100
        w.cmdOK->click();
    });
    b.window->mnuAnalogInScale->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(learnedOpen, QStringLiteral("4.61"));
    QCOMPARE(learnedClosed, QStringLiteral("0.45"));
    QCOMPARE(b.boxesTitled(QStringLiteral("TPS Percent")).size(), 1);
    QCOMPARE(b.setting(QStringLiteral("MinInVolts")), QStringLiteral("0.45"));
    QCOMPARE(b.setting(QStringLiteral("MaxInVolts")), QStringLiteral("4.61"));
    QCOMPARE(b.setting(QStringLiteral("MinScaledValue")), QStringLiteral("0"));
    QCOMPARE(b.setting(QStringLiteral("MaxScaledValue")), QStringLiteral("100"));
    // The learning reads were conversations of their own: the port is free again.
    QVERIFY(!b.link->isOpen());
    QVERIFY(b.window->menuBar()->isEnabled());

    b.modals.expect<frmChart1>();
    b.window->mnuDownload->trigger();
    QVERIFY(!b.state.log.DataBufferEmpty);

    AFRTableGrid::Texts texts{};
    LogBuffer::Samples tps{};
    b.modals.expect<frmAFRTable>([&](frmAFRTable& table) {
        texts = table.gridTexts();
        tps = table.table().TPSPercent();
    });
    b.window->mnuViewAFRTable->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    // Every throttle column, closed to wide open, holds measured cells.
    for (int c = 1; c < AFRTableGrid::kColumns; ++c) {
        int filled = 0;
        for (int r = 1; r < AFRTableGrid::kRows; ++r)
            filled += texts[r][c].isEmpty() ? 0 : 1;
        QVERIFY2(filled > 0, qPrintable(texts[0][c]));
    }
    // Gauge, chart and table read the same throttle from every sample.
    const LogBuffer& log = b.state.log;
    const TraceSetup trace = ChartTrace::load(TraceQuantity::Analog, b.state.log, b.state.settings);
    QCOMPARE(trace.axisMinimum, 0.0);
    QCOMPARE(trace.axisMaximum, 100.0);
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        const float gauge = RealTimeDecoding::scaledAnalog(log, log.AnalogInVolts[i]);
        QCOMPARE(trace.values[i], gauge);
        QCOMPARE(tps[i], std::clamp(gauge, 0.0f, 100.0f));
    }
}

void tst_acceptance::realTimeView() {
    MainWindowBench::Options options;
    options.settings = {{QStringLiteral("AnalogInputType"), QStringLiteral("TPS")},
                        {QStringLiteral("MaxScaledValue"), QStringLiteral("100")}};
    MainWindowBench b(options);
    b.state.log.DataBufferEmpty = false; // a log in memory is given up for the live view

    b.window->mnuViewRealTime->trigger();
    RealTimeDataFrame* view = b.window->fraRealTimeData;
    QVERIFY(b.state.window.RealTimeActive);
    QVERIFY(view->isVisible());
    QVERIFY(b.state.log.DataBufferEmpty);
    QCOMPARE(b.window->tmrDataRead->interval(), 10);
    QCOMPARE(b.prompter.boxes().size(), 0);
    QCOMPARE(view->gauBatVolts->value(), 0.0);

    // Two seconds of engine running, one polling cycle every 10 ms.
    QList<double> tach;
    for (int cycle = 0; cycle < 200; ++cycle) {
        b.window->tmrDataRead_Timer();
        b.clock.advance(10'000);
        tach << view->gauTach->needle();
    }
    QCOMPARE(b.prompter.boxes().size(), 0);
    QVERIFY(view->gauBatVolts->value() > 10 && view->gauBatVolts->value() < 16);
    QVERIFY(view->gauLambda1->value() > 0.6 && view->gauLambda1->value() < 1.4);
    QVERIFY(view->gauLambda2->value() > 0.6 && view->gauLambda2->value() < 1.4);
    QVERIFY(view->gauTPS->isVisible());
    QVERIFY(std::abs(view->gauTPS->value() - view->gauInput1Analog->value() * 20) < 1e-3);
    QVERIFY(*std::max_element(tach.begin(), tach.end()) > 0.3);
    // The gauges follow the engine rather than showing one reading.
    QVERIFY(std::adjacent_find(tach.begin(), tach.end(), std::not_equal_to<>()) != tach.end());

    QTest::mouseClick(view->cmdCloseRealTimeData, Qt::LeftButton);
    QVERIFY(!b.state.window.RealTimeActive);
    QVERIFY(!view->isVisible());
    QVERIFY(!b.link->isOpen());
    // A closed view polls no more.
    const size_t sent = b.link->sent().size();
    b.window->tmrDataRead_Timer();
    QCOMPARE(b.link->sent().size(), sent);
    QCOMPARE(b.modals.seen(), QStringList());
}

void tst_acceptance::commandsCloseRealTimeView_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("closes");
    for (const MenuRule& rule : kMenuRules) {
        const QLatin1String name(rule.name);
        // Exit ends the program and View Real Time Data is the view itself. Recent Files
        // only opens its list; each of its files opens as File > Open does.
        if (name == QLatin1String("mnuExit") || name == QLatin1String("mnuViewRealTime") ||
            name == QLatin1String("mnuRecentFiles") || name == QLatin1String("mnuRecentDownloads"))
            continue;
        QTest::newRow(rule.name) << QString(name) << rule.closesRealTimeView;
    }
}

void tst_acceptance::commandsCloseRealTimeView() {
    QFETCH(QString, command);
    QFETCH(bool, closes);
    MainWindowBench b;
    b.window->mnuViewRealTime->trigger();
    QVERIFY(b.state.window.RealTimeActive);
    b.window->tmrDataRead_Timer();
    b.prompter.clear();
    b.link->clearSent();

    // Whatever the command shows or waits for, the view must be gone by then.
    bool actedWithViewOpen = false;
    const auto look = [&] { actedWithViewOpen |= b.state.window.RealTimeActive; };
    b.prompter.onBox = [&](const Box&) { look(); };
    b.clock.addEventHook(look);
    b.modals.closeEverything();
    b.prompter.answerInput(QStringLiteral("9000")); // Maximum RPM, Comment
    b.prompter.answerFile(QString());               // file dialogs cancelled

    QAction* action = b.action(command);
    QVERIFY(action);
    action->trigger();
    if (closes) {
        QVERIFY(!actedWithViewOpen);
        QVERIFY(!b.state.window.RealTimeActive);
        QVERIFY(!b.window->fraRealTimeData->isVisible());
    } else {
        QVERIFY(b.state.window.RealTimeActive);
        QVERIFY(b.window->fraRealTimeData->isVisible());
        QVERIFY(b.link->sent().empty());
    }
    if (QWidget* help = b.window->helpWindow())
        help->close();
}

void tst_acceptance::portScan_data() {
    QTest::addColumn<int>("modulePort");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("savedPort");
    QTest::newRow("module on Com3") << 3 << "Found QERO on port 3"
                                    << "3";
    QTest::newRow("module beyond Com15")
        << 16 << "No QERO found. Check Check cable and module power."
        << "1";
}

void tst_acceptance::portScan() {
    QFETCH(int, modulePort);
    QFETCH(QString, result);
    QFETCH(QString, savedPort);
    MainWindowBench::Options options;
    options.exampleConfiguration = true;
    options.settings = {{QStringLiteral("CommPort"), QStringLiteral("1")}};
    MainWindowBench b(options);
    QCOMPARE(b.state.settings.PortNumber, qint16(1));
    b.link->setModulePort(modulePort);

    b.window->mnuPortSetup->trigger();
    PortSelectFrame* frame = b.window->fraPortSelect;
    QVERIFY(frame->isVisible());
    QVERIFY(frame->cmdPortScan->isVisible());
    b.prompter.answerButton(Prompter::Ok); // the warning before the scan
    frame->cmdPortScan->click();

    QCOMPARE(b.prompter.messages().first().title, QStringLiteral("Port Scan"));
    QVERIFY(b.prompter.messages().first().text.startsWith(
        QStringLiteral("This function will scan all ports on your PC.")));
    QCOMPARE(b.prompter.messages().size(), 2); // nothing about the ports without a module
    QCOMPARE(b.prompter.messages().last().text, result);
    QCOMPARE(b.prompter.messages().last().title, QStringLiteral("Port Scan"));
    // The progress bar stopped at the port where the scan ended.
    QCOMPARE(b.window->fraProgress1->title(), QStringLiteral("Scanning Ports"));
    QCOMPARE(b.window->prgProgress1->value(), modulePort <= 15 ? modulePort * 100 / 15 : 100);
    QVERIFY(!b.window->fraProgress1->isVisible());
    QCOMPARE(b.setting(QStringLiteral("CommPort")), savedPort);
    QCOMPARE(b.state.settings.PortNumber, qint16(savedPort.toInt()));
    QCOMPARE(frame->cboPort->currentIndex(), savedPort.toInt() - 1);
    QTest::mouseClick(frame->cmdPortSelectOK, Qt::LeftButton);
    QVERIFY(!frame->isVisible());

    // The next module command reaches the module on the port the scan chose.
    b.prompter.clear();
    b.prompter.answerButton(Prompter::Ok); // erase the module's log
    b.window->mnuClearQEROBuffer->trigger();
    const bool found = modulePort <= 15;
    QCOMPARE(b.prompter.messageTexts().last(),
             found ? QStringLiteral("QERO data buffer cleared.") : kNoLink);
    QCOMPARE(b.module.memory().logPointer(),
             quint16(found ? ModuleVocabulary::Memory::kLowerHalfStart
                           : ModuleMemory::recordAddress(DriveLog::kOldestRingIndex)));
    QCOMPARE(b.modals.seen(), QStringList());
}

void tst_acceptance::refusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer"); // to the box shown, 0 for its default
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    const QString empty = QStringLiteral("Data buffer empty.");
    const int ex = int(Icon::Exclamation);
    QTest::newRow("View Chart, empty log") << ""
                                           << "mnuViewChart" << 0 << empty << "View Chart" << ex;
    QTest::newRow("View AFR Table, empty log")
        << ""
        << "mnuViewAFRTable" << 0 << empty << "View AFR Table" << ex;
    QTest::newRow("View AFR Table, no throttle sensor")
        << "log"
        << "mnuViewAFRTable" << 0 << "Analog data does not contain properly scaled TPS values."
        << "View AFR Table" << ex;
    QTest::newRow("Save File, empty log") << ""
                                          << "mnuSaveFile" << 0 << empty << "Save Log File" << ex;
    QTest::newRow("Open File over a log, declined")
        << "log"
        << "mnuOpenFile" << int(Prompter::Cancel) << "Data buffer not empty. OK to overwrite?"
        << "Open Log File" << int(Icon::None);
    QTest::newRow("Download, no module")
        << "silent"
        << "mnuDownload" << 0 << "Cannot establish RS-232 link. Check cable and QERO power."
        << "Download Data" << ex;
    QTest::newRow("Download, no firmware ID")
        << "no id"
        << "mnuDownload" << 0 << "Firmware ID read failed - cannot download."
        << "Download Data" << ex;
    QTest::newRow("Clear QERO Data Buffer, declined")
        << ""
        << "mnuClearQEROBuffer" << int(Prompter::Cancel)
        << "All data logged by QERO will be lost. Proceed?"
        << "Clear QERO Data Buffer" << ex;
    QTest::newRow("Clear QERO Data Buffer, no module")
        << "silent"
        << "mnuClearQEROBuffer" << int(Prompter::Ok) << kNoLink << "Clear QERO Data Buffer" << ex;
}

void tst_acceptance::refusals() {
    QFETCH(QString, setup);
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, icon);
    MainWindowBench b;
    if (setup == QLatin1String("log")) {
        b.state.log.DataBufferEmpty = false;
        b.state.log.RPM[0] = 3210.0f;
        b.state.log.AnalogLegend = QStringLiteral("Analog Input");
    } else if (setup == QLatin1String("silent")) {
        b.module.faults().silent = true;
    } else if (setup == QLatin1String("no id")) {
        b.module.faults().ignoreCommand = QeroModule::commandFromName(QStringLiteral("id"));
    }
    const bool hadLog = !b.state.log.DataBufferEmpty;
    const auto originalMemory = b.module.memory().bytes;
    if (answer)
        b.prompter.answerButton(Prompter::Button(answer));

    b.action(command)->trigger();

    const QList<Box> boxes = b.boxesTitled(title);
    QVERIFY(!boxes.isEmpty());
    QCOMPARE(boxes.last().text, text);
    QCOMPARE(int(boxes.last().icon), icon);
    // Nothing opened, nothing chosen, nothing changed.
    QCOMPARE(b.modals.seen(), QStringList());
    for (const Box& box : b.prompter.boxes())
        QVERIFY(box.kind == Box::Message);
    QCOMPARE(b.state.log.DataBufferEmpty, !hadLog);
    if (hadLog)
        QCOMPARE(b.state.log.RPM[0], 3210.0f);
    QVERIFY(b.module.memory().bytes == originalMemory);
    QVERIFY(!b.link->isOpen());
    QVERIFY(b.window->menuBar()->isEnabled());
}

void tst_acceptance::startUpConnectionCheck_data() {
    QTest::addColumn<QString>("autoConnect");
    QTest::addColumn<int>("modulePort");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("portSetupShown");
    QTest::newRow("module on the saved port")
        << "True" << 2 << int(Prompter::Ok) << "Found QERO on port 2. " << false;
    QTest::newRow("module elsewhere, setup accepted")
        << "True" << 5 << int(Prompter::Yes)
        << "No QERO on expected port 2. Do you want to open the Port Setup dialog box?" << true;
    QTest::newRow("module elsewhere, setup declined")
        << "True" << 5 << int(Prompter::No)
        << "No QERO on expected port 2. Do you want to open the Port Setup dialog box?" << false;
    QTest::newRow("auto connect off")
        << "False" << 2 << int(Prompter::Yes)
        << "Auto connect not enabled. Do you want to open the Port Setup dialog box?" << true;
}

void tst_acceptance::startUpConnectionCheck() {
    QFETCH(QString, autoConnect);
    QFETCH(int, modulePort);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(bool, portSetupShown);
    MainWindowBench::Options options;
    options.exampleConfiguration = true;
    options.settings = {{QStringLiteral("CommPort"), QStringLiteral("2")},
                        {QStringLiteral("AutoConnect"), autoConnect}};
    MainWindowBench b(options);
    b.link->setModulePort(modulePort);
    b.prompter.answerButton(Prompter::Button(answer));

    // The timer's ticks once the window is up; the check runs on the first one only.
    for (int tick = 0; tick < 3; ++tick)
        b.window->tmrStateMachine_Timer();

    const QList<Box> boxes = b.prompter.messages();
    QVERIFY(!boxes.isEmpty());
    QCOMPARE(boxes.first().text, text);
    QCOMPARE(boxes.first().title, QStringLiteral("Auto Connect"));
    QCOMPARE(b.window->fraPortSelect->isVisible(), portSetupShown);
    // The port setup opened with auto-connect on reminds the user to check the port.
    const bool reminder = portSetupShown && autoConnect == QLatin1String("True");
    QCOMPARE(boxes.size(), reminder ? 2 : 1);
    if (reminder)
        QCOMPARE(
            boxes.last().text,
            QStringLiteral("Make sure that the correct port has been selected for the QERO.\r\n"
                           "You can click on the Scan button to find the QERO port."));
    QCOMPARE(b.state.settings.PortNumber, qint16(2));
    QVERIFY(!b.link->isOpen());
    QCOMPARE(b.modals.seen(), QStringList());
}

void tst_acceptance::fuelTravelsWithTheLog() {
    MainWindowBench b;
    const auto chooseFuel = [&b](const char* option) {
        b.modals.expect<frmFuelType>([option](frmFuelType& w) {
            w.findChild<QRadioButton*>(QLatin1String(option))->click();
            w.cmdOK->click();
        });
        b.window->mnuFuelType->trigger();
    };
    chooseFuel("optE85Fuel");
    QCOMPARE(b.setting(QStringLiteral("FuelType")), QStringLiteral("E85"));

    // The chart of a download shows the chosen fuel's ratios.
    QString axis;
    QString ratioLabel;
    float shown = 0;
    b.modals.expect<frmChart1>([&](frmChart1& chart) {
        axis = chart.Chart2D1->axisY2()->label();
        ratioLabel = chart.lblStoichRatio->text();
        shown = chart.Trace2Data()[5000];
    });
    b.window->mnuDownload->trigger();
    QCOMPARE(axis, QStringLiteral("Sensor 1 E85 AFR"));
    QCOMPARE(ratioLabel, QStringLiteral("9.77"));
    QCOMPARE(shown, float(double(b.state.log.AFR1[5000]) * double(9.77f) / 14.69));

    b.prompter.answerInput(QStringLiteral("E85 tank"));
    b.window->mnuEditComment->trigger();
    const QString logPath = b.path(QStringLiteral("e85.log"));
    b.prompter.answerFile(logPath);
    b.window->mnuSaveFile->trigger();
    const QList<QByteArray> lines = readAll(logPath).split('\n');
    QCOMPARE(lines[8 + 12001], QByteArray("\"Comment\",\"E85 tank\"\r"));
    QCOMPARE(lines[8 + 12002], QByteArray("\"Fuel Type\",\"E85\"\r"));
    QCOMPARE(lines[8 + 12003], QByteArray("\"Stoichiometric Ratio\",9.77\r"));

    // Back on gasoline, the log opened again brings its own fuel, for this log only.
    chooseFuel("optGasolineFuel");
    QCOMPARE(b.state.settings.AFRFormat, QStringLiteral("#0.0"));
    b.prompter.answerButton(Prompter::Ok);
    b.prompter.answerFile(logPath);
    b.modals.expect<frmChart1>([&](frmChart1& chart) { axis = chart.Chart2D1->axisY2()->label(); });
    b.window->mnuOpenFile->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(axis, QStringLiteral("Sensor 1 E85 AFR"));
    QCOMPARE(b.state.log.FuelType, QStringLiteral("E85"));
    QCOMPARE(b.state.log.StoichRatio, 9.77f);
    QCOMPARE(b.state.settings.AFRFormat, QStringLiteral("#0.00"));
    QCOMPARE(b.state.log.Comment, QStringLiteral("E85 tank"));
    QCOMPARE(b.setting(QStringLiteral("FuelType")), QStringLiteral("Gasoline"));
}

void tst_acceptance::interruptedDownload_data() {
    QTest::addColumn<QString>("cause");
    // The answers to the error report, in order; the module never sends the missing byte,
    // so Retry brings the report back until the user lets go.
    QTest::addColumn<QList<int>>("answers");
    QTest::newRow("Esc pressed") << "esc" << QList<int>{};
    QTest::newRow("cable pulled") << "unplug" << QList<int>{int(Prompter::Abort)};
    QTest::newRow("short block, Abort") << "short" << QList<int>{int(Prompter::Abort)};
    QTest::newRow("short block, Retry then Abort")
        << "short" << QList<int>{int(Prompter::Retry), int(Prompter::Abort)};
    QTest::newRow("short block, Ignore") << "short" << QList<int>{int(Prompter::Ignore)};
}

void tst_acceptance::interruptedDownload() {
    QFETCH(QString, cause);
    QFETCH(QList<int>, answers);
    MainWindowBench b;
    b.state.log.DataBufferEmpty = false; // an earlier log, given up by the download
    int ticks = 0;
    if (cause == QLatin1String("esc")) {
        b.clock.addEventHook([&] {
            if (b.window->fraProgress1->isVisible() && ++ticks == 300)
                QTest::keyClick(b.window.get(), Qt::Key_Escape);
        });
    } else if (cause == QLatin1String("unplug")) {
        b.module.faults().unplugAfterBlocks = 300;
    } else {
        b.module.faults().shortBlock = 300;
    }
    int errorReports = 0;
    b.prompter.onBox = [&](const Box& box) {
        if (box.title != QLatin1String("Error"))
            return;
        ++errorReports;
        QCOMPARE(box.buttons,
                 Prompter::Buttons(Prompter::Abort | Prompter::Retry | Prompter::Ignore));
        if (!answers.isEmpty())
            b.prompter.answerButton(Prompter::Button(answers.takeFirst()));
        else
            b.prompter.answerButton(Prompter::Abort); // never sit in a Retry loop
    };
    b.window->mnuDownload->trigger();
    QVERIFY(answers.isEmpty());

    const QList<Box> boxes = b.boxesTitled(QStringLiteral("Download Data"));
    QCOMPARE(boxes.last().text, QStringLiteral("FRAM download failed."));
    QCOMPARE(boxes.last().icon, Icon::Information);
    QVERIFY(b.module.blockReads() < 1024);
    QVERIFY(b.module.blockReads() > 0);
    QVERIFY(b.state.log.DataBufferEmpty);
    QVERIFY(!b.state.window.AbortRequested);
    QCOMPARE(b.modals.seen(), QStringList()); // no chart
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - Data Buffer Empty")));
    QVERIFY(!b.window->fraProgress1->isVisible());
    QVERIFY(!b.link->isOpen());
    QVERIFY(b.window->menuBar()->isEnabled());
    // The chart and the save refuse the empty log.
    b.prompter.clear();
    b.window->mnuViewChart->trigger();
    QCOMPARE(b.prompter.messageTexts(), QStringList{QStringLiteral("Data buffer empty.")});
}

void tst_acceptance::escapeEndsSaveKeepingOldFile() {
    MainWindowBench b;
    b.modals.closeEverything();
    b.window->mnuDownload->trigger();
    QVERIFY(!b.state.log.DataBufferEmpty);
    b.state.log.Comment = QStringLiteral("kept");
    const QString caption = b.window->windowTitle();

    const QString target = b.path(QStringLiteral("run.log"));
    const QByteArray old = "\"Data Logging Interval\",.1\r\nan earlier log\r\n";
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    int rows = 0;
    const int hook = b.clock.addEventHook([&] {
        if (++rows == 6000)
            QTest::keyClick(b.window.get(), Qt::Key_Escape);
    });
    b.prompter.clear();
    b.prompter.answerFile(target);
    b.prompter.answerButton(Prompter::Yes); // replace the existing file
    b.window->mnuSaveFile->trigger();
    b.clock.removeEventHook(hook);

    QCOMPARE(b.prompter.messages().size(), 1);
    QVERIFY(
        b.prompter.messages().first().text.contains(QStringLiteral("This file already exists.")));
    QVERIFY(rows >= 6000);
    QCOMPARE(readAll(target), old);
    QCOMPARE(b.window->windowTitle(), caption);
    QVERIFY(!b.state.window.AbortRequested);
    const QStringList leftOver = QDir(b.dir.path()).entryList(QDir::Files);
    QCOMPARE(leftOver, (QStringList{QStringLiteral("run.log"), QStringLiteral("settings.ini")}));

    // The next save runs to its end.
    b.prompter.answerFile(target);
    b.prompter.answerButton(Prompter::Yes);
    b.window->mnuSaveFile->trigger();
    QCOMPARE(readAll(target).count('\n'), 8 + LogBuffer::kSamples + 4);
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - run.log")));
}

void tst_acceptance::openFileNotFound_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("Retry, then a file that is there") << int(Prompter::Retry) << true;
    QTest::newRow("Cancel") << int(Prompter::Cancel) << false;
}

void tst_acceptance::openFileNotFound() {
    QFETCH(int, answer);
    QFETCH(bool, opened);
    MainWindowBench b;
    const QString there = b.path(QStringLiteral("there.log"));
    {
        LogBuffer log;
        log.ClearDataBuffer();
        log.RPM[7] = 2500.0f;
        QFile f(there);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(LogFileWriter::whole(log, QStringLiteral("Brenwick")));
    }
    const QString missing = b.path(QStringLiteral("gone.log"));
    b.prompter.answerFile(missing);
    b.prompter.answerButton(Prompter::Button(answer));
    if (opened) {
        b.prompter.answerFile(there);
        b.modals.expect<frmChart1>();
    } else {
        b.prompter.answerButton(Prompter::Abort); // the report of the cancelled choice
    }
    const QString caption = b.window->windowTitle();
    b.window->mnuOpenFile->trigger();

    const Box notFound = b.prompter.messages().first();
    QCOMPARE(notFound.text, missing + QStringLiteral("\nFile not found."));
    QCOMPARE(notFound.title, QStringLiteral("File Open"));
    QCOMPARE(notFound.buttons, Prompter::Buttons(Prompter::Retry | Prompter::Cancel));
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.state.log.DataBufferEmpty, !opened);
    if (opened) {
        QCOMPARE(b.state.log.RPM[7], 2500.0f);
        QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - there.log")));
        QCOMPARE(b.prompter.messages().size(), 1);
    } else {
        QCOMPARE(b.window->windowTitle(), caption);
        QCOMPARE(b.modals.seen(), QStringList());
        const QList<Box> errors = b.boxesTitled(QStringLiteral("Error"));
        QVERIFY(!errors.isEmpty());
        QCOMPARE(errors.first().text, QStringLiteral("Canceled File Open"));
        QCOMPARE(errors.first().icon, Icon::Critical);
    }
}

void tst_acceptance::escapeBeforeACommandDoesNotEndIt() {
    MainWindowBench b;
    // Esc pressed while nothing runs (closing a menu, say) belongs to no command.
    QTest::keyClick(b.window.get(), Qt::Key_Escape);
    b.modals.expect<frmChart1>();
    b.window->mnuDownload->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.modals.pending(), 0);
    QCOMPARE(b.module.blockReads(), 1024);
    QVERIFY(!b.state.log.DataBufferEmpty);

    QTest::keyClick(b.window.get(), Qt::Key_Escape);
    const QString target = b.path(QStringLiteral("after-esc.log"));
    b.prompter.answerInput(QStringLiteral("after Esc")); // "Comment?"
    b.prompter.answerFile(target);
    b.window->mnuSaveFile->trigger();
    QCOMPARE(readAll(target).count('\n'), 8 + LogBuffer::kSamples + 4);
    const Box asked = b.prompter.boxes().last();
    QCOMPARE(asked.kind, Box::Input);
    QCOMPARE(asked.text, QStringLiteral("Comment?"));
    QCOMPARE(asked.title, QStringLiteral("Optional Information Entry"));
    QVERIFY(readAll(target).endsWith("\"Comment\",\"after Esc\"\r\n\"Fuel Type\",\"Gasoline\"\r\n"
                                     "\"Stoichiometric Ratio\",14.69\r\n"));
}

void tst_acceptance::eraseThenDownload() {
    MainWindowBench b;
    b.state.log.DataBufferEmpty = false;
    b.state.log.RPM[0] = 4321.0f;
    b.prompter.answerButton(Prompter::Ok);
    b.window->mnuClearQEROBuffer->trigger();
    const QList<Box> boxes = b.boxesTitled(QStringLiteral("Clear QERO Data Buffer"));
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.first().text, QStringLiteral("All data logged by QERO will be lost. Proceed?"));
    QCOMPARE(boxes.last().text, QStringLiteral("QERO data buffer cleared."));
    QCOMPARE(boxes.last().icon, Icon::Information);
    // The log in the program is not the module's.
    QVERIFY(!b.state.log.DataBufferEmpty);
    QCOMPARE(b.state.log.RPM[0], 4321.0f);

    // What the module now holds: nothing recorded, every sample reads as free air.
    b.modals.expect<frmChart1>();
    b.window->mnuDownload->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    const LogBuffer& log = b.state.log;
    for (int i : {0, 5999, 6000, 11999}) {
        QCOMPARE(log.Sensor1Status[i], 10.0f);
        QCOMPARE(log.AFR2[i], 20.0f);
        QCOMPARE(log.RPM[i], 0.0f);
        QCOMPARE(log.AnalogInVolts[i], 5.0f);
    }
}

void tst_acceptance::exitClosesThePort() {
    MainWindowBench b;
    b.link->open(b.state.settings.PortNumber);
    b.window->mnuExit->trigger();
    QVERIFY(!b.window->isVisible());
    QVERIFY(!b.link->isOpen());
}

void tst_acceptance::keyboardShortcuts_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Open File") << "mnuOpenFile" << QKeySequence(Qt::CTRL | Qt::Key_O);
    QTest::newRow("Save File") << "mnuSaveFile" << QKeySequence(Qt::CTRL | Qt::Key_S);
    QTest::newRow("Print Setup") << "mnuPrintSetup" << QKeySequence(Qt::CTRL | Qt::Key_P);
    QTest::newRow("Exit") << "mnuExit" << QKeySequence(Qt::CTRL | Qt::Key_Q);
    QTest::newRow("Help Contents") << "mnuHelpContents" << QKeySequence(Qt::Key_F1);
}

void tst_acceptance::keyboardShortcuts() {
    QFETCH(QString, command);
    QFETCH(QKeySequence, keys);
    MainWindowBench b;
    b.modals.closeEverything();
    QAction* action = b.action(command);
    QVERIFY(action);
    QCOMPARE(action->shortcut(), keys);
    // No other entry answers to the same keys.
    for (QAction* other : b.menuActions())
        if (other != action)
            QVERIFY2(other->shortcut() != keys, qPrintable(other->objectName()));

    // The keys reach the command from the main window, as a user presses them.
    b.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
    int triggered = 0;
    connect(action, &QAction::triggered, this, [&] { ++triggered; });
    b.prompter.answerFile(QString()); // a file dialog cancelled
    QTest::keySequence(b.window.get(), keys);
    QCOMPARE(triggered, 1);
    if (b.window->helpWindow())
        b.window->helpWindow()->close();
}

void tst_acceptance::everyMenuEntryHasItsOwnMnemonic() {
    MainWindowBench b;
    // The letter after '&', lower case; empty when there is none.
    const auto mnemonic = [](const QString& text) {
        const qsizetype at = text.indexOf(u'&');
        return at < 0 || at + 1 >= text.size() ? QString() : text.mid(at + 1, 1).toLower();
    };
    QSet<QString> bar;
    for (QAction* top : b.window->menuBar()->actions()) {
        const QString key = mnemonic(top->text());
        QVERIFY2(!key.isEmpty() && !bar.contains(key), qPrintable(top->text()));
        bar.insert(key);
        QSet<QString> inMenu;
        for (QAction* entry : top->menu()->actions()) {
            if (entry->isSeparator())
                continue;
            const QString letter = mnemonic(entry->text());
            QVERIFY2(!letter.isEmpty() && letter.at(0).isLetter(), qPrintable(entry->text()));
            QVERIFY2(!inMenu.contains(letter), qPrintable(entry->text()));
            QCOMPARE(entry->text().count(u'&'), 1);
            inMenu.insert(letter);
        }
    }
}

void tst_acceptance::exitWithUnsavedDownload_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("answerSaveDialog");
    QTest::addColumn<bool>("ends");
    QTest::newRow("Save") << int(Prompter::Save) << true << true;
    QTest::newRow("Save, file dialog cancelled") << int(Prompter::Save) << false << false;
    QTest::newRow("Discard") << int(Prompter::Discard) << false << true;
    QTest::newRow("Cancel") << int(Prompter::Cancel) << false << false;
}

void tst_acceptance::exitWithUnsavedDownload() {
    QFETCH(int, answer);
    QFETCH(bool, answerSaveDialog);
    QFETCH(bool, ends);
    MainWindowBench b;
    b.modals.closeEverything();
    b.window->mnuDownload->trigger();
    QVERIFY(!b.state.log.DataBufferEmpty);
    const LogBuffer downloaded = b.state.log;
    b.prompter.clear();

    const QString logPath = b.path(QStringLiteral("drive.log"));
    b.prompter.answerButton(Prompter::Button(answer));
    b.prompter.answerFile(answerSaveDialog ? logPath : QString());
    b.prompter.answerInput(QStringLiteral("kept at exit"));
    b.window->mnuExit->trigger();

    const QList<Box> asked = b.boxesTitled(QStringLiteral("Exit"));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text, QStringLiteral("Save the downloaded log before exiting?"));
    QCOMPARE(asked[0].buttons,
             Prompter::Buttons(Prompter::Save | Prompter::Discard | Prompter::Cancel));
    QCOMPARE(b.window->isVisible(), !ends);
    QCOMPARE(QFile::exists(logPath), answerSaveDialog);
    // Staying keeps the log as it was, to be saved later.
    QVERIFY(sameSamples(b.state.log, downloaded));
    if (answerSaveDialog) {
        const QByteArray text = readAll(logPath);
        QVERIFY(text.contains("\"Comment\",\"kept at exit\""));
    }
    if (!ends) {
        // Still unsaved: the next exit asks again.
        b.prompter.answerButton(Prompter::Discard);
        b.window->close();
        QCOMPARE(b.boxesTitled(QStringLiteral("Exit")).size(), 2);
        QVERIFY(!b.window->isVisible());
    }
}

void tst_acceptance::exitAsksOnlyForAnUnsavedLog_data() {
    QTest::addColumn<QString>("history");
    QTest::newRow("nothing loaded") << QStringLiteral("");
    QTest::newRow("downloaded, then saved") << QStringLiteral("download save");
    QTest::newRow("downloaded, then a file opened") << QStringLiteral("download open");
    QTest::newRow("downloaded, then the live view emptied the buffer")
        << QStringLiteral("download live");
}

void tst_acceptance::exitAsksOnlyForAnUnsavedLog() {
    QFETCH(QString, history);
    MainWindowBench b;
    b.modals.closeEverything();
    const QString logPath = b.path(QStringLiteral("old.log"));
    {
        // A log on disk to open.
        MainWindowBench other;
        other.modals.closeEverything();
        other.window->mnuDownload->trigger();
        other.prompter.answerFile(logPath);
        other.prompter.answerInput(QString());
        other.window->mnuSaveFile->trigger();
        QVERIFY(QFile::exists(logPath));
    }
    for (const QString& step : history.split(u' ', Qt::SkipEmptyParts)) {
        if (step == QLatin1String("download")) {
            b.window->mnuDownload->trigger();
        } else if (step == QLatin1String("save")) {
            b.prompter.answerFile(b.path(QStringLiteral("saved.log")));
            b.prompter.answerInput(QString());
            b.window->mnuSaveFile->trigger();
            QVERIFY(QFile::exists(b.path(QStringLiteral("saved.log"))));
        } else if (step == QLatin1String("open")) {
            b.prompter.answerButton(Prompter::Discard); // the unsaved download
            b.prompter.answerFile(logPath);
            b.window->mnuOpenFile->trigger();
            QVERIFY(!b.state.log.DataBufferEmpty);
        } else if (step == QLatin1String("live")) {
            b.prompter.answerButton(Prompter::Discard); // the unsaved download
            b.window->mnuViewRealTime->trigger();
            QVERIFY(b.state.log.DataBufferEmpty);
        }
    }
    b.prompter.clear();
    b.window->mnuExit->trigger();
    QCOMPARE(b.boxesTitled(QStringLiteral("Exit")).size(), 0);
    QVERIFY(!b.window->isVisible());
}

void tst_acceptance::exitWithUnsavedWorkbenchSetup_data() {
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("answerSaveDialog");
    QTest::addColumn<bool>("ends");
    QTest::newRow("nothing pasted: not asked") << false << int(Prompter::Cancel) << false << true;
    QTest::newRow("Save") << true << int(Prompter::Save) << true << true;
    QTest::newRow("Save, file dialog cancelled") << true << int(Prompter::Save) << false << false;
    QTest::newRow("Discard") << true << int(Prompter::Discard) << false << true;
    QTest::newRow("Cancel") << true << int(Prompter::Cancel) << false << false;
}

// A base map pasted from the engine computer exists nowhere else: leaving the program (or
// closing the workbench) offers to save the setup first.
void tst_acceptance::exitWithUnsavedWorkbenchSetup() {
    QFETCH(bool, pasted);
    QFETCH(int, answer);
    QFETCH(bool, answerSaveDialog);
    QFETCH(bool, ends);
    MainWindowBench b;
    b.modals.closeEverything();
    b.window->mnuViewTuningWorkbench->trigger();
    frmTuningWorkbench* w = b.window->tuningWorkbench();
    QVERIFY(w);
    const QString base = QStringLiteral("RPM\t40\t80\n2000\t50.0\t60.0\n4000\t70.0\t80.0\n");
    if (pasted) {
        w->showTable(WorkbenchTable::Base);
        QApplication::clipboard()->setText(base);
        w->pasteTable();
        QVERIFY(w->session().hasBase());
    }
    b.prompter.clear();
    const QString setupPath = b.path(QStringLiteral("setup.txt"));
    b.prompter.answerButton(Prompter::Button(answer));
    b.prompter.answerFile(answerSaveDialog ? setupPath : QString());
    b.window->mnuExit->trigger();

    const QList<Box> asked = b.boxesTitled(frmTuningWorkbench::kTitle);
    QCOMPARE(asked.size(), pasted ? 1 : 0);
    if (pasted) {
        QVERIFY2(asked[0].text.startsWith(QStringLiteral("Save the tuning setup")),
                 qPrintable(asked[0].text));
        QCOMPARE(asked[0].buttons,
                 Prompter::Buttons(Prompter::Save | Prompter::Discard | Prompter::Cancel));
    }
    QCOMPARE(b.window->isVisible(), !ends);
    QCOMPARE(QFile::exists(setupPath), answerSaveDialog);
    if (answerSaveDialog)
        QVERIFY(readAll(setupPath).contains("2000\t50.0\t60.0"));
    if (!ends) {
        // Staying keeps the map; the workbench's own close asks as well.
        QVERIFY(w->isVisible() && w->session().hasBase());
        b.prompter.answerButton(Prompter::Cancel);
        w->close();
        QVERIFY(w->isVisible());
        QCOMPARE(b.boxesTitled(frmTuningWorkbench::kTitle).size(), 2);
        b.prompter.answerButton(Prompter::Discard);
        b.window->close();
        QVERIFY(!b.window->isVisible());
    }
}

void tst_acceptance::fileAddedToTableLeavesUnsavedDownload() {
    // The analog input set up as a throttle sensor, as the table needs.
    MainWindowBench::Options options;
    options.settings = {{QStringLiteral("AnalogInputType"), QStringLiteral("TPS")},
                        {QStringLiteral("AnalogLegend"), QStringLiteral("TPS(%)")},
                        {QStringLiteral("MaxScaledValue"), QStringLiteral("100")}};
    MainWindowBench b(options);
    b.modals.closeEverything();
    const QString otherPath = b.path(QStringLiteral("other.log"));
    {
        // Another day's log on disk, unlike the download: richer everywhere, on a
        // throttle sensor of another range.
        MainWindowBench other;
        other.modals.closeEverything();
        other.window->mnuDownload->trigger();
        other.state.log.AFR1.fill(13.0f);
        other.state.log.AFR2.fill(13.0f);
        other.state.log.RPM.fill(4000.0f);
        other.state.log.AnalogLegend = QStringLiteral("Throttle TPS %");
        other.state.log.MaxScaledValue = 50.0f;
        other.prompter.answerFile(otherPath);
        other.prompter.answerInput(QString());
        other.window->mnuSaveFile->trigger();
        QVERIFY(QFile::exists(otherPath));
    }
    b.window->mnuDownload->trigger();
    QVERIFY(b.state.window.LogUnsaved);
    const LogBuffer downloaded = b.state.log;
    const QString caption = b.window->windowTitle();
    b.modals.closeEverything(false);
    b.prompter.clear();

    QString mergedCaption;
    qint32 mergedSamples = 0;
    b.modals.expect<frmAFRTable>([&](frmAFRTable& table) {
        const auto& before = table.table().CellSampleCount();
        const qint32 counted = std::accumulate(before.begin(), before.end(), 0);
        b.prompter.answerFile(otherPath);
        table.mnuOpenAddFile->trigger();
        const auto& after = table.table().CellSampleCount();
        mergedSamples = std::accumulate(after.begin(), after.end(), 0) - counted;
        mergedCaption = b.window->windowTitle();
    });
    b.window->mnuViewAFRTable->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.prompter.messageTexts(), QStringList());
    QVERIFY(mergedCaption.endsWith(QStringLiteral(" - Added File - other.log")));
    QVERIFY2(mergedSamples > 1000, qPrintable(QString::number(mergedSamples)));

    // The download is in memory as it was, still unsaved, under its own caption.
    QVERIFY(sameSamples(b.state.log, downloaded));
    QCOMPARE(b.state.log.AnalogLegend, downloaded.AnalogLegend);
    QCOMPARE(b.state.log.MaxScaledValue, downloaded.MaxScaledValue);
    QCOMPARE(b.state.log.DownloadDate, downloaded.DownloadDate);
    QVERIFY(!b.state.log.DataBufferEmpty);
    QVERIFY(b.state.window.LogUnsaved);
    QVERIFY(!b.state.window.AddedFileLoaded);
    QCOMPARE(b.window->windowTitle(), caption);

    // File > Save writes the download, and opening that file brings it back.
    const QString savedPath = b.path(QStringLiteral("download.log"));
    b.modals.closeEverything();
    b.prompter.answerFile(savedPath);
    b.prompter.answerInput(QString());
    b.window->mnuSaveFile->trigger();
    QVERIFY(!b.state.window.LogUnsaved);
    const QByteArray saved = readAll(savedPath);
    QVERIFY(!saved.contains("Throttle TPS %"));
    // Byte for byte the download as it arrived.
    QCOMPARE(saved, readAll(newestKept(b)));
    b.state.log.ClearDataBuffer();
    b.prompter.answerFile(savedPath);
    b.window->mnuOpenFile->trigger();
    QVERIFY(sameSamples(b.state.log, downloaded));
}

void tst_acceptance::closingDuringDownloadEndsIt_data() {
    QTest::addColumn<bool>("verify");
    QTest::newRow("single read") << false;
    QTest::newRow("verified read") << true;
}

void tst_acceptance::closingDuringDownloadEndsIt() {
    QFETCH(bool, verify);
    MainWindowBench b;
    b.window->mnuVerifyDownload->setChecked(verify);
    int steps = 0;
    qint64 closedAtUs = -1;
    b.clock.addEventHook([&] {
        if (b.window->fraProgress1->isVisible() && ++steps == 300) {
            closedAtUs = b.clock.nowUs();
            b.window->close(); // the close box, in the middle of the read
        }
    });
    b.window->mnuDownload->trigger();

    QVERIFY(closedAtUs >= 0);
    QVERIFY(!b.window->isVisible());
    // Stopped at its next step: a block or so after the close, not the whole memory.
    QVERIFY2(b.module.blockReads() < 310, qPrintable(QString::number(b.module.blockReads())));
    const qint64 windDownUs = b.clock.nowUs() - closedAtUs;
    QVERIFY2(windDownUs < 100000, qPrintable(QString::number(windDownUs)));
    QVERIFY(!b.link->isOpen());
    // Nothing is left on the screen of a program the user has left: no failure report,
    // no chart, no question about a log that never arrived.
    QCOMPARE(b.prompter.messageTexts(),
             QStringList{QStringLiteral("Firmware ID: ") + b.module.identification()});
    QCOMPARE(b.modals.seen(), QStringList());
    QVERIFY(b.state.log.DataBufferEmpty);
    QVERIFY(!b.state.window.LogUnsaved);
    QVERIFY(!b.state.window.AbortRequested);
}

namespace {

// Downloads once and saves the log under each name; returns the paths.
QStringList savedLogs(MainWindowBench& b, const QStringList& names) {
    b.modals.closeEverything();
    b.window->mnuDownload->trigger();
    QStringList paths;
    for (const QString& name : names) {
        paths << b.path(name);
        b.prompter.answerFile(paths.last());
        b.prompter.answerInput(QString());
        b.window->mnuSaveFile->trigger();
    }
    b.prompter.clear();
    return paths;
}

QStringList recentCaptions(const frmMain& window) {
    QStringList out;
    for (const QAction* a : window.mnuRecentFiles->actions())
        if (a->isVisible())
            out << a->text();
    return out;
}

// A file manager's drag of `paths`, dropped on the window; false when the window refused
// it already on entering.
bool drop(QWidget& window, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at = window.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &dropped);
    // The open runs once the drop has returned.
    QCoreApplication::processEvents();
    return dropped.isAccepted();
}

} // namespace

void tst_acceptance::recentFilesMenu() {
    QStringList stored;
    {
        MainWindowBench b;
        QAction* submenu = b.action(QStringLiteral("mnuRecentFiles"));
        QVERIFY(submenu);
        QVERIFY(!submenu->isEnabled()); // nothing opened or saved yet
        QStringList names;
        for (int i = 1; i <= 9; ++i)
            names << QStringLiteral("run%1.log").arg(i);
        const QStringList paths = savedLogs(b, names);
        QVERIFY(submenu->isEnabled());
        QCOMPARE(recentCaptions(*b.window),
                 (QStringList{"&1 run9.log", "&2 run8.log", "&3 run7.log", "&4 run6.log",
                              "&5 run5.log", "&6 run4.log", "&7 run3.log", "&8 run2.log"}));
        QCOMPARE(b.window->mnuRecentFile[0]->toolTip(), QDir::toNativeSeparators(paths[8]));

        // Chosen from the menu: opened as File > Open opens it, overwrite question first,
        // and it moves to the top.
        b.modals.closeEverything(false);
        b.modals.expect<frmChart1>();
        b.prompter.answerButton(Prompter::Ok);
        b.window->mnuRecentFile[5]->trigger(); // run4.log
        QCOMPARE(b.modals.unexpected(), QStringList());
        QCOMPARE(b.prompter.messageTexts(),
                 QStringList{QStringLiteral("Data buffer not empty. OK to overwrite?")});
        QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - run4.log")));
        QCOMPARE(recentCaptions(*b.window).first(), QStringLiteral("&1 run4.log"));
        QCOMPARE(recentCaptions(*b.window).size(), 8);

        // Cancel at the question leaves the log in memory and the list alone.
        const LogBuffer before = b.state.log;
        b.prompter.clear();
        b.prompter.answerButton(Prompter::Cancel);
        b.window->mnuRecentFile[1]->trigger();
        QVERIFY(sameSamples(b.state.log, before));
        QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - run4.log")));
        QCOMPARE(recentCaptions(*b.window).first(), QStringLiteral("&1 run4.log"));
        stored = b.setting(QStringLiteral("RecentFiles")).value_or(QString()).split(u'\n');
    }
    QCOMPARE(stored.size(), 8);
    // The next run offers the same list.
    MainWindowBench::Options options;
    options.settings = {{QStringLiteral("RecentFiles"), stored.join(u'\n')}};
    MainWindowBench next(options);
    QVERIFY(next.action(QStringLiteral("mnuRecentFiles"))->isEnabled());
    QCOMPARE(recentCaptions(*next.window).size(), 8);
    QCOMPARE(recentCaptions(*next.window).first(), QStringLiteral("&1 run4.log"));
    QCOMPARE(next.window->mnuRecentFile[0]->data().toString(), stored.first());
}

void tst_acceptance::recentFileGoneIsReported() {
    MainWindowBench b;
    const QStringList paths =
        savedLogs(b, {QStringLiteral("kept.log"), QStringLiteral("gone.log")});
    QVERIFY(QFile::remove(paths[1]));
    const LogBuffer before = b.state.log;
    const QString caption = b.window->windowTitle();
    b.window->mnuRecentFile[0]->trigger(); // gone.log
    QCOMPARE(b.prompter.messages().size(), 1);
    const Box box = b.prompter.messages().first();
    QCOMPARE(box.text, QDir::toNativeSeparators(paths[1]) +
                           QStringLiteral(" no longer exists. It has been removed from the "
                                          "Recent Files list."));
    QCOMPARE(box.title, QStringLiteral("Open Log File"));
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(recentCaptions(*b.window), QStringList{QStringLiteral("&1 kept.log")});
    QCOMPARE(b.setting(QStringLiteral("RecentFiles")), paths[0]);
    QVERIFY(sameSamples(b.state.log, before));
    QCOMPARE(b.window->windowTitle(), caption);

    // The last one gone: the submenu goes grey.
    QVERIFY(QFile::remove(paths[0]));
    b.window->mnuRecentFile[0]->trigger();
    QVERIFY(!b.action(QStringLiteral("mnuRecentFiles"))->isEnabled());
}

void tst_acceptance::droppedLogFileOpens_data() {
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opens");
    QTest::newRow("empty buffer") << false << -1 << true;
    QTest::newRow("unsaved download, Discard") << true << int(Prompter::Discard) << true;
    QTest::newRow("unsaved download, Cancel") << true << int(Prompter::Cancel) << false;
}

void tst_acceptance::droppedLogFileOpens() {
    QFETCH(bool, unsaved);
    QFETCH(int, answer);
    QFETCH(bool, opens);
    const QString onDisk = [] {
        // A log on disk from another session, richer than any download.
        static QTemporaryDir keep;
        const QString path = keep.filePath(QStringLiteral("dyno day.log"));
        if (!QFile::exists(path)) {
            MainWindowBench other;
            other.modals.closeEverything();
            other.window->mnuDownload->trigger();
            other.state.log.AFR1.fill(12.5f);
            other.prompter.answerFile(path);
            other.prompter.answerInput(QString());
            other.window->mnuSaveFile->trigger();
        }
        return path;
    }();
    QVERIFY(QFile::exists(onDisk));
    MainWindowBench b;
    b.modals.closeEverything();
    if (unsaved)
        b.window->mnuDownload->trigger();
    b.prompter.clear();
    const LogBuffer before = b.state.log;
    const QString note = b.path(QStringLiteral("notes.txt"));
    {
        QFile f(note);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a log\n");
    }
    // Files of other kinds are turned away as the drag enters.
    QVERIFY(!drop(*b.window, {note}));
    QVERIFY(!drop(*b.window, {b.path(QStringLiteral("missing.log"))}));
    QVERIFY(b.prompter.messages().isEmpty());

    b.prompter.clear();
    if (answer >= 0)
        b.prompter.answerButton(Prompter::Button(answer));
    QVERIFY(drop(*b.window, {note, onDisk}));
    // An unsaved download is offered for saving first, as at exit.
    QCOMPARE(b.prompter.messageTexts(), unsaved
                                            ? QStringList{LogFileCommands::kUnsavedLogQuestion.arg(
                                                  QStringLiteral("Opening a file replaces it."))}
                                            : QStringList());
    if (opens) {
        QVERIFY(std::count(b.state.log.AFR1.begin(), b.state.log.AFR1.end(), 12.5f) >
                LogBuffer::kSamples / 2);
        QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - dyno day.log")));
        QVERIFY(!b.state.window.LogUnsaved);
        QCOMPARE(recentCaptions(*b.window).first(), QStringLiteral("&1 dyno day.log"));
    } else {
        QVERIFY(sameSamples(b.state.log, before));
        QVERIFY(b.state.window.LogUnsaved);
    }
}

void tst_acceptance::unsavedDownloadOfferedBeforeItIsEmptied_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("effect");
    QTest::addColumn<int>("answer");
    const struct {
        const char* name;
        const char* command;
        const char* title;
        const char* effect;
    } commands[] = {
        {"QERO Parameters", "mnuEditQEROParams", "QERO Parameters",
         "The parameter panel empties it."},
        {"Real Time Data", "mnuViewRealTime", "View Real Time Data",
         "The real-time view empties it."},
        {"a new download", "mnuDownload", "Download Data", "A new download replaces it."},
        {"Open File", "mnuOpenFile", "Open Log File", "Opening a file replaces it."},
    };
    for (const auto& c : commands)
        for (const auto& [answerName, answer] :
             {std::pair{"Cancel", Prompter::Cancel}, std::pair{"Save", Prompter::Save},
              std::pair{"Discard", Prompter::Discard}})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(c.name, answerName)))
                << QString::fromLatin1(c.command) << QString::fromLatin1(c.title)
                << QString::fromLatin1(c.effect) << int(answer);
}

void tst_acceptance::unsavedDownloadOfferedBeforeItIsEmptied() {
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(QString, effect);
    QFETCH(int, answer);
    MainWindowBench b;
    b.modals.closeEverything();
    b.window->mnuDownload->trigger();
    QVERIFY(b.state.window.LogUnsaved);
    const QString caption = b.window->windowTitle();
    // The download as it was written the moment it arrived.
    const QString keptPath = newestKept(b);
    const QByteArray reference = readAll(keptPath);
    QVERIFY(reference.size() > LogBuffer::kSamples * 10);
    QAction* action = b.action(command);
    QVERIFY(action);

    b.prompter.clear();
    b.prompter.answerButton(Prompter::Button(answer));
    const QString savedPath = b.path(QStringLiteral("saved.log"));
    if (answer == Prompter::Save) {
        b.prompter.answerFile(savedPath);
        b.prompter.answerInput(QString()); // no comment
    }
    if (answer != Prompter::Cancel && command == QLatin1String("mnuOpenFile"))
        b.prompter.answerFile(QString()); // its own dialog, cancelled
    const int readsBefore = b.module.blockReads();
    action->trigger();

    const QList<Box> asked = b.boxesTitled(title);
    QVERIFY(!asked.isEmpty());
    QCOMPARE(asked.first().text, LogFileCommands::kUnsavedLogQuestion.arg(effect));
    QCOMPARE(asked.first().buttons,
             Prompter::Buttons(Prompter::Save | Prompter::Discard | Prompter::Cancel));
    QCOMPARE(asked.first().icon, Icon::Question);

    const bool ran = answer != Prompter::Cancel;
    QCOMPARE(b.state.window.RealTimeActive, ran && command == QLatin1String("mnuViewRealTime"));
    QCOMPARE(b.window->fraQEROParams->isVisible(),
             ran && command == QLatin1String("mnuEditQEROParams"));
    QCOMPARE(b.module.blockReads() > readsBefore, ran && command == QLatin1String("mnuDownload"));
    b.window->cmdCloseRealTimeData_Click();
    if (!ran) {
        // Cancel leaves everything as it was: the log, its caption, still unsaved; File >
        // Save then gives the download back byte for byte.
        QCOMPARE(b.prompter.messages().size(), 1);
        QVERIFY(b.state.window.LogUnsaved);
        QCOMPARE(b.window->windowTitle(), caption);
        QCOMPARE(savedBytes(b, QStringLiteral("after-cancel.log")), reference);
    } else if (answer == Prompter::Save) {
        QCOMPARE(readAll(savedPath), reference);
    }
    // Whatever the answer, the download is still on disk as it arrived.
    QCOMPARE(readAll(keptPath), reference);
    // A log that has been saved is not asked about again.
    if (answer == Prompter::Save && command != QLatin1String("mnuDownload")) {
        b.prompter.clear();
        b.prompter.answerButton(Prompter::Cancel); // would stop the command if asked
        b.window->mnuDownload->trigger();
        QVERIFY(b.boxesTitled(QStringLiteral("Download Data")).first().text !=
                LogFileCommands::kUnsavedLogQuestion.arg(
                    QStringLiteral("A new download replaces it.")));
    }
}

void tst_acceptance::unreadableFileLeavesTheDownload_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("how");
    const QByteArray header = "\"Data Logging Interval\",.5\r\n\"Maximum RPM Display\",4000\r\n"
                              "\"Minimum Input Voltage\",1\r\n";
    QTest::newRow("ends inside its header, File > Open") << header << QStringLiteral("menu");
    QTest::newRow("ends inside its header, Recent Files") << header << QStringLiteral("recent");
    QTest::newRow("ends inside its header, dropped") << header << QStringLiteral("drop");
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("menu");
}

void tst_acceptance::unreadableFileLeavesTheDownload() {
    QFETCH(QByteArray, content);
    QFETCH(QString, how);
    MainWindowBench b;
    b.modals.closeEverything();
    b.window->mnuDownload->trigger();
    const LogBuffer downloaded = b.state.log;
    const QString caption = b.window->windowTitle();
    const QByteArray reference = readAll(newestKept(b));
    const QString bad = b.path(QStringLiteral("short.log"));
    QVERIFY(writeFile(bad, content));

    b.prompter.clear();
    b.prompter.answerButton(Prompter::Discard); // go on to the file
    if (how == QLatin1String("menu")) {
        b.prompter.answerFile(bad);
        b.window->mnuOpenFile->trigger();
    } else if (how == QLatin1String("recent")) {
        b.window->openRecentFile(bad);
    } else {
        b.window->openDroppedFile(bad);
    }
    QVERIFY2(b.prompter.messageTexts().join(u'\n').contains(QStringLiteral("No data found")),
             qPrintable(b.prompter.messageTexts().join(u'\n')));
    // Refused, and the download is untouched: still there, still unsaved, same caption.
    QVERIFY(!b.state.log.DataBufferEmpty);
    QVERIFY(sameSamples(b.state.log, downloaded));
    QCOMPARE(b.state.log.DataLogInterval, downloaded.DataLogInterval);
    QCOMPARE(b.state.log.MaxRPMDisplay, downloaded.MaxRPMDisplay);
    QCOMPARE(b.state.log.MinInVolts, downloaded.MinInVolts);
    QCOMPARE(b.state.log.DownloadDate, downloaded.DownloadDate);
    QVERIFY(b.state.window.LogUnsaved);
    QCOMPARE(b.window->windowTitle(), caption);
    // View Chart still shows it, and File > Save gives it back byte for byte.
    b.prompter.clear();
    b.modals.closeEverything(false);
    b.modals.expect<frmChart1>();
    b.window->mnuViewChart->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.modals.pending(), 0);
    QVERIFY(b.prompter.messages().isEmpty());
    b.modals.closeEverything();
    QCOMPARE(savedBytes(b, QStringLiteral("kept.log")), reference);
}

void tst_acceptance::everyDownloadIsKept() {
    MainWindowBench b;
    b.modals.closeEverything();
    QAction* submenu = b.action(QStringLiteral("mnuRecentDownloads"));
    QVERIFY(submenu);
    QVERIFY(!submenu->isEnabled()); // nothing downloaded yet
    b.window->mnuDownload->trigger();
    const QStringList kept = QDir(b.downloadsFolder()).entryList({"*.log"}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^download-\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.log$"))
                 .match(kept.first())
                 .hasMatch(),
             qPrintable(kept.first()));
    const QString keptPath = QDir(b.downloadsFolder()).filePath(kept.first());
    QVERIFY(submenu->isEnabled());
    QCOMPARE(b.window->mnuRecentDownload[0]->text(), QStringLiteral("&1 ") + kept.first());
    QVERIFY(b.window->mnuRecentDownload[0]->isVisible());
    QVERIFY(!b.window->mnuRecentDownload[1]->isVisible());
    const QByteArray keptBytes = readAll(keptPath);

    // Every answer that could lose it: Discard at the live view, the module reset by it.
    b.prompter.clear();
    b.prompter.answerButton(Prompter::Discard);
    b.window->mnuViewRealTime->trigger();
    QVERIFY(b.state.log.DataBufferEmpty);
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - Data Buffer Empty")));
    b.window->cmdCloseRealTimeData_Click();
    b.prompter.clear();
    b.modals.closeEverything();
    b.window->mnuViewChart->trigger();
    QCOMPARE(b.prompter.messageTexts(), QStringList{QStringLiteral("Data buffer empty.")});

    // The kept download opens from the menu, and saved again it is the same file.
    b.prompter.clear();
    b.window->mnuRecentDownload[0]->trigger();
    QVERIFY(!b.state.log.DataBufferEmpty);
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - ") + kept.first()));
    QCOMPARE(savedBytes(b, QStringLiteral("from-kept.log")), keptBytes);

    // Two more downloads, in the same second or not: each its own file, newest first.
    b.prompter.clear();
    b.window->mnuDownload->trigger();
    b.prompter.answerButton(Prompter::Discard); // the first of the two, not saved
    b.window->mnuDownload->trigger();
    const QStringList all = QDir(b.downloadsFolder()).entryList({"*.log"}, QDir::Files);
    QCOMPARE(all.size(), 3);
    QCOMPARE(b.window->mnuRecentDownload[2]->data().toString(), keptPath);
    // A kept download holds what File > Save writes, comment aside.
    QByteArray saved = savedBytes(b, QStringLiteral("last.log"));
    QCOMPARE(readAll(b.window->mnuRecentDownload[0]->data().toString()), saved);
}

void tst_acceptance::downloadTakesWhatTheReadmeSays() {
    // The line time of the 1024 block reads and the protocol's pauses, on the simulated
    // module's clock: the README says "about 17 seconds".
    MainWindowBench b;
    b.modals.closeEverything();
    const qint64 start = b.clock.nowUs();
    b.window->mnuDownload->trigger();
    QVERIFY(!b.state.log.DataBufferEmpty);
    const double seconds = double(b.clock.nowUs() - start) / 1e6;
    QVERIFY2(seconds > 15.5 && seconds < 18.5, qPrintable(QString::number(seconds)));
    QVERIFY(
        readAll(QStringLiteral(QERO_SOURCE_DATA "/../README.md")).contains("(about 17 seconds"));
}

void tst_acceptance::ctrlSInTheChartSavesTheLog() {
    MainWindowBench b;
    const QString path = b.path(QStringLiteral("from-chart.log"));
    bool savedWhileShown = false;
    b.modals.expect<frmChart1>([&](frmChart1& chart) {
        b.prompter.answerFile(path);
        b.prompter.answerInput(QString());
        QApplication::setActiveWindow(&chart);
        QTest::keyClick(&chart, Qt::Key_S, Qt::ControlModifier);
        savedWhileShown = QFile::exists(path) && chart.isVisible();
    });
    b.window->mnuDownload->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    QCOMPARE(b.modals.pending(), 0);
    // Saved as File > Save saves it, from inside the chart, which stayed open.
    QVERIFY(savedWhileShown);
    QVERIFY(!b.state.window.LogUnsaved);
    QVERIFY(b.window->windowTitle().endsWith(QStringLiteral(" - from-chart.log")));
    QCOMPARE(readAll(path), readAll(newestKept(b)));
}

void tst_acceptance::keptDownloadsCanBeTurnedOff() {
    MainWindowBench::Options options;
    options.settings = {{DownloadArchive::kEnabledKey, QStringLiteral("False")}};
    MainWindowBench b(options);
    b.modals.closeEverything();
    b.window->mnuDownload->trigger();
    QVERIFY(!b.state.log.DataBufferEmpty);
    QVERIFY(!QDir(b.downloadsFolder()).exists() ||
            QDir(b.downloadsFolder()).entryList(QDir::Files).isEmpty());
    QVERIFY2(!b.action(QStringLiteral("mnuRecentDownloads"))->isEnabled(),
             qPrintable(DownloadArchive(*b.settings).files().join(u',')));
}

void tst_acceptance::verifiedDownloadOverNoisyLine() {
    MainWindowBench b;
    QVERIFY(!b.window->mnuVerifyDownload->isChecked());
    b.window->mnuVerifyDownload->trigger();
    QVERIFY(b.window->mnuVerifyDownload->isChecked());
    QCOMPARE(b.setting(QStringLiteral("VerifyDownload")), QStringLiteral("True"));

    // One reply byte in a hundred garbled, unnoticed by the line: most blocks differ
    // between two reads.
    b.module.faults().noise = 0.01;
    b.module.faults().noiseFlagged = false;
    b.modals.expect<frmChart1>();
    b.window->mnuDownload->trigger();
    QCOMPARE(b.modals.unexpected(), QStringList());
    const QList<Box> boxes = b.boxesTitled(QStringLiteral("Download Data"));
    QVERIFY(!boxes.isEmpty());
    static const QRegularExpression report(
        QStringLiteral("^Verified download: (\\d+) of 1024 blocks needed re-reading.$"));
    const QRegularExpressionMatch m = report.match(boxes.last().text);
    QVERIFY2(m.hasMatch(), qPrintable(boxes.last().text));
    QVERIFY(m.captured(1).toInt() > 100);
    QCOMPARE(boxes.last().icon, Prompter::Icon::Information);
    QVERIFY(std::equal(b.state.fram.FRAMBuffer.begin(), b.state.fram.FRAMBuffer.end(),
                       b.module.memory().bytes.begin()));

    // Turned off again, and remembered so.
    b.window->mnuVerifyDownload->trigger();
    QCOMPARE(b.setting(QStringLiteral("VerifyDownload")), QStringLiteral("False"));
}

void tst_acceptance::logViewerBesideTheLogInMemory() {
    MainWindowBench b;
    b.state.log.ClearDataBuffer();
    b.state.log.DataBufferEmpty = false;
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        b.state.log.ElapsedTime[i] = 0.1f * float(i + 1);
        b.state.log.RPM[i] = 2000.0f + float(i % 100);
        b.state.log.AFR1[i] = b.state.log.AFR2[i] = 13.8f;
    }
    const LogBuffer before = b.state.log;

    // The log in memory in a viewer of its own: not modal, every sample.
    b.window->mnuViewLogViewer->trigger();
    QList<frmLogViewer*> viewers = b.window->findChildren<frmLogViewer*>();
    QCOMPARE(viewers.size(), 1);
    QVERIFY(viewers[0]->isVisible());
    QVERIFY(!viewers[0]->isModal());
    QCOMPARE(b.modals.seen(), QStringList());
    QCOMPARE(viewers[0]->log().rows(), std::size_t(LogBuffer::kSamples));

    // A recording dropped on the window opens whole beside it; the log in memory stays.
    QTemporaryDir dir;
    QByteArray recording =
        "# QERO4D Log recording; model=QERO4D; firmware=Rev 3; fuel=Gasoline; stoich=14.69; "
        "analog=NONE; legend=Analog Input; volts=0..5; scaled=0..5; started=2026-12-11T10:00:00\n"
        "Time_s,AFR1,Lambda1,Status1,AFR2,Lambda2,Status2,RPM,Analog_V,Analog_Scaled,Battery_V,"
        "CellRes1_Ohm,CellRes2_Ohm,Ethanol_pct,Mark\n";
    for (int i = 0; i < 904; ++i)
        recording += QByteArray::number(0.07 * i, 'f', 3) +
                     ",13.500,0.9190,0,13.500,0.9190,0,3000,1.000,1.000,13.8,80,80,,0\n";
    const QString path = dir.filePath(QStringLiteral("rec1.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(recording);
    f.close();
    b.window->openDroppedFile(path);
    viewers = b.window->findChildren<frmLogViewer*>();
    QCOMPARE(viewers.size(), 2);
    frmLogViewer* rec = viewers[0]->log().rows() == 904 ? viewers[0] : viewers[1];
    QCOMPARE(rec->log().rows(), std::size_t(904));
    QCOMPARE(b.modals.seen(), QStringList());
    QVERIFY(b.state.log.RPM == before.RPM);
    QVERIFY(b.state.log.ElapsedTime == before.ElapsedTime);
    QVERIFY(!b.state.log.DataBufferEmpty);
    for (frmLogViewer* v : viewers)
        v->close();
}

void tst_acceptance::everyMenuEntryEnabledAndExercised() {
    // With a file in the list, as after any open or save: an empty list greys its submenu.
    MainWindowBench::Options options;
    options.settings = {{QStringLiteral("RecentFiles"), QStringLiteral("/logs/drive.log")}};
    MainWindowBench b(options);
    // And a download kept from an earlier run.
    QVERIFY(QDir().mkpath(b.downloadsFolder()));
    QVERIFY(writeFile(
        QDir(b.downloadsFolder()).filePath(QStringLiteral("download-2026-01-02_03-04-05.log")),
        "\"Data Logging Interval\",.1\r\n"));
    Q_EMIT b.window->mnuFile->aboutToShow();
    QStringList menus;
    for (QAction* top : b.window->menuBar()->actions())
        menus << top->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&View", "&Communications", "&Help"}));

    const QList<QAction*> actions = b.menuActions();
    QCOMPARE(actions.size(), int(std::size(kMenuRules)));
    for (int i = 0; i < actions.size(); ++i) {
        QCOMPARE(actions[i]->objectName(), QLatin1String(kMenuRules[i].name));
        QCOMPARE(actions[i]->text(), QLatin1String(kMenuRules[i].caption));
        QVERIFY2(actions[i]->isEnabled(), kMenuRules[i].name);
        QVERIFY2(actions[i]->isVisible(), kMenuRules[i].name);
        QVERIFY2(MainWindowBench::exercised().contains(actions[i]->objectName()),
                 kMenuRules[i].name);
    }
}

void tst_acceptance::tuningWorkbenchBesideTheOtherWindows() {
    MainWindowBench b;
    b.state.log.DataBufferEmpty = false;
    for (int i = 0; i < 40; ++i) {
        b.state.log.ElapsedTime[i] = 0.1f * float(i + 1);
        b.state.log.RPM[i] = 2500.0f;
        b.state.log.AnalogInVolts[i] = 2.0f;
        b.state.log.AFR1[i] = b.state.log.AFR2[i] = 13.8f;
    }
    const LogBuffer before = b.state.log;
    const auto sameLog = [&] {
        const LogBuffer& now = b.state.log;
        return now.ElapsedTime == before.ElapsedTime && now.AFR1 == before.AFR1 &&
               now.AFR2 == before.AFR2 && now.RPM == before.RPM &&
               now.AnalogInVolts == before.AnalogInVolts &&
               now.Sensor1Status == before.Sensor1Status &&
               now.Sensor2Status == before.Sensor2Status && now.StoichRatio == before.StoichRatio &&
               now.FuelType == before.FuelType && now.DataBufferEmpty == before.DataBufferEmpty;
    };

    b.window->mnuViewTuningWorkbench->trigger();
    QPointer<frmTuningWorkbench> w = b.window->tuningWorkbench();
    QVERIFY(w);
    // Not modal: it stays open beside the main window, which goes on taking commands.
    QVERIFY(w->isVisible());
    QVERIFY(w->isWindow());
    QVERIFY(!w->isModal());
    QCOMPARE(b.modals.seen(), QStringList());
    QCOMPARE(w->windowTitle(), QStringLiteral("Tuning Workbench"));
    QCOMPARE(w->tblInputs->rowCount(), 1);
    QCOMPARE(w->tblInputs->item(0, 1)->text(), QStringLiteral("40"));

    // Asked for again: the same window, with the log in memory as it is now.
    b.state.log.RPM[40] = 2500.0f;
    b.state.log.ElapsedTime[40] = 4.1f;
    b.state.log.AFR1[40] = b.state.log.AFR2[40] = 13.8f;
    b.state.log.AnalogInVolts[40] = 2.0f;
    b.window->mnuViewTuningWorkbench->trigger();
    QCOMPARE(b.window->tuningWorkbench(), w.data());
    QCOMPARE(w->tblInputs->item(0, 1)->text(), QStringLiteral("41"));
    b.state.log = before;
    b.window->mnuViewTuningWorkbench->trigger();

    // Working in it and closing it leaves the log in memory as it was. The changed
    // setting is offered to be saved first.
    w->spnMinWeight->setValue(2);
    w->selectCell(4, 3);
    b.prompter.answerButton(Prompter::Discard);
    w->close();
    QCOMPARE(b.boxesTitled(frmTuningWorkbench::kTitle).size(), 1);
    b.prompter.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
    QVERIFY(sameLog());
    b.window->mnuViewTuningWorkbench->trigger();
    QVERIFY(b.window->tuningWorkbench());
    QVERIFY(b.prompter.messages().isEmpty());
}

QTEST_MAIN(tst_acceptance)
#include "tst_acceptance.moc"
