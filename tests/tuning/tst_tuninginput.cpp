// SPDX-License-Identifier: GPL-3.0-or-later
#include "../afrtable/TestLogFile.h"
#include "tuning/CsvSampleSource.h"
#include "tuning/LogFileSampleSource.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningSettings.h"
#include "tuning/TuningTableText.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class tst_tuninginput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void csvSeparatorsAndDecimalCommas_data();
    void csvSeparatorsAndDecimalCommas();
    void csvUnreadableRowsAreSkippedNotZero();
    void csvMapping();
    void csvMissingColumn_data();
    void csvMissingColumn();
    void csvReadInPieces();
    void logFileSamples();
    void tableLayoutRoundTrip_data();
    void tableLayoutRoundTrip();
    void badTables_data();
    void badTables();
    void axes_data();
    void axes();
    void tableOrientations_data();
    void tableOrientations();
    void squareBareGridIsAmbiguous();
    void screenLayoutReadsBack();
};

void tst_tuninginput::csvSeparatorsAndDecimalCommas_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("semicolons, decimal commas") << QByteArray(
        "Time;RPM;Load;AFR1;AFR2\r\n0,5;2500;42,5;13,7;14,1\r\n0,6;2510;43;13,8;\r\n");
    QTest::newRow("tabs, decimal points, quotes") << QByteArray(
        "\"time\"\t\"rpm\"\t\"load\"\t\"afr1\"\t\"afr2\"\n.5\t2500\t42.5\t13.7\t14.1\n"
        "0.6\t2510\t43\t13.8\t\n");
    QTest::newRow("commas, quoted decimal commas, no last newline")
        << QByteArray("time,rpm,load,afr1,afr2\n0.5,2500,\"42,5\",13.7,14.1\n0.6,2510,43,13.8,");
}

void tst_tuninginput::csvSeparatorsAndDecimalCommas() {
    QFETCH(QByteArray, bytes);
    const TuningLog log = CsvSampleSource().parse(bytes, QStringLiteral("x.csv"));
    QCOMPARE(log.size(), std::size_t(2));
    QCOMPARE(log.time, (std::vector<double>{0.5, 0.6}));
    QCOMPARE(log.rpm, (std::vector<double>{2500, 2510}));
    QCOMPARE(log.load, (std::vector<double>{42.5, 43}));
    QCOMPARE(log.afr1, (std::vector<double>{13.7, 13.8}));
    QCOMPARE(log.afr2[0], 14.1);
    // An empty ratio cell is a sensor without a reading, not a ratio of 0.
    QVERIFY(std::isnan(log.afr2[1]));
    QCOMPARE(log.rowsSkipped, 0);
    QVERIFY(!log.afrScale);
}

void tst_tuninginput::csvUnreadableRowsAreSkippedNotZero() {
    const QByteArray bytes = "time,rpm,load,afr1\n"
                             "1,3000,50,13\n"
                             "2,abc,50,13\n"   // text where a number belongs
                             "3,3000,,13\n"    // no load
                             "4,3000,50\n"     // a field short
                             "5,3000,50,1x3\n" // a damaged ratio
                             "\n"              // blank lines are not rows
                             "4.5,3000,50,12\n"
                             "4.5,3000,50,12\n" // time does not go forward
                             "6,3000,50,12.5\n";
    const TuningLog log = CsvSampleSource().parse(bytes, QStringLiteral("x.csv"));
    QCOMPARE(log.time, (std::vector<double>{1, 4.5, 6}));
    QCOMPARE(log.afr1, (std::vector<double>{13, 12, 12.5}));
    QCOMPARE(log.rowsSkipped, 5);
}

