// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySettingsStore.h"
#include "QeroModule.h"
#include "SimulatedLink.h"
#include "device/ModuleProtocol.h"
#include "device/ParameterTransfer.h"
#include "device/QeroParamsEditor.h"
#include "logdata/AppState.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QtTest>

#include <memory>

namespace {

// The simulated module behind a line that can change the value byte of a write on its
// way, which to the program looks like a module that stores a different byte.
class TamperingLink : public SerialLink {
public:
    explicit TamperingLink(SerialLink& inner) : m_inner(inner) {}
    int corruptWriteTo = -1; // address whose written value arrives changed
    int garbleRead = -1;     // the reply to this byte read (from 1) arrives changed

    void open(int portNumber) override { m_inner.open(portNumber); }
    void close() override { m_inner.close(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    void clearReceiveBuffer() override { m_inner.clearReceiveBuffer(); }
    void sendByte(quint8 b) override {
        if (m_expect == Expect::Command && b == 30)
            ++m_reads;
        if (m_expect == Expect::Value && m_address == corruptWriteTo)
            b ^= 0x40;
        switch (m_expect) {
        case Expect::Command:
            m_expect = b == 20 ? Expect::AddressLow : b == 31 ? Expect::Value : Expect::Command;
            break;
        case Expect::AddressLow:
            m_address = b;
            m_expect = Expect::AddressHigh;
            break;
        case Expect::AddressHigh:
            m_address += 256 * b;
            m_expect = Expect::Command;
            break;
        case Expect::Value:
            m_expect = Expect::Command;
            break;
        }
        m_inner.sendByte(b);
    }
    int receivedCount() override { return m_inner.receivedCount(); }
    quint8 takeByte() override {
        quint8 b = m_inner.takeByte();
        if (m_reads == garbleRead && !m_garbled) {
            b ^= 0x10;
            m_garbled = true;
        }
        return b;
    }
    void waitForBytes(qint64 maxUs) override { m_inner.waitForBytes(maxUs); }

private:
    enum class Expect { Command, AddressLow, AddressHigh, Value };
    SerialLink& m_inner;
    Expect m_expect = Expect::Command;
    int m_address = -1;
    int m_reads = 0;
    bool m_garbled = false;
};

struct TransferBench {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    QeroModule module;
    SimulatedLink simLink{module, clock};
    TamperingLink link{simLink};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    ParameterTransfer transfer{state.log, state.settings, settings, protocol, prompter};
    QeroParamsEditor editor{state, settings, prompter};

    QStringList texts() const { return prompter.messageTexts(); }
    quint8 moduleByte(int a) const { return module.memory().bytes[a]; }
};

QString firmwareBox(const TransferBench& b) {
    return QStringLiteral("Firmware ID: ") + b.module.identification();
}

} // namespace

class tst_parametertransfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadReadsTheModule();
    void downloadFailures_data();
    void downloadFailures();
    void garbledReadChangesNothing_data();
    void garbledReadChangesNothing();
    void uploadWritesAndVerifies();
    void uploadFailures_data();
    void uploadFailures();
};

void tst_parametertransfer::downloadReadsTheModule() {
    auto b = std::make_unique<TransferBench>();
    auto& mem = b->module.memory().bytes;
    mem[0] = 34;
    mem[1] = 20; // more pulses than the panel accepts: shown as the module holds it
    mem[4] = 7;
    mem[5] = 128;
    QVERIFY(b->transfer.cmdQEROParamsDownload_Click());

    QCOMPARE(b->texts(), QStringList{firmwareBox(*b)});
    for (const auto& m : b->prompter.messages()) {
        QCOMPARE(m.title, QStringLiteral("Download Parameters"));
        QCOMPARE(m.icon, Prompter::Icon::Exclamation);
    }
    for (int a = 0; a < 6; ++a)
        QCOMPARE(b->state.fram.FRAMBuffer[a], mem[a]);
    QCOMPARE(b->state.log.DataLogInterval, 0.544f);
    QCOMPARE(b->state.settings.PulsePerRev, 20.0f);
    const auto t = b->editor.texts();
    QCOMPARE(t, (QeroParamsEditor::Texts{"0.55", "20", "0.35", "50"}));
    QCOMPARE(b->settings.values.value("DataLogInterval"), QStringLiteral("0.544"));
    QCOMPARE(b->settings.values.value("PulsePerRev"), QStringLiteral("20"));
    QCOMPARE(b->settings.values.value("RPMDebounce"), QStringLiteral("7"));
    QCOMPARE(b->settings.values.value("MinLEDPWM"), QStringLiteral("128"));
    QVERIFY(!b->link.isOpen());
}

void tst_parametertransfer::downloadFailures_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("messages");
    const QString timeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");
    QTest::newRow("silent") << "silent"
                            << QStringList{"Cannot establish RS-232 link. Check cable and "
                                           "module power."};
    QTest::newRow("identification times out")
        << "ignore16" << QStringList{timeout, "Firmware ID read failed - cannot download."};
    QTest::newRow("empty identification")
        << "emptyid" << QStringList{"Invalid firmware ID - cannot download."};
    QTest::newRow("address refused")
        << "refuse20" << QStringList{"@id", "Download aborted - FRAM read failed"};
    QTest::newRow("byte read times out")
        << "ignore30" << QStringList{"@id", timeout, "Download aborted - FRAM read failed"};
}

