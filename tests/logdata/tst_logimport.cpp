// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFixtures.h"
#include "RecordingFixture.h"

#include "logdata/LogCsvWriter.h"
#include "logdata/LogImport.h"
#include "logdata/ModuleLogReader.h"
#include "support/Units.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

class tst_LogImport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the fixture");
        return path;
    }

private Q_SLOTS:
    // The reader is chosen by what the file holds; its name only settles what the content
    // leaves open.
    void chosenByContent_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        const QByteArray log = LogFixtures::header() + LogFixtures::rows(3);
        QTest::newRow("log named .log") << log << "a.log"
                                        << "QERO4D log file";
        QTest::newRow("log named .txt") << log << "a.txt"
                                        << "QERO4D log file";
        QTest::newRow("recording named .log") << RecordingFixture::text(5) << "r.log"
                                              << "QERO4D Log recording";
        QTest::newRow("recording named .dat") << RecordingFixture::text(5) << "r.dat"
                                              << "QERO4D Log recording";
        QTest::newRow("damaged log named .log") << QByteArray("x,1\ny,2\n") << "d.log"
                                                << "QERO4D log file";
    }
    void chosenByContent() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, format);
        const LogReader* r = LogImport::choose(bytes, name);
        QVERIFY(r);
        QCOMPARE(r->name(), format);
    }

    // Only the rows a .log holds become samples: a file that ends early gives its rows,
    // not 12000 with the cleared values behind them.
    void moduleLogKeepsOnlyItsRows() {
        QByteArray bytes = LogFixtures::header() + LogFixtures::rows(904);
        const LogReadResult r = LogImport::read(bytes, QStringLiteral("short.log"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.log->rows(), std::size_t(904));
        const int rpm = r.log->find(Quantity::EngineSpeed);
        QVERIFY(rpm >= 0);
        QCOMPARE(r.log->channels[rpm].values.back(), 1904.0f);
        QCOMPARE(r.log->time.back(), double(90.4f));
        QVERIFY(!r.warnings.isEmpty()); // the end-of-file warning stays
    }

    // A sensor that was not reading has no ratio: its status stands beside a missing value.
    void statusStretchIsMissing() {
        QByteArray bytes = LogFixtures::header();
        bytes += "0.1,6,14.7,1000,1\r\n";    // sensor 1 cold
        bytes += "0.2,13.4,14.7,1001,1\r\n"; // reading
        bytes += "0.3,25,14.7,1002,1\r\n";   // free air
        const LogReadResult r = LogImport::read(bytes, QStringLiteral("s.log"));
        QVERIFY(r.ok());
        const Log& log = *r.log;
        const LogChannel& afr1 = log.channels[log.find(Quantity::FuelRatio, 1)];
        const LogChannel& status1 = log.channels[afr1.statusChannel];
        QVERIFY(std::isnan(afr1.values[0]));
        QCOMPARE(afr1.values[1], 13.4f);
        QVERIFY(std::isnan(afr1.values[2]));
        QCOMPARE(status1.values[0], float(SensorStatus::SensorCold));
        QCOMPARE(status1.values[2], float(SensorStatus::FreeAir));
        QCOMPARE(afr1.ratioScale, Units::kGasolineStoich);
    }

    // A recording is read whole, however long: every row, its marks, its fuel.
    void recordingWhole() {
        const LogReadResult r =
            LogImport::read(RecordingFixture::text(13000, 20, {300, 12500}), "r.csv");
        QVERIFY2(r.ok(), qPrintable(r.error));
        const Log& log = *r.log;
        QCOMPARE(log.rows(), std::size_t(13000));
        QCOMPARE(log.marks.size(), std::size_t(2));
        QCOMPARE(log.marks[1].time, 12500 * 0.07);
        QCOMPARE(log.fuelStoich, 9.77);
        const LogChannel& l1 = log.channels[log.find(Quantity::FuelRatio, 1)];
        QVERIFY(l1.isLambda());
        QVERIFY(std::isnan(l1.values[19]));
        QVERIFY(!std::isnan(l1.values[20]));
        QCOMPARE(log.channels[log.find(Quantity::EngineSpeed)].values[12999], 14999.0f);
        QVERIFY(log.find(Quantity::AnalogScaled) >= 0);
    }

    // A file no reader takes is refused, naming every format tried; a file that cannot be
    // a log at all never reaches a reader.
    void refusals_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        QTest::newRow("binary") << QByteArray("\x01\x02\x1b[2J\x00\xff", 8) << "x.bin"
                                << "Formats tried: QERO4D log file, QERO4D Log recording";
        QTest::newRow("empty") << QByteArray() << "e.csv"
                               << "is empty";
        QTest::newRow("header only log")
            << QByteArray("\"Data Logging Interval\",.1\r\n") << "h.log"
            << "No data found";
    }
    void refusals() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, says);
        const LogReadResult r = LogImport::open(write(name, bytes));
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(says), qPrintable(r.error));
        // No control character of the file reaches the message.
        for (QChar c : r.error)
            QVERIFY(c.unicode() >= 0x20);
    }

    void devicesAndFoldersAreBounded() {
        QVERIFY(!LogImport::open(m_dir.path()).ok());
        // A device that never ends is read up to the stream limit, not forever; /dev/null
        // ends at once.
        const LogReadResult empty = LogImport::open(QStringLiteral("/dev/null"));
        QVERIFY(!empty.ok());
        QVERIFY(empty.error.contains(QLatin1String("empty")));
    }

    void bigSparseFileRefusedBeforeReading() {
        const QString path = m_dir.filePath(QStringLiteral("sparse.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(LogImport::kMaxFileBytes + 1));
        f.close();
        const LogReadResult r = LogImport::open(path);
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(QLatin1String("is not read")), qPrintable(r.error));
    }

    // The CSV of any log: time in seconds, every channel, missing values empty, names
    // quoted where they hold a separator; a window keeps the rows inside it.
    void csvOfAnyLog() {
        Log log;
        log.time = {0.0, 0.5, 1.0, 1.5};
        const int a =
            log.addChannel(QStringLiteral("RPM"), QStringLiteral("rpm"), Quantity::EngineSpeed);
        const int b = log.addChannel(QStringLiteral("MAP, abs"), QStringLiteral("kPa"),
                                     Quantity::ManifoldPressure);
        log.channels[a].values = {800, 900, 1000, 1100};
        log.channels[b].values = {30.5f, LogChannel::kMissing, 40.25f, 41};
        QCOMPARE(LogCsvWriter::write(log), QByteArray("Time (s),RPM (rpm),\"MAP, abs (kPa)\"\n"
                                                      "0,800,30.5\n"
                                                      "0.5,900,\n"
                                                      "1,1000,40.25\n"
                                                      "1.5,1100,41\n"));
        QCOMPARE(LogCsvWriter::write(log, {b}, 0.5, 1.0),
                 QByteArray("Time (s),\"MAP, abs (kPa)\"\n0.5,\n1,40.25\n"));
    }

    // The log in memory as a log: every entry after a download.
    void bufferAsLog() {
        LogBuffer buffer;
        buffer.ClearDataBuffer();
        for (int i = 0; i < LogBuffer::kSamples; ++i)
            buffer.ElapsedTime[i] = float(i) * 0.1f;
        buffer.AFR1.fill(13.0f);
        const Log log = ModuleLogReader::fromBuffer(buffer);
        QCOMPARE(log.rows(), std::size_t(LogBuffer::kSamples));
        QCOMPARE(log.channels[log.find(Quantity::FuelRatio, 1)].values[5], 13.0f);
    }
};

QTEST_GUILESS_MAIN(tst_LogImport)
#include "tst_logimport.moc"
