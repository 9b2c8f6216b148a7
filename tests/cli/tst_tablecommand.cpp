// SPDX-License-Identifier: GPL-3.0-or-later
#include "../afrtable/TestLogFile.h"
#include "afrtable/AFRTableLogFile.h"
#include "afrtable/AFRTablePrintout.h"
#include "afrtable/frmAFRTable.h"
#include "cli/TableCommand.h"
#include "logdata/AppState.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"

#include <QAction>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run table(const QStringList& args) {
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runTableCommand(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace

class tst_tablecommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void usage_data();
    void usage();
    void outputsMatchWindow_data();
    void outputsMatchWindow();
    void jsonCountsAndAverages();
    void refusedFilesAreLeftOut();
    void clampedParametersAreReported();

private:
    QString logFile(const QString& name, const TestLogFile& log);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_first;
    QString m_second;
};

QString tst_tablecommand::logFile(const QString& name, const TestLogFile& log) {
    const QString path = m_dir->filePath(name);
    if (!log.write(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_tablecommand::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    TestLogFile first;
    first.fill(0, 6, 3000.0f, 20.0f, 14.0f);
    first.fill(10, 3, 3000.0f, 40.0f, 12.0f);
    first.fill(20, 5, 6000.0f, 60.0f, 13.4f);
    for (int i = 0; i < 40; ++i) // unsteady: alternating cells
        first.samples.push_back({100 + i, 4000.0f, i % 2 ? 10.0f : 30.0f, 13.0f, 15.5f});
    m_first = logFile(QStringLiteral("first.log"), first);
    TestLogFile second;
    second.fill(0, 4, 3000.0f, 40.0f, 12.2f);
    second.fill(50, 8, 9000.0f, 95.0f, 16.0f);
    second.legend = QStringLiteral("tps");
    m_second = logFile(QStringLiteral("second.log"), second);
}

void tst_tablecommand::usage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("no log") << QStringList{} << 2;
    QTest::newRow("bad sensor") << QStringList{"a.log", "--sensor", "3"} << 2;
    QTest::newRow("bad display") << QStringList{"a.log", "--display", "lambda"} << 2;
    QTest::newRow("bad format") << QStringList{"a.log", "--format", "xml"} << 2;
    QTest::newRow("missing value") << QStringList{"a.log", "--target"} << 2;
    QTest::newRow("unknown option") << QStringList{"a.log", "--colour"} << 2;
    // Not numbers at all: refused as every command refuses them, not clamped.
    for (const char* target : {"abc", "nan", "", "1e400", "inf"})
        QTest::newRow(qPrintable(QStringLiteral("target \"%1\"").arg(QLatin1String(target))))
            << QStringList{"a.log", "--target", target} << 2;
    QTest::newRow("min-samples abc") << QStringList{"a.log", "--min-samples", "abc"} << 2;
}

void tst_tablecommand::usage() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    const Run r = table(args);
    QCOMPARE(r.status, status);
    const QString& usageText = status == 0 ? r.out : r.err;
    QVERIFY(usageText.contains(QLatin1String("Usage: qero4d-cli table LOG")));
}

void tst_tablecommand::outputsMatchWindow_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("sensor2");
    QTest::addColumn<bool>("fuel");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("minSamples");
    QTest::addColumn<bool>("filter");
    QTest::newRow("defaults") << QStringList{} << false << false << ""
                              << "" << false;
    QTest::newRow("sensor 2, fuel, filter, 3 samples")
        << QStringList{"--sensor",      "2", "--display", "fuel", "--filter",
                       "--min-samples", "3", "--target",  "13.6"}
        << true << true << "13.6"
        << "3" << true;
}

void tst_tablecommand::outputsMatchWindow() {
    QFETCH(QStringList, options);
    QFETCH(bool, sensor2);
    QFETCH(bool, fuel);
    QFETCH(QString, target);
    QFETCH(QString, minSamples);
    QFETCH(bool, filter);

    // The window: the first log opened, the parameters set, then the second one added.
    AppState state;
    state.log.ClearDataBuffer();
    AFRTableLogFile::read(AFRTableLogFile::readBytes(m_first), state.log,
                          AFRTableLogFile::FuelLines::Apply);
    state.log.DataBufferEmpty = false;
    state.updateAFRFormat();
    IniSettingsStore store(m_dir->filePath(QStringLiteral("s.ini")));
    ScriptedPrompter prompter;
    frmAFRTable w(state, store, prompter, {});
    (sensor2 ? w.optSensor2AFR : w.optSensor1AFR)->setChecked(true);
    (fuel ? w.optFuelCorrDisplay : w.optAFRDisplay)->setChecked(true);
    w.chkFilterData->setChecked(filter);
    if (!target.isEmpty()) {
        w.txtAFRTarget->setText(target);
        w.txtAFRTarget_Validate();
    }
    if (!minSamples.isEmpty()) {
        w.txtMinSampleNum->setText(minSamples);
        w.txtMinSampleNum_Validate();
    }
    w.cmdRefreshTable_Click();
    prompter.answerFile(m_second);
    w.mnuOpenAddFile->trigger();
    QVERIFY(prompter.messages().isEmpty());
    QVERIFY(state.window.AddedFileLoaded);
    const AFRTableGrid::Texts shown = w.gridTexts();

    const QStringList logs = {m_first, m_second};
    const Run text = table(logs + options);
    QCOMPARE(text.status, 0);
    QCOMPARE(text.err, QString());
    QCOMPARE(text.out, AFRTablePrintout::tableLines(shown).join(u'\n') + u'\n');

    const Run csv = table(logs + options + QStringList{"--format", "csv"});
    QCOMPARE(csv.status, 0);
    const QStringList rows = csv.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 31);
    for (int r = 0; r < 31; ++r)
        QCOMPARE(rows[r], QStringList(shown[r].begin(), shown[r].end()).join(u','));

    const Run json = table(logs + options + QStringList{"--format", "json"});
    QCOMPARE(json.status, 0);
    QJsonParseError error;
    const QJsonObject doc = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray cells = doc.value(QLatin1String("cells")).toArray();
    const QJsonArray colors = doc.value(QLatin1String("colors")).toArray();
    QCOMPARE(cells.size(), 31);
    QCOMPARE(colors.size(), 31);
    for (int r = 0; r < 31; ++r) {
        QCOMPARE(cells[r].toArray().size(), 10);
        for (int c = 0; c < 10; ++c) {
            QCOMPARE(cells[r].toArray()[c].toString(), shown[r][c]);
            const QColor bg = w.VSFlexGrid1->item(r, c)->background().color();
            const QString expected = bg == QColor(128, 255, 255)   ? QStringLiteral("light-cyan")
                                     : bg == QColor(255, 128, 128) ? QStringLiteral("light-red")
                                                                   : QStringLiteral("window");
            QCOMPARE(colors[r].toArray()[c].toString(), expected);
        }
    }
    const QJsonArray counts = doc.value(QLatin1String("counts")).toArray();
    QCOMPARE(counts.size(), 30);
    for (int r = 0; r < 30; ++r)
        for (int c = 0; c < 9; ++c)
            QCOMPARE(counts[r].toArray()[c].toInt(), w.table().CellSampleCount()[c + 9 * r]);
}

