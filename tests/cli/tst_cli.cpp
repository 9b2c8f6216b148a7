// SPDX-License-Identifier: GPL-3.0-or-later
#include "../logdata/LogFixtures.h"
#include "../logdata/RecordingFixture.h"

#include "cli/ConvertCommand.h"
#include "cli/InfoCommand.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"
#include "support/DataFiles.h"
#include "support/SafeWrite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>

using namespace LogFixtures;

namespace {

struct Run {
    int status;
    QString out;
    QString err;
};

Run run(int (*command)(const QStringList&, QTextStream&, QTextStream&), const QStringList& args) {
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = command(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace

class tst_cli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void infoText();
    void infoJson();
    void infoValuesMissingFromFile();
    void infoNoDataFound();
    void infoUsage();

    void convertToLog();
    void convertToLogWithConfiguredLabel();
    void convertToCsv();
    void convertFailuresLeaveOutput();
    void convertUsage_data();
    void convertUsage();

    void dispatcher();
    void libraryNotesStayOffTheTerminal();
    void tuneReadsAPipeOnce_data();
    void tuneReadsAPipeOnce();

    void convertDiskFullKeepsOldOutput();
    void convertOntoDeviceWritesIntoIt();
    void doubleDashEndsOptions();
    void infoEscapesControlCharacters();
    void infoWarnsOfRowsBeyondALog();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_cli::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    DataFiles::setSearchFolders({m_dir->path()});
}

void tst_cli::cleanup() {
    DataFiles::setSearchFolders({});
}

void tst_cli::infoText() {
    QVERIFY(writeFile(path(QStringLiteral("a.log")), complete()));
    const Run r = run(runInfoCommand, {path(QStringLiteral("a.log"))});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(r.out, QStringLiteral("DataLogInterval: 0.5\n"
                                   "MaxRPMDisplay: 8000\n"
                                   "MinInVolts: 0.5\n"
                                   "MaxInVolts: 4.5\n"
                                   "MinScaledValue: 0\n"
                                   "MaxScaledValue: 100\n"
                                   "AnalogLegend: TPS(%)\n"
                                   "DownloadDate: 12/10/2026 10:15:00\n"
                                   "Comment: dyno pull\n"
                                   "FuelType: E85\n"
                                   "StoichRatio: 9.77\n"
                                   "SamplesRead: 12000\n"));
}

void tst_cli::infoJson() {
    QVERIFY(writeFile(path(QStringLiteral("a.log")),
                      header() + rows(LogBuffer::kSamples) + trailerDate() +
                          trailerComment("tab\there \\ and \"quotes\"")));
    const Run r = run(runInfoCommand, {QStringLiteral("--json"), path(QStringLiteral("a.log"))});
    QCOMPARE(r.status, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject o = doc.object();
    QCOMPARE(o.value(QStringLiteral("DataLogInterval")).toDouble(), double(0.5f));
    QCOMPARE(o.value(QStringLiteral("MaxRPMDisplay")).toInt(), 8000);
    QCOMPARE(o.value(QStringLiteral("MaxInVolts")).toDouble(), 4.5);
    QCOMPARE(o.value(QStringLiteral("AnalogLegend")).toString(), QStringLiteral("TPS(%)"));
    // The quotes of a comment are dropped by the reader, the rest stays.
    QCOMPARE(o.value(QStringLiteral("Comment")).toString(),
             QStringLiteral("tab\there \\ and quotes"));
    // No fuel lines: the program takes gasoline at 14.7.
    QCOMPARE(o.value(QStringLiteral("FuelType")).toString(), QStringLiteral("Gasoline"));
    QCOMPARE(o.value(QStringLiteral("StoichRatio")).toDouble(), 14.7);
    QCOMPARE(o.value(QStringLiteral("warnings")).toArray().size(), 0);
    QCOMPARE(o.keys().size(), 13);
}

void tst_cli::infoValuesMissingFromFile() {
    QVERIFY(writeFile(path(QStringLiteral("short.log")),
                      header("\"Analog Legend\",\"a,b\"") + rows(10)));
    const Run r =
        run(runInfoCommand, {path(QStringLiteral("short.log")), QStringLiteral("--json")});
    QCOMPARE(r.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QVERIFY(o.value(QStringLiteral("AnalogLegend")).isNull());
    QVERIFY(o.value(QStringLiteral("Comment")).isNull());
    QVERIFY(o.value(QStringLiteral("FuelType")).isNull());
    QVERIFY(o.value(QStringLiteral("StoichRatio")).isNull());
    QCOMPARE(o.value(QStringLiteral("SamplesRead")).toInt(), 10);
    QCOMPARE(o.value(QStringLiteral("warnings")).toArray(),
             QJsonArray{LogFileReader::kDataMissing});

    const Run text = run(runInfoCommand, {path(QStringLiteral("short.log"))});
    QVERIFY(text.out.contains(QStringLiteral("AnalogLegend: (not in file)\n")));
    QVERIFY(text.out.endsWith(QStringLiteral("Warning: ") + LogFileReader::kDataMissing + u'\n'));
}

void tst_cli::infoNoDataFound() {
    QVERIFY(writeFile(path(QStringLiteral("cut.log")), header().left(60)));
    const Run r = run(runInfoCommand, {path(QStringLiteral("cut.log")), QStringLiteral("--json")});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains(LogFileReader::kNoDataFound));
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("warnings")).toArray(),
             QJsonArray{LogFileReader::kNoDataFound});

    const Run missing = run(runInfoCommand, {path(QStringLiteral("nothing.log"))});
    QCOMPARE(missing.status, 1);
    QVERIFY(missing.err.contains(path(QStringLiteral("nothing.log"))));
    QVERIFY(missing.out.isEmpty());
}

void tst_cli::infoUsage() {
    QCOMPARE(run(runInfoCommand, {}).status, 2);
    QCOMPARE(run(runInfoCommand, {QStringLiteral("a.log"), QStringLiteral("b.log")}).status, 2);
    QCOMPARE(run(runInfoCommand, {QStringLiteral("--xml"), QStringLiteral("a.log")}).status, 2);
    const Run help = run(runInfoCommand, {QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.startsWith(QStringLiteral("Usage: qero4d-cli info LOG [--json]")));
}

void tst_cli::convertToLog() {
    LogBuffer log = realisticLog();
    log.Comment.clear();
    const QByteArray source = LogFileWriter::whole(log, QStringLiteral("Other"));
    QVERIFY(writeFile(path(QStringLiteral("in.log")), source));
    const Run r = run(runConvertCommand, {path(QStringLiteral("in.log")), QStringLiteral("--to"),
                                          QStringLiteral("log"), QStringLiteral("-o"),
                                          path(QStringLiteral("out.log"))});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    QByteArray expected = source;
    expected.replace("\"Other QERO4D", "\"Brenwick QERO4D");
    QCOMPARE(readFile(path(QStringLiteral("out.log"))), expected);
    QVERIFY(expected.contains("\r\n\"Comment\",\" \"\r\n"));
}

void tst_cli::convertToLogWithConfiguredLabel() {
    QVERIFY(writeFile(path(QStringLiteral("QERO4D_Log.cfg")),
                      "Acme\nArial\n20\nbold\nNULL\n!\nAcme Racing\nAcme Racing Ltd.\n!\n"));
    QVERIFY(writeFile(path(QStringLiteral("in.log")), complete()));
    Run r = run(runConvertCommand, {path(QStringLiteral("in.log")), QStringLiteral("--to=log"),
                                    QStringLiteral("-o"), path(QStringLiteral("out.log"))});
    QCOMPARE(r.status, 0);
    QVERIFY(
        readFile(path(QStringLiteral("out.log")))
            .contains("\r\n\"Acme Racing QERO4D Data Downloaded\",\"12/10/2026 10:15:00\"\r\n"));

    QVERIFY(writeFile(path(QStringLiteral("QERO4D_Log.cfg")), "Acme\n!\n"));
    r = run(runConvertCommand, {path(QStringLiteral("in.log")), QStringLiteral("--to=log"),
                                QStringLiteral("-o"), path(QStringLiteral("out2.log"))});
    QCOMPARE(r.status, 1);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("out2.log"))));
}

