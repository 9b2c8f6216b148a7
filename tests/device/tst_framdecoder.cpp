// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/FramDecoder.h"

#include <QtTest>

#include <memory>
#include <random>

namespace {

using Image = FramDecoder::Image;

std::unique_ptr<Image> blankImage(int pointer, quint8 intervalTicks = 6, quint8 pulses = 1) {
    auto img = std::make_unique<Image>();
    img->fill(0);
    (*img)[0] = intervalTicks;
    (*img)[1] = pulses;
    (*img)[2] = quint8(pointer & 0xFF);
    (*img)[3] = quint8(pointer >> 8);
    return img;
}

void putRecord(Image& img, int at, quint8 s1, quint8 s2, quint16 period, quint8 analog) {
    img[at] = s1;
    img[at + 1] = s2;
    img[at + 2] = quint8(period & 0xFF);
    img[at + 3] = quint8(period >> 8);
    img[at + 4] = analog;
}

} // namespace

class tst_framdecoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ring_data();
    void ring();
    void pointerZeroReadsParameterArea();
    void pointerPastEndIsRefusedAndLogUntouched_data();
    void pointerPastEndIsRefusedAndLogUntouched();
    void everyPointerNearTheEdgesDecodesOrIsRefused();
    void sensorCodes_data();
    void sensorCodes();
    void rpm_data();
    void rpm();
    void pulseByte_data();
    void pulseByte();
    void analogAndParameters();
    void elapsedTime();
    void randomImagesDecode();
    void wholeImageSpeed();
};

// Marks four records with distinct sensor codes and checks which samples they land in.
void tst_framdecoder::ring_data() {
    QTest::addColumn<int>("pointer");
    QTest::addColumn<QList<int>>("addresses"); // record addresses to mark
    QTest::addColumn<QList<int>>("samples");   // the samples (from 1) they must become

    QTest::newRow("2768 lower half first")
        << 2768 << QList<int>{2768, 32763, 35536, 65531} << QList<int>{1, 6000, 6001, 12000};
    QTest::newRow("35536 upper half first")
        << 35536 << QList<int>{35536, 65531, 2768, 32763} << QList<int>{1, 6000, 6001, 12000};
    QTest::newRow("mid-ring pointer wraps to the lower half")
        << 50001 << QList<int>{50001, 65531, 2768, 50000 - 4} << QList<int>{1, 3107, 3108, 12000};
    // Off the grid by two: the lower half reads up to 32765 (past 32767 by two bytes),
    // then the upper half from its start.
    QTest::newRow("off grid in the lower half")
        << 2770 << QList<int>{2770, 32765, 35536, 65531} << QList<int>{1, 6000, 6001, 12000};
    QTest::newRow("pointer inside the gap starts at the upper half")
        << 33000 << QList<int>{35536, 65531, 2768, 32763} << QList<int>{1, 6000, 6001, 12000};
    QTest::newRow("pointer 32767 starts at the upper half")
        << 32767 << QList<int>{35536, 2768} << QList<int>{1, 6001};
}

void tst_framdecoder::ring() {
    QFETCH(int, pointer);
    QFETCH(QList<int>, addresses);
    QFETCH(QList<int>, samples);
    auto img = blankImage(pointer);
    for (int k = 0; k < addresses.size(); ++k)
        putRecord(*img, addresses[k], quint8(100 + 10 * k), 0, 0, 0);

    auto log = std::make_unique<LogBuffer>();
    const FramDecoder::Outcome out = FramDecoder::decode(*img, *log);
    QVERIFY2(out.ok, qPrintable(out.failure));
    for (int k = 0; k < addresses.size(); ++k) {
        const float expected = FramDecoder::sensorAFR(quint8(100 + 10 * k));
        QCOMPARE(log->AFR1[samples[k] - 1], expected);
    }
    // Only the marked records carry a code above 6.
    int marked = 0;
    for (float afr : log->AFR1)
        marked += afr != 10.0f;
    QCOMPARE(marked, int(addresses.size()));
}

