// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveLog.h"
#include "QeroModule.h"

#include <QTemporaryDir>
#include <QtTest>

#include <set>

namespace {

struct Decoded {
    float afr1, afr2, rpm, volts;
    int status1, status2;
};

void decodeSensor(quint8 code, float& afr, int& status) {
    status = 0;
    if (code <= 6) {
        afr = 10.0f;
        status = code;
    } else if (code <= 238) {
        afr = std::round((code / 25.0f + 10.0f) * 10.0f) / 10.0f;
    } else if (code <= 241) {
        afr = 19.5f;
    } else {
        afr = 20.0f;
        status = 10;
    }
}

// The log as a host reads it: from the log pointer, record after record, around the ring.
QList<Decoded> decodeLog(const ModuleMemory& m) {
    QList<Decoded> out;
    int p = m.logPointer();
    const float ppr = m.bytes[1] == 0 ? 0.5f : float(m.bytes[1]);
    for (int i = 0; i < ModuleVocabulary::Memory::kRecords; ++i) {
        if (p >= 32767 && p <= 35536)
            p = 35536;
        if (p > 65535)
            p = 2768;
        Decoded d{};
        decodeSensor(m.bytes[size_t(p)], d.afr1, d.status1);
        decodeSensor(m.bytes[size_t(p + 1)], d.afr2, d.status2);
        const int t = m.bytes[size_t(p + 2)] | (m.bytes[size_t(p + 3)] << 8);
        d.rpm = (t == 0 || t == 65535) ? 0.0f : float(std::round(15000000.0 / (ppr * t)));
        d.volts = 5.0f * m.bytes[size_t(p + 4)] / 255.0f;
        out << d;
        p += 5;
    }
    return out;
}

QByteArray feed(QeroModule& m, const QList<int>& bytes, qint64 atUs = 0) {
    QByteArray out;
    for (int b : bytes)
        out += m.receive(quint8(b), atUs).bytes;
    return out;
}

} // namespace

class tst_simmodule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultImageParameters();
    void driveLogCoversTheDrive();
    void liveValueReplies_data();
    void liveValueReplies();
    void ethanolOnlyOnThreeDualModels();
    void liveValuesWarmUp();
    void eraseEmptiesTheLog();
    void incompleteCommandsAreDropped();
    void imageFiles();
    void faultNames();
};

void tst_simmodule::defaultImageParameters() {
    QeroModule m;
    const auto& b = m.memory().bytes;
    QCOMPARE(b[0], quint8(6));
    QCOMPARE(b[1], quint8(1));
    QCOMPARE(b[4], quint8(10));
    QCOMPARE(b[5], quint8(15));
    QCOMPARE(b[6], quint8(0xFF));
    QCOMPARE(b[7], quint8(0x7F));
    // The log pointer sits on the record grid, so the log wraps around both halves.
    const int p = m.memory().logPointer();
    QCOMPARE(p, ModuleMemory::recordAddress(DriveLog::kOldestRingIndex));
    QVERIFY(p > 2768 && p < 32767);
    QCOMPARE((p - 2768) % 5, 0);
}

