// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountingLink.h"
#include "QeroModule.h"
#include "device/DownloadCommand.h"
#include "device/LineErrorHandler.h"
#include "device/ModuleProtocol.h"
#include "device/ProgressReport.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "realtime/LiveRecorder.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimeDisplay.h"
#include "realtime/RealTimePoller.h"
#include "support/ScriptedPrompter.h"
#include "support/SystemClock.h"

#include "SimProcess.h"
#include <QElapsedTimer>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

// How close the module conversations come to what the serial line allows: the whole
// memory read and the live polling, through the real serial port code, against
// qero4d-sim on a pseudo-terminal with its replies paced at the line rate. Each figure
// is the time the bytes exchanged need at 56000 bit/s (10 bits a byte) plus the
// protocol's fixed waits, set against the time taken, so it holds on any machine.
namespace {

constexpr double kByteSeconds = 10.0 / 56000.0;
// Every byte a memory read sends is followed by a 2 ms pause (between the command's
// bytes, and after its reply); every live read sends one byte and waits 10 ms after
// its reply.
constexpr double kReadPauseSeconds = 0.002;
constexpr double kLiveSettleSeconds = 0.010;

struct Sim : SimProcess {
    Sim() : SimProcess(QStringLiteral(QERO_SIM_PATH), QProcess::ForwardedErrorChannel) {}
};

class NoProgress : public ProgressReport {
public:
    void showProgress(const QString&) override {}
    void setProgress(int percent) override { last = percent; }
    void hideProgress() override {}
    int last = -1;
};

class CountingDisplay : public RealTimeDisplay {
public:
    void showSensors(int, int, double, double, double, double, bool) override { ++sensors; }
    void showRPM(float rpm) override { rpmSeen = std::max(rpmSeen, rpm); }
    void showAnalog(float, float) override {}
    void showBattery(float volts) override { batterySeen = std::max(batterySeen, volts); }
    void showCellResistance1(float) override {}
    void showCellResistance2(float) override { ++complete; }
    void showEthanol(float) override {}
    void resetDisplay() override { ++resets; }
    int sensors = 0;
    int complete = 0;
    int resets = 0;
    float rpmSeen = 0;
    float batterySeen = 0;
};

// The serial link, its line-error handling and the protocol, wired as the program
// wires them, on the simulated module's device.
struct Wiring {
    explicit Wiring(const QString& device) {
        PortDevices devices;
        devices.setOverride(1, device);
        serial = std::make_unique<QSerialPortLink>(devices);
        link = std::make_unique<CountingLink>(*serial);
        lineErrors =
            std::make_unique<LineErrorHandler>(state.module, state.window, *link, prompter);
        protocol = std::make_unique<ModuleProtocol>(state.module, state.fram, state.settings, *link,
                                                    clock, prompter);
        state.settings.PortNumber = 1;
    }
    ~Wiring() { link->closeIfOpen(); }

    AppState state;
    SystemClock clock;
    ScriptedPrompter prompter;
    std::unique_ptr<QSerialPortLink> serial;
    std::unique_ptr<CountingLink> link;
    std::unique_ptr<LineErrorHandler> lineErrors;
    std::unique_ptr<ModuleProtocol> protocol;
};

double pollSeconds() {
    const int s = qEnvironmentVariableIntValue("QERO_BENCH_POLL_SECONDS");
    return s > 0 ? s : 5;
}

} // namespace

class bench_modulelink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void download();
    void verifiedDownload();
    void polling();
    void pollingWhileRecording();
};

void bench_modulelink::initTestCase() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        QSKIP("pseudo-terminals are unavailable here, so the simulated module cannot be served");
    ::close(fd);
}

void bench_modulelink::download() {
    Sim sim;
    QVERIFY(sim.start());
    Wiring w(sim.device);
    NoProgress progress;
    DownloadCommand command(w.state, *w.protocol, w.prompter, w.clock, progress);

    QElapsedTimer timer;
    timer.start();
    command.ReadFRAMData();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    QVERIFY(w.state.module.CommandOK);
    QVERIFY2(w.prompter.boxes().isEmpty(), qPrintable(w.prompter.boxes().value(0).text));
    // Every byte arrived, in order: the copy is the memory the module serves.
    const QeroModule served;
    QVERIFY(std::equal(w.state.fram.FRAMBuffer.begin(), w.state.fram.FRAMBuffer.end(),
                       served.memory().bytes.begin()));
    QCOMPARE(w.link->received(), qint64(1 + 65536));

    const double lineSeconds = double(w.link->sent() + w.link->received()) * kByteSeconds;
    const double waitSeconds = double(w.link->sent()) * kReadPauseSeconds;
    const double limit = lineSeconds + waitSeconds;
    qInfo("figure download_seconds %.3f", seconds);
    qInfo("figure download_line_seconds %.3f", lineSeconds);
    qInfo("figure download_limit_seconds %.3f", limit);
    qInfo("figure download_ratio %.3f", seconds / limit);
    // Where the time beyond the limit goes.
    qInfo("detail download_reply_wait_seconds %.3f", w.link->waitSeconds());
    qInfo("detail download_open_close_seconds %.3f (%lld opens)", w.link->openCloseSeconds(),
          w.link->opens());
}

