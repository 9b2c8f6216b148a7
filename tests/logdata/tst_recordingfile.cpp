// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AppState.h"
#include "logdata/LogFileCommands.h"
#include "logdata/RecordingReader.h"
#include "support/IniSettingsStore.h"
#include "support/QeroFailure.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

using Outcome = LogFileCommands::Outcome;

namespace {

RecordingInfo e85Info() {
    RecordingInfo info;
    info.model = QStringLiteral("QERO3Dual Rev 3");
    info.fuel = QStringLiteral("E85");
    info.stoichRatio = 9.77;
    info.analogLegend = QStringLiteral("MAP(kPa)");
    info.minVolts = 0.5;
    info.maxVolts = 4.5;
    info.minScaled = 10;
    info.maxScaled = 210;
    info.started = QStringLiteral("2026-12-10T16:17:04");
    return info;
}

// Row i of a drive recorded every 0.1 s.
RecordingRow rowAt(qint64 i) {
    RecordingRow r;
    r.time = 0.1 * double(i) + 0.025;
    r.lambda1 = 0.8 + double(i % 40) / 100.0;
    r.afr1 = r.lambda1 * 9.77;
    r.lambda2 = 1.0;
    r.afr2 = 9.77;
    r.rpm = 1000 + double(i % 60) * 100;
    r.analogVolts = 1.0 + double(i % 30) / 10.0;
    r.analogScaled = r.analogVolts * 50;
    r.battery = 13.8;
    r.cellRes1 = 250;
    r.cellRes2 = 248;
    r.ethanol = 84;
    r.status2 = i % 50 == 7 ? 10 : 0; // now and then free air on sensor 2
    r.mark = i % 1000 == 500;
    return r;
}

QByteArray recording(qint64 rows) {
    QByteArray bytes = RecordingFormat::preamble(e85Info());
    for (qint64 i = 0; i < rows; ++i)
        RecordingFormat::appendRow(bytes, rowAt(i));
    return bytes;
}

struct Read {
    RecordingReader::Result result;
    QList<RecordingRow> rows;
};

Read readBytes(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Read r;
    r.result = RecordingReader::read(buffer, [&](qint64, const RecordingRow& row) {
        r.rows << row;
        return true;
    });
    return r;
}

} // namespace

class tst_recordingfile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void rowsReadBackAsWritten();
    void damagedEndsAndRows_data();
    void damagedEndsAndRows();
    void notARecordingIsRefused_data();
    void notARecordingIsRefused();
    void openShortRecording();
    void openLongRecordingWhole();
    void openRecordingKeepsTheLogInMemory();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    std::unique_ptr<LogFileCommands> commands();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettingsStore> m_settings;
    AppState m_state;
    ScriptedPrompter m_prompter;
    VirtualClock m_clock;
    int m_charts = 0;
    std::vector<Log> m_viewed;
};

void tst_recordingfile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    m_state = AppState();
    m_state.log.ClearDataBuffer();
    m_prompter = ScriptedPrompter();
    m_charts = 0;
    m_viewed.clear();
}

QString tst_recordingfile::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = m_dir->filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

std::unique_ptr<LogFileCommands> tst_recordingfile::commands() {
    auto c = std::make_unique<LogFileCommands>(m_state, m_prompter, *m_settings, m_clock);
    c->showChart = [this] { ++m_charts; };
    c->showInViewer = [this](Log&& log) { m_viewed.push_back(std::move(log)); };
    return c;
}

void tst_recordingfile::rowsReadBackAsWritten() {
    const Read r = readBytes(recording(1200));
    QCOMPARE(r.rows.size(), 1200);
    QCOMPARE(r.result.rows, 1200);
    QCOMPARE(r.result.rowsSkipped, 0);
    QVERIFY(!r.result.lastLineCut);
    QCOMPARE(r.result.info.fuel, QStringLiteral("E85"));
    QCOMPARE(r.result.info.minScaled, 10.0);
    QCOMPARE(r.result.info.started, QStringLiteral("2026-12-10T16:17:04"));
    for (int i : {0, 7, 500, 1199}) {
        const RecordingRow want = rowAt(i);
        const RecordingRow& got = r.rows[i];
        QCOMPARE(got.time, std::round(want.time * 1000) / 1000);
        QCOMPARE_LE(std::abs(got.lambda1 - want.lambda1), 0.00005);
        QCOMPARE(got.status2, want.status2);
        QCOMPARE(got.rpm, want.rpm);
        QCOMPARE_LE(std::abs(got.analogScaled - want.analogScaled), 0.005);
        QCOMPARE(got.ethanol, 84.0);
        QCOMPARE(got.mark, want.mark);
    }
    // A model without the ethanol sensor leaves the column empty.
    QByteArray bytes = RecordingFormat::preamble(e85Info());
    RecordingRow noEthanol = rowAt(3);
    noEthanol.ethanol = RecordingRow::kNone;
    RecordingFormat::appendRow(bytes, noEthanol);
    QVERIFY(bytes.endsWith(",248.0,,0\n"));
    QVERIFY(!readBytes(bytes).rows.first().hasEthanol());
}

