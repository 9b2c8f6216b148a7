// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveLog.h"
#include "RecordingProgress.h"
#include "SimulatedLink.h"
#include "cli/FuelCommand.h"
#include "cli/IdCommand.h"
#include "device/DownloadCommand.h"
#include "device/LineErrorHandler.h"
#include "device/ModuleProtocol.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/ScriptedPrompter.h"
#include "support/SystemClock.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// The real port link against qero4d-sim on a pseudo-terminal, as a user would run it.
struct Rig {
    QProcess sim;
    QString device;
    AppState state;
    SystemClock clock;
    ScriptedPrompter prompter;
    std::unique_ptr<QSerialPortLink> link;
    std::unique_ptr<LineErrorHandler> lineErrors;
    std::unique_ptr<ModuleProtocol> protocol;

    bool start(const QStringList& args) {
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.start(QStringLiteral(QERO_SIM_PATH), args);
        if (!sim.waitForStarted(5000))
            return false;
        while (!sim.canReadLine())
            if (!sim.waitForReadyRead(5000))
                return false;
        device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        PortDevices devices;
        devices.setOverride(1, device);
        state.settings.PortNumber = 1;
        link = std::make_unique<QSerialPortLink>(devices);
        lineErrors =
            std::make_unique<LineErrorHandler>(state.module, state.window, *link, prompter);
        protocol = std::make_unique<ModuleProtocol>(state.module, state.fram, state.settings, *link,
                                                    clock, prompter);
        return !device.isEmpty();
    }

    ~Rig() {
        protocol.reset();
        lineErrors.reset();
        link.reset();
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            if (!sim.waitForFinished(5000))
                sim.kill();
        }
    }
};

} // namespace

class tst_serialintegration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void inProcessModuleOnTheRealClock();
    void identificationBlockWriteAndReadBack();
    void unpluggedMidReadEndsWithTheTimeoutReport();
    void unpluggedDownloadEndsAndThePortOpensAgain();
    void commandLineIdAndFuel();
};

void tst_serialintegration::init() {
    if (QByteArray(QTest::currentTestFunction()) == "inProcessModuleOnTheRealClock")
        return;
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        QSKIP("pseudo-terminals are unavailable on this system, so the simulated module "
              "cannot be served on one");
    ::close(fd);
}

void tst_serialintegration::inProcessModuleOnTheRealClock() {
    // What qero4d-log --simulate runs: the in-process module paced on the real clock.
    AppState state;
    SystemClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link(module, clock);
    link.setModulePort(4);
    state.settings.PortNumber = 4;
    LineErrorHandler lineErrors(state.module, state.window, link, prompter);
    ModuleProtocol p(state.module, state.fram, state.settings, link, clock, prompter);
    QVERIFY(p.ReSyncUpTo(5));
    p.ReadFirmwareID();
    QCOMPARE(state.module.QEROVersion, QStringLiteral("QERO4D Rev 3"));
    p.SetAddress(0);
    for (int block = 0; block < 4; ++block) {
        p.ReadFRAMBlock(64);
        QVERIFY(state.module.CommandOK);
        for (int i = 0; i < 64; ++i)
            QCOMPARE(quint8(state.fram.FRAMBlock[size_t(i)]),
                     module.memory().bytes[size_t(block * 64 + i)]);
    }
    QVERIFY(prompter.boxes().isEmpty());
}

