// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFixtures.h"

#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"

#include <QtTest>

using namespace LogFixtures;

class tst_logfilewriter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lexicalForm();
    void rowsCarryStatusCodes_data();
    void rowsCarryStatusCodes();
    void alwaysAllLines();
    void roundTrip();
    void roundTripOfReadFile();
    void textsCannotEndTheirFieldOrLine_data();
    void textsCannotEndTheirFieldOrLine();
};

void tst_logfilewriter::lexicalForm() {
    LogBuffer log = realisticLog();
    log.DataLogInterval = 0.1f;
    log.MinScaledValue = -0.5f;
    log.Comment.clear();
    log.DownloadDate.clear();
    const QByteArray bytes = LogFileWriter::whole(log, QStringLiteral("Acme"));
    const QByteArray head = "\"Data Logging Interval\",.1\r\n"
                            "\"Maximum RPM Display\",9000\r\n"
                            "\"Minimum Input Volts\",.3\r\n"
                            "\"Maximum Input Volts\",4.8\r\n"
                            "\"Minimum Scaled Value\",-.5\r\n"
                            "\"Maximum Scaled Value\",59.1\r\n"
                            "\"Analog Legend\",\"MAP (In-Hg)\"\r\n"
                            "\"Elapsed Time\",\"AFR1\",\"AFR2\",\"RPM\",\"Analog Input Volts\"\r\n";
    QVERIFY(bytes.startsWith(head));
    QVERIFY(bytes.mid(head.size()).startsWith(".05,10.3,19.5,0,0\r\n.1,10.4,19.4,537,.02\r\n"));
    const QByteArray tail = "\"Acme QERO4D Data Downloaded\",\"\"\r\n"
                            "\"Comment\",\" \"\r\n"
                            "\"Fuel Type\",\"E85\"\r\n"
                            "\"Stoichiometric Ratio\",9.77\r\n";
    QVERIFY(bytes.endsWith(tail));
}

void tst_logfilewriter::rowsCarryStatusCodes_data() {
    QTest::addColumn<float>("afr");
    QTest::addColumn<float>("status");
    QTest::addColumn<QByteArray>("column");
    QTest::newRow("valid") << 14.7f << 0.0f << QByteArray("14.7");
    QTest::newRow("low battery") << 10.0f << 1.0f << QByteArray("1");
    QTest::newRow("open") << 10.0f << 4.0f << QByteArray("4");
    QTest::newRow("cold") << 10.0f << 6.0f << QByteArray("6");
    QTest::newRow("free air") << 20.0f << 10.0f << QByteArray("20");
}

void tst_logfilewriter::rowsCarryStatusCodes() {
    QFETCH(float, afr);
    QFETCH(float, status);
    QFETCH(QByteArray, column);
    LogBuffer log;
    log.ElapsedTime[0] = 0.1f;
    log.AFR1[0] = afr;
    log.Sensor1Status[0] = status;
    log.AFR2[0] = 14.7f;
    log.RPM[0] = 2500.0f;
    log.AnalogInVolts[0] = 1.25f;
    const QByteArray row = LogFileWriter(log, QString()).row(0);
    QCOMPARE(row, ".1," + column + ",14.7,2500,1.25\r\n");

    // And back: the status comes back with its placeholder ratio.
    LogBuffer back;
    LogFileReader::read(header() + row, back);
    QCOMPARE(back.AFR1[0], afr);
    QCOMPARE(back.Sensor1Status[0], status);
}

void tst_logfilewriter::alwaysAllLines() {
    LogBuffer log; // an empty buffer still writes every sample
    log.ClearDataBuffer();
    const QByteArray bytes = LogFileWriter::whole(log, QString());
    QCOMPARE(bytes.count("\r\n"), qsizetype(8 + 12000 + 4));
    QCOMPARE(bytes.count('\n'), qsizetype(8 + 12000 + 4));
    QVERIFY(bytes.endsWith("\r\n"));
    QVERIFY(bytes.contains("\r\n\" QERO4D Data Downloaded\",\"\"\r\n"));
}

