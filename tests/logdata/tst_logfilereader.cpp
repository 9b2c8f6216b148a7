// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFixtures.h"

#include "logdata/LogFileReader.h"
#include "support/Numbers.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

using namespace LogFixtures;

class tst_logfilereader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leadingNumberMatchesNumbers_data();
    void leadingNumberMatchesNumbers();
    void sensorBands_data();
    void sensorBands();
    void headerByPosition();
    void legendWithComma();
    void rowWithWrongFieldCountUsesUpIndex();
    void elapsedTimeRepair();
    void endsInHeader();
    void endsAfterHeader();
    void endsInSamples();
    void endsInTrailer_data();
    void endsInTrailer();
    void fuelLines_data();
    void fuelLines();
    void fuelLinesReportOnly();
    void trailerTexts();
    void unixLineEndingsAndLatin1();
    void unreadableFile();
    void samplesThatAreNotNumbers_data();
    void samplesThatAreNotNumbers();
    void headerValuesNoLogCanHold_data();
    void headerValuesNoLogCanHold();
    void sampleNumberRoundsAsFullConversion_data();
    void sampleNumberRoundsAsFullConversion();
    void sampleNumberOnRandomDecimals();
    void moreRowsThanALogHolds();
    void ratioThatCannotBeRight_data();
    void ratioThatCannotBeRight();
    void fileThatIsNoLog_data();
    void fileThatIsNoLog();
    void printableEscapesControlCharacters();
    void arbitraryBytesNeverCrash();
};

void tst_logfilereader::leadingNumberMatchesNumbers_data() {
    QTest::addColumn<QByteArray>("text");
    for (const char* t :
         {"",          "abc",       "12",  "  14.7", "\t-.5",  "+3",    ".1",    "5.",    ".",
          "-",         "+.",        "1e3", "1e",     "1e+",    "2E-2x", "12abc", "1.2.3", "7,5",
          "1e0000001", "00012.500", "-0",  "1e400",  "1e-400", "9.77 ", "\"3\"", " 3 4"})
        QTest::newRow(t[0] ? t : "empty") << QByteArray(t);
}

// The reader's fast byte version must read every field as the shared rule does.
void tst_logfilereader::leadingNumberMatchesNumbers() {
    QFETCH(QByteArray, text);
    QCOMPARE(LogFileReader::leadingNumber(text), Numbers::leadingNumber(QString::fromLatin1(text)));
}

void tst_logfilereader::sensorBands_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<float>("afr");
    QTest::addColumn<float>("status");
    QTest::newRow("status 4") << QByteArray("4") << 10.0f << 4.0f;
    QTest::newRow("status 1") << QByteArray("1") << 10.0f << 1.0f;
    QTest::newRow("status rounded down") << QByteArray("6.99") << 10.0f << 6.0f;
    QTest::newRow("zero") << QByteArray("0") << 10.0f << 0.0f;
    QTest::newRow("no number") << QByteArray("x") << 10.0f << 0.0f;
    QTest::newRow("7 is rich limit") << QByteArray("7") << 10.0f << 0.0f;
    QTest::newRow("8.5") << QByteArray("8.5") << 10.0f << 0.0f;
    QTest::newRow("10.25") << QByteArray("10.25") << 10.0f << 0.0f;
    QTest::newRow("10.3") << QByteArray("10.3") << 10.3f << 0.0f;
    QTest::newRow("one decimal half even") << QByteArray("12.25") << 12.2f << 0.0f;
    QTest::newRow("one decimal") << QByteArray("14.68") << 14.7f << 0.0f;
    QTest::newRow("19.5") << QByteArray("19.5") << 19.5f << 0.0f;
    QTest::newRow("19.6 free air") << QByteArray("19.6") << 20.0f << 10.0f;
    QTest::newRow("20 free air") << QByteArray("20") << 20.0f << 10.0f;
}

void tst_logfilereader::sensorBands() {
    QFETCH(QByteArray, field);
    QFETCH(float, afr);
    QFETCH(float, status);
    LogBuffer log;
    log.ClearDataBuffer();
    LogFileReader::read(header() + "1," + field + ',' + field + ",3000,2.5\r\n", log);
    QCOMPARE(log.AFR1[0], afr);
    QCOMPARE(log.Sensor1Status[0], status);
    QCOMPARE(log.AFR2[0], afr);
    QCOMPARE(log.Sensor2Status[0], status);
}

