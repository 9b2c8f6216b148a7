// SPDX-License-Identifier: GPL-3.0-or-later
#include "../tuning/TuningTestLogs.h"
#include "tuning/TuningInputError.h"
#include "workbench/CsvColumnGuess.h"
#include "workbench/HeatMapScale.h"
#include "workbench/ScatterThinning.h"
#include "workbench/WorkbenchSession.h"
#include "workbench/WorkbenchSetupFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace TuningTestLogs;

class tst_workbenchsession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void heatMapColours_data();
    void heatMapColours();
    void samplesOfACellAreTheOnesThatMadeIt();
    void scatterKeepsOnePointPerPixel();
    void setupIsTakenWholeOrNotAtAll();
    void savedSetupReadsBack_data();
    void savedSetupReadsBack();
    void channelFiltersAndJoin();
    void csvColumnsGuessedByNameAndUnit_data();
    void csvColumnsGuessedByNameAndUnit();
    void tuneInCorrectedTuneOut();
};

void tst_workbenchsession::heatMapColours_data() {
    QTest::addColumn<int>("table");
    QTest::addColumn<double>("correction");
    QTest::addColumn<double>("weight");
    QTest::addColumn<QString>("expected");
    // Weight 5 needed; full strength from 20.
    QTest::newRow("lean, well fed") << int(WorkbenchTable::Mean) << 12.0 << 40.0 << "red";
    QTest::newRow("rich, well fed") << int(WorkbenchTable::Correction) << -12.0 << 40.0 << "blue";
    QTest::newRow("on target") << int(WorkbenchTable::Corrected) << 0.5 << 40.0 << "green";
    QTest::newRow("lean, thin") << int(WorkbenchTable::Mean) << 12.0 << 2.0 << "pale red";
    QTest::newRow("too little for a correction")
        << int(WorkbenchTable::Mean) << qQNaN() << 2.0 << "grey";
    QTest::newRow("no samples") << int(WorkbenchTable::Mean) << qQNaN() << qQNaN() << "none";
    QTest::newRow("base map carries no meaning")
        << int(WorkbenchTable::Base) << 12.0 << 40.0 << "none";
}

void tst_workbenchsession::heatMapColours() {
    QFETCH(int, table);
    QFETCH(double, correction);
    QFETCH(double, weight);
    QFETCH(QString, expected);
    const auto c = HeatMapScale::colour(WorkbenchTable(table), correction, weight, 5.0);
    if (expected == QLatin1String("none")) {
        QVERIFY(!c);
        return;
    }
    QVERIFY(c);
    const int top = std::max({c->red, c->green, c->blue});
    if (expected == QLatin1String("red"))
        QVERIFY(c->red == top && c->green < 100 && c->blue < 100);
    else if (expected == QLatin1String("blue"))
        QVERIFY(c->blue == top && c->red < 100);
    else if (expected == QLatin1String("green"))
        QVERIFY(c->green == top && c->red < 150 && c->blue < 150);
    else if (expected == QLatin1String("pale red"))
        QVERIFY(c->red == top && c->green > 200 && c->green == c->blue);
    else
        QVERIFY(c->red == c->green && c->green == c->blue && c->red < 255);
    // The weaker of two otherwise equal cells is paler.
    if (!std::isnan(weight)) {
        const auto faint = HeatMapScale::colour(WorkbenchTable(table), correction, 1.0, 5.0);
        QVERIFY(faint->red + faint->green + faint->blue >= c->red + c->green + c->blue);
    }
}

void tst_workbenchsession::samplesOfACellAreTheOnesThatMadeIt() {
    WorkbenchSession s;
    s.setAxes({1000, 2000, 3000}, {0, 50, 100});
    TuningLog one = steady(10, 1000, 0, 13.2);
    // Between breakpoints: nearest to 2000 rpm and 50 load.
    append(one, {1.0, 1900, 60, 14.0});
    append(one, {1.1, 1900, 60, 14.0});
    // Below the engine-speed filter: counted as dropped, never in a cell.
    append(one, {1.2, 300, 50, 14.0});
    TuningLog two = steady(5, 2100, 45, 12.0, kNone, 10.0);
    QTemporaryDir dir;
    // Logs are added from files; write them as CSV.
    const auto write = [&](const TuningLog& log, const QString& name) {
        QString text = QStringLiteral("time,rpm,load,afr1\n");
        for (std::size_t i = 0; i < log.size(); ++i)
            text += QStringLiteral("%1,%2,%3,%4\n")
                        .arg(log.time[i])
                        .arg(log.rpm[i])
                        .arg(log.load[i])
                        .arg(log.afr1[i]);
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(text.toUtf8());
        return f.fileName();
    };
    TuningSettings settings = s.settings();
    settings.filterLoadRate = false;
    s.setSettings(settings);
    s.addFile(write(one, QStringLiteral("one.csv")));
    s.addFile(write(two, QStringLiteral("two.csv")));

    using Ref = WorkbenchSession::SampleRef;
    QCOMPARE(s.samplesOf(1, 1),
             (std::vector<Ref>{{0, 10}, {0, 11}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}}));
    QCOMPARE(s.sampleCount(1, 1), 7);
    QCOMPARE(s.samplesOf(0, 0).size(), std::size_t(10));
    QVERIFY(s.samplesOf(2, 2).empty());
    QCOMPARE(s.inputs()[0].counts.rpm, 1);
    QCOMPARE(s.inputs()[0].counts.kept, 12);
    QCOMPARE(s.inputs()[1].counts.kept, 5);
    QCOMPARE(s.result().counts.kept, 17);
    QCOMPARE(s.inputs()[0].uses[12].fate, TuningWorkbench::Fate::Rpm);
}