void tst_framdecoder::pointerZeroReadsParameterArea() {
    auto img = blankImage(0, 6, 1);
    // Record 1 is the parameter bytes themselves: 6 and 1 are sensor codes, then the
    // pointer bytes (0, 0) as the period, then the debounce byte as the analog input.
    (*img)[4] = 255;
    (*img)[5] = 200;
    auto log = std::make_unique<LogBuffer>();
    const auto out = FramDecoder::decode(*img, *log);
    QVERIFY(out.ok);
    QCOMPARE(log->Sensor1Status[0], 6.0f);
    QCOMPARE(log->AFR1[0], 10.0f);
    QCOMPARE(log->Sensor2Status[0], 1.0f);
    QCOMPARE(log->RPM[0], 0.0f);
    QCOMPARE(log->AnalogInVolts[0], 5.0f);
    // Record 2 starts at byte 5.
    QCOMPARE(log->AFR1[1], FramDecoder::sensorAFR(200));
    QCOMPARE(out.parameters.RPMDebounce, quint8(255));
    QCOMPARE(out.parameters.MinLEDPWM, quint8(200));
}

void tst_framdecoder::pointerPastEndIsRefusedAndLogUntouched_data() {
    QTest::addColumn<int>("pointer");
    QTest::addColumn<int>("failingRecord");
    QTest::newRow("65532") << 65532 << 1;
    QTest::newRow("65535") << 65535 << 1;
    QTest::newRow("off grid in the upper half") << 35537 << 6000;
    QTest::newRow("65533") << 65533 << 1;
    QTest::newRow("off grid in the middle of the upper half") << 50002 << 3107;
}

void tst_framdecoder::pointerPastEndIsRefusedAndLogUntouched() {
    QFETCH(int, pointer);
    QFETCH(int, failingRecord);
    auto img = blankImage(pointer);
    auto log = std::make_unique<LogBuffer>();
    log->ClearDataBuffer();
    log->ElapsedTime.fill(7.0f);
    const auto out = FramDecoder::decode(*img, *log);
    QVERIFY(!out.ok);
    QVERIFY2(out.failure.contains(QStringLiteral("Log record %1 ").arg(failingRecord)),
             qPrintable(out.failure));
    QCOMPARE(log->AFR1[0], 10.0f);
    QCOMPARE(log->RPM[0], 1.0f);
    QCOMPARE(log->AnalogInVolts[LogBuffer::kSamples - 1], 1.0f);
    QCOMPARE(log->ElapsedTime[0], 7.0f);
}

void tst_framdecoder::everyPointerNearTheEdgesDecodesOrIsRefused() {
    auto img = blankImage(0);
    std::mt19937 rng(7);
    for (auto& b : *img)
        b = quint8(rng());
    auto log = std::make_unique<LogBuffer>();
    QList<int> pointers;
    for (int p = 32755; p <= 35545; p += 1)
        pointers << p;
    for (int p = 65500; p <= 65535; ++p)
        pointers << p;
    for (int p : {0, 1, 2, 3, 4, 2767, 2768, 2769, 2770, 2771, 2772})
        pointers << p;
    for (int p : pointers) {
        (*img)[2] = quint8(p & 0xFF);
        (*img)[3] = quint8(p >> 8);
        const auto out = FramDecoder::decode(*img, *log);
        // The upper half fits the grid from 35536 only: every pointer whose ring reaches
        // it off the grid by 1 to 4 runs past the end, every other one decodes.
        const int upperPhase = (p >= 32767 && p <= 35536) ? 0 : p >= 35536 ? (p - 35536) % 5 : -1;
        if (upperPhase > 0)
            QVERIFY2(!out.ok, qPrintable(QString::number(p)));
        if (out.ok)
            QCOMPARE(log->ElapsedTime[LogBuffer::kSamples - 1],
                     FramDecoder::elapsedTime(out.parameters.DataLogInterval, 12000));
    }
}