void tst_logfilereader::headerByPosition() {
    LogBuffer log;
    const QByteArray bytes = "whatever,.25\r\n"
                             "\"Maximum RPM Display\",  4500.5 rpm\r\n"
                             "a,b,c\r\n"
                             "\"Maximum Input Volts\",4.85\r\n"
                             "\"Minimum Scaled Value\",-2.5\r\n"
                             "\"Maximum Scaled Value\",\r\n"
                             "\"Analog Legend\",\"  MAP \"\"(In-Hg)\"\" \"\r\n"
                             "ignored\r\n";
    log.MinInVolts = 1.25f;
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    QCOMPARE(log.DataLogInterval, 0.25f);
    QCOMPARE(log.MaxRPMDisplay, qint16(4500)); // halves to even
    QCOMPARE(log.MinInVolts, 1.25f);           // 3 fields: skipped
    QCOMPARE(log.MaxInVolts, 4.85f);
    QCOMPARE(log.MinScaledValue, -2.5f);
    QCOMPARE(log.MaxScaledValue, 0.0f);
    QCOMPARE(log.AnalogLegend, QStringLiteral("MAP (In-Hg)"));
    QVERIFY(r.headerComplete);
    QCOMPARE(r.headerValuesRead, 0b1111011u); // line 3 had 3 fields
    QCOMPARE(r.warnings, QStringList{LogFileReader::kDataMissing});

    LogFileReader::read("a,1\r\nb,4501.5\r\n", log);
    QCOMPARE(log.MaxRPMDisplay, qint16(4502));
    LogFileReader::read("a,1\r\nb,99999\r\n", log);
    QCOMPARE(log.MaxRPMDisplay, qint16(32767));
}

void tst_logfilereader::legendWithComma() {
    LogBuffer log;
    log.AnalogLegend = QStringLiteral("Analog Input");
    const LogFileReader::Result r = LogFileReader::readFile(
        QStringLiteral(QERO_TEST_DATA "/legend_comma_header_only.log"), log);
    QCOMPARE(log.AnalogLegend, QStringLiteral("Analog Input"));
    QCOMPARE(log.MaxScaledValue, 100.0f);
    QVERIFY(r.headerComplete);
}

void tst_logfilereader::rowWithWrongFieldCountUsesUpIndex() {
    LogBuffer log;
    log.ClearDataBuffer();
    log.ElapsedTime.fill(0.0f);
    const QByteArray bytes = header() + "1,14.7,14.7,3000,2.5\r\n"
                                        "2,14.7,14.7,3000\r\n"
                                        "3,14.7,14.7,3000,2.5,9\r\n"
                                        "\r\n"
                                        "5,12.1,13.3,4000,3.5\r\n";
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    QCOMPARE(r.rowsRead, 5);
    QCOMPARE(r.rowsSkipped, 3);
    QCOMPARE(log.RPM[0], 3000.0f);
    for (int i : {1, 2, 3}) {
        QCOMPARE(log.RPM[i], 1.0f);
        QCOMPARE(log.AFR1[i], 10.0f);
    }
    QCOMPARE(log.RPM[4], 4000.0f);
    QCOMPARE(log.AFR1[4], 12.1f);
    QCOMPARE(log.AFR2[4], 13.3f);
    QCOMPARE(log.AnalogInVolts[4], 3.5f);
    QCOMPARE(log.ElapsedTime[4], 5.0f);
}

void tst_logfilereader::elapsedTimeRepair() {
    LogBuffer log;
    log.ElapsedTime.fill(0.0f);
    const QByteArray bytes = header("\"Analog Legend\",\"TPS(%)\"", ".5") +
                             "1,14.7,14.7,3000,2.5\r\n"
                             "2,14.7,14.7,3000,2.5\r\n"
                             "2,14.7,14.7,3000,2.5\r\n"
                             "0,14.7,14.7,3000,2.5\r\n";
    LogFileReader::read(bytes, log);
    QCOMPARE(log.ElapsedTime[0], 1.0f);
    QCOMPARE(log.ElapsedTime[1], 2.0f);
    QCOMPARE(log.ElapsedTime[2], 2.5f);
    QCOMPARE(log.ElapsedTime[3], 3.0f);
    // The untouched entries after the file's end are repaired as well.
    QCOMPARE(log.ElapsedTime[4], 3.5f);
    QCOMPARE(log.ElapsedTime[LogBuffer::kSamples - 1], 3.0f + 0.5f * (LogBuffer::kSamples - 4));
}