void tst_cli::convertToCsv() {
    const LogBuffer log = realisticLog();
    QVERIFY(writeFile(path(QStringLiteral("in.log")), LogFileWriter::whole(log, QString())));
    const Run r = run(runConvertCommand, {QStringLiteral("-o"), path(QStringLiteral("out.csv")),
                                          QStringLiteral("--to"), QStringLiteral("csv"),
                                          path(QStringLiteral("in.log"))});
    QCOMPARE(r.status, 0);
    const QList<QByteArray> lines = readFile(path(QStringLiteral("out.csv"))).split('\n');
    QCOMPARE(lines.size(), 1 + LogBuffer::kSamples + 1); // the last line ends too
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(lines[0], QByteArray("sample,ElapsedTime,AFR1,Sensor1Status,AFR2,Sensor2Status,RPM,"
                                  "AnalogInVolts"));
    QCOMPARE(lines[1], QByteArray("1,0.05,10.3,0,19.5,0,0,0"));
    QCOMPARE(lines[10], QByteArray("10,0.48,20,10,18.6,0,833,0.18"));
    for (int i = 0; i < LogBuffer::kSamples; i += 997) {
        const QList<QByteArray> f = lines[i + 1].split(',');
        QCOMPARE(f.size(), 8);
        QCOMPARE(f[0].toInt(), i + 1);
        QCOMPARE(std::strtof(f[1].constData(), nullptr), log.ElapsedTime[i]);
        QCOMPARE(std::strtof(f[2].constData(), nullptr), log.AFR1[i]);
        QCOMPARE(std::strtof(f[3].constData(), nullptr), log.Sensor1Status[i]);
        QCOMPARE(std::strtof(f[6].constData(), nullptr), log.RPM[i]);
        QCOMPARE(std::strtof(f[7].constData(), nullptr), log.AnalogInVolts[i]);
    }
}

