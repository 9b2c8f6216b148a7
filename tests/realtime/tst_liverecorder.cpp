// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "RecordingDisplay.h"
#include "SimulatedLink.h"
#include "device/ModuleProtocol.h"
#include "logdata/AppState.h"
#include "logdata/RecordingReader.h"
#include "realtime/LiveRecorder.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimePoller.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Tick = RealTimePoller::Tick;

// A disk that fills in the middle of a write: the part that fits is taken and the count
// comes back short, with the system's reason left in errno, as write(2) leaves it.
class ShortWriteFile : public QFile {
public:
    ShortWriteFile(const QString& path, qint64 budget, int error)
        : QFile(path), m_budget(budget), m_errno(error) {}

protected:
    qint64 writeData(const char* data, qint64 len) override {
        if (len <= m_budget) {
            m_budget -= len;
            return QFile::writeData(data, len);
        }
        const qint64 n = m_budget > 0 ? QFile::writeData(data, m_budget) : 0;
        m_budget = 0;
        errno = m_errno;
        return n;
    }

private:
    qint64 m_budget;
    int m_errno;
};

// A file that takes `budget` bytes and then refuses, as a full disk or a pulled stick does.
class FailingFile : public QFile {
public:
    FailingFile(const QString& path, qint64 budget) : QFile(path), m_budget(budget) {}

protected:
    qint64 writeData(const char* data, qint64 len) override {
        if (len > m_budget) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_budget -= len;
        return QFile::writeData(data, len);
    }

private:
    qint64 m_budget;
};

struct Rig {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link{module, clock};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    RealTimeCommands commands{protocol};
    RecordingDisplay shown;
    LiveRecorder recorder{state.log, state.module, clock, shown};
    RealTimePoller poller{state, commands, clock, recorder,
                          [this] { state.window.RealTimeActive = false; }};
    // What the gauges showed in each completed cycle.
    QList<RecordingDisplay> cycles;
    // The clock when each completed cycle began.
    QList<qint64> cycleStartUs;

    explicit Rig(QeroModule::Model model = QeroModule::Model::Qero4dRev3) : module(model) {
        state.settings.PortNumber = 1;
        state.window.RealTimeActive = true;
        state.module.QEROVersion = model == QeroModule::Model::Qero3DualRev3
                                       ? QStringLiteral("QERO3Dual Rev 3")
                                       : QStringLiteral("QERO4D Rev 3");
        state.module.FirmwareID = QStringLiteral("QERO FW 2.1");
        state.log.MinInVolts = 0.5f;
        state.log.MaxInVolts = 4.5f;
        state.log.MinScaledValue = 0;
        state.log.MaxScaledValue = 100;
        state.log.AnalogInputType = QStringLiteral("TPS");
        state.log.AnalogLegend = QStringLiteral("TPS(%)");
    }
    // One timer tick every 100 ms, as the window's timer gives them.
    Tick tick() {
        clock.advance(100'000);
        const qint64 startUs = clock.nowUs();
        const Tick t = poller.tmrDataRead_Timer();
        recorder.cycleFinished(t);
        if (t == Tick::Complete) {
            cycles << shown;
            cycleStartUs << startUs;
        }
        return t;
    }
};

struct ReadBack {
    RecordingReader::Result result;
    QList<RecordingRow> rows;
};

ReadBack readBack(const QString& path) {
    ReadBack b;
    b.result = RecordingReader::readFile(path, [&](qint64, const RecordingRow& row) {
        b.rows << row;
        return true;
    });
    return b;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLiveRecorder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneRowPerCycleWithTheShownValues_data();
    void oneRowPerCycleWithTheShownValues();
    void startedInsideACycleWritesNoMadeUpRow_data();
    void startedInsideACycleWritesNoMadeUpRow();
    void firstLinesDescribeTheModuleAndSettings();
    void marksLandOnTheNextRow();
    void rowsReachTheSystemAtOnceAndTheDiskEverySecond();
    void failedWriteEndsTheRecordingKeepingTheRows();
    void unwritableFileDoesNotStart();
    void oldFileStaysUntilTheFirstRow_data();
    void oldFileStaysUntilTheFirstRow();
    void failedWriteGivesTheSystemsReason_data();
    void failedWriteGivesTheSystemsReason();
    void statusLine();

private:
    QTemporaryDir m_dir;
};

void TestLiveRecorder::oneRowPerCycleWithTheShownValues_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<float>("stoich");
    QTest::newRow("QERO4D, gasoline") << int(QeroModule::Model::Qero4dRev3) << "Gasoline" << 14.69f;
    QTest::newRow("QERO3Dual, E85, ethanol column")
        << int(QeroModule::Model::Qero3DualRev3) << "E85" << 9.77f;
    QTest::newRow("lambda fuel: lambda in the AFR columns")
        << int(QeroModule::Model::Qero4dRev3) << "Lambda" << 1.0f;
}