void tst_logfilereader::endsInHeader() {
    LogBuffer log;
    log.ClearDataBuffer();
    const LogFileReader::Result r =
        LogFileReader::readFile(QStringLiteral(QERO_TEST_DATA "/ends_in_header.log"), log);
    QVERIFY(r.noDataFound());
    QCOMPARE(r.warnings, QStringList{LogFileReader::kNoDataFound});
    QCOMPARE(log.DataLogInterval, 0.2f);
    QCOMPARE(log.MaxRPMDisplay, qint16(8000));
    QCOMPARE(log.MinInVolts, 0.5f);
    QCOMPARE(log.MaxInVolts, 5.0f);
    QCOMPARE(log.AnalogLegend, QStringLiteral("Analog Input"));
    QVERIFY(log.DataBufferEmpty);

    const LogFileReader::Result empty = LogFileReader::read(QByteArray(), log);
    QCOMPARE(empty.warnings, QStringList{LogFileReader::kNoDataFound});
}

void tst_logfilereader::endsAfterHeader() {
    LogBuffer log;
    const LogBuffer before = realisticLog();
    log = before;
    log.ElapsedTime[5] = 0.0f; // one entry the repair must mend
    const LogFileReader::Result r = LogFileReader::read(header(), log);
    QVERIFY(r.headerComplete);
    QCOMPARE(r.rowsRead, 0);
    QVERIFY(!r.samplesComplete);
    QCOMPARE(r.warnings, QStringList{LogFileReader::kDataMissing});
    QVERIFY(log.AFR1 == before.AFR1);
    QVERIFY(log.Sensor2Status == before.Sensor2Status);
    QVERIFY(log.RPM == before.RPM);
    QCOMPARE(log.ElapsedTime[5], before.ElapsedTime[4] + 0.5f);
    // Trailer and fuel lines were never reached.
    QCOMPARE(log.Comment, before.Comment);
    QCOMPARE(log.FuelType, QStringLiteral("E85"));
}

void tst_logfilereader::endsInSamples() {
    LogBuffer log;
    log.ClearDataBuffer();
    log.FuelType = QStringLiteral("Methanol");
    const LogFileReader::Result r = LogFileReader::read(header() + rows(100), log);
    QCOMPARE(r.rowsRead, 100);
    QCOMPARE(r.warnings, QStringList{LogFileReader::kDataMissing});
    QCOMPARE(log.RPM[99], 1100.0f);
    QCOMPARE(log.RPM[100], 1.0f);
    QCOMPARE(log.AFR1[11999], 10.0f);
    QCOMPARE(log.FuelType, QStringLiteral("Methanol"));
}

void tst_logfilereader::endsInTrailer_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::newRow("no trailer") << QByteArray();
    QTest::newRow("date only") << trailerDate();
}

void tst_logfilereader::endsInTrailer() {
    QFETCH(QByteArray, tail);
    LogBuffer log;
    log.Comment = QStringLiteral("old");
    log.DownloadDate = QStringLiteral("old");
    log.FuelType = QStringLiteral("Methanol");
    log.StoichRatio = 6.47f;
    const LogFileReader::Result r =
        LogFileReader::read(header() + rows(LogBuffer::kSamples) + tail, log);
    QVERIFY(r.samplesComplete);
    QVERIFY(!r.trailerComplete);
    QCOMPARE(r.warnings, QStringList{LogFileReader::kDataMissing});
    QVERIFY(log.Comment.isEmpty());
    QVERIFY(log.DownloadDate.isEmpty());
    QCOMPARE(log.FuelType, QStringLiteral("Methanol"));
    QCOMPARE(log.StoichRatio, 6.47f);
    QCOMPARE(log.RPM[11999], 13000.0f);
}

