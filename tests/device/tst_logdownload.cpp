// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingProgress.h"
#include "SimBench.h"
#include "device/ClearQEROBufferCommand.h"
#include "device/DownloadCommand.h"
#include "device/FramDecoder.h"
#include "support/Numbers.h"

#include <QtTest>

#include <memory>

namespace {

const QString kTimeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");
const QDateTime kWhen(QDate(2026, 12, 10), QTime(14, 5, 9));

// The download as the main window runs it, on the simulated module.
struct DownloadBench : SimBench {
    RecordingProgress progress;
    QStringList captions;
    DownloadCommand command{state, protocol, prompter, clock, progress};

    DownloadBench() {
        command.setCaptionSuffix = [this](const QString& s) { captions << s; };
        command.now = [] { return kWhen; };
    }

    // Text, title and icon of every box, one line each.
    QStringList boxes() const {
        QStringList out;
        for (const auto& b : prompter.messages())
            out << QStringLiteral("%1 | %2 | %3").arg(b.text, b.title, Prompter::iconName(b.icon));
        return out;
    }
};

QString box(const QString& text, const QString& title = QStringLiteral("Download Data"),
            Prompter::Icon icon = Prompter::Icon::Exclamation) {
    return QStringLiteral("%1 | %2 | %3").arg(text, title, Prompter::iconName(icon));
}

QString errorBox(const QString& text) {
    return box(text, QStringLiteral("Error"), Prompter::Icon::Critical);
}

void expectEmptyLog(DownloadBench& b) {
    QVERIFY(b.state.log.DataBufferEmpty);
    QCOMPARE(b.state.log.AFR1[0], 10.0f);
    QCOMPARE(b.state.log.RPM[11999], 1.0f);
    QVERIFY(b.state.log.DownloadDate.isEmpty());
    QCOMPARE(b.captions, QStringList{QStringLiteral("Data Buffer Empty")});
    QVERIFY(!b.progress.visible);
    QVERIFY(!b.link.isOpen());
}

} // namespace

class tst_logdownload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeDownload();
    void silentModule();
    void firmwareIdTimeout();
    void emptyFirmwareId();
    void refusedSetAddress();
    void failedBlockMidRead_data();
    void failedBlockMidRead();
    void escapeEndsTheRead();
    void escapePressedBeforeTheReadIsForgotten();
    void logPointerPastTheEnd();
    void failedDownloadEmptiesAnEarlierLog();
    void erase_data();
    void erase();
    void eraseCancelled();
};

void tst_logdownload::wholeDownload() {
    auto b = std::make_unique<DownloadBench>();
    b->state.log.Comment = QStringLiteral("old comment");
    const qint64 start = b->clock.nowUs();

    QVERIFY(b->command.mnuDownload_Click());

    QCOMPARE(b->boxes(), QStringList{box("Firmware ID: " + b->module.identification())});
    QCOMPARE(b->captions, (QStringList{"Data Buffer Empty", "Downloaded Data"}));
    QVERIFY(b->state.module.CommandOK);
    QVERIFY(!b->link.isOpen());
    QVERIFY(!b->state.log.DataBufferEmpty);
    QVERIFY(b->state.log.Comment.isEmpty());
    QCOMPARE(b->state.log.DownloadDate, Numbers::generalDateTime(kWhen));

    // The image is the module's memory, and the log is exactly its decoding.
    QVERIFY(b->state.fram.FRAMBuffer == b->module.memory().bytes);
    auto expected = std::make_unique<LogBuffer>();
    const auto outcome = FramDecoder::decode(b->module.memory().bytes, *expected);
    QVERIFY(outcome.ok);
    QVERIFY(b->state.log.AFR1 == expected->AFR1);
    QVERIFY(b->state.log.Sensor2Status == expected->Sensor2Status);
    QVERIFY(b->state.log.RPM == expected->RPM);
    QVERIFY(b->state.log.AnalogInVolts == expected->AnalogInVolts);
    QVERIFY(b->state.log.ElapsedTime == expected->ElapsedTime);
    QCOMPARE(b->state.log.DataLogInterval, outcome.parameters.DataLogInterval);
    QCOMPARE(b->state.settings.PulsePerRev, outcome.parameters.PulsePerRev);
    QCOMPARE(b->state.settings.RPMDebounce, outcome.parameters.RPMDebounce);
    QCOMPARE(b->state.settings.MinLEDPWM, outcome.parameters.MinLEDPWM);

    // Progress: shown once, rising from 0 to 100, hidden at the end.
    QCOMPARE(b->progress.captions, QStringList{"Reading FRAM"});
    QCOMPARE(b->progress.values.first(), 0);
    QCOMPARE(b->progress.values.last(), 100);
    QVERIFY(std::is_sorted(b->progress.values.begin(), b->progress.values.end()));
    QCOMPARE(b->progress.values.size(), 1 + DownloadCommand::kBlocks);
    QVERIFY(!b->progress.visible);
    // 65536 bytes at 5600 bytes per second: about 12 s of line time.
    QVERIFY(b->clock.nowUs() - start > 11'000'000);
}

