// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimBench.h"
#include "device/FuelFactor.h"
#include "device/FuelUpload.h"

#include <QtTest>

Q_DECLARE_METATYPE(FuelUpload::Result)

namespace {

const QString kId = QStringLiteral("Firmware ID: Brenwick QERO IV Dual Rev 3 Firmware 4.31");

} // namespace

class tst_fuelupload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void factorTable_data();
    void factorTable();
    void uploadWritesAndVerifies_data();
    void uploadWritesAndVerifies();
    void failures_data();
    void failures();
    void everyMessageIsAnUploadFuelTypeBox();
    void failedVerificationTellsWhatTheModuleHolds_data();
    void failedVerificationTellsWhatTheModuleHolds();
};

void tst_fuelupload::factorTable_data() {
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<float>("ratio");
    QTest::addColumn<int>("factor");
    QTest::newRow("Gasoline") << "Gasoline" << 14.69f << 32767; // single precision: not 32768
    QTest::newRow("E10") << "E10" << 14.13f << 31518;
    QTest::newRow("E85") << "E85" << 9.77f << 21793;
    QTest::newRow("Ethanol") << "Ethanol" << 9.01f << 20098;
    QTest::newRow("Methanol") << "Methanol" << 6.47f << 14432;
    QTest::newRow("Lambda") << "Lambda" << 1.0f << 22306;
    QTest::newRow("lambda any case") << "lAMBDA" << 1.0f << 22306;
    QTest::newRow("user 20") << "Race" << 20.0f << 44612;
    QTest::newRow("user named lambda, ratio 20") << "lambda" << 20.0f << -1;
}

void tst_fuelupload::factorTable() {
    QFETCH(QString, fuel);
    QFETCH(float, ratio);
    QFETCH(int, factor);
    const auto f = FuelFactor::factor(fuel, ratio);
    if (factor < 0) {
        QVERIFY(!f);
        return;
    }
    QVERIFY(f);
    QCOMPARE(int(*f), factor);
    FramImage fram;
    FuelFactor::store(fram, *f);
    QCOMPARE(int(fram.FRAMBuffer[6]), factor % 256);
    QCOMPARE(int(fram.FRAMBuffer[7]), factor / 256);
}

void tst_fuelupload::uploadWritesAndVerifies_data() {
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<float>("ratio");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("Lambda to QERO4D Rev 3")
        << "Lambda" << 1.0f << int(QeroModule::Model::Qero4dRev3) << 0x22 << 0x57;
    QTest::newRow("E85 to QERO3Dual Rev 3")
        << "E85" << 9.77f << int(QeroModule::Model::Qero3DualRev3) << 0x21 << 0x55;
    QTest::newRow("Methanol to a revision 4")
        << "Methanol" << 6.47f << int(QeroModule::Model::Qero4dRev4) << 0x60 << 0x38;
}

void tst_fuelupload::uploadWritesAndVerifies() {
    QFETCH(QString, fuel);
    QFETCH(float, ratio);
    QFETCH(int, model);
    QFETCH(int, low);
    QFETCH(int, high);
    SimBench b;
    b.module.setModel(QeroModule::Model(model));
    b.state.log.FuelType = fuel;
    b.state.log.StoichRatio = ratio;
    FuelUpload upload(b.protocol, b.state.log);
    QCOMPARE(upload.run(), FuelUpload::Result::Completed);
    QCOMPARE(b.prompter.messageTexts(),
             (QStringList{QStringLiteral("Firmware ID: ") + b.module.identification(),
                          QStringLiteral("Upload completed\n")}));
    QCOMPARE(int(b.state.fram.FRAMBuffer[6]), low);
    QCOMPARE(int(b.state.fram.FRAMBuffer[7]), high);
    QCOMPARE(int(b.module.memory().bytes[6]), low);
    QCOMPARE(int(b.module.memory().bytes[7]), high);
    QVERIFY(!b.link.isOpen());
    // Address, write, address again and read back, for byte 6 then byte 7.
    const QList<int> sent = b.sentBytes();
    const QList<int> tail{20, 6, 0, 31, low, 20, 6, 0, 30, 20, 7, 0, 31, high, 20, 7, 0, 30};
    QCOMPARE(sent.mid(sent.size() - tail.size()), tail);
}

void tst_fuelupload::failures_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<FuelUpload::Result>("result");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("openAfter");
    const QString programming = QStringLiteral("Upload aborted - FRAM programming failed");
    const QString verification = QStringLiteral("Upload aborted - FRAM verification failed");
    const QString timeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");
    QTest::newRow("no module")
        << "silent" << FuelUpload::Result::NoLink
        << QStringList{QStringLiteral(
               "Cannot establish RS-232 link. Check cable and module power.")}
        << false;
    QTest::newRow("identification lost")
        << "ignore id" << FuelUpload::Result::FirmwareIdFailed
        << QStringList{timeout, QStringLiteral("Firmware ID read failed - cannot upload.")}
        << false;
    QTest::newRow("empty identification")
        << "empty id" << FuelUpload::Result::FirmwareIdEmpty
        << QStringList{QStringLiteral("Invalid firmware ID - cannot upload.")} << false;
    QTest::newRow("QERO4D Rev 2")
        << "rev2" << FuelUpload::Result::EarlierGeneration
        << QStringList{QStringLiteral("Firmware ID: Brenwick QERO IV Dual Rev 2 Firmware 4.10"),
                       QStringLiteral("Error - invalid firmware ID. Unable to upload to earlier "
                                      "generation QERO.")}
        << false;
    QTest::newRow("QERO3Dual Rev 2")
        << "3dual rev2" << FuelUpload::Result::EarlierGeneration
        << QStringList{QStringLiteral(
                           "Firmware ID: Brenwick QERO 3 Dual Display Rev 2 Firmware 3.20"),
                       QStringLiteral("Error - invalid firmware ID. Unable to upload to earlier "
                                      "generation QERO.")}
        << false;
    QTest::newRow("address refused") << "refuse address" << FuelUpload::Result::ProgrammingFailed
                                     << QStringList{kId, programming} << false;
    QTest::newRow("write refused") << "refuse write" << FuelUpload::Result::ProgrammingFailed
                                   << QStringList{kId, programming} << false;
    QTest::newRow("read-back lost") << "ignore read" << FuelUpload::Result::VerificationFailed
                                    << QStringList{kId, timeout, verification} << false;
    // A byte that reads back different ends the upload with the port left open.
    QTest::newRow("read-back differs") << "refuse read" << FuelUpload::Result::VerificationFailed
                                       << QStringList{kId, verification} << true;
    QTest::newRow("factor too large")
        << "lambda 20" << FuelUpload::Result::FactorOutOfRange
        << QStringList{QStringLiteral("Fuel factor out of range - cannot upload.")} << false;
}