void tst_logfilereader::fuelLines_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<float>("ratio");
    QTest::addColumn<bool>("fuelLine");
    QTest::addColumn<bool>("ratioLine");
    QTest::newRow("both") << fuelLine() + ratioLine() << "E85" << 9.77f << true << true;
    QTest::newRow("none") << QByteArray() << "Gasoline" << 14.7f << false << false;
    QTest::newRow("fuel only") << fuelLine() << "Gasoline" << 14.7f << true << false;
    QTest::newRow("no values") << QByteArray("\"Fuel Type\"\r\n\"Stoichiometric Ratio\"\r\n")
                               << "Previous" << 6.47f << true << true;
    QTest::newRow("name with a comma")
        << QByteArray("\"Fuel Type\",\"a\",\"b\"\r\n\"Stoichiometric Ratio\",8,5\r\n") << "a,b"
        << 6.47f << true << true;
    QTest::newRow("long name") << fuelLine("  Race fuel blend number 7 ") + ratioLine("15.2")
                               << "Race fuel blend " << 15.2f << true << true;
}

void tst_logfilereader::fuelLines() {
    QFETCH(QByteArray, tail);
    QFETCH(QString, fuel);
    QFETCH(float, ratio);
    QFETCH(bool, fuelLine);
    QFETCH(bool, ratioLine);
    LogBuffer log;
    log.FuelType = QStringLiteral("Previous");
    log.StoichRatio = 6.47f;
    const LogFileReader::Result r = LogFileReader::read(
        header() + rows(LogBuffer::kSamples) + trailerDate() + trailerComment() + tail, log);
    QVERIFY(r.warnings.isEmpty());
    QVERIFY(r.trailerComplete);
    QCOMPARE(log.FuelType, fuel);
    QCOMPARE(log.StoichRatio, ratio);
    QCOMPARE(r.fuelTypeLinePresent, fuelLine);
    QCOMPARE(r.ratioLinePresent, ratioLine);
}

void tst_logfilereader::fuelLinesReportOnly() {
    LogBuffer log;
    log.FuelType = QStringLiteral("Gasoline");
    log.StoichRatio = 14.69f;
    LogFileReader::Result r =
        LogFileReader::read(complete(), log, LogFileReader::FuelLines::ReportOnly);
    QCOMPARE(log.FuelType, QStringLiteral("Gasoline"));
    QCOMPARE(log.StoichRatio, 14.69f);
    QCOMPARE(r.fileFuelType, std::optional<QString>(QStringLiteral("E85")));
    QCOMPARE(r.fileStoichRatio, std::optional<float>(9.77f));
    QCOMPARE(log.Comment, QStringLiteral("dyno pull"));

    r = LogFileReader::read(header() + rows(LogBuffer::kSamples) + trailerDate() +
                                trailerComment() + fuelLine(),
                            log, LogFileReader::FuelLines::ReportOnly);
    QCOMPARE(log.FuelType, QStringLiteral("Gasoline"));
    QCOMPARE(log.StoichRatio, 14.69f);
    QVERIFY(!r.ratioLinePresent);
    QVERIFY(!r.fileStoichRatio);
}

void tst_logfilereader::trailerTexts() {
    LogBuffer log;
    LogFileReader::read(header() + rows(LogBuffer::kSamples) + trailerDate(" 12/10/2026 ") +
                            trailerComment(" ") + fuelLine() + ratioLine(),
                        log);
    QCOMPARE(log.DownloadDate, QStringLiteral(" 12/10/2026 ")); // not trimmed
    QCOMPARE(log.Comment, QString());                           // the single space
    LogFileReader::read(header() + rows(LogBuffer::kSamples) + trailerDate() +
                            "\"Comment\",\"  \"\"quoted\"\" words \"\r\n",
                        log);
    QCOMPARE(log.Comment, QStringLiteral("quoted words"));
    // The comment and the fuel name are the user's own words, commas included.
    log.FuelType = QStringLiteral("Lambda");
    LogFileReader::read(header() + rows(LogBuffer::kSamples) + trailerDate() +
                            trailerComment("Dyno day, 3rd gear, new plugs") +
                            fuelLine("E85, summer") + ratioLine("9.5"),
                        log);
    QCOMPARE(log.Comment, QStringLiteral("Dyno day, 3rd gear, new plugs"));
    QCOMPARE(log.FuelType, QStringLiteral("E85, summer"));
    QCOMPARE(log.StoichRatio, 9.5f);
    // A line without a comma still leaves its value alone.
    LogFileReader::read(header() + rows(LogBuffer::kSamples) + trailerDate() + "\"Comment\"\r\n" +
                            "\"Fuel Type\"\r\n" + ratioLine(),
                        log);
    QCOMPARE(log.Comment, QStringLiteral("Dyno day, 3rd gear, new plugs"));
    QCOMPARE(log.FuelType, QStringLiteral("E85, summer"));
}