void tst_logfilewriter::roundTrip() {
    const LogBuffer original = realisticLog();
    const QByteArray bytes = LogFileWriter::whole(original, QStringLiteral("Brenwick"));

    LogBuffer back;
    back.ClearDataBuffer();
    const LogFileReader::Result r = LogFileReader::read(bytes, back);
    QVERIFY(r.warnings.isEmpty());
    QVERIFY(r.trailerComplete && r.fuelTypeLinePresent && r.ratioLinePresent);
    QVERIFY(back.ElapsedTime == original.ElapsedTime);
    QVERIFY(back.AFR1 == original.AFR1);
    QVERIFY(back.AFR2 == original.AFR2);
    QVERIFY(back.Sensor1Status == original.Sensor1Status);
    QVERIFY(back.Sensor2Status == original.Sensor2Status);
    QVERIFY(back.RPM == original.RPM);
    QVERIFY(back.AnalogInVolts == original.AnalogInVolts);
    QCOMPARE(back.DataLogInterval, original.DataLogInterval);
    QCOMPARE(back.MaxRPMDisplay, original.MaxRPMDisplay);
    QCOMPARE(back.MinInVolts, original.MinInVolts);
    QCOMPARE(back.MaxInVolts, original.MaxInVolts);
    QCOMPARE(back.MinScaledValue, original.MinScaledValue);
    QCOMPARE(back.MaxScaledValue, original.MaxScaledValue);
    QCOMPARE(back.AnalogLegend, original.AnalogLegend);
    QCOMPARE(back.DownloadDate, original.DownloadDate);
    QCOMPARE(back.Comment, original.Comment);
    QCOMPARE(back.FuelType, original.FuelType);
    QCOMPARE(back.StoichRatio, original.StoichRatio);
}

// A file read and written again comes out byte for byte the same.
void tst_logfilewriter::roundTripOfReadFile() {
    const QByteArray first = LogFileWriter::whole(realisticLog(), QStringLiteral("Brenwick"));
    LogBuffer log;
    LogFileReader::read(first, log);
    QCOMPARE(LogFileWriter::whole(log, QStringLiteral("Brenwick")), first);
}

void tst_logfilewriter::textsCannotEndTheirFieldOrLine_data() {
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("legend");
    QTest::addColumn<QString>("readComment");
    QTest::addColumn<QString>("readDate");
    QTest::addColumn<QString>("readLegend");
    QTest::newRow("fuel line in the comment") << "x\"\r\n\"Fuel Type\",\"E85"
                                              << "1/2/2026 10:00:00"
                                              << "TPS (%)"
                                              << "x'  'Fuel Type','E85"
                                              << "1/2/2026 10:00:00"
                                              << "TPS (%)";
    QTest::newRow("line break in the date") << "pull 3"
                                            << "1/2/2026\n\"Comment\",\"forged"
                                            << "TPS (%)"
                                            << "pull 3"
                                            << "1/2/2026 'Comment' 'forged"
                                            << "TPS (%)";
    QTest::newRow("comma and quotes in the legend") << "a, b"
                                                    << "1/2/2026"
                                                    << "TPS \"%\", raw"
                                                    << "a, b"
                                                    << "1/2/2026"
                                                    << "TPS '%'  raw";
}

void tst_logfilewriter::textsCannotEndTheirFieldOrLine() {
    QFETCH(QString, comment);
    QFETCH(QString, date);
    QFETCH(QString, legend);
    QFETCH(QString, readComment);
    QFETCH(QString, readDate);
    QFETCH(QString, readLegend);
    LogBuffer log = realisticLog();
    log.Comment = comment;
    log.DownloadDate = date;
    log.AnalogLegend = legend;
    log.FuelType = QStringLiteral("Gasoline");
    log.StoichRatio = 14.69f;
    const QByteArray bytes = LogFileWriter::whole(log, QStringLiteral("Acme"));
    QCOMPARE(bytes.count('\n'), 8 + LogBuffer::kSamples + 4);
    LogBuffer back;
    const LogFileReader::Result r = LogFileReader::read(bytes, back);
    QVERIFY2(r.warnings.isEmpty(), qPrintable(r.warnings.join(u'|')));
    QCOMPARE(back.Comment, readComment);
    QCOMPARE(back.DownloadDate, readDate);
    QCOMPARE(back.AnalogLegend, readLegend);
    QCOMPARE(back.FuelType, QStringLiteral("Gasoline"));
    QCOMPARE(back.StoichRatio, 14.69f);
    // What the writer makes of a text is what comes back.
    QCOMPARE(LogFileWriter::fieldText(comment), readComment);
}

QTEST_GUILESS_MAIN(tst_logfilewriter)
#include "tst_logfilewriter.moc"
