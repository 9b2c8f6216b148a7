// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "RecordingDisplay.h"
#include "SimulatedLink.h"
#include "device/ModuleProtocol.h"
#include "logdata/AppState.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimePoller.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QtTest>

namespace {

using Tick = RealTimePoller::Tick;

struct Rig {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link{module, clock};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    RealTimeCommands commands{protocol};
    RecordingDisplay display;
    int closes = 0;
    RealTimePoller poller{state, commands, clock, display, [this] {
                              ++closes;
                              state.window.RealTimeActive = false;
                          }};

    explicit Rig(QeroModule::Model model = QeroModule::Model::Qero4dRev3) : module(model) {
        state.settings.PortNumber = 1;
        state.window.RealTimeActive = true;
        state.module.QEROVersion = model == QeroModule::Model::Qero3DualRev3
                                       ? QStringLiteral("QERO3Dual Rev 3")
                                       : QStringLiteral("QERO4D Rev 3");
    }
    QList<int> commandsSent() const {
        QList<int> c;
        for (const auto& s : link.sent())
            c << s.byte;
        return c;
    }
};

} // namespace

class TestRealTimePoller : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cycleOrder_data();
    void cycleOrder();
    void valuesReachTheDisplay();
    void idleTickClearsEsc();
    void escEndsTheCycle_data();
    void escEndsTheCycle();
    void closedViewEndsTheCycle();
    void failedAFRReadClosesTheView();
    void tickDuringACycleIsSkipped();
    void lambdaFuelLeavesAFRAlone();
};

void TestRealTimePoller::cycleOrder_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("QERO4D: no ethanol read")
        << int(QeroModule::Model::Qero4dRev3) << QList<int>{40, 39, 41, 37, 38, 38};
    QTest::newRow("QERO3Dual: ethanol last")
        << int(QeroModule::Model::Qero3DualRev3) << QList<int>{40, 39, 41, 37, 38, 38, 56};
}

void TestRealTimePoller::cycleOrder() {
    QFETCH(int, model);
    QFETCH(QList<int>, sent);
    Rig r{QeroModule::Model(model)};
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
    QCOMPARE(r.commandsSent(), sent);
    QStringList shown{"sensors", "rpm", "analog", "battery", "cell1", "cell2"};
    if (sent.size() == 7)
        shown << "ethanol";
    QCOMPARE(r.display.calls, shown);
    QVERIFY(!r.link.isOpen());
    QVERIFY(r.prompter.boxes().isEmpty());
    // Every read opened and closed the port on its own.
    QCOMPARE(r.link.openCount(), sent.size());
}

void TestRealTimePoller::valuesReachTheDisplay() {
    Rig r;
    r.state.log.MinInVolts = 0;
    r.state.log.MaxInVolts = 5;
    r.state.log.MinScaledValue = 0;
    r.state.log.MaxScaledValue = 100;
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
    // The simulated engine starts with the module's first byte; let it warm up and idle.
    r.clock.advance(20'000'000);
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
    QVERIFY(r.display.rpm > 300 && r.display.rpm < 10000);
    QVERIFY(r.display.battery > 10 && r.display.battery < 16);
    QVERIFY(r.display.volts >= 0 && r.display.volts <= 5);
    QCOMPARE(r.display.scaled, r.display.volts * 20.0f);
    QVERIFY(r.display.lambda1 > 0.6 && r.display.lambda1 < 1.4);
    QVERIFY(r.display.afrShown);
}

void TestRealTimePoller::idleTickClearsEsc() {
    Rig r;
    r.state.window.RealTimeActive = false;
    r.state.window.AbortRequested = true;
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Idle);
    QVERIFY(!r.state.window.AbortRequested);
    QVERIFY(r.link.sent().empty());
    // A running view clears it as well before its first read.
    r.state.window.RealTimeActive = true;
    r.state.window.AbortRequested = true;
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
}

void TestRealTimePoller::escEndsTheCycle_data() {
    QTest::addColumn<int>("afterCommands"); // Esc once this many commands went out
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("after the AFR read") << 1 << QList<int>{40};
    QTest::newRow("after the RPM read") << 2 << QList<int>{40, 39};
    QTest::newRow("after the battery read") << 4 << QList<int>{40, 39, 41, 37};
}

void TestRealTimePoller::escEndsTheCycle() {
    QFETCH(int, afterCommands);
    QFETCH(QList<int>, sent);
    Rig r;
    r.clock.addEventHook([&] {
        if (int(r.link.sent().size()) >= afterCommands && !r.link.isOpen())
            r.state.window.AbortRequested = true;
    });
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Stopped);
    QCOMPARE(r.commandsSent(), sent);
    QVERIFY(r.state.window.RealTimeActive); // Esc ends the cycle, not the view
    // The next tick starts a whole new cycle.
    r.clock.addEventHook([&] { r.state.window.AbortRequested = false; });
    r.link.clearSent();
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
}

void TestRealTimePoller::closedViewEndsTheCycle() {
    Rig r;
    r.clock.addEventHook([&] {
        if (r.link.sent().size() >= 3)
            r.state.window.RealTimeActive = false; // a menu command closed the view
    });
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Stopped);
    QCOMPARE(r.commandsSent(), (QList<int>{40, 39, 41}));
    QCOMPARE(r.closes, 0);
}

void TestRealTimePoller::failedAFRReadClosesTheView() {
    Rig r;
    r.module.faults().silent = true;
    r.prompter.answerButton(Prompter::Ignore); // leaves the port open
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::LinkLost);
    QCOMPARE(r.display.calls, QStringList{"reset"});
    QCOMPARE(r.closes, 1);
    QVERIFY(!r.state.window.RealTimeActive);
    QVERIFY(!r.link.isOpen());
    QCOMPARE(r.prompter.messageTexts(),
             QStringList{"RS-232 timeout. Check cable and click Abort."});
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Idle);
}

void TestRealTimePoller::tickDuringACycleIsSkipped() {
    Rig r;
    QList<Tick> nested;
    r.clock.addEventHook([&] {
        if (r.poller.cycleRunning())
            nested << r.poller.tmrDataRead_Timer();
    });
    r.state.window.AbortRequested = false;
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
    QVERIFY(!nested.isEmpty());
    for (Tick t : nested)
        QCOMPARE(t, Tick::Skipped);
    QCOMPARE(r.commandsSent(), (QList<int>{40, 39, 41, 37, 38, 38}));
}

void TestRealTimePoller::lambdaFuelLeavesAFRAlone() {
    Rig r;
    r.state.log.FuelType = QStringLiteral("Lambda");
    r.state.log.StoichRatio = 1.0f;
    QCOMPARE(r.poller.tmrDataRead_Timer(), Tick::Complete);
    QVERIFY(!r.display.afrShown);
}

QTEST_GUILESS_MAIN(TestRealTimePoller)
#include "tst_realtimepoller.moc"
