// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"

#include <QtTest>

// How long a full 12000-sample log takes to read and to write.
class bench_logfile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void read();
    void write();

private:
    LogBuffer m_log;
    QByteArray m_bytes;
};

void bench_logfile::initTestCase() {
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        m_log.ElapsedTime[i] = float(i + 1) * 0.05f;
        m_log.AFR1[i] = float(100 + i % 95) / 10.0f;
        m_log.AFR2[i] = float(190 - i % 95) / 10.0f;
        m_log.RPM[i] = float(800 + (i * 37) % 8000);
        m_log.AnalogInVolts[i] = float(i % 500) / 100.0f;
    }
    m_bytes = LogFileWriter::whole(m_log, QStringLiteral("Brenwick"));
}

void bench_logfile::read() {
    LogBuffer log;
    QBENCHMARK {
        LogFileReader::read(m_bytes, log);
    }
    QCOMPARE(log.RPM[11999], m_log.RPM[11999]);
}

void bench_logfile::write() {
    QByteArray bytes;
    QBENCHMARK {
        bytes = LogFileWriter::whole(m_log, QStringLiteral("Brenwick"));
    }
    QCOMPARE(bytes, m_bytes);
}

QTEST_GUILESS_MAIN(bench_logfile)
#include "bench_logfile.moc"