void tst_logdownload::silentModule() {
    auto b = std::make_unique<DownloadBench>();
    b->module.faults().silent = true;
    QVERIFY(!b->command.mnuDownload_Click());
    QCOMPARE(b->boxes(),
             QStringList{box("Cannot establish RS-232 link. Check cable and QERO power.")});
    QCOMPARE(b->progress.captions.size(), 0);
    expectEmptyLog(*b);
    // Five tries of one second each.
    QVERIFY(b->clock.nowUs() >= 5'000'000 && b->clock.nowUs() < 6'000'000);
}

void tst_logdownload::firmwareIdTimeout() {
    auto b = std::make_unique<DownloadBench>();
    b->module.faults().ignoreCommand = 16;
    b->prompter.answerButton(Prompter::Abort);
    QVERIFY(!b->command.mnuDownload_Click());
    QCOMPARE(b->boxes(),
             (QStringList{errorBox(kTimeout), box("Firmware ID read failed - cannot download.")}));
    expectEmptyLog(*b);
}

void tst_logdownload::emptyFirmwareId() {
    auto b = std::make_unique<DownloadBench>();
    b->module.setIdentification(QString());
    QVERIFY(!b->command.mnuDownload_Click());
    QCOMPARE(b->boxes(), QStringList{box("Invalid firmware ID - cannot download.")});
    expectEmptyLog(*b);
}

void tst_logdownload::refusedSetAddress() {
    auto b = std::make_unique<DownloadBench>();
    b->module.faults().refuseCommand = 20;
    QVERIFY(!b->command.mnuDownload_Click());
    QCOMPARE(b->boxes(), (QStringList{box("Firmware ID: " + b->module.identification()),
                                      box("FRAM download failed.", "Download Data",
                                          Prompter::Icon::Information)}));
    QCOMPARE(b->progress.captions, QStringList{"Reading FRAM"});
    QCOMPARE(b->progress.hides, 1);
    expectEmptyLog(*b);
}

void tst_logdownload::failedBlockMidRead_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("answer");
    QTest::newRow("short block, Abort") << "short" << int(Prompter::Abort);
    QTest::newRow("short block, Ignore") << "short" << int(Prompter::Ignore);
    QTest::newRow("unplugged") << "unplug" << int(Prompter::Abort);
}

void tst_logdownload::failedBlockMidRead() {
    QFETCH(QString, fault);
    QFETCH(int, answer);
    auto b = std::make_unique<DownloadBench>();
    if (fault == u"short")
        b->module.faults().shortBlock = 500;
    else
        b->module.faults().unplugAfterBlocks = 300;
    b->prompter.answerButton(Prompter::Ok); // the firmware identification
    b->prompter.answerButton(Prompter::Button(answer));
    QVERIFY(!b->command.mnuDownload_Click());
    // (An unplugged adapter is also reported as a line error before the time-out.)
    const QStringList boxes = b->boxes();
    QVERIFY(boxes.size() >= 3);
    QCOMPARE(boxes[boxes.size() - 2], errorBox(kTimeout));
    QCOMPARE(boxes.last(),
             box("FRAM download failed.", "Download Data", Prompter::Icon::Information));
    QCOMPARE(b->prompter.pendingAnswers(), 0);
    // The read stopped at the failed block.
    QVERIFY(b->progress.values.size() < 520);
    expectEmptyLog(*b);
}

void tst_logdownload::escapeEndsTheRead() {
    auto b = std::make_unique<DownloadBench>();
    // Esc arrives while the hundredth block is being read.
    int blocksSeen = 0;
    b->clock.addEventHook([&] {
        if (b->progress.visible && ++blocksSeen == 100)
            b->state.window.AbortRequested = true;
    });
    QVERIFY(!b->command.mnuDownload_Click());
    QCOMPARE(b->boxes().last(),
             box("FRAM download failed.", "Download Data", Prompter::Icon::Information));
    QVERIFY(!b->state.window.AbortRequested);
    QVERIFY(b->progress.values.size() < 110);
    expectEmptyLog(*b);
}