void tst_cli::convertFailuresLeaveOutput() {
    QVERIFY(writeFile(path(QStringLiteral("out.csv")), "earlier"));
    QVERIFY(writeFile(path(QStringLiteral("empty.log")), header().left(40)));
    Run r = run(runConvertCommand,
                {path(QStringLiteral("empty.log")), QStringLiteral("--to"), QStringLiteral("csv"),
                 QStringLiteral("-o"), path(QStringLiteral("out.csv"))});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains(LogFileReader::kNoDataFound));
    QCOMPARE(readFile(path(QStringLiteral("out.csv"))), QByteArray("earlier"));

    QVERIFY(writeFile(path(QStringLiteral("in.log")), complete()));
    r = run(runConvertCommand,
            {path(QStringLiteral("in.log")), QStringLiteral("--to"), QStringLiteral("csv"),
             QStringLiteral("-o"), path(QStringLiteral("missing/folder/out.csv"))});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains(QStringLiteral("missing/folder/out.csv")));

    // A short file is still converted; the warning goes to stderr.
    QVERIFY(writeFile(path(QStringLiteral("short.log")), header() + rows(3)));
    r = run(runConvertCommand,
            {path(QStringLiteral("short.log")), QStringLiteral("--to"), QStringLiteral("csv"),
             QStringLiteral("-o"), path(QStringLiteral("out.csv"))});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.contains(LogFileReader::kDataMissing));
    QVERIFY(readFile(path(QStringLiteral("out.csv"))).contains("\n3,0.3,13.3,0,14.7,0,1003,3\n"));
}