void tst_logfilereader::unixLineEndingsAndLatin1() {
    QByteArray bytes = complete();
    bytes.replace("\r\n", "\n");
    bytes.replace("dyno pull", "Pr\xFC"
                               "fstand"); // Latin-1 byte, not UTF-8
    LogBuffer log;
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    QVERIFY(r.warnings.isEmpty());
    QCOMPARE(log.Comment, QStringLiteral("Prüfstand"));
    QCOMPARE(log.StoichRatio, 9.77f);

    bytes.replace("Pr\xFC"
                  "fstand",
                  "Pr\xC3\xBC"
                  "fstand"); // UTF-8
    LogFileReader::read(bytes, log);
    QCOMPARE(log.Comment, QStringLiteral("Prüfstand"));
}

void tst_logfilereader::unreadableFile() {
    LogBuffer log;
    log.Comment = QStringLiteral("kept");
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             LogFileReader::readFile(QStringLiteral("/nonexistent/x.log"), log));
    QCOMPARE(log.Comment, QStringLiteral("kept"));
}

void tst_logfilereader::arbitraryBytesNeverCrash() {
    QRandomGenerator rng(4711);
    const QByteArray alphabet = "0123456789.,-+eE \"\r\nabc\t";
    const QByteArray good = complete();
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        if (round % 2) {
            bytes = good.left(rng.bounded(good.size()));
            for (int k = 0; k < 20; ++k)
                bytes[rng.bounded(qMax<qsizetype>(bytes.size(), 1))] =
                    alphabet[rng.bounded(alphabet.size())];
        } else {
            for (int k = rng.bounded(4000); k > 0; --k)
                bytes += alphabet[rng.bounded(alphabet.size())];
        }
        LogBuffer log;
        const LogFileReader::Result r = LogFileReader::read(bytes, log);
        QVERIFY(r.rowsRead <= LogBuffer::kSamples);
        QVERIFY(log.FuelType.size() <= 16);
    }
}

void tst_logfilereader::headerValuesNoLogCanHold_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("warning"); // empty: the value is taken
    QTest::newRow("interval .096")
        << QByteArray("Interval\",.5") << QByteArray("Interval\",.096") << QString();
    QTest::newRow("interval 0") << QByteArray("Interval\",.5") << QByteArray("Interval\",0")
                                << "The data logging interval \"0\" in the file cannot be "
                                   "right; 0.1 is used instead.";
    QTest::newRow("interval negative")
        << QByteArray("Interval\",.5") << QByteArray("Interval\",-0.1")
        << "The data logging interval \"-0.1\" in the file cannot be right; 0.1 is used "
           "instead.";
    QTest::newRow("interval 1e308")
        << QByteArray("Interval\",.5") << QByteArray("Interval\",1e308")
        << "The data logging interval \"1e308\" in the file cannot be right; 0.1 is used "
           "instead.";
    QTest::newRow("maximum RPM -5")
        << QByteArray("Display\",8000") << QByteArray("Display\",-5")
        << "The maximum RPM display \"-5\" in the file cannot be right; 10000 is used "
           "instead.";
    QTest::newRow("volts 1e39")
        << QByteArray("Input Volts\",4.5") << QByteArray("Input Volts\",1e39")
        << "The maximum input volts \"1e39\" in the file cannot be right; 5 is used instead.";
}

