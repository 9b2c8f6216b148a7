// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SafeWrite.h"
#include "tuning/TableExportFile.h"
#include "tuning/TuneFile.h"
#include "tuning/TuneXml.h"
#include "tuning/TuningInputError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

QString realData(const QString& name) {
    return QStringLiteral(QERO_REALDATA_DIR "/") + name;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The byte range of one constant's text, found without the reader under test.
std::pair<qsizetype, qsizetype> constantText(const QByteArray& bytes, const QByteArray& name) {
    const qsizetype tag = bytes.indexOf("name=\"" + name + "\"");
    const qsizetype begin = bytes.indexOf('>', tag) + 1;
    return {begin, bytes.indexOf("</constant>", begin)};
}

} // namespace

class tst_tunefile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void readsEveryTune_data();
    void readsEveryTune();
    void correctedCopyChangesOnlyTheFuelTable_data();
    void correctedCopyChangesOnlyTheFuelTable();
    void tuneInsideLogInfo_data();
    void tuneInsideLogInfo();
    void tableExports_data();
    void tableExports();
    void tableExportWrittenReadsBack();
    void badTunes_data();
    void badTunes();
    void resampledTargetsHoldRepeatedBins();
};

void tst_tunefile::init() {
    if (!QFile::exists(realData(QStringLiteral("tunes/README.md"))))
        QSKIP("the real tune files are not here");
}

void tst_tunefile::readsEveryTune_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<int>("fuelDigits");
    QTest::addColumn<QList<double>>("fuelValues"); // first, last, lowest, highest
    QTest::addColumn<QList<double>>("bins");       // rpm first, last; load first, last
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("targetUnits");
    QTest::addColumn<int>("targetSide");
    QTest::addColumn<QList<double>>("targetValues"); // first, last, last rpm bin, last load
    using L = QList<double>;
    QTest::newRow("Speeduino base")
        << "speeduino_202103_base_tune.msq"
        << "veTable" << 0 << L{39, 95, 33, 95} << L{500, 7000, 16, 100} << "afrTable"
        << "AFR" << 16 << L{14.7, 12.5, 7000, 100};
    QTest::newRow("Speeduino NA6, repeated rpm bins")
        << "speeduino_202103_NA6_PNP_base_tune.msq"
        << "veTable" << 0 << L{36, 120, 14, 155} << L{500, 6600, 16, 100} << "afrTable"
        << "AFR" << 16 << L{14.7, 12.5, 6500, 100};
    QTest::newRow("rusEFI uaEFI, AFR targets, UTF-8 units")
        << "rusefi_uaefi_2025_peugeot206.msq"
        << "veTable" << 1 << L{45, 78, 45, 85} << L{500, 7000, 20, 115} << "lambdaTable"
        << "afr" << 16 << L{14.7, 12.6, 7000, 115};
    QTest::newRow("rusEFI mega100, lambda targets")
        << "rusefi_mega100_2024_e36_lambda.msq"
        << "veTable" << 1 << L{42, 190.1, 12.1, 203.2} << L{500, 6800, 20, 230} << "lambdaTable"
        << "lambda" << 16 << L{1.0, 0.8095238, 6800, 230};
    QTest::newRow("MS2/Extra, CRLF, 12x12 targets")
        << "ms2extra_344_4g15.msq"
        << "veTable1" << 0 << L{50, 83, 36, 84} << L{500, 7200, 20, 115} << "afrTable1"
        << "AFR" << 12 << L{14.7, 12.6, 6000, 100};
    QTest::newRow("MS3 1.5.2") << "ms3_152_miata2000.msq"
                               << "veTable1" << 1 << L{48, 114.2, 11.2, 122}
                               << L{500, 7300, 19, 240} << "afrTable1"
                               << "AFR" << 12 << L{14.7, 11.5, 7500, 240};
    QTest::newRow("MS3 1.3.1") << "ms3_131_kalliot.msq"
                               << "veTable1" << 1 << L{27, 89.7, 27, 92} << L{700, 6900, 15, 100}
                               << "afrTable1"
                               << "AFR" << 12 << L{13.3, 12.5, 6800, 101};
}