void tst_parametertransfer::downloadFailures() {
    QFETCH(QString, fault);
    QFETCH(QStringList, messages);
    auto b = std::make_unique<TransferBench>();
    if (fault == u"silent")
        b->module.faults().silent = true;
    else if (fault == u"emptyid")
        b->module.setIdentification(QString());
    else if (fault.startsWith(u"ignore"))
        b->module.faults().ignoreCommand = fault.mid(6).toInt();
    else
        b->module.faults().refuseCommand = fault.mid(6).toInt();
    b->state.log.DataLogInterval = 0.2f;
    messages.replaceInStrings(QStringLiteral("@id"), firmwareBox(*b));

    QVERIFY(!b->transfer.cmdQEROParamsDownload_Click());
    QCOMPARE(b->texts(), messages);
    QCOMPARE(b->state.log.DataLogInterval, 0.2f);
    QVERIFY(b->settings.values.isEmpty());
    QVERIFY(!b->link.isOpen());
}

void tst_parametertransfer::garbledReadChangesNothing_data() {
    QTest::addColumn<int>("read");
    QTest::newRow("first read, interval byte") << 1;
    QTest::newRow("first read, brightness byte") << 6;
    QTest::newRow("second read, interval byte") << 7;
    QTest::newRow("second read, last byte") << 12;
}

// A byte garbled on a line that cannot tell (no framing error) must not become the value
// an upload then writes back: the parameters are read twice and must agree.
void tst_parametertransfer::garbledReadChangesNothing() {
    QFETCH(int, read);
    auto b = std::make_unique<TransferBench>();
    b->module.memory().bytes[0] = 6;
    b->link.garbleRead = read;
    b->state.log.DataLogInterval = 0.2f;
    QVERIFY(!b->transfer.cmdQEROParamsDownload_Click());
    QCOMPARE(b->texts(),
             (QStringList{firmwareBox(*b),
                          "Download aborted - the parameters read differently twice (a noisy "
                          "line?). Nothing was changed; check the cable and try again."}));
    QCOMPARE(b->state.log.DataLogInterval, 0.2f);
    QVERIFY(b->settings.values.isEmpty());
    QVERIFY(!b->link.isOpen());
    // Read again on a clean line, the same module gives its own values.
    QVERIFY(b->transfer.cmdQEROParamsDownload_Click());
    QCOMPARE(b->state.fram.FRAMBuffer[0], quint8(6));
}

