// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "SimulatedLink.h"
#include "app/frmMain.h"
#include "device/ModuleSession.h"
#include "logdata/AppState.h"
#include "logdata/RecordingReader.h"
#include "realtime/BarGauge.h"
#include "realtime/LiveRecorder.h"
#include "realtime/RealTimeDataFrame.h"
#include "realtime/RealTimePoller.h"
#include "realtime/TachometerDial.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// The main window talking to a simulated module on the virtual clock; its own timers
// are stopped so that each test drives the ticks itself.
struct Rig {
    QTemporaryDir dir;
    AppState state;
    IniSettingsStore store{dir.filePath(QStringLiteral("settings.ini"))};
    ScriptedPrompter prompter;
    VirtualClock clock;
    QeroModule module;
    SimulatedLink* link = nullptr;
    std::unique_ptr<ModuleSession> session;
    std::unique_ptr<frmMain> w;

    explicit Rig(QeroModule::Model model = QeroModule::Model::Qero4dRev3) : module(model) {
        auto l = std::make_unique<SimulatedLink>(module, clock);
        link = l.get();
        session = std::make_unique<ModuleSession>(state, clock, prompter, std::move(l));
        w = std::make_unique<frmMain>(state, store, prompter, clock, *session);
        w->tmrStateMachine->stop();
        w->tmrDataRead->stop();
        w->resize(1000, 760);
        w->show();
        prompter.clear();
    }
};

} // namespace

class TestRealTimeView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opening();
    void openingDiscardsTheLog();
    void unknownModuleFallsBack();
    void ethanolGaugeByModel();
    void deadLinkOpensThenCloses();
    void pollingFillsTheGauges();
    void closeButton();
    void commandsCloseTheViewFirst_data();
    void commandsCloseTheViewFirst();
    void maxRPMReachesTheTachometer();
    void recordAndMarkFromTheKeyboard();
    void failedRecordingIsReported();
};

void TestRealTimeView::opening() {
    Rig r;
    r.w->mnuViewRealTime_Click();
    QVERIFY(r.prompter.boxes().isEmpty());
    QVERIFY(r.state.window.RealTimeActive);
    QVERIFY(r.w->fraRealTimeData->isVisible());
    QCOMPARE(r.w->tmrDataRead->interval(), 10);
    QCOMPARE(r.state.module.QEROVersion, QStringLiteral("QERO4D Rev 3"));
    QVERIFY(!r.link->isOpen()); // the restart command closed it
    QVERIFY(r.w->mnuViewRealTime->isEnabled());
}

void TestRealTimeView::openingDiscardsTheLog() {
    Rig r;
    r.state.log.DataBufferEmpty = false;
    r.state.log.AFR1[0] = 13.1f;
    r.state.fram.FRAMBuffer[100] = 0x5A;
    r.w->mnuViewRealTime_Click();
    QVERIFY(r.state.log.DataBufferEmpty);
    QCOMPARE(r.state.fram.FRAMBuffer[100], quint8(0));
}

void TestRealTimeView::unknownModuleFallsBack() {
    Rig r;
    r.module.setIdentification(QStringLiteral("Brenwick QERO Something Else"));
    r.w->mnuViewRealTime_Click();
    QCOMPARE(r.prompter.messageTexts(),
             QStringList{"Error - invalid firmware ID. Unable to identify QERO version.\n"
                         "Defaulting to QERO Dual Channel Rev 2.0. Some data may be missing or "
                         "incorrectly scaled."});
    QCOMPARE(r.prompter.boxes().first().title, QStringLiteral("View Real Time Data"));
    QCOMPARE(r.prompter.boxes().first().icon, Prompter::Icon::Exclamation);
    QCOMPARE(r.state.module.QEROVersion, QStringLiteral("QERO4D Rev 2"));
    QVERIFY(!r.w->fraRealTimeData->gauESENS->isVisible());
    QVERIFY(r.state.window.RealTimeActive);
}

void TestRealTimeView::ethanolGaugeByModel() {
    Rig r(QeroModule::Model::Qero3DualRev3);
    r.w->mnuViewRealTime_Click();
    QVERIFY(r.w->fraRealTimeData->gauESENS->isVisible());
    QCOMPARE(r.w->poller().tmrDataRead_Timer(), RealTimePoller::Tick::Complete);
    QVERIFY(r.w->fraRealTimeData->gauESENS->value() >= 0);
}