void TestLiveRecorder::oneRowPerCycleWithTheShownValues() {
    QFETCH(int, model);
    QFETCH(QString, fuel);
    QFETCH(float, stoich);
    Rig r{QeroModule::Model(model)};
    r.state.log.FuelType = fuel;
    r.state.log.StoichRatio = stoich;
    // Let the simulated engine warm up so the values move.
    r.clock.advance(20'000'000);
    const QString path = m_dir.filePath(QStringLiteral("rows-%1.csv").arg(QTest::currentDataTag()));
    const qint64 recordingStartUs = r.clock.nowUs();
    QVERIFY(r.recorder.start(path));
    for (int i = 0; i < 30; ++i)
        QCOMPARE(r.tick(), Tick::Complete);
    // Esc in the middle of a cycle: the gauges got part of it, the file gets nothing.
    const int hook = r.clock.addEventHook([&] { r.state.window.AbortRequested = true; });
    QCOMPARE(r.tick(), Tick::Stopped);
    r.clock.removeEventHook(hook);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(r.tick(), Tick::Complete);
    r.recorder.stop();
    QVERIFY(!r.recorder.recording());
    QVERIFY(r.recorder.error().isEmpty());

    const ReadBack b = readBack(path);
    QCOMPARE(b.result.rowsSkipped, 0);
    QVERIFY(!b.result.lastLineCut);
    QCOMPARE(b.rows.size(), r.cycles.size());
    QCOMPARE(r.recorder.rows(), qint64(r.cycles.size()));
    QCOMPARE(r.recorder.bytesWritten(), QFileInfo(path).size());
    const bool ethanol = model == int(QeroModule::Model::Qero3DualRev3);
    for (int i = 0; i < b.rows.size(); ++i) {
        const RecordingRow& row = b.rows[i];
        const RecordingDisplay& g = r.cycles[i];
        // The time of the cycle's first read, on the monotonic clock.
        const double began = double(r.cycleStartUs[i] - recordingStartUs) / 1e6;
        QVERIFY2(row.time >= began - 0.0005 && row.time < began + 0.05,
                 qPrintable(QStringLiteral("%1 vs %2").arg(row.time).arg(began)));
        QCOMPARE_LE(std::abs(row.afr1 - (g.afrShown ? g.afr1 : g.lambda1)), 0.0005);
        QCOMPARE_LE(std::abs(row.lambda1 - g.lambda1), 0.00005);
        QCOMPARE(row.status1, LiveRecorder::statusCode(g.raw1));
        QCOMPARE(row.status2, LiveRecorder::statusCode(g.raw2));
        QCOMPARE_LE(std::abs(row.rpm - g.rpm), 0.5);
        QCOMPARE_LE(std::abs(row.analogVolts - g.volts), 0.0005);
        QCOMPARE_LE(std::abs(row.analogScaled - g.scaled), 0.005);
        QCOMPARE_LE(std::abs(row.battery - g.battery), 0.005);
        QCOMPARE_LE(std::abs(row.cellRes1 - g.cell1), 0.05);
        QCOMPARE_LE(std::abs(row.cellRes2 - g.cell2), 0.05);
        QCOMPARE(row.hasEthanol(), ethanol);
        if (ethanol)
            QCOMPARE_LE(std::abs(row.ethanol - g.ethanol), 0.05);
        QVERIFY(!row.mark);
    }
    // The simulated drive moves: a recording of one constant row would pass the above.
    QVERIFY(b.rows.first().rpm != b.rows.last().rpm ||
            b.rows.first().analogVolts != b.rows.last().analogVolts);
}

void TestLiveRecorder::startedInsideACycleWritesNoMadeUpRow_data() {
    // Where in the cycle's waits the click that starts recording comes, as a fraction of
    // the waits of one whole cycle.
    QTest::addColumn<double>("at");
    QTest::newRow("half way through the cycle") << 0.5;
    QTest::newRow("at its last wait") << 1.0;
}