void tst_parametertransfer::uploadWritesAndVerifies() {
    auto b = std::make_unique<TransferBench>();
    b->editor.txtDataLogInterval_Validate("0.55");
    b->editor.txtPulsePerRev_Validate("0.7");
    b->editor.txtRPMDebounce_Validate("0.12");
    b->editor.txtMinLEDPWM_Validate("50.9");
    const quint8 pointerLow = b->moduleByte(2);
    const quint8 pointerHigh = b->moduleByte(3);
    b->simLink.clearSent();

    QVERIFY(b->transfer.cmdQEROParamsUpload_Click());

    QCOMPARE(b->texts(), (QStringList{firmwareBox(*b), "Upload completed\n"}));
    QCOMPARE(b->prompter.messages().last().title, QStringLiteral("Upload Parameters"));
    QCOMPARE(b->moduleByte(0), quint8(34));
    QCOMPARE(b->moduleByte(1), quint8(0));
    QCOMPARE(b->moduleByte(4), quint8(2));
    QCOMPARE(b->moduleByte(5), quint8(128));
    QCOMPARE(b->moduleByte(2), pointerLow);
    QCOMPARE(b->moduleByte(3), pointerHigh);
    QCOMPARE(b->settings.values.value("DataLogInterval"), QStringLiteral("0.544"));
    QCOMPARE(b->settings.values.value("PulsePerRev"), QStringLiteral("0.5"));
    QVERIFY(!b->link.isOpen());

    // Each byte: address, write, address again, read back.
    QList<int> sent;
    for (const auto& s : b->simLink.sent())
        sent << s.byte;
    const QList<int> tail{20, 5, 0, 31, 128, 20, 5, 0, 30};
    QCOMPARE(sent.mid(sent.size() - tail.size()), tail);
    QCOMPARE(sent.count(31), 4);
}

void tst_parametertransfer::uploadFailures_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("openAfter");
    QTest::newRow("silent") << "silent"
                            << QStringList{"Cannot establish RS-232 link. Check cable and "
                                           "module power."}
                            << false;
    QTest::newRow("empty identification")
        << "emptyid" << QStringList{"Invalid firmware ID - cannot upload."} << false;
    QTest::newRow("address refused")
        << "refuse20" << QStringList{"@id", "Upload aborted - FRAM programming failed"} << false;
    QTest::newRow("write refused")
        << "refuse31" << QStringList{"@id", "Upload aborted - FRAM programming failed"} << false;
    QTest::newRow("read-back times out")
        << "ignore30"
        << QStringList{"@id", "RS-232 timeout. Check cable and click Abort.",
                       "Upload aborted - FRAM verification failed"}
        << false;
    QTest::newRow("module stores a different byte")
        << "tamper4" << QStringList{"@id", "Upload aborted - FRAM verification failed"} << true;
}

void tst_parametertransfer::uploadFailures() {
    QFETCH(QString, fault);
    QFETCH(QStringList, messages);
    QFETCH(bool, openAfter);
    auto b = std::make_unique<TransferBench>();
    if (fault == u"silent")
        b->module.faults().silent = true;
    else if (fault == u"emptyid")
        b->module.setIdentification(QString());
    else if (fault.startsWith(u"ignore"))
        b->module.faults().ignoreCommand = fault.mid(6).toInt();
    else if (fault.startsWith(u"refuse"))
        b->module.faults().refuseCommand = fault.mid(6).toInt();
    else
        b->link.corruptWriteTo = fault.mid(6).toInt();
    messages.replaceInStrings(QStringLiteral("@id"), firmwareBox(*b));

    QVERIFY(!b->transfer.cmdQEROParamsUpload_Click());
    QCOMPARE(b->texts(), messages);
    for (const auto& m : b->prompter.messages())
        if (m.icon != Prompter::Icon::Critical)
            QCOMPARE(m.title, QStringLiteral("Upload Parameters"));
    // The settings and the image are written before the module is contacted.
    QCOMPARE(b->settings.values.size(), 4);
    QCOMPARE(b->state.fram.FRAMBuffer[0], quint8(6));
    QCOMPARE(b->link.isOpen(), openAfter);
    if (fault == u"tamper4") {
        // Bytes 0 and 1 were written before the mismatch; nothing is undone.
        QCOMPARE(b->moduleByte(1), quint8(1));
        QCOMPARE(b->moduleByte(4), quint8(10 ^ 0x40));
    }
}

QTEST_GUILESS_MAIN(tst_parametertransfer)
#include "tst_parametertransfer.moc"