void tst_tunefile::readsEveryTune() {
    QFETCH(QString, file);
    QFETCH(QString, fuel);
    QFETCH(int, fuelDigits);
    QFETCH(QList<double>, fuelValues);
    QFETCH(QList<double>, bins);
    QFETCH(QString, target);
    QFETCH(QString, targetUnits);
    QFETCH(int, targetSide);
    QFETCH(QList<double>, targetValues);
    const TuneFile tune = TuneFile::readFile(realData(QStringLiteral("tunes/") + file));
    QCOMPARE(tune.fuelTableName(), fuel);
    const TuneTable ve = tune.table(fuel);
    QCOMPARE(ve.rows, 16);
    QCOMPARE(ve.columns, 16);
    QCOMPARE(ve.units, QStringLiteral("%"));
    QCOMPARE(ve.digits, fuelDigits);
    QCOMPARE(ve.values.front(), fuelValues[0]);
    QCOMPARE(ve.values.back(), fuelValues[1]);
    QCOMPARE(*std::min_element(ve.values.begin(), ve.values.end()), fuelValues[2]);
    QCOMPARE(*std::max_element(ve.values.begin(), ve.values.end()), fuelValues[3]);
    QCOMPARE(ve.rpm.values.front(), bins[0]);
    QCOMPARE(ve.rpm.values.back(), bins[1]);
    QCOMPARE(ve.load.values.front(), bins[2]);
    QCOMPARE(ve.load.values.back(), bins[3]);
    QCOMPARE(ve.rpm.units, QStringLiteral("RPM"));
    // The workbench's grid has engine speed down and load across; the file's first text
    // row is the lowest load.
    const TuningGrid g = ve.grid();
    QCOMPARE(g.rows(), 16);
    QCOMPARE(g.at(0, 0), fuelValues[0]);
    QCOMPARE(g.at(15, 15), fuelValues[1]);
    QCOMPARE(g.at(1, 0), ve.at(0, 1));

    QCOMPARE(tune.targetTableName(fuel), target);
    const TuneTable afr = tune.table(target);
    QCOMPARE(afr.units, targetUnits);
    QCOMPARE(afr.rows, targetSide);
    QCOMPARE(afr.columns, targetSide);
    QCOMPARE(afr.values.front(), targetValues[0]);
    QCOMPARE(afr.values.back(), targetValues[1]);
    QCOMPARE(afr.rpm.values.back(), targetValues[2]);
    QCOMPARE(afr.load.values.back(), targetValues[3]);
    for (std::size_t i = 1; i < ve.rpm.values.size(); ++i)
        QVERIFY(ve.rpm.values[i] >= ve.rpm.values[i - 1]);
}

void tst_tunefile::correctedCopyChangesOnlyTheFuelTable_data() {
    QTest::addColumn<QString>("file");
    for (const char* f :
         {"speeduino_202103_base_tune.msq", "speeduino_202103_NA6_PNP_base_tune.msq",
          "rusefi_uaefi_2025_peugeot206.msq", "rusefi_mega100_2024_e36_lambda.msq",
          "ms2extra_344_4g15.msq", "ms3_152_miata2000.msq", "ms3_131_kalliot.msq"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void tst_tunefile::correctedCopyChangesOnlyTheFuelTable() {
    QFETCH(QString, file);
    const QString path = realData(QStringLiteral("tunes/") + file);
    const QByteArray original = bytesOf(path);
    const TuneFile tune = TuneFile::parse(original, file);
    const QString fuel = tune.fuelTableName();
    const TuneTable ve = tune.table(fuel);
    // 7 % richer everywhere but one engine-speed row, which is left empty (kept as it was).
    TuningGrid corrected = ve.grid();
    for (int r = 0; r < corrected.rows(); ++r)
        for (int c = 0; c < corrected.columns(); ++c)
            corrected.set(r, c, r == 3 ? TuningGrid::kEmpty : corrected.at(r, c) * 1.07);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("corrected.msq"));
    SafeWrite::writeFile(out, tune.withValues(fuel, corrected));
    const QByteArray written = bytesOf(out);
    const TuneTable back = TuneFile::parse(written, out).table(fuel);
    const double step = std::pow(10.0, -ve.digits);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const double want = r == 3 ? ve.grid().at(r, c) : ve.grid().at(r, c) * 1.07;
            QVERIFY2(std::fabs(back.grid().at(r, c) - want) <= step / 2 + 1e-9,
                     qPrintable(QStringLiteral("row %1 column %2").arg(r).arg(c)));
        }
    QVERIFY(back.grid().at(0, 5) != ve.grid().at(0, 5));

    // Every byte outside the fuel table's text is as it was.
    const auto [begin, end] = constantText(original, fuel.toLatin1());
    QVERIFY(begin > 0 && end > begin);
    const qsizetype tail = original.size() - end;
    QCOMPARE(written.left(begin), original.left(begin));
    QCOMPARE(written.right(tail), original.right(tail));
    // And inside it only numbers changed: the blanks and line ends are the same.
    const QByteArray before = original.mid(begin, end - begin);
    const QByteArray after = written.mid(begin, written.size() - tail - begin);
    QCOMPARE(after.count('\n'), before.count('\n'));
    QCOMPARE(after.count(' '), before.count(' '));
    QCOMPARE(after.count('\r'), before.count('\r'));
}

void tst_tunefile::tuneInsideLogInfo_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("signature");
    QTest::addColumn<qsizetype>("length");
    QTest::newRow("Speeduino") << "mlgconv_v2.mlg"
                               << "speeduino" << qsizetype(85722);
    QTest::newRow("rusEFI, CRLF") << "ultralog_rusefi_Log1.mlg"
                                  << "rusEFI" << qsizetype(185976);
}

