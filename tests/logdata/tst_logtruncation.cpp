// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFixtures.h"

#include "logdata/LogFileCommands.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

// A full-size log file cut short anywhere: at every line end and at random bytes. Whatever
// is left must load with the message that fits where the file ends, keep every complete
// row exactly, and never read past the end.

namespace {

constexpr int kHeaderLines = 8;
constexpr int kTrailerStart = kHeaderLines + LogBuffer::kSamples; // date and comment lines
constexpr int kFuelStart = kTrailerStart + 2;
constexpr int kAllLines = kFuelStart + 2;

enum class Ending { NoData, MissingSamples, MissingTrailer, MissingFuelLines, Whole };

struct Sample {
    QByteArray file;
    QList<qsizetype> lineEnds;      // offset just after each line's LF
    std::unique_ptr<LogBuffer> ref; // the whole file read
};

const Sample& sample() {
    static const Sample s = [] {
        Sample out;
        const auto log = std::make_unique<LogBuffer>(LogFixtures::realisticLog());
        out.file = LogFileWriter::whole(*log, QStringLiteral("Brenwick"));
        for (qsizetype i = 0; i < out.file.size(); ++i)
            if (out.file[i] == '\n')
                out.lineEnds << i + 1;
        out.ref = std::make_unique<LogBuffer>();
        out.ref->ClearDataBuffer();
        LogFileReader::read(out.file, *out.ref);
        return out;
    }();
    return s;
}

// Lines the reader gets from the first `cut` bytes: the complete ones and a cut-off one.
int linesSeen(qsizetype cut, int* complete) {
    const auto& ends = sample().lineEnds;
    *complete = int(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
    const qsizetype lastEnd = *complete ? ends[*complete - 1] : 0;
    return *complete + (cut > lastEnd ? 1 : 0);
}

Ending endingFor(int lines) {
    if (lines < kHeaderLines)
        return Ending::NoData;
    if (lines < kTrailerStart)
        return Ending::MissingSamples;
    if (lines < kFuelStart)
        return Ending::MissingTrailer;
    if (lines < kAllLines)
        return Ending::MissingFuelLines;
    return Ending::Whole;
}

// The 1000 random cuts, the same on every run.
const QList<qsizetype>& randomCuts() {
    static const QList<qsizetype> cuts = [] {
        QList<qsizetype> out;
        QRandomGenerator rng(20261210);
        // Half anywhere; half in the first and last few hundred bytes, where the header
        // and the trailer are, so that every kind of ending gets its share.
        const qsizetype size = sample().file.size();
        for (int k = 0; k < 1000; ++k) {
            switch (k % 4) {
            case 0:
            case 1:
                out << qsizetype(rng.bounded(quint64(size) + 1));
                break;
            case 2:
                out << qsizetype(rng.bounded(400));
                break;
            default:
                out << size - qsizetype(rng.bounded(400));
                break;
            }
        }
        return out;
    }();
    return cuts;
}

bool sameEntries(const LogBuffer::Samples& a, const LogBuffer::Samples& b, int from, int to) {
    return std::equal(a.begin() + from, a.begin() + to, b.begin() + from);
}

} // namespace

Q_DECLARE_METATYPE(Ending)

class tst_logtruncation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cutAtEveryLineEnd_data();
    void cutAtEveryLineEnd();
    void openCutAtRandomBytes_data();
    void openCutAtRandomBytes();

private:
    // Reads the first `cut` bytes and checks the outcome against the ending expected.
    void checkRead(qsizetype cut, Ending ending, const QStringList& warnings);
};

void tst_logtruncation::initTestCase() {
    const Sample& s = sample();
    QCOMPARE(s.lineEnds.size(), kAllLines);
    QCOMPARE(s.lineEnds.last(), s.file.size());
    QCOMPARE(s.ref->FuelType, QStringLiteral("E85"));
    QCOMPARE(s.ref->StoichRatio, 9.77f);
    QVERIFY(!s.ref->Comment.isEmpty());
    QVERIFY(!s.ref->DownloadDate.isEmpty());
    // Every kind of ending is among the random cuts.
    QSet<int> kinds;
    for (qsizetype cut : randomCuts()) {
        int complete = 0;
        kinds << int(endingFor(linesSeen(cut, &complete)));
    }
    QCOMPARE(kinds.size(), 5);
}

void tst_logtruncation::openCutAtRandomBytes_data() {
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QStringList>("warnings");
    const QStringList none;
    QTest::newRow("in the header") << Ending::NoData << QStringList{LogFileReader::kNoDataFound};
    QTest::newRow("in the samples")
        << Ending::MissingSamples << QStringList{LogFileReader::kDataMissing};
    QTest::newRow("in the date and comment")
        << Ending::MissingTrailer << QStringList{LogFileReader::kDataMissing};
    QTest::newRow("in the fuel lines") << Ending::MissingFuelLines << none;
    QTest::newRow("in the last line or whole") << Ending::Whole << none;
}