void tst_tuninginput::csvMapping() {
    const CsvSampleSource::Columns columns = CsvSampleSource::parseColumns(
        QStringLiteral("time=Seconds, rpm=Engine Speed,load=MAP kPa,lambda1=Lambda A,"
                       "lambda2=Lambda B,status2=Status B"));
    const QByteArray bytes = "Seconds;Engine Speed;MAP kPa;Lambda A;Lambda B;Status B\n"
                             "0;3000;95;0,85;0,86;0\n"
                             "0,1;3000;95;0,85;0,86;6\n";
    const TuningLog log = CsvSampleSource(columns).parse(bytes, QStringLiteral("x.csv"));
    QCOMPARE(log.afrScale, std::optional<double>(1.0));
    QCOMPARE(log.load, (std::vector<double>{95, 95}));
    QCOMPARE(log.afr1, (std::vector<double>{0.85, 0.85}));
    QCOMPARE(log.afr2[0], 0.86);
    QVERIFY(std::isnan(log.afr2[1])); // status 6: no reading

    for (const char* bad : {"time", "speed=RPM", "afr1=A,lambda2=B", "rpm=A,rpm=B"}) {
        try {
            CsvSampleSource::parseColumns(QString::fromLatin1(bad));
            QFAIL(bad);
        } catch (const TuningInputError& e) {
            QVERIFY(e.message().startsWith(QLatin1String("--csv-columns: ")));
        }
    }
}

void tst_tuninginput::csvMissingColumn_data() {
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("default names absent")
        << QString() << QByteArray("t,rpm,load,afr1\n1,2,3,4\n")
        << "x.csv: row 1: the header names no column \"time\" (it names: t, rpm, load, afr1)";
    QTest::newRow("mapped second sensor absent")
        << "time=t,afr2=AFR B" << QByteArray("t;rpm;load;afr1\n")
        << "x.csv: row 1: the header names no column \"AFR B\"";
    QTest::newRow("no header at all")
        << QString() << QByteArray("\n\n") << "x.csv: the file has no header row";
    // A name given twice is not guessed at.
    QTest::newRow("rpm twice") << QString() << QByteArray("time,rpm,rpm,load,afr1\n1,2,3,4,5\n")
                               << "x.csv: row 1: the header names the column \"rpm\" twice "
                                  "(columns 2 and 3)";
    QTest::newRow("mapped name twice, in other cases")
        << "rpm=Engine" << QByteArray("time;ENGINE;load;afr1;engine\n")
        << "x.csv: row 1: the header names the column \"Engine\" twice (columns 2 and 5)";
    QTest::newRow("control bytes in the header are escaped")
        << QString() << QByteArray("t\x1b[2J,rpm,load,afr1\n")
        << "x.csv: row 1: the header names no column \"time\" (it names: t\\x1b[2J, rpm";
    QTest::newRow("a very long header is cut short")
        << QString() << (QByteArray("rpm,load,afr1,") + QByteArray(100000, 'x') + "\n")
        << "x.csv: row 1: the header names no column \"time\" (it names: rpm, load, afr1, xxx";
}

void tst_tuninginput::csvMissingColumn() {
    QFETCH(QString, mapping);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const CsvSampleSource source = mapping.isEmpty()
                                       ? CsvSampleSource()
                                       : CsvSampleSource(CsvSampleSource::parseColumns(mapping));
    try {
        source.parse(bytes, QStringLiteral("x.csv"));
        QFAIL("read");
    } catch (const TuningInputError& e) {
        QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
        QVERIFY(e.message().size() < 400);
    }
}

void tst_tuninginput::csvReadInPieces() {
    // More than one read piece (1 MiB), so that rows cut between pieces are joined again.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    QByteArray bytes = "time;rpm;load;afr1\n";
    const int rows = 60000;
    for (int i = 0; i < rows; ++i)
        bytes += QByteArray::number(i) + ";3000,25;" + QByteArray::number(i % 100) + ";13,5\n";
    QVERIFY(bytes.size() > (1 << 20));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const TuningLog log = CsvSampleSource().read(path);
    QCOMPARE(log.size(), std::size_t(rows));
    QCOMPARE(log.rowsSkipped, 0);
    for (int i = 0; i < rows; ++i)
        if (log.time[i] != i || log.load[i] != i % 100 || log.rpm[i] != 3000.25 ||
            log.afr1[i] != 13.5)
            QFAIL(qPrintable(QStringLiteral("row %1").arg(i)));
}