void tst_serialintegration::identificationBlockWriteAndReadBack() {
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("after.bin"));
    Rig r;
    QVERIFY(r.start({QStringLiteral("--save-image"), saved}));
    ModuleProtocol& p = *r.protocol;

    QVERIFY(p.ReSyncUpTo(5));
    p.ReadFirmwareID();
    QVERIFY(r.state.module.CommandOK);
    QCOMPARE(r.state.module.FirmwareID,
             QStringLiteral("Brenwick QERO IV Dual Rev 3 Firmware 4.31"));
    QCOMPARE(r.state.module.QEROVersion, QStringLiteral("QERO4D Rev 3"));
    QVERIFY(!r.link->isOpen());

    ModuleMemory expected;
    DriveLog::build(expected);
    const int pointer = expected.logPointer();
    p.SetAddress(pointer);
    QVERIFY(r.state.module.CommandOK);
    QElapsedTimer t;
    t.start();
    p.ReadFRAMBlock(64);
    const qint64 blockMs = t.elapsed();
    QVERIFY(r.state.module.CommandOK);
    for (int i = 0; i < 64; ++i)
        QCOMPARE(quint8(r.state.fram.FRAMBlock[size_t(i)]), expected.bytes[size_t(pointer + i)]);
    QVERIFY2(blockMs >= 10, "64 bytes at 5600 bytes/s take more than 11 ms");

    p.SetAddress(6);
    p.WriteFRAM(0x22);
    QVERIFY(r.state.module.CommandOK);
    QVERIFY(!r.link->isOpen());
    p.SetAddress(6);
    QCOMPARE(p.ReadFRAM(), quint8(0x22));
    QVERIFY(r.state.module.CommandOK);
    QVERIFY2(r.prompter.boxes().isEmpty(), qPrintable(r.prompter.messageTexts().join(u'|')));

    // The module keeps the write and hands it over on exit.
    r.link->closeIfOpen();
    r.sim.terminate();
    QVERIFY(r.sim.waitForFinished(5000));
    QFile f(saved);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray image = f.readAll();
    QCOMPARE(image.size(), 65536);
    QCOMPARE(quint8(image[6]), quint8(0x22));
}

void tst_serialintegration::unpluggedMidReadEndsWithTheTimeoutReport() {
    Rig r;
    QVERIFY(r.start({QStringLiteral("--unplug-after"), QStringLiteral("3")}));
    ModuleProtocol& p = *r.protocol;
    r.prompter.answerButton(Prompter::Ok);
    r.prompter.answerButton(Prompter::Abort);
    QVERIFY(p.ReSyncUpTo(5));
    p.SetAddress(0);
    QVERIFY(r.state.module.CommandOK);
    QElapsedTimer t;
    t.start();
    int blocks = 0;
    for (; blocks < 10; ++blocks) {
        p.ReadFRAMBlock(64);
        if (!r.state.module.CommandOK)
            break;
    }
    QCOMPARE(blocks, 3);
    QVERIFY(t.elapsed() < 5000); // ended, did not hang
    const QStringList texts = r.prompter.messageTexts();
    QCOMPARE(texts.size(), 2);
    // The cause first, then the failed read.
    QVERIFY2(texts.first().startsWith(QLatin1String("The serial port was removed")),
             qPrintable(texts.first()));
    QCOMPARE(r.prompter.boxes().first().title, QStringLiteral("Communications Error"));
    QCOMPARE(texts.last(), QStringLiteral("RS-232 timeout. Check cable and click Abort."));
    QVERIFY(!r.link->isOpen());
    QVERIFY(r.sim.waitForFinished(5000)); // the simulator has gone
}

