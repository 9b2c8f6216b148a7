// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimBench.h"

#include <QtTest>

#include <random>

Q_DECLARE_METATYPE(LineEvent)

class tst_lineerrors : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void table_data();
    void table();
    void thirdReportClosesThePortFirst();
    void retryClearsTheReceiveBuffer();
    void noiseOnTheLineIsAFramingError();
    void removedDeviceIsReportedAndEndsTheWait();
    void anyReplyBytesEndEveryCommand();
};

void tst_lineerrors::table_data() {
    QTest::addColumn<LineEvent>("event");
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<QString>("report"); // empty: no box
    QTest::addColumn<bool>("closesWithoutReport");
    QTest::newRow("framing") << LineEvent::FramingError << false << "Framing Error" << false;
    QTest::newRow("framing live") << LineEvent::FramingError << true << "" << false;
    QTest::newRow("overrun") << LineEvent::HardwareOverrun << false << "Port Hardware Overrun"
                             << false;
    QTest::newRow("overrun live") << LineEvent::HardwareOverrun << true << "" << true;
    QTest::newRow("overflow") << LineEvent::ReceiveBufferOverflow << false
                              << "Receive Buffer Overflow" << false;
    QTest::newRow("overflow live") << LineEvent::ReceiveBufferOverflow << true << "" << true;
    QTest::newRow("parity") << LineEvent::ParityError << false << "Parity Error" << false;
    QTest::newRow("parity live") << LineEvent::ParityError << true << "" << false;
    QTest::newRow("dcb") << LineEvent::DeviceControlBlockError << false
                         << "Device Control Block Error" << false;
    QTest::newRow("dcb live") << LineEvent::DeviceControlBlockError << true
                              << "Device Control Block Error" << false;
}

void tst_lineerrors::table() {
    QFETCH(LineEvent, event);
    QFETCH(bool, realTime);
    QFETCH(QString, report);
    QFETCH(bool, closesWithoutReport);
    SimBench b;
    b.state.window.RealTimeActive = realTime;
    b.link.open(1);
    b.prompter.answerButton(Prompter::Retry);
    b.lineErrors.handle(event);
    if (report.isEmpty()) {
        QVERIFY(b.prompter.boxes().isEmpty());
        QCOMPARE(b.state.module.CommErrorCount, qint16(0));
        QCOMPARE(b.link.isOpen(), !closesWithoutReport);
        return;
    }
    QCOMPARE(b.prompter.boxes().size(), 1);
    const auto& box = b.prompter.boxes().first();
    QCOMPARE(box.text, report);
    QCOMPARE(box.title, QStringLiteral("Communications Error"));
    QCOMPARE(box.icon, Prompter::Icon::Critical);
    QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Retry | Prompter::Cancel));
    QCOMPARE(b.state.module.CommErrorCount, qint16(1));
    QVERIFY(b.link.isOpen()); // Retry keeps it open

    // Cancel closes the port.
    b.lineErrors.handle(event);
    QVERIFY(!b.link.isOpen());
}

void tst_lineerrors::thirdReportClosesThePortFirst() {
    SimBench b;
    QList<bool> openDuringBox;
    b.prompter.onBox = [&](const ScriptedPrompter::Box&) { openDuringBox << b.link.isOpen(); };
    for (int i = 0; i < 3; ++i) {
        b.link.openIfClosed(1);
        b.prompter.answerButton(Prompter::Retry);
        b.lineErrors.handle(LineEvent::ParityError);
    }
    QCOMPARE(openDuringBox, (QList<bool>{true, true, false}));
    QCOMPARE(b.state.module.CommErrorCount, qint16(3));
}

void tst_lineerrors::retryClearsTheReceiveBuffer() {
    SimBench b;
    b.link.open(1);
    b.link.sendByte(51);
    b.clock.advance(10'000);
    QCOMPARE(b.link.receivedCount(), 1);
    b.prompter.answerButton(Prompter::Retry);
    b.lineErrors.handle(LineEvent::FramingError);
    QCOMPARE(b.link.receivedCount(), 0);
    QVERIFY(b.link.isOpen());
}

void tst_lineerrors::noiseOnTheLineIsAFramingError() {
    SimBench b;
    b.module.faults().noise = 1.0; // every reply byte garbled
    b.prompter.answerButton(Prompter::Retry);
    b.protocol.ReSync();
    QVERIFY(!b.state.module.CommandOK); // the acknowledgement came back garbled
    QCOMPARE(b.prompter.messageTexts(), QStringList{QStringLiteral("Framing Error")});

    // The same noise during the live view shows nothing.
    b.prompter.clear();
    b.state.window.RealTimeActive = true;
    b.protocol.ReSync();
    QVERIFY(b.prompter.boxes().isEmpty());
}

void tst_lineerrors::removedDeviceIsReportedAndEndsTheWait() {
    SimBench b;
    b.module.faults().unplugAfterBlocks = 2;
    b.prompter.answerButton(Prompter::Ok);
    b.prompter.answerButton(Prompter::Abort);
    b.protocol.SetAddress(0);
    b.protocol.ReadFRAMBlock(64);
    b.protocol.ReadFRAMBlock(64);
    QVERIFY(b.state.module.CommandOK);
    const qint64 start = b.clock.nowUs();
    b.protocol.ReadFRAMBlock(64);
    QVERIFY(!b.state.module.CommandOK);
    QVERIFY(b.clock.nowUs() - start < 100'000); // no need to sit out the second
    const auto boxes = b.prompter.messages();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].title, QStringLiteral("Communications Error"));
    QVERIFY(boxes[0].text.contains(QLatin1String("removed")));
    QCOMPARE(boxes[1].text, QStringLiteral("RS-232 timeout. Check cable and click Abort."));
    QVERIFY(!b.link.isOpen());

    // It stays gone: the next command cannot open the port and says why.
    b.prompter.clear();
    b.prompter.answerButton(Prompter::Abort);
    b.protocol.ReSync();
    QCOMPARE(b.prompter.boxes().size(), 1);
    QVERIFY(b.prompter.boxes().first().text.contains(QLatin1String("unplugged")));
}

void tst_lineerrors::anyReplyBytesEndEveryCommand() {
    // Garbled and missing reply bytes, and stray bytes that leave the module's parser
    // half-way through a command: every command still ends within its limit.
    SimBench b;
    b.module.faults().noise = 0.3;
    b.prompter.onBox = [](const ScriptedPrompter::Box&) {}; // unscripted: Cancel / Ignore
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        const qint64 start = b.clock.nowUs();
        switch (rng() % 8) {
        case 0:
            b.protocol.ReSync();
            break;
        case 1:
            b.protocol.ReadFirmwareID();
            break;
        case 2:
            b.protocol.SetAddress(int(rng() % 65536));
            break;
        case 3:
            b.protocol.ReadFRAM();
            break;
        case 4:
            b.protocol.ReadFRAMBlock(int(1 + rng() % 64));
            break;
        case 5:
            b.protocol.WriteFRAM(quint8(rng()));
            break;
        case 6:
            b.protocol.ResetQERO();
            break;
        default:
            b.module.receive(quint8(rng()), b.clock.nowUs());
            break; // stray byte
        }
        QVERIFY(b.clock.nowUs() - start < 1'100'000);
    }
    QVERIFY(!b.prompter.boxes().isEmpty());
}

QTEST_GUILESS_MAIN(tst_lineerrors)
#include "tst_lineerrors.moc"