void tst_cli::convertUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("no format") << QStringList{"in.log", "-o", "out"};
    QTest::newRow("bad format") << QStringList{"in.log", "--to", "xls", "-o", "out"};
    QTest::newRow("no output") << QStringList{"in.log", "--to", "csv"};
    QTest::newRow("dangling -o") << QStringList{"in.log", "--to", "csv", "-o"};
    QTest::newRow("two inputs") << QStringList{"a.log", "b.log", "--to", "csv", "-o", "x"};
}

void tst_cli::convertUsage() {
    QFETCH(QStringList, args);
    const Run r = run(runConvertCommand, args);
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains(QStringLiteral("Usage: qero4d-cli convert")));
    QVERIFY(r.out.isEmpty());
}

void tst_cli::dispatcher() {
    const auto exec = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(QERO_CLI_PATH), args);
        p.waitForFinished(30000);
        return std::make_pair(
            p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()));
    };
    auto [status, text] = exec({QStringLiteral("--help")});
    QCOMPARE(status, 0);
    QVERIFY(text.contains(QStringLiteral("info ")));
    QVERIFY(text.contains(QStringLiteral("convert ")));
    std::tie(status, text) = exec({QStringLiteral("convert"), QStringLiteral("--help")});
    QCOMPARE(status, 0);
    QVERIFY(text.startsWith(QStringLiteral("Usage: qero4d-cli convert")));
    std::tie(status, text) = exec({QStringLiteral("--version")});
    QCOMPARE(status, 0);
    QCOMPARE(text, QStringLiteral("qero4d-cli 4.3\n"));
    std::tie(status, text) = exec({QStringLiteral("frobnicate")});
    QCOMPARE(status, 2);
    QVERIFY(text.contains(QStringLiteral("unknown command frobnicate")));
    std::tie(status, text) = exec({});
    QCOMPARE(status, 2);
}

void tst_cli::tuneReadsAPipeOnce_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("module log") << "drive.log" << complete();
    QTest::newRow("recording") << "rec.csv" << RecordingFixture::text(400);
    QByteArray csv("time,rpm,load,afr1\n");
    for (int i = 0; i < 400; ++i)
        csv += QByteArray::number(i * 0.1, 'f', 1) + ',' + QByteArray::number(1500 + i % 7) +
               ",50," + QByteArray::number(13.0 + (i % 10) * 0.1, 'f', 1) + '\n';
    QTest::newRow("CSV by the default columns") << "table.csv" << csv;
}

// `tune <(cat log)` or `... | qero4d-cli tune /dev/stdin`: a pipe is read once, and gives
// the correction the file gives.
void tst_cli::tuneReadsAPipeOnce() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QVERIFY(writeFile(path(name), bytes));
    const auto tune = [](const QString& input, const QByteArray& stdinBytes) {
        QProcess p;
        p.start(QStringLiteral(QERO_CLI_PATH),
                {QStringLiteral("tune"), input, QStringLiteral("--min-weight"), QStringLiteral("1"),
                 QStringLiteral("--no-filter"), QStringLiteral("load-rate")});
        p.waitForStarted();
        p.write(stdinBytes);
        p.closeWriteChannel();
        p.waitForFinished(30000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()));
    };
    const auto [fileStatus, fromFile] = tune(path(name), QByteArray());
    QCOMPARE(fileStatus, 0);
    const auto [pipeStatus, fromPipe] = tune(QStringLiteral("/dev/stdin"), bytes);
    QCOMPARE(pipeStatus, 0);
    QCOMPARE(fromPipe, fromFile);
}

// A chart drawn where the session has no runtime folder (a cron job, a container): the
// libraries' note about it stays off the terminal; the command says what it did, no more.
void tst_cli::libraryNotesStayOffTheTerminal() {
    QVERIFY(writeFile(path(QStringLiteral("in.log")), complete()));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QERO_CLI_PATH), {QStringLiteral("chart"), path(QStringLiteral("in.log")),
                                            QStringLiteral("-o"), path(QStringLiteral("in.png"))});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), QString());
    QVERIFY(QFileInfo(path(QStringLiteral("in.png"))).size() > 0);
}

