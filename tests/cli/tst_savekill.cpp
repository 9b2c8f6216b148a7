// SPDX-License-Identifier: GPL-3.0-or-later
#include "../logdata/LogFixtures.h"

#include "logdata/LogFileWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// A save killed at any moment (power lost, the process killed) leaves the file it was
// replacing either exactly as it was or exactly as the finished save writes it, never a
// mixture or half a file.

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_savekill : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void killedConvertLeavesOldOrNewFile();

private:
    QStringList convertArgs() const {
        return {QStringLiteral("convert"), m_in, QStringLiteral("--to"), QStringLiteral("log"),
                QStringLiteral("-o"),      m_out};
    }
    QTemporaryDir m_dir;
    QString m_in, m_out;
    QByteArray m_old, m_new;
    qint64 m_runMs = 0;
};

void tst_savekill::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("QERO4D_SETTINGS", m_dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    m_in = m_dir.filePath(QStringLiteral("in.log"));
    m_out = m_dir.filePath(QStringLiteral("out.log"));
    // The file being replaced is another log of the same size class, so that a partly
    // replaced file could not pass for either.
    LogBuffer log = LogFixtures::realisticLog();
    QVERIFY(LogFixtures::writeFile(m_in, LogFileWriter::whole(log, QStringLiteral("Brenwick"))));
    log.Comment = QStringLiteral("the earlier run");
    for (float& rpm : log.RPM)
        rpm += 1.0f;
    m_old = LogFileWriter::whole(log, QStringLiteral("Brenwick"));

    // One save that runs to the end gives the new file and the time a save takes.
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral(QERO_CLI_PATH), convertArgs());
    QVERIFY(p.waitForFinished(60000));
    m_runMs = t.elapsed();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    m_new = readAll(m_out);
    QVERIFY(m_new.size() > 200000);
    QVERIFY(m_new != m_old);
}

void tst_savekill::killedConvertLeavesOldOrNewFile() {
    QRandomGenerator rng(50);
    int old = 0, replaced = 0;
    for (int round = 0; round < 50; ++round) {
        QVERIFY(LogFixtures::writeFile(m_out, m_old));
        QProcess p;
        p.start(QStringLiteral(QERO_CLI_PATH), convertArgs());
        QVERIFY(p.waitForStarted(10000));
        // Anywhere from at once to a little past the end of a whole save; where the kill
        // lands does not matter to the assertion, only that the moments are spread out.
        QThread::usleep(rng.bounded(quint64(m_runMs) * 1200 + 1));
        p.kill();
        QVERIFY(p.waitForFinished(10000));
        const QByteArray now = readAll(m_out);
        QVERIFY2(now == m_old || now == m_new,
                 qPrintable(QStringLiteral("round %1: %2 bytes, neither the old nor the new file")
                                .arg(round)
                                .arg(now.size())));
        (now == m_old ? old : replaced)++;
    }
    qInfo("%d kills left the old file, %d the new one", old, replaced);
}

QTEST_GUILESS_MAIN(tst_savekill)
#include "tst_savekill.moc"
