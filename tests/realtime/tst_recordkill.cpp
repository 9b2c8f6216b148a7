// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/RecordingReader.h"

#include "SimProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

// A recording killed without warning (kill -9, a crash) keeps every row it had finished:
// the command prints a cycle's line only after its row is written, so each printed line
// must be in the file, which reads back whole.
class TestRecordKill : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void killedRecordingKeepsItsRows_data();
    void killedRecordingKeepsItsRows();

private:
    QTemporaryDir m_dir;
};

void TestRecordKill::initTestCase() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        QSKIP("pseudo-terminals are unavailable here, so the simulated module cannot be served");
    ::close(fd);
    QVERIFY(m_dir.isValid());
}

void TestRecordKill::killedRecordingKeepsItsRows_data() {
    QTest::addColumn<int>("printedBeforeKill");
    QTest::newRow("after 3 rows") << 3;
    QTest::newRow("after 20 rows") << 20;
}

void TestRecordKill::killedRecordingKeepsItsRows() {
    QFETCH(int, printedBeforeKill);
    SimProcess sim(QStringLiteral(QERO_SIM_PATH));
    QVERIFY(sim.start({QStringLiteral("--model"), QStringLiteral("3dual-rev3")}));
    const QString path = m_dir.filePath(QStringLiteral("drive-%1.csv").arg(printedBeforeKill));

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QERO4D_SETTINGS"), m_dir.filePath(QStringLiteral("settings.ini")));
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(QERO_CLI_PATH), {QStringLiteral("live"), QStringLiteral("--port"),
                                              sim.device, QStringLiteral("--record"), path});
    QVERIFY(cli.waitForStarted(5000));
    QByteArray printed;
    while (printed.count('\n') < printedBeforeKill) {
        QVERIFY2(cli.waitForReadyRead(10000), cli.readAllStandardError().constData());
        printed += cli.readAllStandardOutput();
    }
    cli.kill(); // SIGKILL: no handler, no flush, no close
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitStatus(), QProcess::CrashExit);
    // A killed program cannot remove its port lock; one killed while writing it leaves an
    // empty lock that the next user of this pseudo-terminal number would take as held.
    // The serial library names the lock after the device below /dev, slashes made '_'.
    const QString lockName = QStringLiteral("LCK..") +
                             sim.device.mid(sim.device.indexOf(QStringLiteral("/dev/")) + 5)
                                 .replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* dir : {"/var/lock/", "/run/lock/", "/tmp/", "/var/tmp/"})
        QFile::remove(QLatin1String(dir) + lockName);
    printed += cli.readAllStandardOutput();
    qsizetype lines = 0;
    for (const QByteArray& line : printed.split('\n'))
        lines += line.startsWith("t=") ? 1 : 0;

    QList<double> times;
    const RecordingReader::Result r =
        RecordingReader::readFile(path, [&](qint64, const RecordingRow& row) {
            times << row.time;
            return true;
        });
    QCOMPARE(r.rowsSkipped, 0);
    QVERIFY(r.info.model.startsWith(QStringLiteral("QERO3Dual")));
    // Every printed cycle is on file; at most the cycle after the last print is too.
    QVERIFY2(times.size() >= lines && times.size() <= lines + 1,
             qPrintable(QStringLiteral("%1 rows, %2 printed").arg(times.size()).arg(lines)));
    for (qsizetype i = 1; i < times.size(); ++i)
        QVERIFY(times[i] > times[i - 1]);
}

QTEST_GUILESS_MAIN(TestRecordKill)
#include "tst_recordkill.moc"