void tst_logtruncation::checkRead(qsizetype cut, Ending ending, const QStringList& warnings) {
    const Sample& s = sample();
    int complete = 0;
    const int lines = linesSeen(cut, &complete);
    QCOMPARE(endingFor(lines), ending);

    auto log = std::make_unique<LogBuffer>();
    log->ClearDataBuffer();
    const auto fresh = std::make_unique<LogBuffer>(*log);
    // The bytes after the cut are not there; a copy keeps any read past it visible to the
    // sanitizers.
    const QByteArray bytes = s.file.left(cut);
    const LogFileReader::Result r = LogFileReader::read(bytes, *log);
    const QByteArray where = "cut at byte " + QByteArray::number(cut);
    QVERIFY2(r.warnings == warnings, where.constData());
    QCOMPARE(r.noDataFound(), ending == Ending::NoData);
    QCOMPARE(r.samplesComplete, ending >= Ending::MissingTrailer);
    QCOMPARE(r.rowsRead, std::clamp(lines - kHeaderLines, 0, LogBuffer::kSamples));

    // Complete rows are the file's; rows never reached keep what the buffer held.
    const int rowsKept = std::clamp(complete - kHeaderLines, 0, LogBuffer::kSamples);
    const int reached = r.rowsRead;
    for (const auto member :
         {&LogBuffer::AFR1, &LogBuffer::AFR2, &LogBuffer::RPM, &LogBuffer::AnalogInVolts,
          &LogBuffer::Sensor1Status, &LogBuffer::Sensor2Status, &LogBuffer::ElapsedTime}) {
        QVERIFY2(sameEntries((*log).*member, (*s.ref).*member, 0, rowsKept), where.constData());
        if (member != &LogBuffer::ElapsedTime)
            QVERIFY2(sameEntries((*log).*member, (*fresh).*member, reached, LogBuffer::kSamples),
                     where.constData());
    }
    // The repair always runs, so time never goes backwards, however short the file.
    if (ending != Ending::NoData)
        QVERIFY2(std::adjacent_find(log->ElapsedTime.begin(), log->ElapsedTime.end(),
                                    std::greater_equal<float>()) == log->ElapsedTime.end(),
                 where.constData());

    if (ending >= Ending::MissingSamples)
        QCOMPARE(log->AnalogLegend, s.ref->AnalogLegend);
    if (ending == Ending::MissingTrailer) {
        QVERIFY(log->DownloadDate.isEmpty());
        QVERIFY(log->Comment.isEmpty());
    }
    if (ending >= Ending::MissingFuelLines) {
        QCOMPARE(log->DownloadDate, s.ref->DownloadDate);
        // A comment line cut in the middle gives what is left of it.
        if (complete > kTrailerStart + 1)
            QCOMPARE(log->Comment, s.ref->Comment);
    }
    if (ending == Ending::MissingFuelLines) {
        QCOMPARE(log->FuelType, QStringLiteral("Gasoline"));
        QCOMPARE(log->StoichRatio, 14.7f);
    }
    if (ending == Ending::Whole)
        QCOMPARE(log->FuelType, s.ref->FuelType);
}

void tst_logtruncation::cutAtEveryLineEnd_data() {
    // The file ending after 0 to all of its lines; the samples in four parts, so that
    // each part stays well within a test function's time even under the sanitizers.
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<int>("fromLines");
    QTest::addColumn<int>("toLines");
    const QStringList none;
    QTest::newRow("in the header")
        << Ending::NoData << QStringList{LogFileReader::kNoDataFound} << 0 << kHeaderLines - 1;
    constexpr int part = LogBuffer::kSamples / 4;
    for (int k = 0; k < 4; ++k)
        QTest::addRow("in the samples, rows %d to %d", k * part + 1, (k + 1) * part)
            << Ending::MissingSamples << QStringList{LogFileReader::kDataMissing}
            << kHeaderLines + k * part << kHeaderLines + (k + 1) * part - 1;
    QTest::newRow("in the date and comment")
        << Ending::MissingTrailer << QStringList{LogFileReader::kDataMissing} << kTrailerStart
        << kFuelStart - 1;
    QTest::newRow("in the fuel lines")
        << Ending::MissingFuelLines << none << kFuelStart << kAllLines - 1;
    QTest::newRow("whole") << Ending::Whole << none << kAllLines << kAllLines;
}

void tst_logtruncation::cutAtEveryLineEnd() {
    QFETCH(Ending, ending);
    QFETCH(QStringList, warnings);
    QFETCH(int, fromLines);
    QFETCH(int, toLines);
    const Sample& s = sample();
    for (int lines = fromLines; lines <= toLines; ++lines) {
        checkRead(lines ? s.lineEnds[lines - 1] : 0, ending, warnings);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_logtruncation::openCutAtRandomBytes() {
    QFETCH(Ending, ending);
    QFETCH(QStringList, warnings);
    const Sample& s = sample();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cut.log"));
    IniSettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    VirtualClock clock;

    int cuts = 0;
    for (qsizetype cut : randomCuts()) {
        int complete = 0;
        if (endingFor(linesSeen(cut, &complete)) != ending)
            continue;
        ++cuts;
        checkRead(cut, ending, warnings);
        if (QTest::currentTestFailed())
            return;

        // The same file through File > Open: each warning in its box, and only a file
        // with its whole header counts as loaded.
        QVERIFY(LogFixtures::writeFile(path, s.file.left(cut)));
        AppState state;
        state.log.ClearDataBuffer();
        ScriptedPrompter prompter;
        int charts = 0;
        LogFileCommands commands(state, prompter, settings, clock);
        commands.showChart = [&] { ++charts; };
        const auto outcome = commands.openLog(path);
        QStringList shown;
        for (const auto& box : prompter.boxes()) {
            QCOMPARE(box.title, LogFileCommands::kOpenTitle);
            QCOMPARE(box.icon, Prompter::Icon::Exclamation);
            QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Ok));
            shown << box.text;
        }
        QCOMPARE(shown, warnings);
        const bool loaded = ending != Ending::NoData;
        QCOMPARE(outcome,
                 loaded ? LogFileCommands::Outcome::Done : LogFileCommands::Outcome::Failed);
        QCOMPARE(state.log.DataBufferEmpty, !loaded);
        QCOMPARE(charts, loaded ? 1 : 0);
    }
    QVERIFY(cuts > 0);
}

QTEST_GUILESS_MAIN(tst_logtruncation)
#include "tst_logtruncation.moc"
