// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplyLink.h"
#include "device/ModuleProtocol.h"
#include "logdata/AppState.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimeDecoding.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QtTest>

namespace {

struct Rig {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    ReplyLink link{clock};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    RealTimeCommands commands{protocol};
    Rig() { state.settings.PortNumber = 4; }
};

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

} // namespace

class TestRealTimeCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void afr();
    void rpm_data();
    void rpm();
    void singleByteReads();
    void cellResistances();
    void ethanol_data();
    void ethanol();
    void eachReadIsItsOwnConversation();
    void timeout_data();
    void timeout();
    void busyPortIsNotShared();
};

void TestRealTimeCommands::afr() {
    Rig r;
    r.link.replies[40] = bytes({7, 238});
    r.commands.ReadAFR();
    QVERIFY(r.state.module.CommandOK);
    QCOMPARE(r.commands.AFRRaw1, 7.0f);
    QCOMPARE(r.commands.AFRRaw2, 238.0f);
    QCOMPARE(RealTimeDecoding::afrFromRaw(int(r.commands.AFRRaw1)), 10.3f);
    QCOMPARE(RealTimeDecoding::afrFromRaw(int(r.commands.AFRRaw2)), 19.5f);
}

void TestRealTimeCommands::rpm_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<float>("pulses");
    QTest::addColumn<float>("rpm");
    QTest::addColumn<int>("bytesTaken");
    QTest::newRow("count 10000, 1 pulse") << bytes({6, 0x10, 0x27}) << 1.0f << 1500.0f << 3;
    QTest::newRow("count 10000, 2 pulses") << bytes({6, 0x10, 0x27}) << 2.0f << 750.0f << 3;
    // The module says it has no speed: nothing more is read.
    QTest::newRow("not acknowledged") << bytes({21, 0x10, 0x27}) << 1.0f << 0.0f << 1;
    // A zero period reads as a stopped engine instead of failing on the division.
    QTest::newRow("zero count") << bytes({6, 0, 0}) << 1.0f << 0.0f << 3;
}

void TestRealTimeCommands::rpm() {
    QFETCH(QByteArray, reply);
    QFETCH(float, pulses);
    QFETCH(float, rpm);
    QFETCH(int, bytesTaken);
    Rig r;
    r.state.settings.PulsePerRev = pulses;
    r.link.replies[39] = reply;
    QCOMPARE(r.commands.ReadRPM(), rpm);
    QVERIFY(r.state.module.CommandOK);
    QCOMPARE(r.link.taken, bytesTaken);
    QVERIFY(r.prompter.boxes().isEmpty());
}

void TestRealTimeCommands::singleByteReads() {
    Rig r;
    r.link.replies[41] = bytes({255});
    r.link.replies[37] = bytes({191});
    QCOMPARE(r.commands.ReadVIN1(), 5.0f);
    QVERIFY(r.state.module.CommandOK);
    QVERIFY(std::abs(r.commands.ReadHeaterVolts() - 14.98f) < 0.005f);
    r.link.replies[41] = bytes({0});
    r.link.replies[37] = bytes({255});
    QCOMPARE(r.commands.ReadVIN1(), 0.0f);
    QCOMPARE(r.commands.ReadHeaterVolts(), 20.0f);
}

void TestRealTimeCommands::cellResistances() {
    Rig r;
    r.link.replies[38] = bytes({81, 97});
    QCOMPARE(r.commands.ReadCellRes1(), 81.0f);
    QCOMPARE(r.commands.ReadCellRes2(), 97.0f);
    // The same command is sent once for each sensor.
    QCOMPARE(std::count(r.link.sent.begin(), r.link.sent.end(), quint8(38)), 2);
}

void TestRealTimeCommands::ethanol_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("percent");
    QTest::newRow("6, 40") << bytes({6, 40}) << 40.0f << 0.0f;
    QTest::newRow("6, 135") << bytes({6, 135}) << 135.0f << 85.0f;
    QTest::newRow("refused") << bytes({21, 135}) << 0.0f << 0.0f;
}

void TestRealTimeCommands::ethanol() {
    QFETCH(QByteArray, reply);
    QFETCH(float, value);
    QFETCH(float, percent);
    Rig r;
    r.link.replies[56] = reply;
    const float v = r.commands.ReadESENS();
    QCOMPARE(v, value);
    QCOMPARE(RealTimeDecoding::ethanolPercent(v), percent);
    QVERIFY(r.state.module.CommandOK);
}

void TestRealTimeCommands::eachReadIsItsOwnConversation() {
    Rig r;
    r.link.replies[41] = bytes({128});
    const qint64 start = r.clock.nowUs();
    r.commands.ReadVIN1();
    // Opened on the saved port, closed after the reply and a 10 ms settling pause.
    QCOMPARE(r.link.openedPort, 4);
    QVERIFY(!r.link.isOpen());
    QVERIFY(r.clock.nowUs() - start >= r.link.replyDelayUs + 10'000);
    r.commands.ReadVIN1();
    QCOMPARE(r.link.opens, 2);
}

void TestRealTimeCommands::timeout_data() {
    QTest::addColumn<QList<int>>("answers"); // Prompter buttons in order
    QTest::addColumn<int>("boxes");
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("Abort closes the port") << QList<int>{Prompter::Abort} << 1 << false;
    QTest::newRow("Ignore leaves it open") << QList<int>{Prompter::Ignore} << 1 << true;
    QTest::newRow("Retry shows the box again")
        << QList<int>{Prompter::Retry, Prompter::Retry, Prompter::Abort} << 3 << false;
}

void TestRealTimeCommands::timeout() {
    QFETCH(QList<int>, answers);
    QFETCH(int, boxes);
    QFETCH(bool, portOpen);
    Rig r;
    for (int a : answers)
        r.prompter.answerButton(Prompter::Button(a));
    const qint64 start = r.clock.nowUs();
    r.commands.ReadAFR();
    QVERIFY(!r.state.module.CommandOK);
    QVERIFY(r.clock.nowUs() - start >= 1'000'000);
    QCOMPARE(r.prompter.boxes().size(), boxes);
    const auto box = r.prompter.boxes().first();
    QCOMPARE(box.text, QStringLiteral("RS-232 timeout. Check cable and click Abort."));
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(r.link.isOpen(), portOpen);
    QCOMPARE(r.commands.ReadVIN1(), 0.0f); // every read fails the same way
}

void TestRealTimeCommands::busyPortIsNotShared() {
    Rig r;
    r.link.replies[40] = bytes({100, 100});
    ModuleProtocol::Exchange other(r.protocol); // another command holds the port
    r.commands.ReadAFR();
    QVERIFY(!r.state.module.CommandOK);
    QVERIFY(r.link.sent.empty());
}

QTEST_GUILESS_MAIN(TestRealTimeCommands)
#include "tst_realtimecommands.moc"