void tst_cli::convertDiskFullKeepsOldOutput() {
    QVERIFY(writeFile(path(QStringLiteral("in.log")), complete()));
    const QString out = path(QStringLiteral("out.log"));
    QVERIFY(writeFile(out, "the earlier output"));
    for (const char* to : {"log", "csv"}) {
        SafeWrite::setSpaceLimitForTesting(50000);
        const Run r =
            run(runConvertCommand, {path(QStringLiteral("in.log")), QStringLiteral("--to"),
                                    QLatin1String(to), QStringLiteral("-o"), out});
        SafeWrite::setSpaceLimitForTesting(-1);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(out) && r.err.contains(qt_error_string(ENOSPC)), qPrintable(r.err));
        QCOMPARE(readFile(out), QByteArray("the earlier output"));
    }
}

void tst_cli::convertOntoDeviceWritesIntoIt() {
    QVERIFY(writeFile(path(QStringLiteral("in.log")), complete()));
    Run r = run(runConvertCommand,
                {path(QStringLiteral("in.log")), QStringLiteral("--to"), QStringLiteral("csv"),
                 QStringLiteral("-o"), QStringLiteral("/dev/null")});
    QCOMPARE(r.status, 0);
    struct stat st {};
    QCOMPARE(::stat("/dev/null", &st), 0);
    QVERIFY(S_ISCHR(st.st_mode));
    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        r = run(runConvertCommand,
                {path(QStringLiteral("in.log")), QStringLiteral("--to"), QStringLiteral("log"),
                 QStringLiteral("-o"), QStringLiteral("/dev/full")});
        QCOMPARE(r.status, 1);
        QVERIFY2(
            r.err.contains(QStringLiteral("Cannot write /dev/full: ") + qt_error_string(ENOSPC)),
            qPrintable(r.err));
    }
}

void tst_cli::doubleDashEndsOptions() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    QVERIFY(writeFile(path(QStringLiteral("-dash.log")), complete()));
    Run r = run(runInfoCommand, {QStringLiteral("--"), QStringLiteral("-dash.log")});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("Comment: dyno pull")));
    r = run(runConvertCommand,
            {QStringLiteral("--to"), QStringLiteral("csv"), QStringLiteral("-o"),
             QStringLiteral("out.csv"), QStringLiteral("--"), QStringLiteral("-dash.log")});
    QCOMPARE(r.status, 0);
    QVERIFY(QFileInfo::exists(path(QStringLiteral("out.csv"))));
    // Without "--" a name starting with "-" is still taken for an option.
    r = run(runInfoCommand, {QStringLiteral("-dash.log")});
    QCOMPARE(r.status, 2);
}

void tst_cli::infoEscapesControlCharacters() {
    QVERIFY(writeFile(path(QStringLiteral("esc.log")),
                      header() + rows(LogBuffer::kSamples) + trailerDate() +
                          trailerComment("pull\x1b[2J\x07 3") + fuelLine() + ratioLine()));
    const Run r = run(runInfoCommand, {path(QStringLiteral("esc.log"))});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("Comment: pull\\x1b[2J\\x07 3\n")), qPrintable(r.out));
    for (QChar c : r.out)
        QVERIFY(c == u'\n' || c.unicode() >= 0x20);
}

void tst_cli::infoWarnsOfRowsBeyondALog() {
    QVERIFY(writeFile(path(QStringLiteral("long.log")), header() + rows(LogBuffer::kSamples + 3) +
                                                            trailerDate() + trailerComment() +
                                                            fuelLine() + ratioLine()));
    const Run r = run(runInfoCommand, {path(QStringLiteral("long.log"))});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("Comment: dyno pull\n")));
    QVERIFY(r.out.contains(QStringLiteral("FuelType: E85\n")));
    QVERIFY2(r.out.contains(QStringLiteral("Warning: The file holds 12003 data rows")),
             qPrintable(r.out));
}

QTEST_GUILESS_MAIN(tst_cli)
#include "tst_cli.moc"