void tst_tuninginput::logFileSamples() {
    QTemporaryDir dir;
    TestLogFile file;
    file.maxValue = QStringLiteral("100");                // 0..5 V reads as 0..100 %
    file.fill(0, 3, 3000, 2.0f, 14.0f);                   // 2 V: 40 %
    file.samples.push_back({3, 3200, 2.5f, 4.0f, 20.0f}); // sensor 1 open, sensor 2 free air
    file.samples.push_back({4, 3300, 2.5f, 13.0f, 12.5f});
    file.fuel = QStringLiteral("E85");
    file.ratio = QStringLiteral("9.77");
    const QString path = dir.filePath(QStringLiteral("a.log"));
    QVERIFY(file.write(path));
    const TuningLog log = LogFileSampleSource().read(path);
    // The rows after the last sample are the padding of a short log, not samples.
    QCOMPARE(log.size(), std::size_t(5));
    QCOMPARE(log.afrScale, std::optional<double>(14.69));
    QCOMPARE(log.fuelStoichRatio, std::optional<double>(9.77));
    QCOMPARE(log.rpm[3], 3200.0);
    QCOMPARE(log.load[0], double(40.0f));
    QCOMPARE(log.load[4], double(50.0f));
    QCOMPARE(log.afr1[0], double(14.0f));
    QVERIFY(std::isnan(log.afr1[3]));
    QVERIFY(std::isnan(log.afr2[3]));
    QCOMPARE(log.afr2[4], double(12.5f));
    QVERIFY(log.time[4] > log.time[3]);
}

void tst_tuninginput::tableLayoutRoundTrip_data() {
    QTest::addColumn<QByteArray>("pasted");
    QTest::addColumn<double>("first");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("written");
    QTest::newRow("spreadsheet: tabs with both axes")
        << QByteArray("RPM\\TPS\t0\t50\n1000\t40.5\t50\n2000\t60\t70\n") << 40.5 << 1
        << "RPM\\TPS\t0\t50\n1000\t1.0\t2.5\n2000\t\t-3.0\n";
    QTest::newRow("semicolons, decimal commas, CRLF, trailing separators")
        << QByteArray(";0;50;\r\n1000;40,25;50;\r\n2000;60;70;\r\n") << 40.25 << 2
        << ";0;50\r\n1000;1,00;2,50\r\n2000;;-3,00\r\n";
    QTest::newRow("bare grid, commas") << QByteArray("40,50\n60,70\n") << 40.0 << 0 << "1,2\n,-3\n";
    QTest::newRow("bare grid, blanks")
        << QByteArray(" 40   50\n60   70.125\n") << 40.0 << 3 << "1.000 2.500\n -3.000\n";
}

void tst_tuninginput::tableLayoutRoundTrip() {
    QFETCH(QByteArray, pasted);
    QFETCH(double, first);
    QFETCH(int, decimals);
    QFETCH(QString, written);
    const TuningTableText t = TuningTableText::parse(pasted, QStringLiteral("map.txt"));
    QCOMPARE(t.decimals(), decimals);
    const TuningGrid g = t.grid({1000, 2000}, {0, 50});
    QCOMPARE(g.at(0, 0), first);
    QCOMPARE(g.at(1, 0), 60.0);
    TuningGrid values(2, 2);
    values.set(0, 0, 1.0);
    values.set(0, 1, 2.5);
    values.set(1, 1, -3.0);
    QCOMPARE(t.format(values, t.decimals()), written);
}