void tst_workbenchsession::scatterKeepsOnePointPerPixel() {
    // 0..100 on 101 pixels: one pixel per unit.
    ScatterThinning t(0, 100, 0, 100, 101, 101);
    QVERIFY(t.take(10, 10));
    QVERIFY(!t.take(10.2, 9.9)); // the same pixel
    QVERIFY(t.take(11, 10));     // the next one
    QVERIFY(t.take(10, 11));
    QVERIFY(t.take(100, 100)); // the far corner is a pixel too
    QVERIFY(!t.take(100, 100));
    QVERIFY(t.take(-5, 10)); // outside: always drawn
    QVERIFY(t.take(-5, 10));
    QVERIFY(t.take(qQNaN(), 10));
    // Every point on one value: one column, no division by zero.
    ScatterThinning flat(3000, 3000, 12, 15, 50, 50);
    QVERIFY(flat.take(3000, 12));
    QVERIFY(!flat.take(3000, 12.01));
    QVERIFY(flat.take(3000, 15));
}

void tst_workbenchsession::savedSetupReadsBack_data() {
    QTest::addColumn<QString>("base");
    QTest::newRow("typed axes") << QString();
    // Found by fuzzing: a map copied from a tune's editor repeats its last breakpoint,
    // which the pasted map may, and its saved setup could then not be loaded.
    QTest::newRow("a repeated engine speed")
        << QStringLiteral("RPM\t40\t80\n1000\t50\t60\n2000\t55\t65\n2000\t60\t70\n");
    QTest::newRow("a repeated load") << QStringLiteral("RPM\t40\t80\t80\n1000\t50\t60\t61\n"
                                                       "2000\t55\t65\t66\n");
}

// Whatever the session holds, its setup file gives back.
void tst_workbenchsession::savedSetupReadsBack() {
    QFETCH(QString, base);
    WorkbenchSession s;
    if (!base.isEmpty())
        s.pasteBase(base);
    const QString saved = WorkbenchSetupFile::format(s);
    WorkbenchSession again;
    WorkbenchSetupFile::apply(again, saved, QStringLiteral("saved.txt"));
    QCOMPARE(WorkbenchSetupFile::format(again), saved);
}

void tst_workbenchsession::setupIsTakenWholeOrNotAtAll() {
    WorkbenchSession s;
    s.pasteBase(QStringLiteral("\t40\t80\r\n2000\t50\t60\r\n4000\t70\t80\r\n"));
    TuningSettings t = s.settings();
    t.sensor = TuningSettings::Sensor::Both;
    t.target = 12.8;
    t.minLambda = 0.7;
    s.setSettings(t);
    const QString text = WorkbenchSetupFile::format(s);
    QVERIFY2(text.contains(QLatin1String("\n[base]\n\t40\t80\r\n2000\t50\t60\r\n")),
             qPrintable(text));

    WorkbenchSession other;
    WorkbenchSetupFile::apply(other, text, QStringLiteral("setup.txt"));
    QCOMPARE(WorkbenchSetupFile::format(other), text);
    QCOMPARE(other.settings().sensor, TuningSettings::Sensor::Both);
    QCOMPARE(other.settings().rpmAxis, (std::vector<double>{2000, 4000}));

    // Axes that the setup's own base map does not fit: nothing of it is taken.
    const QString before = WorkbenchSetupFile::format(other);
    try {
        WorkbenchSetupFile::apply(other,
                                  QStringLiteral("[settings]\nrpm-axis=1000,2000,3000\n"
                                                 "load-axis=0,50\nsensor=2\n[base]\n1\t2\n"),
                                  QStringLiteral("bad.txt"));
        QFAIL("the setup was taken");
    } catch (const TuningInputError& e) {
        QVERIFY2(e.message().startsWith(QLatin1String("bad.txt: ")), qPrintable(e.message()));
        QVERIFY(e.message().contains(QLatin1String("Expected a grid of numbers for the base map")));
    }
    QCOMPARE(WorkbenchSetupFile::format(other), before);

    // A line that is not a setting names its line.
    try {
        WorkbenchSetupFile::apply(other, QStringLiteral("[settings]\nsensor=1\nfuel=petrol\n"),
                                  QStringLiteral("bad.txt"));
        QFAIL("the setup was taken");
    } catch (const TuningInputError& e) {
        QCOMPARE(e.message(), QStringLiteral("bad.txt: row 3: unknown setting \"fuel\""));
    }
    QCOMPARE(WorkbenchSetupFile::format(other), before);
}