void tst_simmodule::driveLogCoversTheDrive() {
    QeroModule m;
    const QList<Decoded> log = decodeLog(m.memory());
    QCOMPARE(log.size(), 12000);

    // Cold sensors (and a low battery while cranking) at the start, none at the end.
    QCOMPARE(log[0].status1, 1);
    QCOMPARE(log[10].status1, 6);
    QCOMPARE(log[10].status2, 6);
    QCOMPARE(log[200].status1, 0);
    QCOMPARE(log[200].status2, 6);
    QCOMPARE(log[1000].status2, 0);

    int freeAir = 0, leanLimit = 0, richWot = 0, leanCruise = 0, idle = 0;
    float maxRpm = 0;
    std::set<int> throttleColumns;       // 5 % steps of the sensor's range
    std::set<int> rpmBands;              // 500 RPM bands
    std::set<std::pair<int, int>> cells; // 1000 RPM x 10 % cells
    for (const Decoded& d : log) {
        maxRpm = std::max(maxRpm, d.rpm);
        const float throttle = (d.volts - 0.45f) / 4.15f;
        throttleColumns.insert(int(std::clamp(throttle, 0.0f, 0.999f) * 20));
        rpmBands.insert(int(d.rpm / 500));
        if (d.rpm > 0)
            cells.insert({int(d.rpm / 1000), int(std::clamp(throttle, 0.0f, 0.999f) * 10)});
        if (d.status1 == 10)
            ++freeAir;
        if (d.status1 == 0 && d.afr1 == 19.5f)
            ++leanLimit;
        if (d.status1 == 0 && throttle > 0.9f && d.afr1 < 13.0f)
            ++richWot;
        if (d.status1 == 0 && d.afr1 > 15.0f && d.afr1 < 19.0f)
            ++leanCruise;
        if (d.rpm > 700 && d.rpm < 1000 && throttle < 0.05f)
            ++idle;
    }
    QVERIFY(maxRpm >= 6900 && maxRpm <= 7200);
    QVERIFY(freeAir > 300);
    QVERIFY(leanLimit > 20);
    QVERIFY(richWot > 300);
    QVERIFY(leanCruise > 1000);
    QVERIFY(idle > 1000);
    QCOMPARE(int(throttleColumns.size()), 20);
    QCOMPARE(rpmBands.size(), size_t(15)); // 0 to 7000 and a little beyond
    QVERIFY(cells.size() >= 70);           // every 1000 RPM band sees every throttle decile
    // Engine off at the end: no speed signal.
    QCOMPARE(log.last().rpm, 0.0f);
    QCOMPARE(log.last().status1, 10);
}

void tst_simmodule::liveValueReplies_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("length");
    QTest::newRow("AFR") << 40 << 2;
    QTest::newRow("RPM") << 39 << 3;
    QTest::newRow("analog") << 41 << 1;
    QTest::newRow("battery") << 37 << 1;
    QTest::newRow("cell resistance") << 38 << 2;
}

void tst_simmodule::liveValueReplies() {
    QFETCH(int, command);
    QFETCH(int, length);
    QeroModule m;
    m.receive(51, 0); // power-up
    const QByteArray reply = feed(m, {command}, 15'000'000);
    QCOMPARE(reply.size(), length);
    if (command == 39) {
        QCOMPARE(quint8(reply[0]), quint8(6));
        const int count = quint8(reply[1]) | (quint8(reply[2]) << 8);
        const double rpm = 15000000.0 / count;
        QVERIFY2(rpm > 500 && rpm < 7500, qPrintable(QString::number(rpm)));
    }
    if (command == 37) {
        const double volts = 20.0 * quint8(reply[0]) / 255.0;
        QVERIFY(volts > 13.5 && volts < 14.6);
    }
}

void tst_simmodule::ethanolOnlyOnThreeDualModels() {
    QeroModule four(QeroModule::Model::Qero4dRev3);
    QCOMPARE(feed(four, {56}), QByteArray(1, char(21)));
    QeroModule three(QeroModule::Model::Qero3DualRev3);
    // E85 in the fuel bytes: the sensor reads about 50 + 85.
    three.memory().bytes[6] = 0x21;
    three.memory().bytes[7] = 0x55;
    const QByteArray r = feed(three, {56});
    QCOMPARE(r.size(), 2);
    QCOMPARE(quint8(r[0]), quint8(6));
    QVERIFY(quint8(r[1]) >= 133 && quint8(r[1]) <= 138);
}