void TestRealTimeView::deadLinkOpensThenCloses() {
    Rig r;
    r.module.faults().silent = true;
    r.prompter.answerButton(Prompter::Ok);    // the link message
    r.prompter.answerButton(Prompter::Abort); // the restart command's time-out
    r.w->mnuViewRealTime_Click();
    QCOMPARE(r.prompter.messageTexts().first(),
             QStringLiteral("Cannot establish RS-232 link. Check cable and module power."));
    QVERIFY(r.state.window.RealTimeActive); // opens all the same
    QVERIFY(r.w->fraRealTimeData->isVisible());
    r.prompter.clear();
    r.prompter.answerButton(Prompter::Abort);
    r.w->fraRealTimeData->gauBatVolts->setValue(13);
    QCOMPARE(r.w->poller().tmrDataRead_Timer(), RealTimePoller::Tick::LinkLost);
    QVERIFY(!r.state.window.RealTimeActive);
    QVERIFY(!r.w->fraRealTimeData->isVisible());
    QCOMPARE(r.w->fraRealTimeData->gauBatVolts->value(), 0.0); // display reset
    QVERIFY(!r.link->isOpen());
}

void TestRealTimeView::pollingFillsTheGauges() {
    Rig r;
    r.state.log.AnalogInputType = QStringLiteral("TPS");
    r.state.log.MinInVolts = 0;
    r.state.log.MaxInVolts = 5;
    r.state.log.MinScaledValue = 0;
    r.state.log.MaxScaledValue = 100;
    r.w->mnuViewRealTime_Click();
    RealTimeDataFrame* f = r.w->fraRealTimeData;
    QVERIFY(f->gauTPS->isVisible());
    // Twenty seconds of simulated driving, one cycle every 10 ms or so.
    const qint64 end = r.clock.nowUs() + 20'000'000;
    int cycles = 0;
    while (r.clock.nowUs() < end) {
        QCOMPARE(r.w->poller().tmrDataRead_Timer(), RealTimePoller::Tick::Complete);
        r.clock.advance(10'000);
        ++cycles;
    }
    QVERIFY(cycles > 100);
    QVERIFY(r.prompter.boxes().isEmpty());
    QVERIFY(f->gauTach->needle() > 0.3);
    QCOMPARE(f->gauTach->readout(), QString::number(qRound(f->gauTach->needle() * 1000)));
    QVERIFY(f->gauBatVolts->value() > 10);
    QVERIFY(f->gauLambda1->value() > 0.6 && f->gauLambda1->value() < 1.4);
    QVERIFY(std::abs(f->gauTPS->value() - f->gauInput1Analog->value() * 20) < 1e-4);
    const QImage shot = r.w->grab().toImage();
    shot.save(QCoreApplication::applicationDirPath() + QStringLiteral("/realtime-view.png"));
}

void TestRealTimeView::closeButton() {
    Rig r;
    r.w->mnuViewRealTime_Click();
    r.link->open(1);
    QTest::mouseClick(r.w->fraRealTimeData->cmdCloseRealTimeData, Qt::LeftButton);
    QVERIFY(!r.state.window.RealTimeActive);
    QVERIFY(!r.w->fraRealTimeData->isVisible());
    QVERIFY(!r.link->isOpen());
    QCOMPARE(r.w->poller().tmrDataRead_Timer(), RealTimePoller::Tick::Idle);
    // Closing a closed view is harmless.
    r.w->cmdCloseRealTimeData_Click();
    QVERIFY(!r.state.window.RealTimeActive);
}

void TestRealTimeView::commandsCloseTheViewFirst_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Port Setup") << "mnuPortSetup";
    QTest::newRow("Maximum RPM") << "mnuMaxRPM";
}

void TestRealTimeView::commandsCloseTheViewFirst() {
    QFETCH(QString, command);
    Rig r;
    r.w->mnuViewRealTime_Click();
    r.prompter.answerInput(QStringLiteral("9000"));
    r.w->findChild<QAction*>(command)->trigger();
    QVERIFY(!r.state.window.RealTimeActive);
    QVERIFY(!r.w->fraRealTimeData->isVisible());
}

void TestRealTimeView::maxRPMReachesTheTachometer() {
    Rig r;
    r.prompter.answerInput(QStringLiteral("3000"));
    r.prompter.answerInput(QStringLiteral("8000"));
    r.w->mnuMaxRPM_Click();
    QCOMPARE(int(r.state.log.MaxRPMDisplay), 8000);
    QCOMPARE(r.store.value(QStringLiteral("MaxRPMDisplay")),
             std::optional<QString>(QStringLiteral("8000")));
    r.w->mnuViewRealTime_Click();
    QCOMPARE(r.w->fraRealTimeData->gauTach->fullScale(), 8);
    QCOMPARE(r.w->fraRealTimeData->gauTach->redFrom(), 6.0);
    QCOMPARE(r.w->fraRealTimeData->gauTach->cautionFrom(), 5.6);
}