void tst_tuninginput::badTables_data() {
    QTest::addColumn<QByteArray>("pasted");
    QTest::addColumn<QString>("message");
    QTest::newRow("a cell that is not a number")
        << QByteArray("\t0\t50\n1000\t40\t5O\n2000\t60\t70\n")
        << "map.txt: row 2, column 3: \"5O\" is not a number";
    QTest::newRow("a short row") << QByteArray("40\t50\n\n60\n")
                                 << "map.txt: row 3: the row has 1 cells, the first row 2";
    QTest::newRow("too many rows") << QByteArray("40\t50\n60\t70\n80\t90\n")
                                   << "map.txt: the grid has 3 rows and 2 columns; the axes "
                                      "need 2 rows and 2 columns";
    QTest::newRow("an axis that differs")
        << QByteArray("\t0\t60\n1000\t40\t50\n2000\t60\t70\n")
        << "map.txt: row 1, column 3: load breakpoint 60 differs from the load axis (50)";
    QTest::newRow("empty") << QByteArray(" \n") << "map.txt: the table is empty";
    // A cell whose correction overflows to infinity is refused as it is read.
    QTest::newRow("a cell of 1e308")
        << QByteArray("40\t1e308\n60\t70\n")
        << "map.txt: row 1, column 2: \"1e308\" is beyond 1e+12, more than a map or an axis holds";
    QTest::newRow("a negative cell of -1e13")
        << QByteArray("40\t50\n-1e13\t70\n") << "map.txt: row 2, column 1: \"-1e13\" is beyond";
    QTest::newRow("an axis breakpoint of 1e300")
        << QByteArray("\t0\t50\n1e300\t40\t50\n2000\t60\t70\n")
        << "map.txt: row 2, column 1: \"1e300\" is beyond";
    // Found by fuzzing: labels alone made the orientation read past the rows.
    QTest::newRow("labels without a row of values")
        << QByteArray("RPM\t40\t80\n")
        << "map.txt: row 1, column 1: the table has labels but no "
           "values beside them";
    QTest::newRow("labels without a column of values")
        << QByteArray("RPM\n1000\n2000\n") << "map.txt: row 1, column 1: the table has labels";
    QTest::newRow("control bytes in a cell are escaped")
        << QByteArray("40\t\x1b[2J\n60\t70\n")
        << "map.txt: row 1, column 2: \"\\x1b[2J\" is not a number";
}

void tst_tuninginput::badTables() {
    QFETCH(QByteArray, pasted);
    QFETCH(QString, message);
    try {
        TuningTableText::parse(pasted, QStringLiteral("map.txt")).grid({1000, 2000}, {0, 50});
        QFAIL("accepted");
    } catch (const TuningInputError& e) {
        QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
    }
}

void tst_tuninginput::axes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("axis");
    QTest::addColumn<QString>("message");
    QTest::newRow("commas") << "500,1000,1500.5" << QList<double>{500, 1000, 1500.5} << QString();
    QTest::newRow("pasted row with tabs") << "0\t20\t 40 " << QList<double>{0, 20, 40} << QString();
    QTest::newRow("one breakpoint")
        << "500" << QList<double>{} << "the load axis needs at least two breakpoints, it has 1";
    QTest::newRow("descending") << "0,40,20" << QList<double>{}
                                << "the load axis is not strictly ascending: breakpoint 3 (20) "
                                   "follows 40";
    QTest::newRow("repeated") << "0,20,20" << QList<double>{} << "not strictly ascending";
    QTest::newRow("text") << "0,x,20" << QList<double>{}
                          << "the load axis: breakpoint 2 \"x\" is not a number";
}

void tst_tuninginput::axes() {
    QFETCH(QString, text);
    QFETCH(QList<double>, axis);
    QFETCH(QString, message);
    try {
        const std::vector<double> parsed = TuningSettings::parseAxis(text, QStringLiteral("load"));
        QVERIFY(message.isEmpty());
        QCOMPARE(QList<double>(parsed.begin(), parsed.end()), axis);
    } catch (const TuningInputError& e) {
        QVERIFY2(!message.isEmpty() && e.message().contains(message), qPrintable(e.message()));
    }
}