void bench_modulelink::verifiedDownload() {
    Sim sim;
    QVERIFY(sim.start());
    Wiring w(sim.device);
    NoProgress progress;
    DownloadCommand command(w.state, *w.protocol, w.prompter, w.clock, progress);
    command.verify = true;

    QElapsedTimer timer;
    timer.start();
    command.ReadFRAMData();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    QVERIFY(w.state.module.CommandOK);
    QVERIFY2(w.prompter.boxes().isEmpty(), qPrintable(w.prompter.boxes().value(0).text));
    const QeroModule served;
    QVERIFY(std::equal(w.state.fram.FRAMBuffer.begin(), w.state.fram.FRAMBuffer.end(),
                       served.memory().bytes.begin()));

    // Measured against what the line allows a plain download (one address, 1024 block
    // commands, the memory once), so that the figure is the price of verifying.
    const qint64 plainSent = 3 + 2 * qint64(DownloadCommand::kBlocks);
    const qint64 plainReceived = 1 + 65536;
    const double plainLimit =
        double(plainSent + plainReceived) * kByteSeconds + double(plainSent) * kReadPauseSeconds;
    const double ownLimit = double(w.link->sent() + w.link->received()) * kByteSeconds +
                            double(w.link->sent()) * kReadPauseSeconds;
    qInfo("figure verified_download_seconds %.3f", seconds);
    qInfo("figure verified_download_ratio %.3f", seconds / plainLimit);
    qInfo("figure verified_download_own_ratio %.3f", seconds / ownLimit);
    qInfo("detail verified_download_re_read_blocks %d", command.reReadBlocks());
}

void bench_modulelink::polling() {
    Sim sim;
    QVERIFY(sim.start());
    Wiring w(sim.device);
    w.protocol->ReadFirmwareID();
    QVERIFY(w.state.module.CommandOK);
    QCOMPARE(w.state.module.QEROVersion, QStringLiteral("QERO4D Rev 3"));
    w.state.window.RealTimeActive = true;

    RealTimeCommands commands(*w.protocol);
    CountingDisplay display;
    RealTimePoller poller(w.state, commands, w.clock, display,
                          [&] { w.state.window.RealTimeActive = false; });
    w.link->resetCounts();

    const double runSeconds = pollSeconds();
    QElapsedTimer timer;
    timer.start();
    int cycles = 0;
    while (double(timer.nsecsElapsed()) / 1e9 < runSeconds) {
        QCOMPARE(poller.tmrDataRead_Timer(), RealTimePoller::Tick::Complete);
        ++cycles;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    QVERIFY2(w.prompter.boxes().isEmpty(), qPrintable(w.prompter.boxes().value(0).text));
    QCOMPARE(display.sensors, cycles);
    QCOMPARE(display.complete, cycles);
    QCOMPARE(display.resets, 0);
    // Values came through, not the zeros of failed reads.
    QVERIFY(display.rpmSeen > 0);
    QVERIFY(display.batterySeen > 0);
    // Six one-byte reads a cycle on this model.
    QCOMPARE(w.link->sent(), qint64(6) * cycles);

    const double cycleLimit = (double(w.link->sent() + w.link->received()) * kByteSeconds +
                               double(w.link->sent()) * kLiveSettleSeconds) /
                              cycles;
    const double rate = cycles / seconds;
    qInfo("figure polling_rate %.2f", rate);
    qInfo("figure polling_limit_rate %.2f", 1.0 / cycleLimit);
    qInfo("figure polling_ratio %.3f", rate * cycleLimit);
    qInfo("detail polling_reply_wait_ms_per_read %.2f",
          w.link->waitSeconds() * 1e3 / (6.0 * cycles));
    qInfo("detail polling_open_close_ms_per_read %.2f",
          w.link->openCloseSeconds() * 1e3 / (6.0 * cycles));
}

void bench_modulelink::pollingWhileRecording() {
    Sim sim;
    QVERIFY(sim.start());
    Wiring w(sim.device);
    w.protocol->ReadFirmwareID();
    QVERIFY(w.state.module.CommandOK);
    w.state.window.RealTimeActive = true;

    RealTimeCommands commands(*w.protocol);
    CountingDisplay display;
    LiveRecorder recorder(w.state.log, w.state.module, w.clock, display);
    RealTimePoller poller(w.state, commands, w.clock, recorder,
                          [&] { w.state.window.RealTimeActive = false; });
    QTemporaryDir dir;
    QVERIFY(recorder.start(dir.filePath(QStringLiteral("drive.csv"))));

    // Slices of a second with and without the recording, taken in turns, so that a
    // machine that gets busier during the run weighs on both alike.
    const double runSeconds = pollSeconds();
    double seconds[2] = {0, 0};
    int cycles[2] = {0, 0};
    QElapsedTimer total;
    total.start();
    for (int slice = 0; double(total.nsecsElapsed()) / 1e9 < 2 * runSeconds; ++slice) {
        const int recording = slice % 2;
        QElapsedTimer timer;
        timer.start();
        while (double(timer.nsecsElapsed()) / 1e9 < 1.0) {
            const RealTimePoller::Tick tick = poller.tmrDataRead_Timer();
            QCOMPARE(tick, RealTimePoller::Tick::Complete);
            if (recording)
                recorder.cycleFinished(tick);
            ++cycles[recording];
        }
        seconds[recording] += double(timer.nsecsElapsed()) / 1e9;
    }
    recorder.stop();
    QVERIFY2(recorder.error().isEmpty(), qPrintable(recorder.error()));
    QCOMPARE(recorder.rows(), qint64(cycles[1]));

    const double without = cycles[0] / seconds[0];
    const double with = cycles[1] / seconds[1];
    qInfo("figure recording_polling_rate %.2f", with);
    qInfo("figure recording_plain_polling_rate %.2f", without);
    qInfo("figure recording_polling_ratio %.3f", with / without);
    qInfo("detail recording_bytes_per_row %.1f",
          double(recorder.bytesWritten()) / double(std::max<qint64>(1, recorder.rows())));
    qInfo("detail recording_syncs %lld", recorder.syncs());
}

QTEST_GUILESS_MAIN(bench_modulelink)
#include "bench_modulelink.moc"
