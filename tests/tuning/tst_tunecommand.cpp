// SPDX-License-Identifier: GPL-3.0-or-later
#include "../afrtable/TestLogFile.h"
#include "cli/TuneCommand.h"
#include "logdata/RecordingFormat.h"
#include "tuning/TuneFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run tune(const QStringList& args) {
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runTuneCommand(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace

class tst_tunecommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void correctedMapInThePastedLayout();
    void jsonGridsAndCounts();
    void csvWithMappingAndDecimalCommas();
    void recordingReadsLikeTheLog();
    void badInputWritesNothing_data();
    void badInputWritesNothing();
    void tuneInCorrectedTuneOut();
    void tuneNeverOverwritesItsOriginal();
    void tuneCarriedByAnMlgLog();
    void largeFileNoReaderTakesIsRefusedUnread();
    void noUsableSampleFailsAndWritesNothing_data();
    void noUsableSampleFailsAndWritesNothing();

private:
    QString write(const QString& name, const QByteArray& bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
};

QString tst_tunecommand::write(const QString& name, const QByteArray& bytes) {
    const QString path = m_dir->filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_tunecommand::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    // Throttle 0..100 % over 0..5 V. 20 samples at 2000 rpm and 40 % (2 V) running
    // lean at 14.5, 10 at 4000 rpm and 80 % (4 V) rich at 12.0.
    TestLogFile log;
    log.maxValue = QStringLiteral("100");
    log.fill(0, 20, 2000, 2.0f, 14.5f);
    log.fill(20, 10, 4000, 4.0f, 12.0f);
    m_log = m_dir->filePath(QStringLiteral("drive.log"));
    QVERIFY(log.write(m_log));
}

void tst_tunecommand::correctedMapInThePastedLayout() {
    const QString base = write(QStringLiteral("ve.txt"), "RPM\t40\t80\r\n"
                                                         "2000\t50.0\t60.0\r\n"
                                                         "4000\t70.0\t80.0\r\n");
    const Run r = tune({m_log, QStringLiteral("--base"), base, QStringLiteral("--target"),
                        QStringLiteral("13.2")});
    QCOMPARE(r.status, 0);
    // The axes come from the pasted map; 14.5 / 13.2 × 50 = 54.92; 12 / 13.2 × 80 = 72.73;
    // the two cells without samples keep their values.
    QCOMPARE(r.out, QStringLiteral("RPM\t40\t80\r\n"
                                   "2000\t54.9\t60.0\r\n"
                                   "4000\t70.0\t72.7\r\n"));
    // The throttle step between the two operating points drops the two samples around it.
    QVERIFY2(r.err.contains(QLatin1String("28 kept")), qPrintable(r.err));
    QVERIFY(r.err.contains(QLatin1String("2 with the load moving")));

    // Without a base: the correction in percent, axes as rows and columns.
    const Run c = tune({m_log, QStringLiteral("--rpm-axis"), QStringLiteral("2000,4000"),
                        QStringLiteral("--load-axis"), QStringLiteral("40 80"),
                        QStringLiteral("--target"), QStringLiteral("13.2")});
    QCOMPARE(c.status, 0);
    QCOMPARE(c.out, QStringLiteral("rpm/load\t40\t80\n2000\t9.8\t\n4000\t\t-9.1\n"));

    // A limit of 5 %: both cells are held there, and the CSV says which.
    const Run held = tune({m_log, QStringLiteral("--base"), base, QStringLiteral("--target"),
                           QStringLiteral("13.2"), QStringLiteral("--max-change"),
                           QStringLiteral("5"), QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(held.status, 0);
    QVERIFY(held.out.startsWith(QLatin1String("rpm,load,weight,mean,spread,target,correction,"
                                              "base,corrected,bank_difference,clamped\n")));
    QVERIFY2(held.out.contains(QLatin1String(",50,52.5,0,1\n")), qPrintable(held.out));
    QVERIFY(held.out.contains(QLatin1String(",80,76,0,1\n")));
    // The cells without samples were not corrected: nothing to mark.
    QVERIFY(held.out.contains(QLatin1String(",60,60,,\n")));
}

void tst_tunecommand::jsonGridsAndCounts() {
    const QString out = m_dir->filePath(QStringLiteral("tune.json"));
    const Run r = tune({m_log, QStringLiteral("--rpm-axis"), QStringLiteral("2000,4000"),
                        QStringLiteral("--load-axis"), QStringLiteral("40,80"),
                        QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("-o"),
                        out, QStringLiteral("--no-filter"), QStringLiteral("load-rate")});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.isEmpty());
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(f.readAll(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o[QLatin1String("rpm_axis")].toArray(), (QJsonArray{2000, 4000}));
    QCOMPARE(o[QLatin1String("load_axis")].toArray(), (QJsonArray{40, 80}));
    const QJsonArray weight = o[QLatin1String("weight")].toArray();
    QCOMPARE(weight.size(), 2);
    QCOMPARE(weight[0].toArray(), (QJsonArray{20, QJsonValue::Null}));
    QCOMPARE(weight[1].toArray(), (QJsonArray{QJsonValue::Null, 10}));
    QCOMPARE(o[QLatin1String("mean")].toArray()[0].toArray()[0].toDouble(), 14.5);
    QVERIFY(o[QLatin1String("base")].toArray()[0].toArray()[0].isNull());
    for (const char* name :
         {"spread", "target", "correction", "corrected", "bank_difference", "clamped"})
        QCOMPARE(o[QLatin1String(name)].toArray().size(), 2);
    // Without a target the built-in table: stoichiometric at the axis's low end, 12.8 at
    // its top.
    QCOMPARE(o[QLatin1String("target")].toArray()[0].toArray()[0].toDouble(), 14.7);
    QCOMPARE(o[QLatin1String("target")].toArray()[1].toArray()[1].toDouble(), 12.8);
    // No base: nothing held at the limit, and nothing to mark.
    QVERIFY(o[QLatin1String("clamped")].toArray()[0].toArray()[0].isNull());
    QCOMPARE(o[QLatin1String("bank_difference")].toArray()[0].toArray()[0].toDouble(), 0.0);
    const QJsonObject samples = o[QLatin1String("samples")].toObject();
    // The padding rows of the short log are not samples; with the load-rate filter off
    // every sample is kept.
    QCOMPARE(samples[QLatin1String("read")].toInt(), 30);
    QCOMPARE(samples[QLatin1String("kept")].toInt(), 30);
    QCOMPARE(samples[QLatin1String("dropped")].toObject()[QLatin1String("load_rate")].toInt(), 0);
}

void tst_tunecommand::csvWithMappingAndDecimalCommas() {
    QByteArray csv = "Zeit;Drehzahl;Last;Lambda\n";
    for (int i = 0; i < 10; ++i)
        csv += QByteArray::number(i) + ",5;3000;60;0,9\n";
    csv += "10,5;3000;60;kaputt\n";
    const QString path = write(QStringLiteral("other.csv"), csv);
    const Run r = tune({path, QStringLiteral("--csv-columns"),
                        QStringLiteral("time=Zeit,rpm=Drehzahl,load=Last,lambda1=Lambda"),
                        QStringLiteral("--format"), QStringLiteral("csv"),
                        QStringLiteral("--target"), QStringLiteral("13.2")});
    QCOMPARE(r.status, 0);
    // 0.9 lambda on gasoline 13.221 against 13.2: +0.159 %.
    QVERIFY2(r.out.contains(QLatin1String("\n3000,60,10,13.221,0,13.2,0.15909090909091")),
             qPrintable(r.out));
    QVERIFY(r.err.contains(QLatin1String("1 rows could not be read")));
}

void tst_tunecommand::recordingReadsLikeTheLog() {
    // The drive of the log file, recorded live: same samples every 0.1 s, ratios as lambda,
    // the throttle as the scaled analog value, and a last row cut off by a crash.
    RecordingInfo info;
    info.fuel = QStringLiteral("Gasoline");
    info.stoichRatio = 14.69;
    QByteArray bytes = RecordingFormat::preamble(info);
    for (int i = 0; i < 30; ++i) {
        RecordingRow row;
        row.time = 0.1 * (i + 1);
        const bool first = i < 20;
        row.rpm = first ? 2000 : 4000;
        row.analogVolts = first ? 2.0 : 4.0;
        row.analogScaled = first ? 40.0 : 80.0;
        row.lambda1 = row.lambda2 = (first ? 14.5 : 12.0) / 14.69;
        row.afr1 = row.afr2 = row.lambda1 * 14.69;
        row.status2 = i == 3 ? 4 : 0; // sensor 2 open once: no reading there
        RecordingFormat::appendRow(bytes, row);
    }
    bytes += "3.100,14.5";
    const QString recording = write(QStringLiteral("drive.csv"), bytes);
    const QString base = write(QStringLiteral("ve.txt"), "RPM\t40\t80\r\n"
                                                         "2000\t50.0\t60.0\r\n"
                                                         "4000\t70.0\t80.0\r\n");
    const Run fromLog = tune({m_log, QStringLiteral("--base"), base});
    const Run fromRecording = tune({recording, QStringLiteral("--base"), base});
    QCOMPARE(fromRecording.status, 0);
    QCOMPARE(fromRecording.out, fromLog.out);
    QVERIFY2(fromRecording.err.contains(QLatin1String(
                 "drive.csv: the last row was cut off (the recording ended abruptly) and is "
                 "left out")),
             qPrintable(fromRecording.err));
    QVERIFY2(fromRecording.err.contains(QLatin1String("28 kept")), qPrintable(fromRecording.err));
}

void tst_tunecommand::badInputWritesNothing_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("axis out of order") << QStringList{"--rpm-axis", "1000,900"}
                                       << "the engine speed axis is not strictly ascending";
    QTest::newRow("target 0") << QStringList{"--target", "0"} << "the target must be above 0";
    QTest::newRow("base of another size")
        << QStringList{"--base", "@small.txt"} << "small.txt: the grid has 1 rows and 2 columns";
    QTest::newRow("a cell that is not a number")
        << QStringList{"--base", "@bad.txt", "--rpm-axis", "1000,2000", "--load-axis", "0,50"}
        << "bad.txt: row 2, column 1: \"abc\" is not a number";
    QTest::newRow("a pasted map's axis out of order")
        << QStringList{"--base", "@descending.txt"}
        << "descending.txt: the load axis is not strictly ascending: breakpoint 2 (40) follows 80";
    QTest::newRow("target table cell 0") << QStringList{"--target-table", "@zero.txt"}
                                         << "zero.txt: row 3, column 2: the target must be above 0";
    QTest::newRow("delay curve out of order")
        << QStringList{"--delay-curve", "3000:20,2000:30"} << "delay curve point 2";
    QTest::newRow("csv column missing")
        << QStringList{"@other.csv"} << "other.csv: row 1: the header names no column \"rpm\"";
    QTest::newRow("unknown option") << QStringList{"--colour", "red"} << "unknown option --colour";
    // Every number option goes through one check: finite, in C notation, within its range.
    QTest::newRow("warmup -1") << QStringList{"--warmup", "-1"}
                               << "--warmup: \"-1\" is not a number from 0 to 86400";
    QTest::newRow("min-rpm -1") << QStringList{"--min-rpm", "-1"}
                                << "--min-rpm: \"-1\" is not a number from 0 to 100000";
    QTest::newRow("delay beyond 10 s") << QStringList{"--delay-ms", "99999999"}
                                       << "--delay-ms: \"99999999\" is not a number from 0";
    QTest::newRow("empty axis entry")
        << QStringList{"--rpm-axis", "500,,1000"} << "--rpm-axis: entry 2 (\"\") of \"500,,1000\"";
    QTest::newRow("trailing comma")
        << QStringList{"--load-axis", "0,50,"} << "--load-axis: entry 3";
    QTest::newRow("target nan") << QStringList{"--target", "nan"} << "--target: \"nan\"";
    QTest::newRow("target 1e400") << QStringList{"--target", "1e400"} << "--target: \"1e400\"";
    QTest::newRow("target empty") << QStringList{"--target", ""} << "--target: \"\"";
    QTest::newRow("min-weight with an escape")
        << QStringList{"--min-weight", "5\x1b[2J"} << "--min-weight: \"5\\x1b[2J\"";
}

void tst_tunecommand::badInputWritesNothing() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    write(QStringLiteral("small.txt"), "1\t2\n");
    write(QStringLiteral("bad.txt"), "50\t60\nabc\t70\n");
    write(QStringLiteral("descending.txt"), "RPM\t80\t40\n1000\t50\t60\n2000\t55\t65\n");
    write(QStringLiteral("zero.txt"), "\t0\t50\n1000\t13\t13\n2000\t0\t13\n");
    write(QStringLiteral("other.csv"), "time,speed,load,afr1\n1,2,3,4\n");
    for (QString& a : args)
        if (a.startsWith(u'@'))
            a = m_dir->filePath(a.mid(1));
    const QString out = m_dir->filePath(QStringLiteral("out.txt"));
    const Run r = tune(QStringList{m_log} + args + QStringList{QStringLiteral("-o"), out});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QVERIFY(!QFile::exists(out));
}

namespace {

// A small MegaSquirt-style tune: CRLF lines, a Latin-1 degree sign, the fuel table's
// first text row the lowest load.
const QByteArray kTune =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<msq xmlns=\"http://www.msefi.com/:msq\">\r\n"
    "<page number=\"4\">\r\n"
    "<constant digits=\"0\" name=\"clt\" units=\"\xb0"
    "F\">160.0</constant>\r\n"
    "<constant cols=\"2\" digits=\"1\" name=\"veTable1\" rows=\"2\" units=\"%\">\r\n"
    "         50.0 70.0 \r\n"
    "         60.0 80.0 \r\n"
    "      </constant>\r\n"
    "<constant cols=\"1\" digits=\"0\" name=\"frpm_table1\" rows=\"2\" units=\"RPM\">\r\n"
    "         2000.0 \r\n         4000.0 \r\n      </constant>\r\n"
    "<constant cols=\"1\" digits=\"1\" name=\"fmap_table1\" rows=\"2\" units=\"%\">\r\n"
    "         40.0 \r\n         80.0 \r\n      </constant>\r\n"
    "<constant cols=\"2\" digits=\"1\" name=\"afrTable1\" rows=\"2\" units=\"AFR\">\r\n"
    "         13.2 13.2 \r\n         13.2 13.2 \r\n      </constant>\r\n"
    "<constant cols=\"1\" digits=\"0\" name=\"arpm_table1\" rows=\"2\" units=\"RPM\">\r\n"
    "         1000.0 \r\n         5000.0 \r\n      </constant>\r\n"
    "<constant cols=\"1\" digits=\"1\" name=\"amap_table1\" rows=\"2\" units=\"%\">\r\n"
    "         0.0 \r\n         100.0 \r\n      </constant>\r\n"
    "</page>\r\n</msq>\r\n";

} // namespace

void tst_tunecommand::tuneInCorrectedTuneOut() {
    const QString tunePath = write(QStringLiteral("car.msq"), kTune);
    const QString out = m_dir->filePath(QStringLiteral("car-new.msq"));
    const Run r =
        tune({m_log, QStringLiteral("--tune"), tunePath, QStringLiteral("--write-tune"), out});
    QCOMPARE(r.status, 0);
    // The same run as the pasted map's: the axes, base and targets now come from the tune,
    // and the map is printed as TunerStudio shows it.
    QCOMPARE(r.out, QStringLiteral("80\t60.0\t72.7\n40\t54.9\t70.0\n\t2000\t4000\n"));
    QVERIFY2(
        r.err.contains(QStringLiteral("took veTable1 (2 engine speeds × 2 loads, %, 1 decimals)")),
        qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String("the targets from afrTable1")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String("28 kept")), qPrintable(r.err));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray expected = kTune;
    expected.replace("         50.0 70.0 \r\n         60.0 80.0 ",
                     "         54.9 70.0 \r\n         60.0 72.7 ");
    QCOMPARE(f.readAll(), expected);

    // The same correction as a table export.
    const QString table = m_dir->filePath(QStringLiteral("ve.table"));
    QCOMPARE(
        tune({m_log, QStringLiteral("--tune"), tunePath, QStringLiteral("--write-tune"), table})
            .status,
        0);
    QFile t(table);
    QVERIFY(t.open(QIODevice::ReadOnly));
    const QByteArray exported = t.readAll();
    QVERIFY2(exported.contains("<zValues cols=\"2\" rows=\"2\">\r\n         54.9 70.0 \r\n"
                               "         60.0 72.7 \r\n"),
             exported.constData());
}