void TestLiveRecorder::startedInsideACycleWritesNoMadeUpRow() {
    QFETCH(double, at);
    Rig r;
    r.clock.advance(20'000'000);
    // One cycle counts the times it lets events run, after its first read.
    int waits = 0;
    int hook = r.clock.addEventHook([&] { ++waits; });
    QCOMPARE(r.tick(), Tick::Complete);
    r.clock.removeEventHook(hook);
    QVERIFY(waits >= 5);
    const int clickAt = qMax(1, int(waits * at));

    // The Record button is clicked while a cycle waits for the module, as a click on the
    // running view always is.
    const QString path = m_dir.filePath(QStringLiteral("inside-%1.csv").arg(clickAt));
    int events = 0;
    hook = r.clock.addEventHook([&] {
        if (++events == clickAt)
            QVERIFY(r.recorder.start(path));
    });
    QCOMPARE(r.tick(), Tick::Complete);
    r.clock.removeEventHook(hook);
    QVERIFY(r.recorder.recording());
    QCOMPARE(r.recorder.rows(), 0); // the cycle it began in is not a row
    for (int i = 0; i < 5; ++i)
        QCOMPARE(r.tick(), Tick::Complete);
    r.recorder.stop();

    const ReadBack b = readBack(path);
    QCOMPARE(b.rows.size(), 5);
    for (int i = 0; i < b.rows.size(); ++i) {
        const RecordingRow& row = b.rows[i];
        const RecordingDisplay& g = r.cycles[i + 2];
        QVERIFY2(row.time > 0, qPrintable(QString::number(row.time)));
        QVERIFY(row.afr1 > 0 && row.lambda1 > 0);
        QCOMPARE_LE(std::abs(row.afr1 - g.afr1), 0.0005);
        QCOMPARE_LE(std::abs(row.rpm - g.rpm), 0.5);
        QVERIFY(row.battery > 0);
    }
}