void tst_framdecoder::sensorCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<float>("afr");
    QTest::addColumn<float>("status");
    QTest::newRow("0 valid") << 0 << 10.0f << 0.0f;
    QTest::newRow("1 low battery") << 1 << 10.0f << 1.0f;
    QTest::newRow("6 cold") << 6 << 10.0f << 6.0f;
    QTest::newRow("7") << 7 << 10.3f << 0.0f;
    QTest::newRow("100") << 100 << 14.0f << 0.0f;
    QTest::newRow("117 (14.68)") << 117 << 14.7f << 0.0f;
    QTest::newRow("238") << 238 << 19.5f << 0.0f;
    QTest::newRow("239") << 239 << 19.5f << 0.0f;
    QTest::newRow("241") << 241 << 19.5f << 0.0f;
    QTest::newRow("242 free air") << 242 << 20.0f << 10.0f;
    QTest::newRow("255 free air") << 255 << 20.0f << 10.0f;
}

void tst_framdecoder::sensorCodes() {
    QFETCH(int, code);
    QFETCH(float, afr);
    QFETCH(float, status);
    auto img = blankImage(2768);
    putRecord(*img, 2768, quint8(code), quint8(code), 0, 0);
    auto log = std::make_unique<LogBuffer>();
    QVERIFY(FramDecoder::decode(*img, *log).ok);
    QCOMPARE(log->AFR1[0], afr);
    QCOMPARE(log->Sensor1Status[0], status);
    QCOMPARE(log->AFR2[0], afr);
    QCOMPARE(log->Sensor2Status[0], status);
}

void tst_framdecoder::rpm_data() {
    QTest::addColumn<int>("pulseByte");
    QTest::addColumn<int>("period");
    QTest::addColumn<float>("rpm");
    QTest::newRow("15000 at 1 pulse") << 1 << 15000 << 1000.0f;
    QTest::newRow("15000 at half a pulse") << 0 << 15000 << 2000.0f;
    QTest::newRow("0 is no signal") << 1 << 0 << 0.0f;
    QTest::newRow("65535 is no signal") << 0 << 65535 << 0.0f;
    QTest::newRow("65534 at 1 pulse") << 1 << 65534 << 229.0f;
    QTest::newRow("1 at half a pulse") << 0 << 1 << 30000000.0f;
    // 15000000 / (4 x 2500) = 1500 exactly; 15000000 / (12 x 2) = 625000.
    QTest::newRow("4 pulses") << 4 << 2500 << 1500.0f;
    QTest::newRow("20 pulses count as 12") << 20 << 2 << 625000.0f;
    // Exact halves go to the even neighbour: 117187.5 up, 312.5 down.
    QTest::newRow("half goes up to even") << 1 << 128 << 117188.0f;
    QTest::newRow("half goes down to even") << 1 << 48000 << 312.0f;
}

void tst_framdecoder::rpm() {
    QFETCH(int, pulseByte);
    QFETCH(int, period);
    QFETCH(float, rpm);
    auto img = blankImage(2768, 6, quint8(pulseByte));
    putRecord(*img, 2768, 100, 100, quint16(period), 0);
    auto log = std::make_unique<LogBuffer>();
    QVERIFY(FramDecoder::decode(*img, *log).ok);
    QCOMPARE(log->RPM[0], rpm);
}

void tst_framdecoder::pulseByte_data() {
    QTest::addColumn<int>("pulseByte");
    QTest::addColumn<float>("pulses");
    QTest::newRow("0 is half a pulse") << 0 << 0.5f;
    QTest::newRow("1") << 1 << 1.0f;
    QTest::newRow("12") << 12 << 12.0f;
    QTest::newRow("13 is 12") << 13 << 12.0f;
    QTest::newRow("20 is 12") << 20 << 12.0f;
    QTest::newRow("255 is 12") << 255 << 12.0f;
}

