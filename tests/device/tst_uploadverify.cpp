// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySettingsStore.h"
#include "SimBench.h"
#include "device/FuelUpload.h"
#include "device/ParameterTransfer.h"

#include <QtTest>

// A module that does not hold what was written must never be reported as updated: the
// read-back after each write has to catch a byte stored differently and a read-back that
// line noise changed, for the parameters and for the fuel alike.

namespace {

enum class Upload { Parameters, Fuel };

const QString kVerificationFailed = QStringLiteral("Upload aborted - FRAM verification failed");

struct UploadBench : SimBench {
    MemorySettingsStore settings;
    ParameterTransfer transfer{state.log, state.settings, settings, protocol, prompter};

    explicit UploadBench(Upload what) {
        // Values whose bytes differ from what the module holds, so every write matters.
        state.log.DataLogInterval = 0.496f; // 31 ticks
        state.settings.PulsePerRev = 4.0f;
        state.settings.RPMDebounce = 7;
        state.settings.MinLEDPWM = 200;
        state.log.FuelType = QStringLiteral("E85");
        state.log.StoichRatio = 9.77f;
        if (what == Upload::Fuel)
            module.setModel(QeroModule::Model::Qero3DualRev3);
    }

    bool run(Upload what) {
        if (what == Upload::Parameters)
            return transfer.cmdQEROParamsUpload_Click();
        return FuelUpload(protocol, state.log).run() == FuelUpload::Result::Completed;
    }

    static QList<int> addresses(Upload what) {
        if (what == Upload::Parameters)
            return {0, 1, 4, 5};
        return {6, 7};
    }

    // The written bytes the module really holds.
    bool moduleHoldsTheImage(Upload what) const {
        for (int a : addresses(what))
            if (module.memory().bytes[size_t(a)] != state.fram.FRAMBuffer[size_t(a)])
                return false;
        return true;
    }

    bool anyCompletedBox() const {
        for (const QString& text : prompter.messageTexts())
            if (text.startsWith(QLatin1String("Upload completed")))
                return true;
        return false;
    }
};

} // namespace

Q_DECLARE_METATYPE(Upload)

class tst_uploadverify : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanModuleCompletes_data();
    void cleanModuleCompletes();
    void moduleStoresADifferentByte_data();
    void moduleStoresADifferentByte();
    void readBackChangedOnTheLine_data();
    void readBackChangedOnTheLine();
    void noisyLineNeverHidesABadWrite_data();
    void noisyLineNeverHidesABadWrite();
};

void tst_uploadverify::cleanModuleCompletes_data() {
    QTest::addColumn<Upload>("what");
    QTest::newRow("parameters") << Upload::Parameters;
    QTest::newRow("fuel") << Upload::Fuel;
}

void tst_uploadverify::cleanModuleCompletes() {
    // The benches below fail only because of their faults.
    QFETCH(Upload, what);
    UploadBench b(what);
    QVERIFY(b.run(what));
    QVERIFY(b.anyCompletedBox());
    QVERIFY(b.moduleHoldsTheImage(what));
}

void tst_uploadverify::moduleStoresADifferentByte_data() {
    QTest::addColumn<Upload>("what");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("mask");
    const struct {
        Upload what;
        const char* name;
    } uploads[] = {{Upload::Parameters, "parameters"}, {Upload::Fuel, "fuel"}};
    for (const auto& u : uploads) {
        QList<int> addresses = UploadBench::addresses(u.what);
        addresses << ModuleFaults::kAnyAddress;
        for (int a : addresses)
            for (int mask : {0x01, 0x80, 0xFF})
                QTest::addRow("%s, %s, mask %02X", u.name,
                              a == ModuleFaults::kAnyAddress
                                  ? "every byte"
                                  : qPrintable(QStringLiteral("byte %1").arg(a)),
                              mask)
                    << u.what << a << mask;
    }
}

