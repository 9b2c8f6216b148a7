// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AppState.h"

#include <QtTest>

class tst_logbuffer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clearKeepsElapsedTimeAndHeader();
    void clearTwiceStaysEmpty();
    void clearFramBuffer();
    void afrFormat_data();
    void afrFormat();
};

void tst_logbuffer::clearKeepsElapsedTimeAndHeader() {
    AppState s;
    LogBuffer& log = s.log;
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        log.ElapsedTime[i] = 0.1f * float(i + 1);
        log.AFR1[i] = 13.0f;
        log.AFR2[i] = 14.0f;
        log.RPM[i] = 3000.0f;
        log.AnalogInVolts[i] = 2.5f;
        log.Sensor1Status[i] = 4.0f;
        log.Sensor2Status[i] = 10.0f;
    }
    log.Comment = QStringLiteral("dyno run");
    log.DownloadDate = QStringLiteral("12/10/2026 10:00:00");
    log.FuelType = QStringLiteral("E85");
    log.StoichRatio = 9.77f;
    log.DataLogInterval = 0.2f;
    log.DataBufferEmpty = false;

    log.ClearDataBuffer();

    QVERIFY(log.DataBufferEmpty);
    QVERIFY(log.Comment.isEmpty());
    QVERIFY(log.DownloadDate.isEmpty());
    for (int i : {0, 99, 100, LogBuffer::kSamples - 1}) {
        QCOMPARE(log.ElapsedTime[i], 0.1f * float(i + 1));
        QCOMPARE(log.AFR1[i], 10.0f);
        QCOMPARE(log.AFR2[i], 10.0f);
        QCOMPARE(log.RPM[i], 1.0f);
        QCOMPARE(log.AnalogInVolts[i], 1.0f);
        QCOMPARE(log.Sensor1Status[i], 0.0f);
        QCOMPARE(log.Sensor2Status[i], 0.0f);
    }
    // The other header values are the current settings and stay.
    QCOMPARE(log.FuelType, QStringLiteral("E85"));
    QCOMPARE(log.StoichRatio, 9.77f);
    QCOMPARE(log.DataLogInterval, 0.2f);
}

void tst_logbuffer::clearTwiceStaysEmpty() {
    LogBuffer log;
    log.ClearDataBuffer();
    log.AFR1[5] = 12.0f;
    log.ClearDataBuffer();
    QVERIFY(log.DataBufferEmpty);
    QCOMPARE(log.AFR1[5], 10.0f);
}

void tst_logbuffer::clearFramBuffer() {
    FramImage f;
    f.FRAMBuffer.fill(0xAB);
    f.ClearFRAMBuffer();
    QCOMPARE(f.FRAMBuffer.size(), size_t(65536));
    QVERIFY(std::all_of(f.FRAMBuffer.begin(), f.FRAMBuffer.end(), [](quint8 b) { return b == 0; }));
}

void tst_logbuffer::afrFormat_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("1.99") << 1.99f << "#0.000";
    QTest::newRow("lambda") << 1.0f << "#0.000";
    QTest::newRow("2") << 2.0f << "#0.00";
    QTest::newRow("10") << 10.0f << "#0.00";
    QTest::newRow("10.01") << 10.01f << "#0.0";
    QTest::newRow("gasoline") << 14.69f << "#0.0";
}

void tst_logbuffer::afrFormat() {
    QFETCH(float, ratio);
    QFETCH(QString, pattern);
    QCOMPARE(AppState::afrFormatFor(ratio), pattern);
}

QTEST_APPLESS_MAIN(tst_logbuffer)
#include "tst_logbuffer.moc"
