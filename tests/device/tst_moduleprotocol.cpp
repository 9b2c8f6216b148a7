// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimBench.h"

#include <QtTest>

#include <functional>

namespace {

using Command = std::function<void(ModuleProtocol&)>;

Command commandByName(const QString& name) {
    if (name == u"ReSync")
        return [](ModuleProtocol& p) { p.ReSync(); };
    if (name == u"ReadFirmwareID")
        return [](ModuleProtocol& p) { p.ReadFirmwareID(); };
    if (name == u"SetAddress")
        return [](ModuleProtocol& p) { p.SetAddress(4660); };
    if (name == u"ReadFRAM")
        return [](ModuleProtocol& p) { p.ReadFRAM(); };
    if (name == u"ReadFRAMBlock")
        return [](ModuleProtocol& p) { p.ReadFRAMBlock(64); };
    if (name == u"WriteFRAM")
        return [](ModuleProtocol& p) { p.WriteFRAM(171); };
    if (name == u"ClearQEROBuffer")
        return [](ModuleProtocol& p) { p.ClearQEROBuffer(); };
    return [](ModuleProtocol& p) { p.ResetQERO(); };
}

const QString kTimeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");

} // namespace

class tst_moduleprotocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandFrames_data();
    void commandFrames();
    void replyTimeLimits_data();
    void replyTimeLimits();
    void refusals_data();
    void refusals();
    void reSyncAgainstSilentModuleIsQuiet();
    void reSyncUpToStopsAtFirstSuccess();
    void identificationWithoutCarriageReturnTimesOut();
    void versionTable_data();
    void versionTable();
    void shortBlockKeepsNothing();
    void retryShowsTheReportAgain();
    void memoryReadsAndWriteBack();
    void portNumberTakesEffectAtNextOpen();
    void portThatCannotOpenIsReported();
    void onlyIdentificationAndWriteWaitsRunEvents();
    void secondCommandFromAnEventIsRefused();
    void invalidArgumentsSendNothing();
};

void tst_moduleprotocol::commandFrames_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("bytes");
    QTest::addColumn<bool>("openAfter");
    QTest::newRow("ReSync") << "ReSync" << QList<int>{51} << true;
    QTest::newRow("ReadFirmwareID") << "ReadFirmwareID" << QList<int>{16} << false;
    QTest::newRow("SetAddress 4660") << "SetAddress" << QList<int>{20, 52, 18} << true;
    QTest::newRow("ReadFRAM") << "ReadFRAM" << QList<int>{30} << true;
    QTest::newRow("ReadFRAMBlock") << "ReadFRAMBlock" << QList<int>{48, 64} << true;
    QTest::newRow("WriteFRAM") << "WriteFRAM" << QList<int>{31, 171} << false;
    QTest::newRow("ClearQEROBuffer")
        << "ClearQEROBuffer" << QList<int>{49, 105, 52, 191, 59} << false;
    QTest::newRow("ResetQERO") << "ResetQERO" << QList<int>{52, 151, 102, 147, 184} << false;
}

void tst_moduleprotocol::commandFrames() {
    QFETCH(QString, command);
    QFETCH(QList<int>, bytes);
    QFETCH(bool, openAfter);
    SimBench b;
    commandByName(command)(b.protocol);
    QVERIFY(b.state.module.CommandOK);
    QCOMPARE(b.sentBytes(), bytes);
    QCOMPARE(b.link.isOpen(), openAfter);
    QVERIFY(b.prompter.boxes().isEmpty());
    // A 2 ms pause after every byte but the last.
    const auto& sent = b.link.sent();
    for (size_t i = 1; i < sent.size(); ++i) {
        const qint64 gap = sent[i].atUs - sent[i - 1].atUs;
        QVERIFY2(gap >= 2000 && gap < 2300, qPrintable(QString::number(gap)));
    }
}

