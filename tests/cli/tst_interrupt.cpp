// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Ctrl-C while a command waits for its input (a pipe nobody finishes): every command stops,
// says so, exits 130 and leaves the old output file byte for byte, with nothing beside it.
class tst_interrupt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ctrlCWhileReadingKeepsTheOldFile_data();
    void ctrlCWhileReadingKeepsTheOldFile();
    void readerOfThePipeGoneIsAFailedWrite();
};

void tst_interrupt::ctrlCWhileReadingKeepsTheOldFile_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");
    // @in is the pipe, @out the old output file.
    QTest::newRow("info") << QStringList{"info", "@in.log"} << "";
    QTest::newRow("convert .log") << QStringList{"convert", "@in.log", "--to", "csv", "-o", "@out"}
                                  << "out";
    QTest::newRow("convert .csv") << QStringList{"convert", "@in.csv", "--to", "csv", "-o", "@out"}
                                  << "out";
    QTest::newRow("decode") << QStringList{"decode", "@in.fram", "-o", "@out"} << "out";
    QTest::newRow("chart") << QStringList{"chart", "@in.log", "-o", "@out.png"} << "out.png";
    QTest::newRow("tune") << QStringList{"tune", "@in.csv", "-o", "@out"} << "out";
    QTest::newRow("table") << QStringList{"table", "@in.log"} << "";
    QTest::newRow("join") << QStringList{"join", "@in.log", "@in.log", "-o", "@out"} << "out";
}

void tst_interrupt::ctrlCWhileReadingKeepsTheOldFile() {
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QTemporaryDir dir;
    QString pipe;
    for (QString& a : args)
        if (a.startsWith(u'@')) {
            a = dir.filePath(a.mid(1));
            if (a.contains(QLatin1String("/in.")))
                pipe = a;
        }
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QByteArray old = "an earlier output\n";
    if (!output.isEmpty()) {
        QFile f(dir.filePath(output));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }

    QProcess p;
    p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    p.start(QStringLiteral(QERO_CLI_PATH), args);
    QVERIFY(p.waitForStarted());
    // The command has the pipe open once a writer can open it without a reader missing;
    // a command that ended instead (a usage error) fails the test here.
    int fd = -1;
    while (fd < 0) {
        fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            QCOMPARE(errno, ENXIO);
            QVERIFY2(!p.waitForFinished(20), p.readAllStandardError().constData());
        }
    }
    // A start of input, and then nothing: the command waits in the middle of its read.
    const QByteArray start = "QERO Data Log\r\n";
    QCOMPARE(::write(fd, start.constData(), start.size()), qint64(start.size()));
    QCOMPARE(::kill(p.processId(), SIGINT), 0);
    const bool finished = p.waitForFinished(10000);
    ::close(fd);
    if (!finished) {
        p.kill();
        p.waitForFinished();
        QFAIL("the command went on waiting for its input after Ctrl-C");
    }
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 130);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("qero4d-cli ") + args.first() +
                          QStringLiteral(": interrupted; no output file was written or changed.")),
             qPrintable(err));
    QStringList expected{QFileInfo(pipe).fileName()};
    if (!output.isEmpty()) {
        QFile f(dir.filePath(output));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), old);
        expected << output;
    }
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name),
             expected);
}

// `qero4d-cli convert ... -o /dev/stdout | head`: once the reader of the pipe has gone, the
// write fails and is told like any other, with exit status 1, not a silent death by signal.
void tst_interrupt::readerOfThePipeGoneIsAFailedWrite() {
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("big.csv")));
    QVERIFY(in.open(QIODevice::WriteOnly));
    QByteArray rows("time,rpm,afr\n");
    for (int i = 0; i < 100000; ++i)
        rows += QByteArray::number(i * 0.1, 'f', 1) + ',' + QByteArray::number(1000 + i % 5000) +
                ",14.7\n";
    in.write(rows);
    in.close();
    QProcess p;
    QProcess head;
    p.setStandardOutputProcess(&head);
    head.start(QStringLiteral("head"), {QStringLiteral("-c"), QStringLiteral("100")});
    QVERIFY(head.waitForStarted());
    p.start(QStringLiteral(QERO_CLI_PATH),
            {QStringLiteral("convert"), in.fileName(), QStringLiteral("--to"),
             QStringLiteral("csv"), QStringLiteral("-o"), QStringLiteral("/dev/stdout")});
    QVERIFY(p.waitForStarted());
    QVERIFY(head.waitForFinished(30000));
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(QLatin1String("Cannot write /dev/stdout: Broken pipe")), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_interrupt)
#include "tst_interrupt.moc"