// A filter on the logs' own channels leaves out samples in the session and in its setup
// file; a joined log takes its load from the engine computer.
void tst_workbenchsession::channelFiltersAndJoin() {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(bytes);
        return f.fileName();
    };
    // The wideband: engine speed and lambda at 10 Hz for two minutes; the engine computer:
    // the same engine speed 12.5 s later at 50 Hz, manifold pressure and coolant.
    QByteArray wide = "Time (s),RPM,Lambda\n";
    QByteArray engine = "Time (s),RPM,MAP (kPa),CLT (C)\n";
    const auto rpmAt = [](double t) {
        return 2500 + 1500 * std::sin(t / 3.0) + 700 * std::sin(t / 11.0 + 1) * std::sin(t);
    };
    for (int i = 0; i <= 1200; ++i)
        wide += QByteArray::number(i / 10.0) + ',' + QByteArray::number(rpmAt(i / 10.0), 'f', 0) +
                ",0.9\n";
    for (int i = 0; i <= 6000; ++i) {
        const double te = i / 50.0;
        engine += QByteArray::number(te + 12.5) + ',' + QByteArray::number(rpmAt(te), 'f', 0) +
                  ',' + QByteArray::number(30 + rpmAt(te) / 100, 'f', 1) + ',' +
                  QByteArray::number(te < 60 ? 60 : 85) + '\n';
    }
    const QString widePath = write(QStringLiteral("wide.csv"), wide);
    const QString enginePath = write(QStringLiteral("ecu.csv"), engine);

    WorkbenchSession s;
    TuningSettings t = s.settings();
    t.loadAxis = {20, 40, 60, 80, 100};
    t.filterLoadRate = false;
    s.setSettings(t);
    s.setAxes({500, 1000, 2000, 3000, 4000, 5000}, {20, 40, 60, 80, 100});
    // Alone the wideband log has no load; joined it takes the engine computer's.
    QVERIFY_THROWS_EXCEPTION(TuningInputError, s.addFile(widePath));
    QCOMPARE(s.inputs().size(), std::size_t(0));
    LogJoin::Match m;
    try {
        m = s.addJoinedFiles(widePath, enginePath);
    } catch (const TuningInputError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QVERIFY(std::fabs(m.offset + 12.5) < 0.1 || std::fabs(m.offset - 12.5) < 0.1);
    QCOMPARE(s.inputs()[0].log.loadQuantity, Quantity::ManifoldPressure);
    const qint64 keptAll = s.result().counts.kept;
    QVERIFY(keptAll > 0);

    // Only samples with a warm engine.
    t = s.settings();
    t.channelFilters = {QStringLiteral("CLT > 70")};
    s.setSettings(t);
    const TuningCounts& n = s.result().counts;
    QCOMPARE(n.channelFilter.size(), std::size_t(1));
    QVERIFY(n.channelFilter[0] > 0);
    QVERIFY(n.kept < keptAll);

    // A filter naming a channel no log has is refused and the session stays.
    t.channelFilters = {QStringLiteral("EGT > 900")};
    QVERIFY_THROWS_EXCEPTION(TuningInputError, s.setSettings(t));
    QCOMPARE(s.settings().channelFilters, QStringList{QStringLiteral("CLT > 70")});

    // The setup file keeps the filters, and a setup without filters clears them.
    const QString text = WorkbenchSetupFile::format(s);
    QVERIFY(text.contains(QLatin1String("\nfilter=CLT > 70\n")));
    WorkbenchSession other;
    try {
        WorkbenchSetupFile::apply(other, text, QStringLiteral("setup.txt"));
    } catch (const TuningInputError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(other.settings().channelFilters, QStringList{QStringLiteral("CLT > 70")});
    WorkbenchSetupFile::apply(other, QStringLiteral("[settings]\nsensor=1\n"),
                              QStringLiteral("plain.txt"));
    QVERIFY(other.settings().channelFilters.isEmpty());
}

// The column dialog starts from what the names and units say, as the readers tell them.
void tst_workbenchsession::csvColumnsGuessedByNameAndUnit_data() {
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("chosen"); // time, rpm, load, sensor 1, sensor 2
    QTest::addColumn<bool>("lambda");
    QTest::newRow("RomRaider with a PLX wideband")
        << QStringList{"Time (msec)", "Timing Advance (degrees)", "PLX Engine Speed (rpm)",
                       "PLX Manifold Absolute Pressure (bar)", "PLX O2 - Wideband (Lambda)"}
        << QStringList{"Time (msec)", "PLX Engine Speed (rpm)",
                       "PLX Manifold Absolute Pressure (bar)", "PLX O2 - Wideband (Lambda)", ""}
        << true;
    QTest::newRow("throttle load, two AFR sensors")
        << QStringList{"Time", "RPM", "TPS [%]", "AFR 1", "AFR 2"}
        << QStringList{"Time", "RPM", "TPS [%]", "AFR 1", "AFR 2"} << false;
    QTest::newRow("the plain names of old")
        << QStringList{"time", "rpm", "load", "afr1", "afr2"}
        << QStringList{"time", "rpm", "load", "afr1", "afr2"} << false;
}

void tst_workbenchsession::csvColumnsGuessedByNameAndUnit() {
    QFETCH(QStringList, header);
    QFETCH(QStringList, chosen);
    QFETCH(bool, lambda);
    const CsvSampleSource::Columns c = CsvColumnGuess::guess(header);
    QCOMPARE((QStringList{c.time, c.rpm, c.load, c.sensor1, c.sensor2}), chosen);
    QCOMPARE(c.lambda, lambda);
}

void tst_workbenchsession::tuneInCorrectedTuneOut() {
    // rusEFI names, lambda targets; the fuel table's first text row is the lowest load.
    const QByteArray tune =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<msq "
        "xmlns=\"http://www.msefi.com/:msq\">\n"
        "<page number=\"0\">\n"
        "<constant cols=\"2\" digits=\"1\" name=\"veTable\" rows=\"2\" units=\"%\">\n"
        "   50.0 70.0 \n   60.0 80.0 \n</constant>\n"
        "<constant cols=\"1\" digits=\"0\" name=\"veLoadBins\" rows=\"2\" units=\"kPa\">\n 40 \n "
        "80 \n</constant>\n"
        "<constant cols=\"1\" digits=\"0\" name=\"veRpmBins\" rows=\"2\" units=\"RPM\">\n 2000 \n "
        "4000 \n</constant>\n"
        "<constant cols=\"2\" digits=\"2\" name=\"lambdaTable\" rows=\"2\" units=\"lambda\">\n"
        "   0.9 0.9 \n   0.9 0.9 \n</constant>\n"
        "<constant cols=\"1\" digits=\"0\" name=\"lambdaLoadBins\" rows=\"2\">\n 0 \n 100 "
        "\n</constant>\n"
        "<constant cols=\"1\" digits=\"0\" name=\"lambdaRpmBins\" rows=\"2\">\n 500 \n 7000 "
        "\n</constant>\n"
        "</page>\n</msq>\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("car.msq"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(tune);
    }
    WorkbenchSession session;
    session.addLog(steady(10, 2000, 40, 14.0), QStringLiteral("pull"));
    const QString taken = session.loadTune(path);
    QVERIFY2(taken.contains(QLatin1String("veTable")) &&
                 taken.contains(QLatin1String("lambdaTable")),
             qPrintable(taken));
    QCOMPARE(session.settings().rpmAxis, (std::vector<double>{2000, 4000}));
    QCOMPARE(session.settings().loadAxis, (std::vector<double>{40, 80}));
    // Lambda 0.9 on the gasoline scale is 13.221; 50 × 14.0 / 13.221 = 52.95 -> 52.9.
    QCOMPARE(session.result().target.at(0, 0), 0.9 * session.stoichRatio());
    QCOMPARE(session.copyText(WorkbenchTable::Corrected, true),
             QStringLiteral("80\t60.0\t80.0\n40\t52.9\t70.0\n\t2000\t4000\n"));

    const QString out = dir.filePath(QStringLiteral("car-new.msq"));
    session.saveCorrectedTune(out);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray expected = tune;
    expected.replace("   50.0 70.0 ", "   52.9 70.0 ");
    QCOMPARE(f.readAll(), expected);
    QVERIFY_THROWS_EXCEPTION(TuningInputError, session.saveCorrectedTune(path));
    session.saveCorrectedTune(dir.filePath(QStringLiteral("ve.table")));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("ve.table"))));
    QVERIFY(session.layoutIsLoadRows());
}

QTEST_MAIN(tst_workbenchsession)
#include "tst_workbenchsession.moc"