void tst_moduleprotocol::replyTimeLimits_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("limitMs");
    QTest::newRow("address after 0.9 s") << "SetAddress" << 900 << true << 1000;
    QTest::newRow("address after 1.1 s") << "SetAddress" << 1100 << false << 1000;
    QTest::newRow("read after 0.9 s") << "ReadFRAM" << 900 << true << 1000;
    QTest::newRow("read after 1.1 s") << "ReadFRAM" << 1100 << false << 1000;
    QTest::newRow("block after 1.1 s") << "ReadFRAMBlock" << 1100 << false << 1000;
    QTest::newRow("write after 0.9 s") << "WriteFRAM" << 900 << true << 1000;
    QTest::newRow("write after 1.1 s") << "WriteFRAM" << 1100 << false << 1000;
    QTest::newRow("id after 1.1 s") << "ReadFirmwareID" << 1100 << false << 1000;
    QTest::newRow("reset after 1.1 s") << "ResetQERO" << 1100 << false << 1000;
    // The erase itself takes the module 1.5 s; it is given 10 s.
    QTest::newRow("erase after 9.5 s") << "ClearQEROBuffer" << 8000 << true << 10000;
    QTest::newRow("erase after 10.6 s") << "ClearQEROBuffer" << 9100 << false << 10000;
}

void tst_moduleprotocol::replyTimeLimits() {
    QFETCH(QString, command);
    QFETCH(int, delayMs);
    QFETCH(bool, accepted);
    QFETCH(int, limitMs);
    SimBench b;
    b.module.faults().delayMs = delayMs;
    b.prompter.answerButton(Prompter::Abort);
    commandByName(command)(b.protocol);
    QCOMPARE(b.state.module.CommandOK, accepted);
    if (accepted) {
        QVERIFY(b.prompter.boxes().isEmpty());
        return;
    }
    QCOMPARE(b.prompter.messageTexts(), QStringList{kTimeout});
    QCOMPARE(b.prompter.boxes().first().title, QStringLiteral("Error"));
    QVERIFY(!b.link.isOpen());
    // The wait ended just after its limit, measured from the last command byte.
    const qint64 waited = b.clock.nowUs() - b.link.sent().back().atUs;
    QVERIFY2(waited > limitMs * 1000 && waited < limitMs * 1000 + 20000,
             qPrintable(QString::number(waited)));
}

void tst_moduleprotocol::refusals_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("commandByte");
    QTest::addColumn<bool>("openAfter");
    QTest::newRow("ReSync") << "ReSync" << 51 << true;
    QTest::newRow("SetAddress") << "SetAddress" << 20 << true;
    QTest::newRow("WriteFRAM") << "WriteFRAM" << 31 << false;
    QTest::newRow("ClearQEROBuffer") << "ClearQEROBuffer" << 49 << false;
    QTest::newRow("ResetQERO") << "ResetQERO" << 52 << false;
}

void tst_moduleprotocol::refusals() {
    QFETCH(QString, command);
    QFETCH(int, commandByte);
    QFETCH(bool, openAfter);
    SimBench b;
    b.module.faults().refuseCommand = commandByte;
    b.module.memory().bytes[4660] = 0x5A;
    b.protocol.SetAddress(4660);
    b.state.module.CommandOK = true;
    commandByName(command)(b.protocol);
    QVERIFY(!b.state.module.CommandOK);
    QVERIFY(b.prompter.boxes().isEmpty()); // a refusal has no message of its own
    QCOMPARE(b.link.isOpen(), openAfter);
    QCOMPARE(b.module.memory().bytes[4660], quint8(0x5A)); // a refused write writes nothing
}

void tst_moduleprotocol::reSyncAgainstSilentModuleIsQuiet() {
    SimBench b;
    b.module.faults().silent = true;
    const qint64 start = b.clock.nowUs();
    b.protocol.ReSync();
    QVERIFY(!b.state.module.CommandOK);
    QVERIFY(b.prompter.boxes().isEmpty());
    QVERIFY(b.link.isOpen());
    const qint64 took = b.clock.nowUs() - start;
    QVERIFY2(took >= 1'000'000 && took < 1'020'000, qPrintable(QString::number(took)));
}

void tst_moduleprotocol::reSyncUpToStopsAtFirstSuccess() {
    SimBench b;
    QVERIFY(b.protocol.ReSyncUpTo(5));
    QCOMPARE(b.sentBytes(), QList<int>{51});

    SimBench silent;
    silent.module.faults().silent = true;
    QVERIFY(!silent.protocol.ReSyncUpTo(5));
    QCOMPARE(silent.sentBytes(), QList<int>(5, 51));
    QVERIFY(silent.prompter.boxes().isEmpty());
}