void TestRealTimeView::recordAndMarkFromTheKeyboard() {
    Rig r;
    // The keys are the window's: they reach the view only in the active window.
    r.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(r.w.get()));
    RealTimeDataFrame* f = r.w->fraRealTimeData;
    QVERIFY(!f->cmdRecord->isVisible());
    r.w->mnuViewRealTime_Click();
    QVERIFY(f->cmdRecord->isVisible() && f->cmdRecord->isEnabled());
    QCOMPARE(f->cmdRecord->text(), QStringLiteral("Record"));
    QVERIFY(!f->cmdMark->isEnabled());
    // Cancelling the file choice records nothing.
    r.prompter.answerFile(QString());
    QTest::keyClick(r.w.get(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(!r.w->recorder().recording());

    // Named without an extension: the recording still gets ".csv", which File > Open and
    // the workbench look for.
    const QString path = r.dir.filePath(QStringLiteral("drive.csv"));
    r.prompter.answerFile(r.dir.filePath(QStringLiteral("drive")));
    QTest::keyClick(r.w.get(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(r.w->recorder().fileName(), path);
    QCOMPARE(r.prompter.boxes().size(), 2);
    QCOMPARE(r.prompter.boxes().last().title, RealTimeDataFrame::kRecordTitle);
    QVERIFY(r.w->recorder().recording());
    QCOMPARE(f->cmdRecord->text(), QStringLiteral("Stop"));
    QVERIFY(f->cmdMark->isEnabled());
    for (int i = 0; i < 3; ++i)
        r.w->tmrDataRead_Timer();
    // Space marks the next row, wherever the focus is in the window.
    f->cmdRecord->setFocus();
    QTest::keyClick(r.w.get(), Qt::Key_Space);
    QVERIFY(r.w->recorder().markPending());
    QVERIFY(f->lblRecordStatus->text().endsWith(QStringLiteral(" - mark set")));
    r.w->tmrDataRead_Timer();
    QTest::mouseClick(f->cmdMark, Qt::LeftButton);
    r.w->tmrDataRead_Timer();
    QCOMPARE(f->lblRecordStatus->text(), r.w->recorder().statusText());
    QVERIFY2(f->lblRecordStatus->text().contains(QStringLiteral(" - 5 rows - ")),
             qPrintable(f->lblRecordStatus->text()));
    const double shownRPM = f->gauTach->readout().toDouble();
    // Closing the view ends the recording.
    QTest::mouseClick(f->cmdCloseRealTimeData, Qt::LeftButton);
    QVERIFY(!r.w->recorder().recording());
    QList<RecordingRow> rows;
    RecordingReader::readFile(path, [&](qint64, const RecordingRow& row) {
        rows << row;
        return true;
    });
    QCOMPARE(rows.size(), 5);
    QList<bool> marks;
    for (const RecordingRow& row : rows)
        marks << row.mark;
    QCOMPARE(marks, (QList<bool>{false, false, false, true, true}));
    QCOMPARE_LE(std::abs(rows.last().rpm - shownRPM), 1.0);
    QVERIFY(r.prompter.messageTexts().isEmpty());
}

void TestRealTimeView::failedRecordingIsReported() {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full to stand for a full disk");
    Rig r;
    r.w->mnuViewRealTime_Click();
    r.prompter.answerFile(QStringLiteral("/dev/full"));
    QTest::mouseClick(r.w->fraRealTimeData->cmdRecord, Qt::LeftButton);
    QVERIFY(!r.w->recorder().recording());
    const QString text = QStringLiteral("The recording stopped: writing to /dev/full failed (No "
                                        "space left on device). The 0 rows recorded before are "
                                        "kept.");
    QCOMPARE(r.prompter.messageTexts(), QStringList{text});
    QCOMPARE(r.prompter.boxes().last().title, RealTimeDataFrame::kRecordTitle);
    QCOMPARE(r.prompter.boxes().last().icon, Prompter::Icon::Exclamation);
    QCOMPARE(r.w->fraRealTimeData->lblRecordStatus->text(), text);
    QCOMPARE(r.w->fraRealTimeData->cmdRecord->text(), QStringLiteral("Record"));
    // The polling goes on and the box is not shown again.
    QCOMPARE(r.w->poller().tmrDataRead_Timer(), RealTimePoller::Tick::Complete);
    r.w->tmrDataRead_Timer();
    QCOMPARE(r.prompter.messageTexts().size(), 1);
}

QTEST_MAIN(TestRealTimeView)
#include "tst_realtimeview.moc"
