// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "RecordingProgress.h"
#include "SimulatedLink.h"
#include "cli/DownloadCommand.h"
#include "device/DownloadCommand.h"
#include "device/LineErrorHandler.h"
#include "device/ModuleProtocol.h"
#include "logdata/AppState.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

// The cable pulled out at each of the 1024 block reads of a download: every one must end
// with the time-out report and "FRAM download failed.", an empty log, a closed port, and
// (qero4d-cli) no file written.

namespace {

const QByteArray kOldLog = "the log saved before\r\n";
const QString kTimeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");

// The module answers at once and every pause takes one step of the virtual clock, so a
// download costs little real time; the protocol and the failure handling are unchanged.
struct PullBench {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link{module, clock, false};
    LineErrorHandler lineErrors{state.module, state.window, link, prompter};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    RecordingProgress progress;
    QStringList captions;
    DownloadCommand command{state, protocol, prompter, clock, progress};

    explicit PullBench(const ModuleMemory& memory) {
        module.memory() = memory;
        clock.setEventQuantumUs(ModuleProtocol::kPauseMs * 1000);
        command.setCaptionSuffix = [this](const QString& s) { captions << s; };
    }
};

const ModuleMemory& driveLog() {
    static const ModuleMemory memory = QeroModule().memory();
    return memory;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_cablepull : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pulledAtEveryBlock_data();
    void pulledAtEveryBlock();

private:
    QTemporaryDir m_dir;
};

void tst_cablepull::initTestCase() {
    QVERIFY(m_dir.isValid());
    // The bench reads the whole memory when nothing is pulled.
    auto b = std::make_unique<PullBench>(driveLog());
    QTemporaryDir dir;
    const DownloadOutputs outputs{dir.filePath(QStringLiteral("whole.log")), QString(), QString(),
                                  QStringLiteral("Brenwick")};
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(downloadAndWrite(b->command, outputs, out, err), 0);
    QCOMPARE(b->module.blockReads(), DownloadCommand::kBlocks);
    QVERIFY(!b->state.log.DataBufferEmpty);
    QVERIFY(readAll(outputs.logPath).size() > 300000);
}

void tst_cablepull::pulledAtEveryBlock_data() {
    QTest::addColumn<int>("blocksBefore");
    QTest::addColumn<int>("answer");
    for (int n = 0; n < DownloadCommand::kBlocks; ++n) {
        // Abort and Ignore on the time-out report both end the read.
        QTest::addRow("pulled at block %d", n + 1)
            << n << int(n % 2 ? Prompter::Ignore : Prompter::Abort);
    }
}

void tst_cablepull::pulledAtEveryBlock() {
    QFETCH(int, blocksBefore);
    QFETCH(int, answer);
    auto b = std::make_unique<PullBench>(driveLog());
    b->module.faults().unplugAfterBlocks = blocksBefore;
    b->prompter.answerButton(Prompter::Ok); // the firmware identification
    b->prompter.answerButton(Prompter::Ok); // the removed port
    b->prompter.answerButton(Prompter::Button(answer));

    // An earlier download of the same name stays as it was; no memory file appears.
    const QString logPath = m_dir.filePath(QStringLiteral("drive.log"));
    const QString imagePath = m_dir.filePath(QStringLiteral("drive.fram"));
    QFile::remove(imagePath);
    QFile old(logPath);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(kOldLog) == kOldLog.size());
    old.close();

    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const int status = downloadAndWrite(
        b->command, {logPath, imagePath, QStringLiteral("pulled"), QStringLiteral("Brenwick")}, out,
        err);
    QCOMPARE(status, 1);
    QCOMPARE(readAll(logPath), kOldLog);
    QVERIFY(!QFile::exists(imagePath));
    QVERIFY(outText.isEmpty());

    QCOMPARE(b->module.blockReads(), blocksBefore);
    QCOMPARE(b->prompter.pendingAnswers(), 0);
    const auto boxes = b->prompter.messages();
    QCOMPARE(boxes.size(), 4);
    QVERIFY(boxes[0].text.startsWith(QLatin1String("Firmware ID: ")));
    QCOMPARE(boxes[1].title, QStringLiteral("Communications Error"));
    QVERIFY(boxes[1].text.startsWith(QLatin1String("The serial port was removed")));
    QCOMPARE(boxes[2].text, kTimeout);
    QCOMPARE(boxes[2].title, QStringLiteral("Error"));
    QCOMPARE(boxes[2].icon, Prompter::Icon::Critical);
    QCOMPARE(boxes[3].text, QStringLiteral("FRAM download failed."));
    QCOMPARE(boxes[3].title, QStringLiteral("Download Data"));
    QCOMPARE(boxes[3].icon, Prompter::Icon::Information);

    // Nothing of the partial read reached the log.
    const LogBuffer& log = b->state.log;
    QVERIFY(log.DataBufferEmpty);
    QVERIFY(log.DownloadDate.isEmpty());
    QVERIFY(log.Comment.isEmpty());
    const auto all = [](const LogBuffer::Samples& a, float v) {
        return std::all_of(a.begin(), a.end(), [v](float x) { return x == v; });
    };
    QVERIFY(all(log.AFR1, 10.0f) && all(log.AFR2, 10.0f));
    QVERIFY(all(log.RPM, 1.0f) && all(log.AnalogInVolts, 1.0f));
    QVERIFY(all(log.Sensor1Status, 0.0f) && all(log.Sensor2Status, 0.0f));
    QCOMPARE(b->captions, QStringList{QStringLiteral("Data Buffer Empty")});
    QVERIFY(!b->state.module.CommandOK);
    QVERIFY(!b->state.window.AbortRequested);
    QVERIFY(!b->progress.visible);
    QCOMPARE(b->progress.hides, 1);
    QVERIFY(!b->link.isOpen());
    // The pulled cable is seen at once, not after the reply time has run out.
    QVERIFY(b->clock.nowUs() < 2 * ModuleProtocol::kReplyLimitUs +
                                   qint64(blocksBefore + 8) * 5 * ModuleProtocol::kPauseMs * 1000);
}

QTEST_GUILESS_MAIN(tst_cablepull)
#include "tst_cablepull.moc"