void tst_simmodule::liveValuesWarmUp() {
    QeroModule m;
    QCOMPARE(feed(m, {40}, 0), QByteArray("\x06\x06", 2)); // both sensors cold
    const QByteArray warm = feed(m, {40}, 20'000'000);
    QVERIFY(quint8(warm[0]) > 6);
    QVERIFY(quint8(warm[1]) > 6);
    // A restart brings the cold sensors back.
    QCOMPARE(feed(m, {52, 151, 102, 147, 184}, 21'000'000), QByteArray(1, char(6)));
    QCOMPARE(feed(m, {40}, 21'500'000), QByteArray("\x06\x06", 2));
}

void tst_simmodule::eraseEmptiesTheLog() {
    QeroModule m;
    const QeroModule::Reply r = [&] {
        QeroModule::Reply last;
        for (int b : {49, 105, 52, 191, 59})
            last = m.receive(quint8(b), 0);
        return last;
    }();
    QCOMPARE(r.bytes, QByteArray(1, char(6)));
    QVERIFY(r.delayUs > 1'000'000); // longer than any other command may take
    QCOMPARE(m.memory().logPointer(), quint16(2768));
    QCOMPARE(m.memory().bytes[2768], quint8(0xFF));
    QCOMPARE(m.memory().bytes[65535], quint8(0xFF));
    QCOMPARE(m.memory().bytes[0], quint8(6)); // parameters stay
}

void tst_simmodule::incompleteCommandsAreDropped() {
    QeroModule m;
    // An address whose second byte never comes is forgotten after a while...
    QVERIFY(feed(m, {20, 1}, 0).isEmpty());
    QCOMPARE(feed(m, {51}, 500'000), QByteArray(1, char(6)));
    // ...and a garbled erase sequence is refused, not half carried out.
    QCOMPARE(feed(m, {49, 105, 53}, 600'000), QByteArray(1, char(21)));
    QVERIFY(m.memory().logPointer() != 2768);
    // Set the address 0x1234 and read on from there.
    m.memory().bytes[0x1234] = 0xAB;
    m.memory().bytes[0x1235] = 0xCD;
    QCOMPARE(feed(m, {20, 0x34, 0x12, 30, 30}, 700'000), QByteArray("\x06\xAB\xCD", 3));
    QCOMPARE(m.addressPointer(), quint16(0x1236));
}

void tst_simmodule::imageFiles() {
    QTemporaryDir dir;
    QeroModule m;
    m.memory().bytes[100] = 42;
    QString error;
    const QString path = dir.filePath(QStringLiteral("fram.bin"));
    QVERIFY(m.memory().save(path, &error));
    ModuleMemory loaded;
    QVERIFY(loaded.load(path, &error));
    QVERIFY(loaded.bytes == m.memory().bytes);

    QFile shortFile(dir.filePath(QStringLiteral("short.bin")));
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(1000, 'x'));
    shortFile.close();
    QVERIFY(!loaded.load(shortFile.fileName(), &error));
    QVERIFY(error.contains(QLatin1String("65536")));
    QVERIFY(!loaded.load(dir.filePath(QStringLiteral("missing.bin")), &error));
}

void tst_simmodule::faultNames() {
    QCOMPARE(QeroModule::commandFromName(QStringLiteral("block")), 48);
    QCOMPARE(QeroModule::commandFromName(QStringLiteral("WRITE")), 31);
    QCOMPARE(QeroModule::commandFromName(QStringLiteral("49")), 49);
    QCOMPARE(QeroModule::commandFromName(QStringLiteral("bogus")), -1);
    QeroModule::Model model;
    QVERIFY(QeroModule::modelFromName(QStringLiteral("3dual-rev2"), &model));
    QCOMPARE(model, QeroModule::Model::Qero3DualRev2);
    QVERIFY(!QeroModule::modelFromName(QStringLiteral("rev9"), &model));
    for (const QString& name : QeroModule::modelNames()) {
        QVERIFY(QeroModule::modelFromName(name, &model));
        QVERIFY(QeroModule::identificationFor(model).contains(QLatin1String("Brenwick QERO")));
    }
}

QTEST_GUILESS_MAIN(tst_simmodule)
#include "tst_simmodule.moc"
