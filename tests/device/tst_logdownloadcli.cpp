// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DecodeCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/EraseCommand.h"
#include "cli/IdCommand.h"
#include "cli/LiveCommand.h"
#include "cli/ModuleCommandSupport.h"
#include "cli/ParamsCommand.h"
#include "device/PortDevices.h"

#include "QeroModule.h"
#include "SimProcess.h"
#include "support/SafeWrite.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <csignal>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

template <typename F> Run run(F command, const QStringList& args) {
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = command(args, out, err);
    out.flush();
    err.flush();
    return r;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Sim : SimProcess {
    Sim() : SimProcess(QStringLiteral(QERO_SIM_PATH)) {}
};

} // namespace

class tst_logdownloadcli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void usage_data();
    void usage();
    void decodeRefusesAWrongImage();
    void decodeReportsAPointerPastTheEnd();
    void decodeOntoFullDiskKeepsOldLog();
    void downloadMatchesDecodeOfTheSavedImage();
    void unpluggedModuleWritesNothing();
    void interruptWritesNothing();
    void eraseAndParams();
    void relativePortPathIsFromCurrentFolder();
    void verifiedDownloadOverNoisyLine();
    void unwritableTargetIsFoundBeforeTheRead_data();
    void unwritableTargetIsFoundBeforeTheRead();
    void moduleTextIsEscaped_data();
    void moduleTextIsEscaped();
    void failedSaveKeepsTheMemory_data();
    void failedSaveKeepsTheMemory();

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void tst_logdownloadcli::initTestCase() {
    QVERIFY(m_dir.isValid());
    // Never the user's own settings.
    qputenv("QERO4D_SETTINGS", path("settings.ini").toLocal8Bit());
}

void tst_logdownloadcli::usage_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("decode without output") << "decode" << QStringList{"x.fram"} << 2;
    QTest::newRow("decode unknown option") << "decode" << QStringList{"x", "-o", "y", "--z"} << 2;
    QTest::newRow("decode help") << "decode" << QStringList{"--help"} << 0;
    QTest::newRow("download without port") << "download" << QStringList{"-o", "x.log"} << 2;
    QTest::newRow("download bad port")
        << "download" << QStringList{"--port", "0", "-o", "x.log"} << 2;
    QTest::newRow("download help") << "download" << QStringList{"--help"} << 0;
    QTest::newRow("erase without --yes") << "erase" << QStringList{"--port", "3"} << 2;
    QTest::newRow("params bad name")
        << "params" << QStringList{"--port", "3", "--set", "speed=3"} << 2;
    QTest::newRow("params help") << "params" << QStringList{"--help"} << 0;
    // Refused before the port is opened: no port 3 is needed to tell.
    QTest::newRow("params text") << "params" << QStringList{"--port", "3", "--set", "interval=abc"}
                                 << 2;
    QTest::newRow("params beyond a double")
        << "params" << QStringList{"--port", "3", "--set", "interval=1e400"} << 2;
    QTest::newRow("params nan") << "params" << QStringList{"--port", "3", "--set", "pulses=nan"}
                                << 2;
    QTest::newRow("params hex") << "params"
                                << QStringList{"--port", "3", "--set", "brightness=0x20"} << 2;
}

void tst_logdownloadcli::usage() {
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    Run r;
    if (command == u"decode")
        r = run(runDecodeCommand, args);
    else if (command == u"download")
        r = run(runDownloadCommand, args);
    else if (command == u"erase")
        r = run(runEraseCommand, args);
    else
        r = run(runParamsCommand, args);
    QCOMPARE(r.status, status);
    if (command == u"params" && args.size() == 4 &&
        !QByteArray(QTest::currentDataTag()).endsWith("name"))
        QVERIFY2(
            r.err.contains(QStringLiteral("\"%1\" is not a number").arg(args[3].section(u'=', 1))),
            qPrintable(r.err));
    if (status == 0)
        QVERIFY(r.out.startsWith("usage: qero4d-cli " + command));
    else
        QVERIFY(!r.err.isEmpty());
    QVERIFY(!QFile::exists("x.log"));
}

