// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "SimulatedLink.h"
#include "device/ModuleProtocol.h"
#include "device/PortSetup.h"
#include "logdata/AppState.h"
#include "realtime/ConnectionStateMachine.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QtTest>

namespace {

struct Rig {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link{module, clock};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    PortSetup setup{state.settings, protocol};
    int portSetupOpened = 0;
    ConnectionStateMachine machine{
        state.settings, prompter, clock,
        [this](qint16 port, const QString& identity) { return setup.PortTest(port, identity); },
        [this] { ++portSetupOpened; }};
};

} // namespace

class TestConnectionCheck : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startupCheck_data();
    void startupCheck();
    void runsOnce();
    void paintsBeforeAsking();
};

void TestConnectionCheck::startupCheck_data() {
    QTest::addColumn<bool>("autoConnect");
    QTest::addColumn<int>("modulePort");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("opened");
    const int yesNo = Prompter::Yes | Prompter::No;
    const int question = int(Prompter::Icon::Question);
    QTest::newRow("found on the saved port")
        << true << 3 << int(Prompter::Ok) << "Found QERO on port 3. "
        << int(Prompter::Icon::Exclamation) << int(Prompter::Ok) << 0;
    const QString missing =
        "No QERO on expected port 3. Do you want to open the Port Setup dialog box?";
    QTest::newRow("missing, Yes opens the port setup")
        << true << 5 << int(Prompter::Yes) << missing << question << yesNo << 1;
    QTest::newRow("missing, No") << true << 5 << int(Prompter::No) << missing << question << yesNo
                                 << 0;
    const QString off = "Auto connect not enabled. Do you want to open the Port Setup dialog box?";
    QTest::newRow("auto-connect off, Yes")
        << false << 3 << int(Prompter::Yes) << off << question << yesNo << 1;
    QTest::newRow("auto-connect off, No")
        << false << 3 << int(Prompter::No) << off << question << yesNo << 0;
}

void TestConnectionCheck::startupCheck() {
    QFETCH(bool, autoConnect);
    QFETCH(int, modulePort);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, opened);
    Rig r;
    r.link.setModulePort(modulePort);
    r.state.settings.PortNumber = 3;
    r.state.settings.AutoConnect = autoConnect;
    r.prompter.answerButton(Prompter::Button(answer));
    r.machine.tmrStateMachine_Timer();
    QCOMPARE(r.prompter.boxes().size(), 1);
    const auto box = r.prompter.boxes().first();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, QStringLiteral("Auto Connect"));
    QCOMPARE(int(box.icon), icon);
    QCOMPARE(int(box.buttons), buttons);
    QCOMPARE(r.portSetupOpened, opened);
    QCOMPARE(int(r.machine.StateMachineState), 0);
    QVERIFY(!r.link.isOpen());
    // Without auto-connect the module is not even asked.
    if (!autoConnect)
        QVERIFY(r.link.sent().empty());
}

void TestConnectionCheck::runsOnce() {
    Rig r;
    for (int i = 0; i < 5; ++i)
        r.machine.tmrStateMachine_Timer();
    QCOMPARE(r.prompter.boxes().size(), 1);
}

void TestConnectionCheck::paintsBeforeAsking() {
    Rig r;
    int eventsBeforeBox = -1;
    r.prompter.onBox = [&](const ScriptedPrompter::Box&) {
        eventsBeforeBox = r.clock.processEventsCalls();
    };
    // A tick that arrives while the check waits in its yield does not start it again.
    r.clock.addEventHook([&] { r.machine.tmrStateMachine_Timer(); });
    r.machine.tmrStateMachine_Timer();
    QVERIFY(eventsBeforeBox >= 1);
    QCOMPARE(r.prompter.boxes().size(), 1);
}

QTEST_GUILESS_MAIN(TestConnectionCheck)
#include "tst_connectioncheck.moc"