void TestLiveRecorder::firstLinesDescribeTheModuleAndSettings() {
    Rig r;
    r.state.log.FuelType = QStringLiteral("E85");
    r.state.log.StoichRatio = 9.77f;
    const QString path = m_dir.filePath(QStringLiteral("preamble.csv"));
    QVERIFY(r.recorder.start(path));
    r.recorder.stop();
    const QList<QByteArray> lines = fileBytes(path).split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[2].isEmpty());
    QCOMPARE(lines[1], QByteArray("Time_s,AFR1,Lambda1,Status1,AFR2,Lambda2,Status2,RPM,Analog_V,"
                                  "Analog_Scaled,Battery_V,CellRes1_Ohm,CellRes2_Ohm,Ethanol_pct,"
                                  "Mark"));
    const QRegularExpression comment(QStringLiteral(
        "^# QERO4D Log recording; model=QERO4D Rev 3; firmware=QERO FW 2\\.1; fuel=E85; "
        "stoich=9\\.77; analog=TPS; legend=TPS\\(%\\); volts=0\\.5\\.\\.4\\.5; scaled=0\\.\\.100; "
        "started=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(comment.match(QString::fromUtf8(lines[0])).hasMatch(), lines[0].constData());
    // And it reads back into the same settings.
    const RecordingInfo info = readBack(path).result.info;
    QCOMPARE(info.fuel, QStringLiteral("E85"));
    QCOMPARE(info.stoichRatio, 9.77);
    QCOMPARE(info.analogLegend, QStringLiteral("TPS(%)"));
    QCOMPARE(info.minVolts, 0.5);
    QCOMPARE(info.maxScaled, 100.0);
    QCOMPARE(info.model, QStringLiteral("QERO4D Rev 3"));
}

void TestLiveRecorder::marksLandOnTheNextRow() {
    Rig r;
    const QString path = m_dir.filePath(QStringLiteral("marks.csv"));
    r.recorder.mark(); // not recording: nothing to mark
    QVERIFY(!r.recorder.markPending());
    QVERIFY(r.recorder.start(path));
    QCOMPARE(r.tick(), Tick::Complete);
    QCOMPARE(r.tick(), Tick::Complete);
    r.recorder.mark();
    r.recorder.mark(); // pressed twice before the row: still one mark
    QVERIFY(r.recorder.markPending());
    // A cycle cut short keeps the mark for the next row that is written.
    const int hook = r.clock.addEventHook([&] { r.state.window.AbortRequested = true; });
    QCOMPARE(r.tick(), Tick::Stopped);
    r.clock.removeEventHook(hook);
    QVERIFY(r.recorder.markPending());
    QCOMPARE(r.tick(), Tick::Complete);
    QVERIFY(!r.recorder.markPending());
    QCOMPARE(r.tick(), Tick::Complete);
    r.recorder.mark();
    QCOMPARE(r.tick(), Tick::Complete);
    r.recorder.stop();
    QList<bool> marks;
    for (const RecordingRow& row : readBack(path).rows)
        marks << row.mark;
    QCOMPARE(marks, (QList<bool>{false, false, true, false, true}));
}

void TestLiveRecorder::rowsReachTheSystemAtOnceAndTheDiskEverySecond() {
    Rig r;
    const QString path = m_dir.filePath(QStringLiteral("flush.csv"));
    QVERIFY(r.recorder.start(path));
    QCOMPARE(r.recorder.syncs(), 1); // the header lines
    for (int i = 1; i <= 35; ++i) {
        QCOMPARE(r.tick(), Tick::Complete);
        // Another reader (the same file after a kill -9) sees every finished row.
        QCOMPARE(readBack(path).rows.size(), i);
        QCOMPARE(QFileInfo(path).size(), r.recorder.bytesWritten());
    }
    // 35 cycles of 100 ms and more: synced once per second of them, not per row.
    const qint64 seconds = r.clock.nowUs() / 1'000'000;
    QVERIFY2(r.recorder.syncs() >= 1 + seconds - 1 && r.recorder.syncs() <= 1 + seconds,
             qPrintable(QString::number(r.recorder.syncs())));
    // Cycles that stall (a read waiting for its time-out) do not hold the sync back.
    const qint64 syncs = r.recorder.syncs();
    r.clock.advance(500'000);
    r.recorder.keepSynced();
    r.clock.advance(600'000);
    r.recorder.keepSynced();
    QCOMPARE(r.recorder.syncs(), syncs + 1);
    r.recorder.stop();
    QCOMPARE(r.recorder.syncs(), syncs + 2);
}

void TestLiveRecorder::failedWriteEndsTheRecordingKeepingTheRows() {
    Rig r;
    const QString path = m_dir.filePath(QStringLiteral("full.csv"));
    RecordingInfo info = RecordingInfo::fromLog(r.state.log);
    const qint64 preamble = RecordingFormat::preamble(info).size() + 40;
    auto file = std::make_unique<FailingFile>(path, preamble + 3 * 110);
    QVERIFY(file->open(QIODevice::WriteOnly));
    int changes = 0;
    r.recorder.changed = [&] { ++changes; };
    QVERIFY(r.recorder.start(std::move(file)));
    int ticks = 0;
    while (r.recorder.recording() && ticks < 20) {
        QCOMPARE(r.tick(), Tick::Complete);
        ++ticks;
    }
    QVERIFY(!r.recorder.recording());
    const qint64 kept = r.recorder.rows();
    QVERIFY(kept >= 2 && kept < ticks);
    QCOMPARE(r.recorder.error(),
             QStringLiteral("The recording stopped: writing to %1 failed (No space left on "
                            "device). The %2 rows recorded before are kept.")
                 .arg(path)
                 .arg(kept));
    QVERIFY(changes >= kept + 2);
    const ReadBack b = readBack(path);
    QCOMPARE(b.rows.size(), kept);
    QVERIFY(!b.result.lastLineCut);
    // The polling goes on; only the recording ended.
    QCOMPARE(r.tick(), Tick::Complete);
    QCOMPARE(readBack(path).rows.size(), kept);
}

void TestLiveRecorder::unwritableFileDoesNotStart() {
    Rig r;
    const QString path = m_dir.filePath(QStringLiteral("no-such-folder/drive.csv"));
    QVERIFY(!r.recorder.start(path));
    QVERIFY(!r.recorder.recording());
    QVERIFY2(r.recorder.error().startsWith(QStringLiteral("Cannot record to ") + path + u':'),
             qPrintable(r.recorder.error()));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        // A disk that is full from the start: the header lines already fail.
        QVERIFY(!r.recorder.start(QStringLiteral("/dev/full")));
        QVERIFY2(r.recorder.error().contains(QStringLiteral("The 0 rows recorded before")),
                 qPrintable(r.recorder.error()));
        QVERIFY(!r.recorder.recording());
    }
}

void TestLiveRecorder::oldFileStaysUntilTheFirstRow_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("fileBefore");
    QTest::newRow("silent module, old recording") << true << true;
    QTest::newRow("silent module, no file") << true << false;
    QTest::newRow("answering module, old recording") << false << true;
    QTest::newRow("answering module, no file") << false << false;
}

// A module that never completes a cycle costs no earlier recording of the same name; the
// first completed cycle replaces it, its own values in the first row.
void TestLiveRecorder::oldFileStaysUntilTheFirstRow() {
    QFETCH(bool, silent);
    QFETCH(bool, fileBefore);
    Rig r;
    r.module.faults().silent = silent;
    const QString path =
        m_dir.filePath(QStringLiteral("first-%1.csv").arg(QTest::currentDataTag()));
    const QByteArray old = "time,rpm\n" + QByteArray("1,2000\n").repeated(150);
    if (fileBefore) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    QVERIFY(r.recorder.startAtFirstRow(path));
    QVERIFY(r.recorder.waitingForFirstRow());
    QVERIFY(!r.recorder.recording());
    QCOMPARE(QFileInfo::exists(path), fileBefore);
    for (int i = 0; i < 5; ++i)
        r.tick();
    r.recorder.stop();
    QVERIFY(r.recorder.error().isEmpty());
    QVERIFY(!r.recorder.waitingForFirstRow());
    if (silent) {
        QVERIFY(r.cycles.isEmpty());
        QCOMPARE(QFileInfo::exists(path), fileBefore);
        if (fileBefore)
            QCOMPARE(fileBytes(path), old);
        return;
    }
    const ReadBack b = readBack(path);
    QCOMPARE(b.rows.size(), r.cycles.size());
    QCOMPARE(b.rows.size(), 5);
    QCOMPARE_LE(std::abs(b.rows.first().rpm - r.cycles.first().rpm), 0.5);
    QCOMPARE_LE(std::abs(b.rows.first().battery - r.cycles.first().battery), 0.005);
}

void TestLiveRecorder::failedWriteGivesTheSystemsReason_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full in the middle of a row") << ENOSPC << "No space left on device";
    QTest::newRow("stick pulled in the middle of a row") << EIO << "Input/output error";
    QTest::newRow("quota in the middle of a row") << EDQUOT << "Disk quota exceeded";
}