// A value no log can hold is said where the file is read and replaced by its default:
// an interval of 0 made every later chart of the log fail.
void tst_logfilereader::headerValuesNoLogCanHold() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, warning);
    QByteArray bytes = header() + rows(LogBuffer::kSamples) + trailerDate() + trailerComment() +
                       fuelLine() + ratioLine();
    bytes.replace(from, to);
    LogBuffer log;
    log.ClearDataBuffer();
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    if (warning.isEmpty()) {
        QVERIFY(r.warnings.isEmpty());
        QCOMPARE(log.DataLogInterval, 0.096f);
        return;
    }
    QCOMPARE(r.warnings, QStringList{warning});
    const LogBuffer defaults;
    QVERIFY(log.DataLogInterval > 0.0f && log.MaxRPMDisplay > 0 && std::isfinite(log.MaxInVolts));
    QCOMPARE(log.DataLogInterval == defaults.DataLogInterval, to.contains("Interval"));
}

void tst_logfilereader::samplesThatAreNotNumbers_data() {
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("warning"); // empty: the row is a sample
    const QString notNumbers = QStringLiteral("1 row of the file hold values that are not "
                                              "numbers (the first is data row 2); they were "
                                              "left out of the log.");
    const QString fields = QStringLiteral("1 row of the file do not have the 5 fields of a "
                                          "data row (the first is data row 2); they were left "
                                          "out of the log.");
    QTest::newRow("plain") << QByteArray("2,14.7,14.2,5001,1.25") << QString();
    QTest::newRow("blanks and signs") << QByteArray(" 2 ,+14.7,14.2 ,5001,-.5") << QString();
    QTest::newRow("exponent") << QByteArray("2,1.47e1,14.2,5001,1.25") << QString();
    QTest::newRow("nan") << QByteArray("2,nan,14.2,5001,1.25") << notNumbers;
    QTest::newRow("inf") << QByteArray("2,14.7,inf,5001,1.25") << notNumbers;
    QTest::newRow("beyond a double") << QByteArray("2,14.7,14.2,1e400,1.25") << notNumbers;
    QTest::newRow("beyond a single") << QByteArray("2,14.7,14.2,5001,1e39") << notNumbers;
    QTest::newRow("hex") << QByteArray("2,14.7,14.2,0x1F,1.25") << notNumbers;
    QTest::newRow("text") << QByteArray("2,14.7,14.2,5001,abc") << notNumbers;
    QTest::newRow("number and text") << QByteArray("2,14.7abc,14.2,5001,1.25") << notNumbers;
    QTest::newRow("empty") << QByteArray("2,14.7,,5001,1.25") << notNumbers;
    // The same row warned of by every command that reads it, not counted by one alone.
    QTest::newRow("a field too few") << QByteArray("2,14.7,14.2,5001") << fields;
    QTest::newRow("a field too many") << QByteArray("2,14.7,14.2,5001,1.25,9") << fields;
}

void tst_logfilereader::samplesThatAreNotNumbers() {
    QFETCH(QByteArray, row);
    QFETCH(QString, warning);
    LogBuffer log;
    log.ClearDataBuffer();
    const LogFileReader::Result r = LogFileReader::read(
        header() + "1,13,13,3000,2\r\n" + row + "\r\n" + rows(LogBuffer::kSamples - 2, 3) +
            trailerDate() + trailerComment() + fuelLine() + ratioLine(),
        log);
    QCOMPARE(r.rowsRead, LogBuffer::kSamples);
    QCOMPARE(r.rowsInvalid + r.rowsSkipped, warning.isEmpty() ? 0 : 1);
    if (warning.isEmpty()) {
        QVERIFY(r.warnings.isEmpty());
        QCOMPARE(log.RPM[1], 5001.0f);
        return;
    }
    QCOMPARE(r.warnings, QStringList{warning});
    QVERIFY(!r.samplesFilled.testBit(1));
    // The entry keeps its cleared values: no RPM a table cell takes, no real AFR.
    QCOMPARE(log.RPM[1], 1.0f);
    QCOMPARE(log.AFR1[1], 10.0f);
    QCOMPARE(log.AnalogInVolts[1], 1.0f);
    QVERIFY(log.ElapsedTime[1] > log.ElapsedTime[0]);
    // The rows around it read as always.
    QCOMPARE(log.RPM[0], 3000.0f);
    QCOMPARE(log.RPM[2], 1003.0f);
    QCOMPARE(log.Comment, QStringLiteral("dyno pull"));
}