void tst_tablecommand::jsonCountsAndAverages() {
    const Run r = table({m_first, m_second, "--format", "json"});
    QCOMPARE(r.status, 0);
    const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8()).object();
    const QJsonArray counts = doc.value(QLatin1String("counts")).toArray();
    const QJsonArray averages = doc.value(QLatin1String("averages")).toArray();
    QCOMPARE(averages.size(), 30);
    // 3000 rpm is row 5; 20 % column 4, 40 % column 5.
    QCOMPARE(counts[5].toArray()[4].toInt(), 6);
    QCOMPARE(averages[5].toArray()[4].toDouble(), 14.0);
    QCOMPARE(counts[5].toArray()[5].toInt(), 7); // 3 + 4: five reached only with the second
    QVERIFY(qAbs(averages[5].toArray()[5].toDouble() - (3 * 12.0 + 4 * 12.2) / 7) < 1e-5);
    QCOMPARE(counts[17].toArray()[8].toInt(), 8);
    QCOMPARE(averages[0].toArray()[0].toDouble(), 0.0);
    QCOMPARE(doc.value(QLatin1String("colors")).toArray()[6].toArray()[5].toString(),
             QStringLiteral("light-red"));
    QCOMPARE(doc.value(QLatin1String("cells")).toArray()[6].toArray()[6].toString(),
             QStringLiteral("12.1"));
}

void tst_tablecommand::refusedFilesAreLeftOut() {
    TestLogFile noTps;
    noTps.legend = QStringLiteral("Analog Input");
    noTps.fill(0, 9, 3000.0f, 20.0f, 15.0f);
    const QString volts = logFile(QStringLiteral("volts.log"), noTps);
    TestLogFile e85;
    e85.fill(0, 9, 3000.0f, 20.0f, 15.0f);
    e85.ratio = QStringLiteral("9.77");
    const QString other = logFile(QStringLiteral("e85.log"), e85);
    TestLogFile cut;
    cut.headerLines = 3;
    const QString broken = logFile(QStringLiteral("broken.log"), cut);
    const QString missing = m_dir->filePath(QStringLiteral("missing.log"));

    const Run alone = table({m_first, m_second});
    const Run r = table({volts, m_first, other, broken, m_second, missing});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, alone.out); // the accepted files' table
    const QStringList err = r.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(err.size(), 4);
    QCOMPARE(err[0],
             volts + QStringLiteral(": Analog data does not contain properly scaled TPS values."));
    QCOMPARE(err[1], other + QStringLiteral(": Stoichiometric ratio for new data doesn't "
                                            "match; the file is left out."));
    QCOMPARE(err[2], broken + QStringLiteral(": Error - reached premature end-of-file. No data "
                                             "found"));
    QVERIFY2(err[3].startsWith(missing + u':'), qPrintable(err[3]));

    // Nothing accepted: no table.
    const Run none = table({volts});
    QCOMPARE(none.status, 1);
    QCOMPARE(none.out, QString());
}

void tst_tablecommand::clampedParametersAreReported() {
    const Run r = table({m_first, "--target", "25", "--min-samples", "0", "--format", "json"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QStringLiteral("AFR Target: Value must be less than or equal to 19.5\n"
                                   "Minimum Samples: Value must be greater than or equal to 1\n"));
    const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8()).object();
    // One sample is enough now: the 3 samples at 40 % show, all far richer than 19.5.
    const QJsonArray row = doc.value(QLatin1String("cells")).toArray()[6].toArray();
    QCOMPARE(row[6].toString(), QStringLiteral("12.0"));
    QCOMPARE(doc.value(QLatin1String("colors")).toArray()[6].toArray()[6].toString(),
             QStringLiteral("light-cyan"));
}

QTEST_MAIN(tst_tablecommand)
#include "tst_tablecommand.moc"