void tst_moduleprotocol::identificationWithoutCarriageReturnTimesOut() {
    // At 5600 bytes per second, 6000 characters need more than a second: text arrives,
    // its carriage return does not.
    SimBench b;
    const QString longId = QStringLiteral("Brenwick QERO IV Dual Rev 3 ") + QString(5972, u'x');
    b.module.setIdentification(longId);
    b.prompter.answerButton(Prompter::Ignore);
    b.protocol.ReadFirmwareID();
    QVERIFY(!b.state.module.CommandOK);
    QCOMPARE(b.prompter.messageTexts(), QStringList{kTimeout});
    QVERIFY(!b.link.isOpen());
    QVERIFY(b.state.module.FirmwareID.size() > 5000);
    QVERIFY(b.state.module.FirmwareID.size() < longId.size());
    QVERIFY(longId.startsWith(b.state.module.FirmwareID));

    // The next identification starts from an empty text.
    b.module.setModel(QeroModule::Model::Qero4dRev2);
    b.protocol.ReadFirmwareID();
    QVERIFY(b.state.module.CommandOK);
    QCOMPARE(b.state.module.FirmwareID,
             QStringLiteral("Brenwick QERO IV Dual Rev 2 Firmware 4.10"));
}

void tst_moduleprotocol::versionTable_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("version");
    QTest::newRow("IV Dual Rev 4") << "Brenwick QERO IV Dual Rev 4 FW 5"
                                   << "QERO4D Rev 3";
    QTest::newRow("IV Dual Rev 3") << "Brenwick QERO IV Dual Rev 3"
                                   << "QERO4D Rev 3";
    QTest::newRow("IV Dual no revision") << "Brenwick QERO IV Dual"
                                         << "QERO4D Rev 2";
    QTest::newRow("3 Dual lower case rev 3") << "brenwick qero 3 dual display rev 3"
                                             << "QERO3Dual Rev 3";
    QTest::newRow("3 Dual Rev 2") << "Brenwick QERO 3 Dual Display Rev 2"
                                  << "QERO3Dual Rev 2";
    QTest::newRow("neither model") << "Brenwick QERO Single Rev 3"
                                   << "Unknown";
    QTest::newRow("empty") << ""
                           << "Unknown";
}

void tst_moduleprotocol::versionTable() {
    QFETCH(QString, id);
    QFETCH(QString, version);
    SimBench b;
    b.module.setIdentification(id);
    b.protocol.ReadFirmwareID();
    QVERIFY(b.state.module.CommandOK);
    QCOMPARE(b.state.module.FirmwareID, id);
    QCOMPARE(b.state.module.QEROVersion, version);
    QCOMPARE(ModuleProtocol::versionFromId(id), version);
}

void tst_moduleprotocol::shortBlockKeepsNothing() {
    SimBench b;
    b.module.faults().shortBlock = 1;
    b.state.fram.FRAMBlock.fill(-1);
    b.prompter.answerButton(Prompter::Abort);
    b.protocol.SetAddress(0);
    b.protocol.ReadFRAMBlock(64);
    QVERIFY(!b.state.module.CommandOK);
    QCOMPARE(b.prompter.messageTexts(), QStringList{kTimeout});
    for (qint16 v : b.state.fram.FRAMBlock)
        QCOMPARE(v, qint16(-1));
    QVERIFY(!b.link.isOpen());
}

void tst_moduleprotocol::retryShowsTheReportAgain() {
    SimBench b;
    b.module.faults().silent = true;
    b.prompter.answerButton(Prompter::Retry);
    b.prompter.answerButton(Prompter::Retry);
    b.prompter.answerButton(Prompter::Abort);
    b.protocol.SetAddress(0);
    QCOMPARE(b.prompter.messageTexts(), QStringList(3, kTimeout));
    QCOMPARE(b.sentBytes(), (QList<int>{20, 0, 0})); // the command is not sent again
    QVERIFY(!b.state.module.CommandOK);
    QVERIFY(!b.link.isOpen());
}