void tst_logdownloadcli::decodeRefusesAWrongImage() {
    QFile f(path("short.fram"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(65535, '\0'));
    f.close();
    const Run r = run(runDecodeCommand, {path("short.fram"), "-o", path("short.log")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("65535 bytes"), qPrintable(r.err));
    QVERIFY(!QFile::exists(path("short.log")));

    // A larger file is named with its own size, not the read's limit.
    QFile big(path("big.fram"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(70000, '\0'));
    big.close();
    const Run b = run(runDecodeCommand, {path("big.fram"), "-o", path("big.log")});
    QCOMPARE(b.status, 1);
    QVERIFY2(b.err.contains("(70000 bytes where 65536 are expected)"), qPrintable(b.err));
    QVERIFY(!QFile::exists(path("big.log")));
}

void tst_logdownloadcli::decodeReportsAPointerPastTheEnd() {
    QByteArray image(65536, '\0');
    image[2] = char(0xFC); // 65532
    image[3] = char(0xFF);
    QFile f(path("edge.fram"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(image);
    f.close();
    const Run r = run(runDecodeCommand, {path("edge.fram"), "-o", path("edge.log")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("address 65532"), qPrintable(r.err));
    QVERIFY(!QFile::exists(path("edge.log")));
}

void tst_logdownloadcli::decodeOntoFullDiskKeepsOldLog() {
    const QeroModule module;
    QFile f(path("good.fram"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(module.memory().bytes.data()), 65536);
    f.close();
    QFile old(path("old.log"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier log\r\n");
    old.close();
    SafeWrite::setSpaceLimitForTesting(4096);
    const Run r = run(runDecodeCommand, {path("good.fram"), "-o", path("old.log")});
    SafeWrite::setSpaceLimitForTesting(-1);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(path("old.log")) && r.err.contains(qt_error_string(ENOSPC)),
             qPrintable(r.err));
    QCOMPARE(readAll(path("old.log")), QByteArray("an earlier log\r\n"));
    // With room, the same command writes the log.
    QCOMPARE(run(runDecodeCommand, {path("good.fram"), "-o", path("old.log")}).status, 0);
    QVERIFY(readAll(path("old.log")).size() > 12000 * 10);
}

void tst_logdownloadcli::downloadMatchesDecodeOfTheSavedImage() {
    Sim sim;
    QVERIFY(sim.start({"--no-pacing", "--save-image", path("sim.fram")}));
    const Run d =
        run(runDownloadCommand, {"--port", sim.device, "-o", path("download.log"), "--image",
                                 path("download.fram"), "--comment", "dyno run 3"});
    QVERIFY2(d.status == 0, qPrintable(d.err));
    QVERIFY(d.err.contains("Firmware ID: "));
    QVERIFY(d.err.contains("Reading FRAM 100%"));
    sim.stop();

    const QByteArray saved = readAll(path("sim.fram"));
    QCOMPARE(saved.size(), 65536);
    QCOMPARE(readAll(path("download.fram")), saved);

    const QString date = d.out.section(QStringLiteral("Downloaded "), 1).trimmed();
    QVERIFY(!date.isEmpty());
    const Run c = run(runDecodeCommand, {path("sim.fram"), "-o", path("decode.log"), "--date", date,
                                         "--comment", "dyno run 3"});
    QVERIFY2(c.status == 0, qPrintable(c.err));
    const QByteArray downloaded = readAll(path("download.log"));
    QVERIFY(downloaded.size() > 12000 * 10);
    QVERIFY(downloaded.contains("dyno run 3"));
    QCOMPARE(readAll(path("decode.log")), downloaded);
}

void tst_logdownloadcli::unpluggedModuleWritesNothing() {
    QFile old(path("kept.log"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier log\r\n");
    old.close();

    Sim sim;
    QVERIFY(sim.start({"--no-pacing", "--unplug-after", "200"}));
    QElapsedTimer t;
    t.start();
    const Run r = run(runDownloadCommand,
                      {"--port", sim.device, "-o", path("kept.log"), "--image", path("kept.fram")});
    QCOMPARE(r.status, 1);
    QVERIFY(t.elapsed() < 5000);
    QVERIFY2(r.err.contains("RS-232 timeout. Check cable and click Abort."), qPrintable(r.err));
    QVERIFY(r.err.contains("FRAM download failed."));
    QCOMPARE(readAll(path("kept.log")), QByteArray("an earlier log\r\n"));
    QVERIFY(!QFile::exists(path("kept.fram")));
}

void tst_logdownloadcli::interruptWritesNothing() {
    Sim sim;
    QVERIFY(sim.start({}));
    // Ctrl-C a moment into the read, which at the line rate takes about 12 s.
    QTimer::singleShot(1500, [] { std::raise(SIGINT); });
    QElapsedTimer t;
    t.start();
    const Run r = run(runDownloadCommand, {"--port", sim.device, "-o", path("ctrlc.log")});
    QCOMPARE(r.status, 130);
    QVERIFY(t.elapsed() < 6000);
    QVERIFY(r.err.contains("FRAM download failed."));
    QVERIFY(!QFile::exists(path("ctrlc.log")));
}

void tst_logdownloadcli::eraseAndParams() {
    Sim sim;
    QVERIFY(sim.start({"--no-pacing", "--save-image", path("params.fram")}));

    const Run e = run(runEraseCommand, {"--port", sim.device, "--yes"});
    QVERIFY2(e.status == 0, qPrintable(e.err));
    QVERIFY(e.err.contains("QERO data buffer cleared."));

    const Run set = run(runParamsCommand, {"--port", sim.device, "--set", "interval=0.55", "--set",
                                           "pulses=13", "--set", "brightness=50.9"});
    QVERIFY2(set.status == 0, qPrintable(set.err));
    QVERIFY(set.err.contains("Value must be less than or equal to 12"));
    QVERIFY(set.err.contains("Upload completed"));

    const Run show = run(runParamsCommand, {"--port", sim.device});
    QVERIFY2(show.status == 0, qPrintable(show.err));
    QCOMPARE(show.out, QStringLiteral("Data Logging Interval (0.1-1.0 sec): 0.55\n"
                                      "RPM Pulses/Rev (0.5-12): 12\n"
                                      "RPM Debounce (0.1-9.9 msec): 0.50\n"
                                      "Minimum LED Brightness (5-100%): 50\n"));
    QCOMPARE(set.out, show.out);
    sim.stop();
    const QByteArray image = readAll(path("params.fram"));
    QCOMPARE(image.size(), 65536);
    QCOMPARE(quint8(image[0]), quint8(34));
    QCOMPARE(quint8(image[1]), quint8(12));
    QCOMPARE(quint8(image[5]), quint8(128));
}

void tst_logdownloadcli::relativePortPathIsFromCurrentFolder() {
    QVERIFY(QDir().mkpath(path("ports")));
    QFile node(path("ports/adapter"));
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    // The serial-port library would read "ports/adapter" as /dev/ports/adapter.
    PortDevices devices;
    QCOMPARE(ModuleCommandSupport::resolvePort(QStringLiteral("ports/adapter"), devices),
             std::optional<int>(1));
    QCOMPARE(devices.deviceFor(1), path("ports/adapter"));
    // An absolute path and a bare device name stay as given.
    PortDevices other;
    ModuleCommandSupport::resolvePort(QStringLiteral("/dev/ttyUSB0"), other);
    QCOMPARE(other.deviceFor(1), QStringLiteral("/dev/ttyUSB0"));
    ModuleCommandSupport::resolvePort(QStringLiteral("ttyUSB7"), other);
    QCOMPARE(other.deviceFor(1), QStringLiteral("ttyUSB7"));
}

void tst_logdownloadcli::verifiedDownloadOverNoisyLine() {
    // This runs on the real clock over a real pseudo-terminal, where a long stall of the
    // machine can still cost a reply: a read that ended in a time-out is tried once more
    // with a fresh module. Any other failure fails at once.
    Sim sim;
    Run d;
    for (int attempt = 0; attempt < 2; ++attempt) {
        sim.stop();
        QVERIFY(sim.start({"--no-pacing", "--noise", "0.003", "--save-image", path("noisy.fram")}));
        d = run(runDownloadCommand, {"--port", sim.device, "-o", path("verified.log"), "--image",
                                     path("verified.fram"), "--verify"});
        if (d.status == 0 || !d.err.contains(QLatin1String("RS-232 timeout")))
            break;
    }
    QVERIFY2(d.status == 0, qPrintable(d.err.right(160)));
    // With three bytes in a thousand garbled, about a third of the blocks of 64 bytes
    // differ between their first two reads.
    static const QRegularExpression report(
        QStringLiteral("Verified download: (\\d+) of 1024 blocks needed re-reading."));
    const QRegularExpressionMatch m = report.match(d.err);
    QVERIFY2(m.hasMatch(), qPrintable(d.err));
    QVERIFY(m.captured(1).toInt() > 100);
    sim.stop();
    const QByteArray truth = readAll(path("noisy.fram"));
    QCOMPARE(truth.size(), 65536);
    QVERIFY(readAll(path("verified.fram")) == truth);
}

void tst_logdownloadcli::unwritableTargetIsFoundBeforeTheRead_data() {
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QString>("says");
    QTest::newRow("log into a missing folder")
        << QStringList{"-o", "@missing/x.log"}
        << "@missing/x.log: the folder @missing does not exist";
    QTest::newRow("image into a missing folder")
        << QStringList{"-o", "@ok.log", "--image", "@gone/x.fram"}
        << "@gone/x.fram: the folder @gone does not exist";
    QTest::newRow("log onto a folder") << QStringList{"-o", "@"} << "it is a folder";
    QTest::newRow("folder that is a file")
        << QStringList{"-o", "@plain.txt/x.log"} << "@plain.txt is not a folder";
}

// The module's memory takes 12 seconds to read; a target that cannot be written is found
// before the port is opened, not after the read.
void tst_logdownloadcli::unwritableTargetIsFoundBeforeTheRead() {
    QFETCH(QStringList, outputs);
    QFETCH(QString, says);
    const QString root = path(QStringLiteral("targets"));
    QVERIFY(QDir().mkpath(root));
    QFile plain(root + QStringLiteral("/plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (QString& o : outputs)
        o.replace(u'@', root + u'/');
    says.replace(u'@', root + u'/');
    says.replace(root + QStringLiteral("/ "), root + u' ');
    if (says.endsWith(u'/'))
        says.chop(1);
    const Run r =
        run(runDownloadCommand, QStringList{"--port", "/nonexistent/qero-port"} + outputs);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Cannot write ")) && r.err.contains(says),
             qPrintable(r.err));
    QVERIFY2(!r.err.contains(QLatin1String("Cannot open")), qPrintable(r.err));
    QVERIFY(!QFile::exists(root + QStringLiteral("/ok.log")));
}

void tst_logdownloadcli::moduleTextIsEscaped_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("id") << "id";
    QTest::newRow("live") << "live";
    QTest::newRow("params") << "params";
}

// A module's identification is outside text: a terminal must never get its ESC, BEL or
// NUL bytes (a title change, a screen cleared), whichever command shows it.
void tst_logdownloadcli::moduleTextIsEscaped() {
    QFETCH(QString, command);
    const QString id = QStringLiteral("\x1b]0;owned\x07Brenwick QERO IV Dual Rev 3 \x1b[2J");
    Sim sim;
    QVERIFY(sim.start({"--no-pacing", "--id", id}));
    Run r;
    if (command == u"id")
        r = run(runIdCommand, {"--port", sim.device});
    else if (command == u"live")
        r = run(runLiveCommand, {"--port", sim.device, "--count", "1"});
    else
        r = run(runParamsCommand, {"--port", sim.device});
    const QString all = r.out + r.err;
    // live shows the model the ID names, not the ID itself.
    if (command != u"live")
        QVERIFY2(all.contains(QLatin1String("Firmware ID: \\x1b]0;owned")) &&
                     all.contains(QLatin1String("\\x1b[2J")),
                 qPrintable(all));
    for (const QChar c : all)
        QVERIFY2(c.unicode() >= 0x20 || c == u'\n' || c == u'\r' || c == u'\t',
                 qPrintable(QStringLiteral("control byte %1").arg(int(c.unicode()))));
}

void tst_logdownloadcli::failedSaveKeepsTheMemory_data() {
    QTest::addColumn<bool>("withImage");
    QTest::newRow("no --image: kept in the temporary folder") << false;
    QTest::newRow("--image written: named") << true;
}

// A log that cannot be saved (here: a full device) must not cost the 12-second read: the
// module's memory is kept and named, for decode to make the log later.
void tst_logdownloadcli::failedSaveKeepsTheMemory() {
    QFETCH(bool, withImage);
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    Sim sim;
    QVERIFY(sim.start({"--no-pacing", "--save-image", path("served.fram")}));
    QStringList args{"--port", sim.device, "-o", "/dev/full"};
    if (withImage)
        args << "--image" << path("kept.fram");
    const Run r = run(runDownloadCommand, args);
    sim.stop();
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QLatin1String("No space left on device")), qPrintable(r.err));
    static const QRegularExpression keptIn(
        QStringLiteral("The module's memory is kept in (\\S+); qero4d-cli decode "));
    const QRegularExpressionMatch m = keptIn.match(r.err);
    QVERIFY2(m.hasMatch(), qPrintable(r.err));
    const QString kept = m.captured(1);
    if (withImage)
        QCOMPARE(kept, path("kept.fram"));
    QCOMPARE(readAll(kept), readAll(path("served.fram")));
    if (!withImage)
        QFile::remove(kept);
}

QTEST_GUILESS_MAIN(tst_logdownloadcli)
#include "tst_logdownloadcli.moc"