void tst_framdecoder::pulseByte() {
    QFETCH(int, pulseByte);
    QFETCH(float, pulses);
    auto img = blankImage(2768, 6, quint8(pulseByte));
    auto log = std::make_unique<LogBuffer>();
    QCOMPARE(FramDecoder::decode(*img, *log).parameters.PulsePerRev, pulses);
    // The parameter panel shows what the module holds, without the cap.
    const float uncapped = pulseByte == 0 ? 0.5f : float(pulseByte);
    QCOMPARE(ModuleParameters::fromBytes(img->data(), false).PulsePerRev, uncapped);
}

void tst_framdecoder::analogAndParameters() {
    auto img = blankImage(2768, 6, 1);
    (*img)[4] = 10;
    (*img)[5] = 15;
    putRecord(*img, 2768, 0, 0, 0, 128);
    putRecord(*img, 2773, 0, 0, 0, 255);
    putRecord(*img, 2778, 0, 0, 0, 0);
    putRecord(*img, 2783, 0, 0, 0, 51);
    auto log = std::make_unique<LogBuffer>();
    const auto out = FramDecoder::decode(*img, *log);
    QVERIFY(out.ok);
    QCOMPARE(log->AnalogInVolts[0], 2.51f);
    QCOMPARE(log->AnalogInVolts[1], 5.0f);
    QCOMPARE(log->AnalogInVolts[2], 0.0f);
    QCOMPARE(log->AnalogInVolts[3], 1.0f);
    QCOMPARE(out.parameters.DataLogInterval, 0.096f);
    QCOMPARE(out.parameters.RPMDebounce, quint8(10));
    QCOMPARE(out.parameters.MinLEDPWM, quint8(15));
}

void tst_framdecoder::elapsedTime() {
    auto img = blankImage(2768, 6, 1);
    auto log = std::make_unique<LogBuffer>();
    QVERIFY(FramDecoder::decode(*img, *log).ok);
    QCOMPARE(log->ElapsedTime[0], 0.1f);
    QCOMPARE(log->ElapsedTime[1], 0.19f);
    QCOMPARE(log->ElapsedTime[2], 0.29f);
    QCOMPARE(log->ElapsedTime[11999], 1152.0f);

    // 0.016 s ticks: 62 ticks is 0.992 s.
    (*img)[0] = 62;
    QVERIFY(FramDecoder::decode(*img, *log).ok);
    QCOMPARE(log->ElapsedTime[0], 0.99f);
    QCOMPARE(log->ElapsedTime[99], 99.2f);

    // An interval byte of 0 gives a log without time.
    (*img)[0] = 0;
    QVERIFY(FramDecoder::decode(*img, *log).ok);
    QCOMPARE(log->ElapsedTime[11999], 0.0f);
}

void tst_framdecoder::randomImagesDecode() {
    std::mt19937 rng(12345);
    auto img = std::make_unique<Image>();
    auto log = std::make_unique<LogBuffer>();
    int decoded = 0;
    for (int round = 0; round < 30; ++round) {
        for (auto& b : *img)
            b = quint8(rng());
        const auto out = FramDecoder::decode(*img, *log);
        if (!out.ok)
            continue;
        ++decoded;
        for (int i = 0; i < LogBuffer::kSamples; ++i) {
            QVERIFY(log->AFR1[i] >= 10.0f && log->AFR1[i] <= 20.0f);
            QVERIFY(log->AnalogInVolts[i] >= 0.0f && log->AnalogInVolts[i] <= 5.0f);
            QVERIFY(log->RPM[i] >= 0.0f && log->RPM[i] <= 30000000.0f);
        }
    }
    QVERIFY(decoded > 0);
}

void tst_framdecoder::wholeImageSpeed() {
    std::mt19937 rng(99);
    auto img = blankImage(2768);
    for (int i = 8; i < FramImage::kSize; ++i)
        (*img)[i] = quint8(rng());
    auto log = std::make_unique<LogBuffer>();
    QBENCHMARK {
        QVERIFY(FramDecoder::decode(*img, *log).ok);
    }
}

QTEST_APPLESS_MAIN(tst_framdecoder)
#include "tst_framdecoder.moc"