void tst_fuelupload::failures() {
    QFETCH(QString, fault);
    QFETCH(FuelUpload::Result, result);
    QFETCH(QStringList, messages);
    QFETCH(bool, openAfter);
    SimBench b;
    b.state.log.FuelType = QStringLiteral("E85");
    b.state.log.StoichRatio = 9.77f;
    ModuleFaults& f = b.module.faults();
    if (fault == u"silent")
        f.silent = true;
    else if (fault == u"ignore id")
        f.ignoreCommand = 16;
    else if (fault == u"empty id")
        b.module.setIdentification(QString());
    else if (fault == u"rev2")
        b.module.setModel(QeroModule::Model::Qero4dRev2);
    else if (fault == u"3dual rev2")
        b.module.setModel(QeroModule::Model::Qero3DualRev2);
    else if (fault == u"refuse address")
        f.refuseCommand = 20;
    else if (fault == u"refuse write")
        f.refuseCommand = 31;
    else if (fault == u"ignore read")
        f.ignoreCommand = 30;
    else if (fault == u"refuse read")
        f.refuseCommand = 30;
    else if (fault == u"lambda 20") {
        b.state.log.FuelType = QStringLiteral("lambda");
        b.state.log.StoichRatio = 20.0f;
    }
    const auto before = b.module.memory().bytes;
    FuelUpload upload(b.protocol, b.state.log);
    QCOMPARE(upload.run(), result);
    QCOMPARE(b.prompter.messageTexts(), messages);
    QCOMPARE(b.link.isOpen(), openAfter);
    if (fault != u"ignore read" && fault != u"refuse read")
        QVERIFY(b.module.memory().bytes == before); // nothing was written
}

void tst_fuelupload::everyMessageIsAnUploadFuelTypeBox() {
    SimBench b;
    b.state.log.FuelType = QStringLiteral("Gasoline");
    b.state.log.StoichRatio = 14.69f;
    FuelUpload(b.protocol, b.state.log).run();
    QCOMPARE(b.prompter.boxes().size(), 2);
    for (const auto& box : b.prompter.boxes()) {
        QCOMPARE(box.title, QStringLiteral("Upload Fuel Type"));
        QCOMPARE(box.icon, Prompter::Icon::Exclamation);
        QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Ok));
    }
    QCOMPARE(b.module.memory().bytes[6], quint8(0xFF));
    QCOMPARE(b.module.memory().bytes[7], quint8(0x7F));
}

void tst_fuelupload::failedVerificationTellsWhatTheModuleHolds_data() {
    QTest::addColumn<int>("storeDifferentAt");
    QTest::addColumn<int>("held");
    // Gasoline's 32767 (FF 7F) is in the module; E85's 21793 (21 55) is written.
    QTest::newRow("low byte stored wrong: the high byte stays the old one")
        << 6 << (0x7F00 | (0x21 ^ 0x01));
    QTest::newRow("high byte stored wrong") << 7 << (((0x55 ^ 0x01) << 8) | 0x21);
}

// The upload stops at the byte that read back wrong, which may leave half of each factor:
// what the module holds then is read (twice, agreeing) so that the user can be told.
void tst_fuelupload::failedVerificationTellsWhatTheModuleHolds() {
    QFETCH(int, storeDifferentAt);
    QFETCH(int, held);
    SimBench b;
    b.module.memory().bytes[6] = 0xFF;
    b.module.memory().bytes[7] = 0x7F;
    b.state.log.FuelType = QStringLiteral("E85");
    b.state.log.StoichRatio = 9.77f;
    b.module.faults().storeDifferentAt = storeDifferentAt;
    FuelUpload upload(b.protocol, b.state.log);
    QCOMPARE(upload.run(), FuelUpload::Result::VerificationFailed);
    const int messages = int(b.prompter.boxes().size());
    QCOMPARE(upload.readFactor(), std::optional<quint16>(quint16(held)));
    QVERIFY(!b.link.isOpen());
    // Read without a word to the user; the command says it in its own words.
    QCOMPARE(int(b.prompter.boxes().size()), messages);
    // A closed port is opened for the read, and closed again.
    QCOMPARE(upload.readFactor(), std::optional<quint16>(quint16(held)));
    QVERIFY(!b.link.isOpen());
}

QTEST_GUILESS_MAIN(tst_fuelupload)
#include "tst_fuelupload.moc"
