// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/ChannelFilter.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningSources.h"
#include "tuning/TuningWorkbench.h"

#include <QtTest>

namespace {

// Five samples, a second apart: coolant warming up, an enrichment flag, a throttle that
// opens fast between 2 and 3 s, and a channel with a name of several words.
Log sampleLog() {
    Log log;
    log.source = QStringLiteral("drive.msl");
    log.time = {0, 1, 2, 3, 4};
    const auto add = [&](const char* name, std::vector<float> v) {
        const int c = log.addChannel(QString::fromLatin1(name), QString(), Quantity::Other);
        log.channels[std::size_t(c)].values = std::move(v);
    };
    add("CLT", {40, 60, 75, 80, 85});
    add("Accel Enrich", {100, 100, 130, 100, 100});
    add("TPS", {10, 10, 12, 60, 61});
    add("DFCO", {0, 0, 0, 0, 1});
    add("MAT", {30, LogChannel::kMissing, 30, 30, 30});
    return log;
}

std::vector<bool> keep(const QString& text) {
    return ChannelFilter::parse(text).evaluate(sampleLog());
}

} // namespace

class tst_channelfilter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void conditions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept"); // one letter a sample: k kept, - left out
        QTest::newRow("comparison") << "CLT > 70"
                                    << "--kkk";
        QTest::newRow("letter case and blanks") << "  clt>=75 "
                                                << "--kkk";
        QTest::newRow("quoted name") << "\"Accel Enrich\" == 100"
                                     << "kk-kk";
        QTest::newRow("and binds before or") << "CLT > 70 and DFCO == 0 or CLT < 50"
                                             << "k-kk-";
        QTest::newRow("parentheses") << "CLT > 70 and (DFCO == 0 or CLT < 50)"
                                     << "--kk-";
        QTest::newRow("not") << "not DFCO == 1"
                             << "kkkk-";
        QTest::newRow("symbols") << "CLT > 70 && !(DFCO != 0)"
                                 << "--kk-";
        QTest::newRow("rate per second") << "rate(TPS) < 20"
                                         << "kk--k";
        QTest::newRow("missing value never holds") << "MAT == 30"
                                                   << "k-kkk";
        QTest::newRow("missing value and not equal") << "MAT != 31"
                                                     << "k-kkk";
    }
    void conditions() {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        const std::vector<bool> k = keep(text);
        QString got;
        for (bool b : k)
            got += b ? u'k' : u'-';
        QCOMPARE(got, kept);
    }

    // A condition that cannot be read says where; a channel the log lacks is named with
    // the channels it has.
    void errors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("says");
        QTest::newRow("no comparison") << "CLT 70"
                                       << "a comparison";
        QTest::newRow("no number") << "CLT > warm"
                                   << "a number is expected at character 7";
        QTest::newRow("open parenthesis") << "(CLT > 70"
                                          << "closing parenthesis";
        QTest::newRow("open quote") << "\"CLT > 70"
                                    << "closing quote";
        QTest::newRow("trailing words") << "CLT > 70 please"
                                        << "unexpected";
        QTest::newRow("empty") << ""
                               << "empty filter";
        QTest::newRow("unknown channel") << "EGT > 900"
                                         << "has no channel named \"EGT\"";
    }
    void errors() {
        QFETCH(QString, text);
        QFETCH(QString, says);
        try {
            keep(text);
            QFAIL("accepted");
        } catch (const TuningInputError& e) {
            QVERIFY2(e.message().contains(says), qPrintable(e.message()));
        }
    }

    // The run leaves out what a filter drops and counts it under the first filter that
    // does not hold, as the built-in filters are counted.
    void runCountsEachFilter() {
        const Log source = sampleLog();
        TuningLog log;
        log.time = source.time;
        log.rpm.assign(5, 3000);
        log.load.assign(5, 50);
        log.afr1.assign(5, 13.0);
        log.afr2.assign(5, std::nan(""));
        TuningSettings s;
        s.filterLoadRate = false;
        s.channelFilters = {QStringLiteral("CLT > 70"), QStringLiteral("DFCO == 0")};
        TuningSources::applyFilters(log, s.channelFilters, QString(), &source);
        QCOMPARE(log.filtered, (std::vector<quint8>{1, 1, 0, 0, 2}));
        TuningWorkbench bench(s);
        bench.add(log);
        const TuningCounts& n = bench.result().counts;
        QCOMPARE(n.kept, 2);
        QCOMPARE(n.channelFilter, (std::vector<qint64>{2, 1}));
    }
};

QTEST_GUILESS_MAIN(tst_channelfilter)
#include "tst_channelfilter.moc"