void tst_moduleprotocol::memoryReadsAndWriteBack() {
    SimBench b;
    b.protocol.SetAddress(0);
    for (int a = 0; a < 6; ++a) {
        QCOMPARE(b.protocol.ReadFRAM(), b.module.memory().bytes[size_t(a)]);
        QVERIFY(b.state.module.CommandOK);
    }
    // The whole memory in 1024 blocks of 64, in order.
    b.protocol.SetAddress(0);
    for (int block = 0; block < 1024; ++block) {
        b.protocol.ReadFRAMBlock(64);
        QVERIFY(b.state.module.CommandOK);
        for (int i = 0; i < 64; ++i)
            QCOMPARE(quint8(b.state.fram.FRAMBlock[size_t(i)]),
                     b.module.memory().bytes[size_t(block * 64 + i)]);
    }
    // Write, then read back from the same address.
    b.protocol.SetAddress(7);
    b.protocol.WriteFRAM(0x57);
    QVERIFY(b.state.module.CommandOK);
    b.protocol.SetAddress(7);
    QCOMPARE(b.protocol.ReadFRAM(), quint8(0x57));
    QCOMPARE(b.module.memory().bytes[7], quint8(0x57));
}

void tst_moduleprotocol::portNumberTakesEffectAtNextOpen() {
    SimBench b;
    b.state.settings.PortNumber = 3;
    b.protocol.SetAddress(0);
    QCOMPARE(b.link.openedPort(), 3);
    b.state.settings.PortNumber = 5;
    b.protocol.SetAddress(0); // the port is still open: still Com3
    QCOMPARE(b.link.openedPort(), 3);
    QCOMPARE(b.link.openCount(), 1);
    b.protocol.WriteFRAM(1); // closes
    b.protocol.SetAddress(0);
    QCOMPARE(b.link.openedPort(), 5);
    QCOMPARE(b.link.openCount(), 2);
}

void tst_moduleprotocol::portThatCannotOpenIsReported() {
    SimBench b;
    b.link.setModulePort(2);
    b.state.settings.PortNumber = 1;
    b.prompter.answerButton(Prompter::Retry);
    b.prompter.answerButton(Prompter::Abort);
    b.protocol.ReSync();
    QVERIFY(!b.state.module.CommandOK);
    QCOMPARE(b.prompter.boxes().size(), 2);
    QVERIFY(b.prompter.boxes().first().text.startsWith(QLatin1String("Cannot open Com1")));
    QCOMPARE(b.prompter.boxes().first().title, QStringLiteral("Error"));
    QVERIFY(b.link.sent().empty());
}

void tst_moduleprotocol::onlyIdentificationAndWriteWaitsRunEvents() {
    // With a reply half a second late, a wait that lets events run does so hundreds of
    // times; one that does not runs them only in its 2 ms pauses.
    SimBench quiet;
    quiet.module.faults().delayMs = 500;
    quiet.protocol.SetAddress(0);
    QVERIFY(quiet.state.module.CommandOK);
    QVERIFY(quiet.clock.processEventsCalls() < 100);

    SimBench busy;
    busy.module.faults().delayMs = 500;
    busy.protocol.SetAddress(0);
    const int before = busy.clock.processEventsCalls();
    busy.protocol.WriteFRAM(1);
    QVERIFY(busy.state.module.CommandOK);
    QVERIFY(busy.clock.processEventsCalls() - before > 300);

    SimBench id;
    id.module.faults().delayMs = 500;
    id.protocol.ReadFirmwareID();
    QVERIFY(id.state.module.CommandOK);
    QVERIFY(id.clock.processEventsCalls() > 300);
}

void tst_moduleprotocol::secondCommandFromAnEventIsRefused() {
    SimBench b;
    bool nestedOk = true;
    int nestedCalls = 0;
    const int hook = b.clock.addEventHook([&] {
        if (nestedCalls++ == 0) {
            b.protocol.ReSync(); // e.g. a timer tick during the write's wait
            nestedOk = b.state.module.CommandOK;
        }
    });
    b.protocol.SetAddress(10);
    b.clock.removeEventHook(hook);
    QVERIFY(!nestedOk);
    QVERIFY(b.state.module.CommandOK); // the running command finished normally
    QCOMPARE(b.sentBytes(), (QList<int>{20, 10, 0}));
}

void tst_moduleprotocol::invalidArgumentsSendNothing() {
    SimBench b;
    b.protocol.SetAddress(65536);
    QVERIFY(!b.state.module.CommandOK);
    b.protocol.ReadFRAMBlock(65);
    QVERIFY(!b.state.module.CommandOK);
    b.protocol.ReadFRAMBlock(0);
    QVERIFY(!b.state.module.CommandOK);
    QVERIFY(b.link.sent().empty());
}

QTEST_GUILESS_MAIN(tst_moduleprotocol)
#include "tst_moduleprotocol.moc"