void tst_recordingfile::damagedEndsAndRows_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<bool>("cut");
    // What a kill or a pulled cable leaves: part of the row being written.
    QTest::newRow("last row cut in a number") << QByteArray("12.3,9.") << 20 << 0 << true;
    QTest::newRow("last row cut after its mark, before the line feed")
        << QByteArray("2.025,9.770,1.0000,0,9.770,1.0000,0,3000,1.000,50.00,13.80,250.0,248.0,"
                      "84.0,0")
        << 20 << 0 << true;
    QTest::newRow("a row with a field too few") << QByteArray("1,2,3\n") << 20 << 1 << false;
    QTest::newRow("a row with a word for a number")
        << QByteArray("2.1,x,1,0,9,1,0,3000,1,50,13,250,248,,0\n") << 20 << 1 << false;
    // Found by fuzzing: a status beyond any code overflowed its conversion.
    QTest::newRow("a status of 7e40")
        << QByteArray("2.1,9.8,1,7e40,9.8,1,0,3000,1,50,13,250,248,,0\n") << 20 << 1 << false;
    QTest::newRow("a status of 1.5")
        << QByteArray("2.1,9.8,1,0,9.8,1,1.5,3000,1,50,13,250,248,,0\n") << 20 << 1 << false;
    QTest::newRow("windows line ends are fine")
        << QByteArray("2.1,9.8,1,0,9.8,1,0,3000,1,50,13,250,248,,0\r\n") << 21 << 0 << false;
}

void tst_recordingfile::damagedEndsAndRows() {
    QFETCH(QByteArray, tail);
    QFETCH(int, rows);
    QFETCH(int, skipped);
    QFETCH(bool, cut);
    const Read r = readBytes(recording(20) + tail);
    QCOMPARE(r.rows.size(), rows);
    QCOMPARE(r.result.rowsSkipped, skipped);
    QCOMPARE(r.result.lastLineCut, cut);
}

void tst_recordingfile::notARecordingIsRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a module log") << QByteArray("\"Data Logging Interval\",.1\r\n");
    QTest::newRow("a long first line of something else") << QByteArray(5000, 'x');
    QTest::newRow("the signature cut short") << QByteArray("# QERO4D Log rec");
}

void tst_recordingfile::notARecordingIsRefused() {
    QFETCH(QByteArray, bytes);
    try {
        readBytes(bytes);
        QFAIL("read as a recording");
    } catch (const QeroFailure& f) {
        QCOMPARE(f.description(), RecordingReader::kNotARecording);
    }
}

void tst_recordingfile::openShortRecording() {
    const QString path = writeFile(QStringLiteral("drive.csv"), recording(300));
    m_prompter.answerFile(path);
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    QCOMPARE(m_prompter.boxes().size(), 1); // the file dialog only: the whole drive is shown
    QCOMPARE(m_charts, 0);
    QCOMPARE(m_viewed.size(), std::size_t(1));
    const Log& log = m_viewed.front();
    QCOMPARE(log.rows(), std::size_t(300));
    QCOMPARE(log.fuelStoich, 9.77);
    QCOMPARE(log.time.front(), 0.025);
    QCOMPARE(log.time.back(), 29.925);
    const LogChannel& lambda1 = log.channels[std::size_t(log.find(Quantity::FuelRatio, 1))];
    QCOMPARE(lambda1.values[3], float(rowAt(3).lambda1));
    // Sensor 2 in free air at row 7: a status, no ratio.
    const LogChannel& lambda2 = log.channels[std::size_t(log.find(Quantity::FuelRatio, 2))];
    QVERIFY(std::isnan(lambda2.values[7]));
    QCOMPARE(log.channels[std::size_t(lambda2.statusChannel)].values[7], 10.0f);
    QCOMPARE(log.channels[std::size_t(log.find(Quantity::EngineSpeed))].values[59], 6900.0f);
    QCOMPARE(log.channels[std::size_t(log.findName(QStringLiteral("MAP(kPa)")))].quantity,
             Quantity::AnalogScaled);
    // The log in memory is not touched.
    QVERIFY(m_state.log.DataBufferEmpty);
}

void tst_recordingfile::openLongRecordingWhole() {
    const QString path = writeFile(QStringLiteral("long.csv"), recording(30000));
    QCOMPARE(commands()->openLog(path), Outcome::Done);
    QCOMPARE(m_prompter.boxes().size(), 0); // no "from which second" any more
    QCOMPARE(m_viewed.size(), std::size_t(1));
    QCOMPARE(m_viewed.front().rows(), std::size_t(30000));
    QCOMPARE(m_viewed.front().channels[0].values[21999], float(rowAt(21999).rpm));
}

void tst_recordingfile::openRecordingKeepsTheLogInMemory() {
    m_state.log.DataBufferEmpty = false;
    m_state.log.RPM[0] = 4321.0f;
    const QString path = writeFile(QStringLiteral("drive.csv"), recording(50));
    // Dropped on the window: nothing in memory is replaced, so nothing is asked.
    QCOMPARE(commands()->openChosenFile(path), Outcome::Done);
    QCOMPARE(m_prompter.boxes().size(), 0);
    QCOMPARE(m_state.log.RPM[0], 4321.0f);
    QVERIFY(!m_state.log.DataBufferEmpty);
    QCOMPARE(m_viewed.size(), std::size_t(1));
    QCOMPARE(m_charts, 0);
}

QTEST_GUILESS_MAIN(tst_recordingfile)
#include "tst_recordingfile.moc"