void tst_uploadverify::moduleStoresADifferentByte() {
    QFETCH(Upload, what);
    QFETCH(int, address);
    QFETCH(int, mask);
    UploadBench b(what);
    b.module.faults().storeDifferentAt = address;
    b.module.faults().storeMask = quint8(mask);

    QVERIFY(!b.run(what));
    QVERIFY(!b.anyCompletedBox());
    QCOMPARE(b.prompter.messageTexts().last(), kVerificationFailed);
    QVERIFY(!b.moduleHoldsTheImage(what));
    // The bytes before the bad one were written and checked; none after it was written.
    const QList<int> all = UploadBench::addresses(what);
    const int bad = address == ModuleFaults::kAnyAddress ? all.first() : address;
    const auto before = QeroModule().memory().bytes;
    for (int a : all) {
        const quint8 held = b.module.memory().bytes[size_t(a)];
        const quint8 wanted = b.state.fram.FRAMBuffer[size_t(a)];
        if (a < bad)
            QCOMPARE(held, wanted);
        else if (a == bad)
            QCOMPARE(held, quint8(wanted ^ mask));
        else
            QCOMPARE(held, before[size_t(a)]);
    }
}

void tst_uploadverify::readBackChangedOnTheLine_data() {
    QTest::addColumn<Upload>("what");
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("flagged");
    QTest::addColumn<int>("lineAnswer");
    const struct {
        Upload what;
        const char* name;
    } uploads[] = {{Upload::Parameters, "parameters"}, {Upload::Fuel, "fuel"}};
    for (const auto& u : uploads)
        for (int mask : {0x01, 0x10, 0x80, 0x55, 0xFF}) {
            QTest::addRow("%s, mask %02X, unnoticed by the port", u.name, mask)
                << u.what << mask << false << int(Prompter::Ok);
            QTest::addRow("%s, mask %02X, framing error, Retry", u.name, mask)
                << u.what << mask << true << int(Prompter::Retry);
            QTest::addRow("%s, mask %02X, framing error, Cancel", u.name, mask)
                << u.what << mask << true << int(Prompter::Cancel);
        }
}

void tst_uploadverify::readBackChangedOnTheLine() {
    QFETCH(Upload, what);
    QFETCH(int, mask);
    QFETCH(bool, flagged);
    QFETCH(int, lineAnswer);
    UploadBench b(what);
    ModuleFaults& f = b.module.faults();
    f.garbleCommand = 30; // the one-byte read that checks each write
    f.garbleMask = quint8(mask);
    f.garbleFlagged = flagged;
    b.prompter.onBox = [&](const ScriptedPrompter::Box& box) {
        if (box.text == QLatin1String("Framing Error"))
            b.prompter.answerButton(Prompter::Button(lineAnswer));
    };

    QVERIFY(!b.run(what));
    QVERIFY(!b.anyCompletedBox());
    QCOMPARE(b.prompter.messageTexts().last(), kVerificationFailed);
    // The module itself got the right byte; only its answer was wrong.
    QCOMPARE(b.module.memory().bytes[size_t(UploadBench::addresses(what).first())],
             b.state.fram.FRAMBuffer[size_t(UploadBench::addresses(what).first())]);
    if (flagged)
        QVERIFY(b.prompter.messageTexts().contains(QStringLiteral("Framing Error")));
}

void tst_uploadverify::noisyLineNeverHidesABadWrite_data() {
    QTest::addColumn<Upload>("what");
    QTest::addColumn<double>("noise");
    QTest::addColumn<int>("seed");
    for (double p : {0.0, 0.02, 0.1, 0.3, 1.0})
        for (int seed = 1; seed <= 6; ++seed) {
            QTest::addRow("parameters, noise %g, seed %d", p, seed)
                << Upload::Parameters << p << seed;
            QTest::addRow("fuel, noise %g, seed %d", p, seed) << Upload::Fuel << p << seed;
        }
}

void tst_uploadverify::noisyLineNeverHidesABadWrite() {
    QFETCH(Upload, what);
    QFETCH(double, noise);
    QFETCH(int, seed);
    UploadBench b(what);
    b.module.faults().storeDifferentAt = ModuleFaults::kAnyAddress;
    b.module.faults().noise = noise;
    b.module.seedNoise(quint32(seed));
    // Whatever the line does and whatever the user answers, no success is claimed.
    QVERIFY(!b.run(what));
    QVERIFY(!b.anyCompletedBox());
}

QTEST_GUILESS_MAIN(tst_uploadverify)
#include "tst_uploadverify.moc"