void tst_logdownload::escapePressedBeforeTheReadIsForgotten() {
    auto b = std::make_unique<DownloadBench>();
    b->state.window.AbortRequested = true;
    QVERIFY(b->command.mnuDownload_Click());
    QVERIFY(!b->state.log.DataBufferEmpty);
}

void tst_logdownload::logPointerPastTheEnd() {
    auto b = std::make_unique<DownloadBench>();
    b->module.memory().setLogPointer(65532);
    // Retry decodes again and meets the same record; Abort then ends the download.
    b->prompter.answerButton(Prompter::Ok); // the firmware identification
    b->prompter.answerButton(Prompter::Retry);
    b->prompter.answerButton(Prompter::Abort);
    QVERIFY(!b->command.mnuDownload_Click());
    const QStringList boxes = b->boxes();
    QCOMPARE(boxes.size(), 3);
    QVERIFY2(boxes[1].startsWith("Log record 1 at address 65532 runs past the end"),
             qPrintable(boxes[1]));
    QVERIFY(boxes[1].endsWith(" | Error | " + Prompter::iconName(Prompter::Icon::Critical)));
    QCOMPARE(boxes[2], boxes[1]);
    // The memory was read; only the log stays empty.
    QVERIFY(b->state.fram.FRAMBuffer == b->module.memory().bytes);
    expectEmptyLog(*b);
}

void tst_logdownload::failedDownloadEmptiesAnEarlierLog() {
    auto b = std::make_unique<DownloadBench>();
    QVERIFY(b->command.mnuDownload_Click());
    b->captions.clear();
    b->module.faults().silent = true;
    QVERIFY(!b->command.mnuDownload_Click());
    expectEmptyLog(*b);
    QVERIFY(std::all_of(b->state.fram.FRAMBuffer.begin(), b->state.fram.FRAMBuffer.end(),
                        [](quint8 x) { return x == 0; }));
}

void tst_logdownload::erase_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("ok");
    QTest::newRow("acknowledged") << ""
                                  << "QERO data buffer cleared." << true;
    QTest::newRow("refused") << "refuse"
                             << "Command failed - QERO data buffer not cleared." << false;
    QTest::newRow("silent") << "silent"
                            << "Cannot establish RS-232 link. Check cable and module power."
                            << false;
}

void tst_logdownload::erase() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QFETCH(bool, ok);
    auto b = std::make_unique<DownloadBench>();
    b->state.log.DataBufferEmpty = false;
    b->state.log.AFR1[0] = 14.5f;
    if (fault == u"refuse")
        b->module.faults().refuseCommand = 49;
    else if (fault == u"silent")
        b->module.faults().silent = true;
    b->prompter.answerButton(Prompter::Ok);
    ClearQEROBufferCommand erase(b->protocol, b->prompter);
    QCOMPARE(erase.mnuClearQEROBuffer_Click(), ok);

    const auto boxes = b->prompter.messages();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].text, QStringLiteral("All data logged by QERO will be lost. Proceed?"));
    QCOMPARE(boxes[0].icon, Prompter::Icon::Exclamation);
    QCOMPARE(boxes[0].buttons, Prompter::Buttons(Prompter::Ok | Prompter::Cancel));
    QCOMPARE(boxes[1].text, message);
    QCOMPARE(boxes[1].title, QStringLiteral("Clear QERO Data Buffer"));
    QCOMPARE(boxes[1].icon,
             fault == u"silent" ? Prompter::Icon::Exclamation : Prompter::Icon::Information);
    QVERIFY(!b->link.isOpen());
    // The log in memory is not the module's log.
    QVERIFY(!b->state.log.DataBufferEmpty);
    QCOMPARE(b->state.log.AFR1[0], 14.5f);
    // The erase takes the module longer than the one second other commands get.
    if (ok)
        QVERIFY(b->clock.nowUs() > QeroModule::kEraseUs);
}

void tst_logdownload::eraseCancelled() {
    auto b = std::make_unique<DownloadBench>();
    b->prompter.answerButton(Prompter::Cancel);
    ClearQEROBufferCommand erase(b->protocol, b->prompter);
    QVERIFY(!erase.mnuClearQEROBuffer_Click());
    QCOMPARE(b->prompter.messages().size(), 1);
    QVERIFY(b->link.sent().empty());
}

QTEST_GUILESS_MAIN(tst_logdownload)
#include "tst_logdownload.moc"