void tst_tunefile::tuneInsideLogInfo() {
    QFETCH(QString, file);
    QFETCH(QString, signature);
    QFETCH(qsizetype, length);
    const QByteArray log = bytesOf(realData(file));
    QVERIFY(!log.isEmpty());
    // The information block is text ending at its NUL; hand over just that part, as the
    // log reader's information text holds it.
    const qsizetype xml = log.indexOf("<?xml");
    const qsizetype nul = log.indexOf('\0', xml);
    QVERIFY(xml > 0 && nul > xml);
    const QByteArrayView info(log.constData(), nul);
    const TuneFile tune = TuneFile::fromLogInfo(info, file);
    QCOMPARE(tune.bytes().size(), length);
    // Given the log itself, the tune is found in the same place.
    QCOMPARE(TuneFile::readFile(realData(file)).bytes(), tune.bytes());
    QVERIFY2(tune.signature().startsWith(signature), qPrintable(tune.signature()));
    const TuneTable ve = tune.table(tune.fuelTableName());
    QCOMPARE(ve.name, QStringLiteral("veTable"));
    QCOMPARE(ve.rows * ve.columns, int(ve.values.size()));
    QVERIFY(ve.rpm.values.back() > ve.rpm.values.front());
    QVERIFY(!tune.targetTableName(ve.name).isEmpty());
}

void tst_tunefile::tableExports_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("tune");
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("sameValues");
    QTest::addColumn<QString>("loadName");
    // The MS3 export holds the tune's veTable1 (it was exported from that tune). The MS2
    // exports are older than the tune: same shape and, for the AFR table, the same bins.
    QTest::newRow("MS3 VE, LF") << "ms3_152_miata2000_veTable3Tbl_export.table"
                                << "ms3_152_miata2000.msq"
                                << "veTable1" << true << "fuelload";
    QTest::newRow("MS2 AFR, CRLF") << "ms2extra_344_4g15_afrTable1Tbl_export.table"
                                   << "ms2extra_344_4g15.msq"
                                   << "afrTable1" << false << "afrload1";
    QTest::newRow("MS2 VE, CRLF") << "ms2extra_344_4g15_veTable1Tbl_export.table"
                                  << "ms2extra_344_4g15.msq"
                                  << "veTable1" << false << "fuelload";
}

void tst_tunefile::tableExports() {
    QFETCH(QString, file);
    QFETCH(QString, tune);
    QFETCH(QString, table);
    QFETCH(bool, sameValues);
    QFETCH(QString, loadName);
    const TableExportFile exported =
        TableExportFile::readFile(realData(QStringLiteral("tunes/") + file));
    const TuneTable fromTune =
        TuneFile::readFile(realData(QStringLiteral("tunes/") + tune)).table(table);
    const TuneTable& t = exported.table();
    QCOMPARE(t.rows, fromTune.rows);
    QCOMPARE(t.columns, fromTune.columns);
    QCOMPARE(t.rpm.name, QStringLiteral("rpm"));
    QCOMPARE(t.load.name, loadName);
    QCOMPARE(t.digits, fromTune.digits);
    if (sameValues) {
        QCOMPARE(t.rpm.values, fromTune.rpm.values);
        QCOMPARE(t.load.values, fromTune.load.values);
        for (std::size_t i = 0; i < t.values.size(); ++i)
            QVERIFY(std::fabs(t.values[i] - fromTune.values[i]) < 1e-9);
    }

    // A corrected copy of the export changes only its zValues, and reads back.
    TuningGrid corrected = t.grid();
    corrected.set(2, 3, corrected.at(2, 3) + 1.0);
    const QByteArray original = bytesOf(realData(QStringLiteral("tunes/") + file));
    const QByteArray written = exported.withValues(corrected);
    const TableExportFile back = TableExportFile::parse(written, file);
    QVERIFY(std::fabs(back.table().grid().at(2, 3) - (t.grid().at(2, 3) + 1.0)) < 1e-9);
    QCOMPARE(back.table().grid().at(3, 2), t.grid().at(3, 2));
    const qsizetype z = original.indexOf("<zValues");
    QCOMPARE(written.left(z), original.left(z));
    const qsizetype tail = original.size() - original.indexOf("</zValues>");
    QCOMPARE(written.right(tail), original.right(tail));
}