void tst_tuninginput::tableOrientations_data() {
    QTest::addColumn<QByteArray>("pasted");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("labelled");
    using O = TuningTableText::Orientation;
    QTest::newRow("engine-speed rows, labels")
        << QByteArray("rpm\t30\t60\n1000\t40.0\t41.0\n2000\t50.0\t51.0\n3000\t60.0\t61.0\n")
        << int(O::RpmRows) << true;
    QTest::newRow("TunerStudio screen: highest load on top, engine speed along the bottom")
        << QByteArray("60\t41.0\t51.0\t61.0\n30\t40.0\t50.0\t60.0\n\t1000\t2000\t3000\n")
        << int(O::LoadRowsHighFirst) << true;
    QTest::newRow("load rows lowest first, engine speed as the first row")
        << QByteArray("load\t1000\t2000\t3000\n30\t40.0\t50.0\t60.0\n60\t41.0\t51.0\t61.0\n")
        << int(O::LoadRowsLowFirst) << true;
    QTest::newRow("load rows highest first, engine speed as the first row")
        << QByteArray("\t1000\t2000\t3000\n60\t41.0\t51.0\t61.0\n30\t40.0\t50.0\t60.0\n")
        << int(O::LoadRowsHighFirst) << true;
    QTest::newRow("load rows lowest first, engine speed along the bottom")
        << QByteArray("30\t40.0\t50.0\t60.0\n60\t41.0\t51.0\t61.0\n\t1000\t2000\t3000\n")
        << int(O::LoadRowsLowFirst) << true;
    QTest::newRow("bare, engine-speed rows")
        << QByteArray("40.0\t41.0\n50.0\t51.0\n60.0\t61.0\n") << int(O::RpmRows) << false;
    QTest::newRow("bare, TunerStudio screen")
        << QByteArray("41.0\t51.0\t61.0\n40.0\t50.0\t60.0\n") << int(O::LoadRowsHighFirst) << false;
}

void tst_tuninginput::tableOrientations() {
    QFETCH(QByteArray, pasted);
    QFETCH(int, orientation);
    QFETCH(bool, labelled);
    const std::vector<double> rpm{1000, 2000, 3000};
    const std::vector<double> load{30, 60};
    const TuningTableText t = TuningTableText::parse(pasted, QStringLiteral("map.txt"));
    QCOMPARE(t.hasAxes(), labelled);
    if (labelled) {
        QCOMPARE(int(t.orientation()), orientation);
        QCOMPARE(t.rpmAxis(), rpm);
        QCOMPARE(t.loadAxis(), load);
    }
    QVERIFY(t.fit(rpm.size(), load.size()) != TuningTableText::Fit::None);
    QVERIFY(t.fit(rpm.size(), load.size()) != TuningTableText::Fit::Ambiguous);
    // Every layout reads to the same map: 40 + 10 per engine-speed step + 1 per load step.
    const TuningGrid g = t.grid(rpm, load);
    QCOMPARE(g.rows(), 3);
    QCOMPARE(g.columns(), 2);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            QCOMPARE(g.at(r, c), 40.0 + 10 * r + c);
    // The copy back is laid out as it was pasted.
    QCOMPARE(t.format(g, 1), QString::fromLatin1(pasted));
}

void tst_tuninginput::squareBareGridIsAmbiguous() {
    TuningTableText t =
        TuningTableText::parse(QByteArray("1\t2\n3\t4\n"), QStringLiteral("map.txt"));
    QCOMPARE(t.fit(2, 2), TuningTableText::Fit::Ambiguous);
    QCOMPARE(t.fit(2, 3), TuningTableText::Fit::None);
    t.chooseOrientation(TuningTableText::Orientation::LoadRowsHighFirst);
    const TuningGrid g = t.grid({1000, 2000}, {30, 60});
    // The top row is the highest load: engine speed 1000 at load 60 is 1.
    QCOMPARE(g.at(0, 1), 1.0);
    QCOMPARE(g.at(1, 1), 2.0);
    QCOMPARE(g.at(0, 0), 3.0);
    QCOMPARE(t.format(g, 0), QStringLiteral("1\t2\n3\t4\n"));
}

void tst_tuninginput::screenLayoutReadsBack() {
    TuningGrid values(2, 3);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            values.set(r, c, 50.0 + r + 0.5 * c);
    const QString text = TuningTableText::formatScreen({1000, 6600}, {20, 60, 100}, values, 1);
    QCOMPARE(text,
             QStringLiteral("100\t51.0\t52.0\n60\t50.5\t51.5\n20\t50.0\t51.0\n\t1000\t6600\n"));
    const TuningTableText back = TuningTableText::parse(text.toUtf8(), QStringLiteral("copy"));
    QCOMPARE(back.orientation(), TuningTableText::Orientation::LoadRowsHighFirst);
    QCOMPARE(back.grid({1000, 6600}, {20, 60, 100}).at(1, 1), 51.5);
}

QTEST_APPLESS_MAIN(tst_tuninginput)
#include "tst_tuninginput.moc"
