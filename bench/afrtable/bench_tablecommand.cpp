// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../tests/afrtable/TestLogFile.h"
#include "cli/TableCommand.h"

#include <QTemporaryDir>
#include <QtTest>

// How long `qero4d-cli table` takes for 100 full log files.
class bench_tablecommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void hundredLogs();

private:
    QTemporaryDir m_dir;
    QStringList m_logs;
};

void bench_tablecommand::initTestCase() {
    for (int n = 0; n < 100; ++n) {
        TestLogFile log;
        for (int i = 0; i < 12000; ++i)
            log.samples.push_back({i, float(800 + (i * 37 + n) % 8000), float(i % 100),
                                   float(105 + i % 90) / 10.0f, float(190 - i % 90) / 10.0f});
        const QString path = m_dir.filePath(QStringLiteral("log%1.log").arg(n));
        QVERIFY(log.write(path));
        m_logs << path;
    }
}

void bench_tablecommand::hundredLogs() {
    QString out;
    QString err;
    int status = -1;
    QBENCHMARK {
        out.clear();
        QTextStream o(&out);
        QTextStream e(&err);
        status = runTableCommand(
            m_logs + QStringList{QStringLiteral("--format"), QStringLiteral("json")}, o, e);
    }
    QCOMPARE(status, 0);
    QVERIFY(err.isEmpty());
}

QTEST_GUILESS_MAIN(bench_tablecommand)
#include "bench_tablecommand.moc"