void tst_tunefile::tableExportWrittenReadsBack() {
    const TuneFile tune = TuneFile::readFile(realData(QStringLiteral("tunes/ms3_131_kalliot.msq")));
    const TuneTable ve = tune.table(QStringLiteral("veTable1"));
    TuningGrid corrected = ve.grid();
    corrected.set(4, 6, 55.56);
    const TableExportFile back =
        TableExportFile::parse(TableExportFile::write(ve, corrected), QStringLiteral("out.table"));
    QCOMPARE(back.table().rpm.values, ve.rpm.values);
    QCOMPARE(back.table().load.values, ve.load.values);
    QCOMPARE(back.table().grid().at(4, 6), 55.6); // the table's one decimal
    QCOMPARE(back.table().grid().at(6, 4), ve.grid().at(6, 4));
}

void tst_tunefile::badTunes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray bins =
        "<constant name=\"rpmBins\" rows=\"2\" cols=\"1\">500 1000</constant>"
        "<constant name=\"fuelLoadBins\" rows=\"2\" cols=\"1\">20 100</constant>";
    QTest::newRow("not a tune") << QByteArray("hello") << "not a TunerStudio tune";
    QTest::newRow("no such table")
        << QByteArray("<msq>" + bins + "</msq>") << "there is no table veTable";
    QTest::newRow("short table")
        << QByteArray("<msq><constant name=\"veTable\" rows=\"2\" cols=\"2\">1 2 3</constant>" +
                      bins + "</msq>")
        << "the table veTable holds 3 values, not 2 × 2";
    QTest::newRow("a word in the table")
        << QByteArray("<msq><constant name=\"veTable\" rows=\"2\" cols=\"2\">1 2 x 4</constant>" +
                      bins + "</msq>")
        << "the table veTable holds text that is not a number";
    QTest::newRow("huge size asked")
        << QByteArray("<msq><constant name=\"veTable\" rows=\"99999\" cols=\"99999\">1</constant>"
                      "</msq>")
        << "veTable is not a table of 2 to 256 rows and columns";
    QTest::newRow("bins missing")
        << QByteArray(
               "<msq><constant name=\"veTable\" rows=\"2\" cols=\"2\">1 2 3 4</constant></msq>")
        << "the bins veRpmBins of the table veTable are missing";
    QTest::newRow("cut off") << QByteArray(
                                    "<msq><constant name=\"veTable\" rows=\"2\" cols=\"2\">1 2 3 4")
                             << "there is no table veTable";
}

void tst_tunefile::badTunes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    try {
        TuneFile::parse(bytes, QStringLiteral("bad.msq")).table(QStringLiteral("veTable"));
        QFAIL("accepted");
    } catch (const TuningInputError& e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("bad.msq: ") + message),
                 qPrintable(e.message()));
    }
}

void tst_tunefile::resampledTargetsHoldRepeatedBins() {
    TuneTable t;
    t.rows = 2;
    t.columns = 3;
    t.values = {14.0, 13.0, 12.0, 12.0, 11.0, 10.0};
    t.rpm.values = {1000, 2000, 2000};
    t.load.values = {20, 100};
    QCOMPARE(t.valueAt(1500, 20), 13.5);
    QCOMPARE(t.valueAt(2000, 60), 11.0);
    QCOMPARE(t.valueAt(9000, 100), 10.0);
    QCOMPARE(t.valueAt(0, 0), 14.0);
    const TuningGrid g = t.resampled({1000, 1500}, {20, 60, 100});
    QCOMPARE(g.at(1, 1), 12.5);
}

QTEST_APPLESS_MAIN(tst_tunefile)
#include "tst_tunefile.moc"