void tst_tunecommand::tuneNeverOverwritesItsOriginal() {
    const QString tunePath = write(QStringLiteral("car.msq"), kTune);
    const Run r = tune({m_log, QStringLiteral("--tune"), tunePath, QStringLiteral("--write-tune"),
                        m_dir->path() + QStringLiteral("/./car.msq")});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QLatin1String("the original is never overwritten")), qPrintable(r.err));
    QFile f(tunePath);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), kTune);
}

// A version-2 MLG log carries the tune it was logged with: that tune is corrected, and
// its copy differs from it in the fuel table only.
void tst_tunecommand::tuneCarriedByAnMlgLog() {
    const QString mlg = QStringLiteral(QERO_REALDATA_DIR "/ultralog_rusefi_Log1.mlg");
    if (!QFile::exists(mlg))
        QSKIP("the real files are not here");
    const QString out = m_dir->filePath(QStringLiteral("from-log.msq"));
    const Run r = tune({m_log, QStringLiteral("--tune"), mlg, QStringLiteral("--write-tune"), out});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String("took veTable (16 engine speeds")), qPrintable(r.err));
    const TuneFile carried = TuneFile::readFile(mlg);
    const TuneFile written = TuneFile::readFile(out);
    QCOMPARE(written.bytes().size(), carried.bytes().size());
    QVERIFY(written.table(QStringLiteral("veTable")).values !=
            carried.table(QStringLiteral("veTable")).values);
    QCOMPARE(written.table(QStringLiteral("lambdaTable")).values,
             carried.table(QStringLiteral("lambdaTable")).values);
    // A log without a tune is refused by name.
    const Run v1 = tune({m_log, QStringLiteral("--tune"),
                         QStringLiteral(QERO_REALDATA_DIR "/hypertuner_middle.mlg")});
    QCOMPARE(v1.status, 2);
    QVERIFY2(v1.err.contains(QLatin1String("only a version-2 MegaLogViewer log carries a tune")),
             qPrintable(v1.err));
}