void TestLiveRecorder::failedWriteGivesTheSystemsReason() {
    QFETCH(int, error);
    QFETCH(QString, reason);
    Rig r;
    const QString path = m_dir.filePath(QStringLiteral("short-%1.csv").arg(error));
    const qint64 preamble = RecordingFormat::preamble(RecordingInfo::fromLog(r.state.log)).size();
    auto file = std::make_unique<ShortWriteFile>(path, preamble + 200, error);
    QVERIFY(file->open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QVERIFY(r.recorder.start(std::move(file)));
    for (int i = 0; i < 10 && r.recorder.recording(); ++i)
        r.tick();
    QVERIFY(!r.recorder.recording());
    QVERIFY2(r.recorder.error().contains(QStringLiteral("failed (") + reason + u')'),
             qPrintable(r.recorder.error()));
}

void TestLiveRecorder::statusLine() {
    QCOMPARE(LiveRecorder::elapsedText(3'723'900'000), QStringLiteral("1:02:03"));
    QCOMPARE(LiveRecorder::sizeText(900), QStringLiteral("900 bytes"));
    QCOMPARE(LiveRecorder::sizeText(62'771), QStringLiteral("61.3 KB"));
    QCOMPARE(LiveRecorder::sizeText(5'452'595), QStringLiteral("5.2 MB"));
    Rig r;
    QCOMPARE(r.recorder.statusText(), QString());
    QVERIFY(r.recorder.start(m_dir.filePath(QStringLiteral("status.csv"))));
    for (int i = 0; i < 12; ++i)
        r.tick();
    QCOMPARE(r.recorder.statusText(), QStringLiteral("Recording 0:00:01 - 12 rows - %1")
                                          .arg(LiveRecorder::sizeText(r.recorder.bytesWritten())));
}

QTEST_GUILESS_MAIN(TestLiveRecorder)
#include "tst_liverecorder.moc"