namespace {

// The value a sample field stands for, worked out the long way: the C library's
// correctly rounded conversion of the whole text to a double, then to single precision.
std::optional<float> fullConversion(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    char* end = nullptr;
    const double v = std::strtod(trimmed.constData(), &end);
    if (trimmed.isEmpty() || end != trimmed.constData() + trimmed.size() || !std::isfinite(v) ||
        std::fabs(v) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(v);
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

void tst_logfilereader::sampleNumberRoundsAsFullConversion_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("tenth") << QByteArray(".1");
    QTest::newRow("negative zero") << QByteArray("-0");
    QTest::newRow("plus, point first") << QByteArray("+.5");
    QTest::newRow("point last") << QByteArray("5.");
    QTest::newRow("leading zeros") << QByteArray("000000000000012.5");
    QTest::newRow("15 digits") << QByteArray("999999999999999");
    QTest::newRow("16 digits") << QByteArray("9999999999999999");
    QTest::newRow("15 decimals") << QByteArray("0.000000000000001");
    QTest::newRow("just below a half") << QByteArray("1.4999999999999999");
    QTest::newRow("single tie, even") << QByteArray("16777217");
    QTest::newRow("single tie, odd") << QByteArray("16777219");
    QTest::newRow("17 digits") << QByteArray("0.30000001192092896");
    QTest::newRow("20 digits wrap a 64-bit sum") << QByteArray("98765432109876543210");
    QTest::newRow("exponent") << QByteArray("1.47e1");
    QTest::newRow("blanks and tab") << QByteArray(" \t14.7 ");
    QTest::newRow("largest single") << QByteArray("340282346638528859811704183484516925440");
}

void tst_logfilereader::sampleNumberRoundsAsFullConversion() {
    QFETCH(QByteArray, field);
    const std::optional<float> expected = fullConversion(field);
    const std::optional<float> read = LogFileReader::sampleNumber(field);
    QVERIFY(expected.has_value());
    QVERIFY(read.has_value());
    QVERIFY2(sameBits(*read, *expected), qPrintable(QStringLiteral("%1 read as %2, expected %3")
                                                        .arg(QString::fromLatin1(field))
                                                        .arg(double(*read), 0, 'g', 10)
                                                        .arg(double(*expected), 0, 'g', 10)));
}

void tst_logfilereader::sampleNumberOnRandomDecimals() {
    // Decimals of 1 to 20 digits with the point anywhere (or nowhere), a sign or none,
    // and half of them with nines and zeros only, where rounding is most delicate: each
    // reads to the very bits of the full conversion.
    QRandomGenerator random(20260412);
    for (int n = 0; n < 200000; ++n) {
        const int digits = 1 + int(random.bounded(20));
        const bool delicate = random.bounded(2) == 0;
        QByteArray text;
        const quint32 sign = random.bounded(3);
        if (sign == 1)
            text += '-';
        else if (sign == 2)
            text += '+';
        const int point = int(random.bounded(digits + 2)) - 1; // -1: no point
        for (int d = 0; d < digits; ++d) {
            if (d == point)
                text += '.';
            const quint32 digit = delicate ? (random.bounded(2) ? 9 : 0) : random.bounded(10);
            text += char('0' + digit);
        }
        if (point == digits)
            text += '.';
        const std::optional<float> expected = fullConversion(text);
        const std::optional<float> read = LogFileReader::sampleNumber(text);
        QVERIFY2(expected.has_value() == read.has_value(), text.constData());
        if (expected)
            QVERIFY2(sameBits(*read, *expected), text.constData());
    }
}

void tst_logfilereader::moreRowsThanALogHolds() {
    LogBuffer log;
    const QByteArray bytes = header() + rows(LogBuffer::kSamples + 25) + trailerDate() +
                             trailerComment() + fuelLine() + ratioLine();
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    QCOMPARE(r.rowsRead, LogBuffer::kSamples);
    QCOMPARE(r.extraRows, 25);
    QCOMPARE(r.warnings, QStringList{QStringLiteral("The file holds 12025 data rows; a log holds "
                                                    "12000, so the last 25 rows were not read.")});
    // The trailer is the file's own, not data rows read as comment and fuel.
    QVERIFY(r.trailerComplete);
    QCOMPARE(log.DownloadDate, QStringLiteral("12/10/2026 10:15:00"));
    QCOMPARE(log.Comment, QStringLiteral("dyno pull"));
    QCOMPARE(log.FuelType, QStringLiteral("E85"));
    QCOMPARE(log.StoichRatio, 9.77f);
    QCOMPARE(log.RPM[LogBuffer::kSamples - 1], 1000.0f + LogBuffer::kSamples);
}

void tst_logfilereader::ratioThatCannotBeRight_data() {
    QTest::addColumn<QByteArray>("fuel");
    QTest::addColumn<QByteArray>("ratio");
    QTest::addColumn<float>("taken");
    QTest::newRow("zero") << QByteArray("E85") << QByteArray("0") << 9.77f;
    QTest::newRow("negative") << QByteArray("Gasoline") << QByteArray("-14.7") << 14.69f;
    QTest::newRow("inf") << QByteArray("Methanol") << QByteArray("inf") << 6.47f;
    QTest::newRow("nan") << QByteArray("E10") << QByteArray("nan") << 14.13f;
    QTest::newRow("beyond a double") << QByteArray("Ethanol") << QByteArray("1e400") << 9.01f;
    QTest::newRow("user fuel") << QByteArray("Propane") << QByteArray("abc") << 14.7f;
}

void tst_logfilereader::ratioThatCannotBeRight() {
    QFETCH(QByteArray, fuel);
    QFETCH(QByteArray, ratio);
    QFETCH(float, taken);
    const QByteArray bytes = header() + rows(LogBuffer::kSamples) + trailerDate() +
                             trailerComment() + fuelLine(fuel) + ratioLine(ratio);
    LogBuffer log;
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    QCOMPARE(log.StoichRatio, taken);
    QVERIFY(r.ratioRejected);
    QCOMPARE(r.warnings.size(), 1);
    QVERIFY2(r.warnings.first().startsWith(QStringLiteral("The stoichiometric ratio \"") + ratio +
                                           QStringLiteral("\" in the file cannot be right")),
             qPrintable(r.warnings.first()));

    LogBuffer other;
    other.StoichRatio = 12.5f;
    const LogFileReader::Result report =
        LogFileReader::read(bytes, other, LogFileReader::FuelLines::ReportOnly);
    QVERIFY(!report.fileStoichRatio);
    QCOMPARE(other.StoichRatio, 12.5f);
    // Nothing is put in its place there, and the warning does not say so.
    QCOMPARE(report.warnings, QStringList{QStringLiteral("The stoichiometric ratio \"") + ratio +
                                          QStringLiteral("\" in the file cannot be right.")});
}

void tst_logfilereader::fileThatIsNoLog_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("warning");
    QByteArray random;
    QRandomGenerator rng(99);
    for (int i = 0; i < 4000; ++i)
        random += char(rng.bounded(256));
    random += "\n\n\n\n\n\n\n\n";
    const QString text = QString::fromLatin1(header() + rows(20));
    QByteArray utf16("\xff\xfe");
    for (QChar c : text)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    QTest::newRow("random bytes") << random << LogFileReader::kForeignFile;
    QTest::newRow("UTF-16 log") << utf16 << LogFileReader::kUtf16File;
    QTest::newRow("a log") << header() + rows(20) << QString();
}

void tst_logfilereader::fileThatIsNoLog() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, warning);
    LogBuffer log;
    const LogFileReader::Result r = LogFileReader::read(bytes, log);
    QCOMPARE(r.headerLabelsForeign, !warning.isEmpty());
    QCOMPARE(r.warnings.contains(warning), !warning.isEmpty());
    QVERIFY(!r.warnings.contains(warning.isEmpty() ? LogFileReader::kForeignFile : QString()));
}

void tst_logfilereader::printableEscapesControlCharacters() {
    QCOMPARE(LogFileReader::printable(QStringLiteral("dyno\x1b[2J\r\n\x07 Prüfstand\x7f")),
             QStringLiteral("dyno\\x1b[2J\\x0d\\x0a\\x07 Prüfstand\\x7f"));
}

QTEST_GUILESS_MAIN(tst_logfilereader)
#include "tst_logfilereader.moc"