void tst_serialintegration::unpluggedDownloadEndsAndThePortOpensAgain() {
    // The port is the simulator's link, so that a simulator started again is the same port,
    // as a USB adapter plugged in again is.
    QTemporaryDir dir;
    const QString linkPath = dir.filePath(QStringLiteral("qero"));
    Rig r;
    QVERIFY(r.start({QStringLiteral("--unplug-after"), QStringLiteral("5"),
                     QStringLiteral("--link"), linkPath}));
    PortDevices devices;
    devices.setOverride(1, linkPath);
    r.protocol.reset();
    r.lineErrors.reset();
    r.link = std::make_unique<QSerialPortLink>(devices);
    r.lineErrors =
        std::make_unique<LineErrorHandler>(r.state.module, r.state.window, *r.link, r.prompter);
    r.protocol = std::make_unique<ModuleProtocol>(r.state.module, r.state.fram, r.state.settings,
                                                  *r.link, r.clock, r.prompter);

    // When each block read ended, on the real clock.
    struct TimedProgress : RecordingProgress {
        QElapsedTimer timer;
        QList<qint64> atMs;
        void setProgress(int percent) override {
            RecordingProgress::setProgress(percent);
            atMs << timer.elapsed();
        }
    } progress;
    progress.timer.start();
    DownloadCommand download(r.state, *r.protocol, r.prompter, r.clock, progress);
    r.prompter.answerButton(Prompter::Ok);    // the firmware identification
    r.prompter.answerButton(Prompter::Ok);    // the removed port
    r.prompter.answerButton(Prompter::Abort); // the time-out report
    QVERIFY(!download.mnuDownload_Click());
    const qint64 endMs = progress.timer.elapsed();

    // Five blocks came; the sixth read began after the fifth one's progress step.
    QCOMPARE(progress.atMs.size(), 1 + 6);
    const qint64 deadlineMs = progress.atMs[5] + ModuleProtocol::kReplyLimitUs / 1000;
    QVERIFY2(endMs <= deadlineMs + 2000,
             qPrintable(QStringLiteral("ended %1 ms after the deadline").arg(endMs - deadlineMs)));
    const QStringList texts = r.prompter.messageTexts();
    QVERIFY(texts.size() >= 3);
    QCOMPARE(texts[texts.size() - 2],
             QStringLiteral("RS-232 timeout. Check cable and click Abort."));
    QCOMPARE(texts.last(), QStringLiteral("FRAM download failed."));
    QVERIFY(r.state.log.DataBufferEmpty);
    QVERIFY(!r.link->isOpen());
    QVERIFY(r.sim.state() == QProcess::NotRunning || r.sim.waitForFinished(5000));

    // Plugged in again: the same port opens and the module answers.
    Rig again;
    QVERIFY(again.start({QStringLiteral("--link"), linkPath}));
    r.prompter.clear();
    QVERIFY(r.protocol->ReSyncUpTo(5));
    r.protocol->ReadFirmwareID();
    QVERIFY(r.state.module.CommandOK);
    QCOMPARE(r.state.module.QEROVersion, QStringLiteral("QERO4D Rev 3"));
    QVERIFY2(r.prompter.boxes().isEmpty(), qPrintable(r.prompter.messageTexts().join(u'|')));
}

void tst_serialintegration::commandLineIdAndFuel() {
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("after.bin"));
    const QString link = dir.filePath(QStringLiteral("qero"));
    Rig r;
    QVERIFY(r.start({QStringLiteral("--model"), QStringLiteral("3dual-rev3"),
                     QStringLiteral("--link"), link, QStringLiteral("--save-image"), saved}));
    QVERIFY(QFileInfo(link).isSymLink());

    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runIdCommand({QStringLiteral("--port"), link}, out, err), 0);
    QCOMPARE(outText, QStringLiteral("Firmware ID: Brenwick QERO 3 Dual Display Rev 3 Firmware "
                                     "3.41\nModel: QERO3Dual Rev 3\n"));

    outText.clear();
    QCOMPARE(runFuelCommand({QStringLiteral("--port"), r.device, QStringLiteral("--fuel"),
                             QStringLiteral("e85")},
                            out, err),
             0);
    QVERIFY2(outText.contains(QLatin1String("factor 21793")), qPrintable(outText));
    QVERIFY(errText.contains(QLatin1String("Upload completed")));

    // A user fuel, then a module that refuses writes.
    QCOMPARE(runFuelCommand({QStringLiteral("--port"), r.device, QStringLiteral("--user"),
                             QStringLiteral("  Race fuel  "), QStringLiteral("--ratio"),
                             QStringLiteral("12.345")},
                            out, err),
             0);
    QVERIFY2(outText.contains(QLatin1String("Race fuel (ratio 12.35)")), qPrintable(outText));

    r.sim.terminate();
    QVERIFY(r.sim.waitForFinished(5000));
    QVERIFY(!QFileInfo::exists(link)); // the link goes with the simulator
    QFile f(saved);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray image = f.readAll();
    const quint16 factor = quint16(quint8(image[6]) | (quint8(image[7]) << 8));
    QCOMPARE(int(factor), 27548); // 12.35 / 14.69 x 32768

    // Nothing answers on a device that is gone.
    errText.clear();
    QCOMPARE(
        runIdCommand({QStringLiteral("--port"), dir.filePath(QStringLiteral("none"))}, out, err),
        1);
    // Named by the path that was given, not by a Com number nobody typed.
    QVERIFY2(errText.contains(QStringLiteral("Cannot open ") +
                              dir.filePath(QStringLiteral("none")) + QStringLiteral(": ")) &&
                 !errText.contains(QLatin1String("Com1")),
             qPrintable(errText));
}

QTEST_GUILESS_MAIN(tst_serialintegration)
#include "tst_serialintegration.moc"