// A 1 GB sparse file (all zeros) is no log: it is refused from its first bytes, not read
// whole by the default CSV columns (a 2 GB one took 10 GB of memory).
void tst_tunecommand::largeFileNoReaderTakesIsRefusedUnread() {
    const QString path = m_dir->filePath(QStringLiteral("sparse.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (!f.resize(qint64(1) << 30))
            QSKIP("no sparse files here");
    }
    const QString out = write(QStringLiteral("map.txt"), "the old map\n");
    const Run r = tune({path, QStringLiteral("-o"), out});
    QFile::remove(path);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QLatin1String("is not a log this program can read")),
             qPrintable(r.err));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("the old map\n"));
}

void tst_tunecommand::noUsableSampleFailsAndWritesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("empty log") << "empty.log" << QByteArray() << QStringList{};
    QTest::newRow("carriage returns only") << "cr.log" << QByteArray("\r\r\r\r") << QStringList{};
    QTest::newRow("CSV header only")
        << "header.csv" << QByteArray("time,rpm,load,afr1\n") << QStringList{};
    QTest::newRow("every sample below the engine speed")
        << "" << QByteArray() << QStringList{"--min-rpm", "90000"};
}

// A grid of empty cells is no corrected map: a script that goes by the exit status must
// not take it for one, and the old map stays.
void tst_tunecommand::noUsableSampleFailsAndWritesNothing() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, options);
    const QString input = name.isEmpty() ? m_log : write(name, bytes);
    const QString out = write(QStringLiteral("map.txt"), "the old map\n");
    const Run r = tune(QStringList{input} + options + QStringList{QStringLiteral("-o"), out});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("no usable sample; ") + out +
                            QStringLiteral(" is left as it was")),
             qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("the old map\n"));
}

QTEST_GUILESS_MAIN(tst_tunecommand)
#include "tst_tunecommand.moc"
