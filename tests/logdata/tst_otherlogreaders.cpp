// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/ChannelGuess.h"
#include "logdata/CsvLogReader.h"
#include "logdata/HaltechLogReader.h"
#include "logdata/LogImport.h"
#include "logdata/MlgLogReader.h"
#include "logdata/MslLogReader.h"
#include "logdata/TextTable.h"
#include "support/Units.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QtTest>

#include <bit>
#include <cmath>

// The readers of other tools' logs on the real files they wrote, and on small hand-made
// files for each thing the formats allow.
class tst_otherlogreaders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void realFiles_data();
    void realFiles();
    void strongFilesHaveEngineSpeedLoadAndRatio_data();
    void strongFilesHaveEngineSpeedLoadAndRatio();
    void romRaiderTimeIsSeconds();
    void haltechScalesTypesAndDropsSentinels();
    void mslMarkAndBlankFields();
    void mlgMatchesExpectedParse_data();
    void mlgMatchesExpectedParse();
    void mlgVersion2KeepsInfoBlockAndCategories();

    void handMadeTables_data();
    void handMadeTables();
    void utf16WithByteOrderMark();
    void quotedFieldWithLineBreak();

    void mlgChecksumFailureLeftOutAndCounted();
    void mlgCutOffLastBlockDropped();
    void mlgRecordWithoutTimeLeftOut_data();
    void mlgRecordWithoutTimeLeftOut();
    void mlgDamagedHeaderRefusedPrintably_data();
    void mlgDamagedHeaderRefusedPrintably();
    void binaryRefusedNamingFormats();
    void overlongLineRefusedAtLimit_data();
    void overlongLineRefusedAtLimit();
    void unclosedQuoteRefused();
    void shortRowsStopAtValueLimit();
    void largeTableReadInHalves_data();
    void largeTableReadInHalves();

    void guessNames_data();
    void guessNames();
    void timeColumns_data();
    void timeColumns();
};

namespace {

QString realData(const QString& name) {
    return QStringLiteral(QERO_REALDATA_DIR "/") + name;
}

bool haveRealData() {
    return QFile::exists(realData(QStringLiteral("README.md")));
}

LogReadResult openReal(const QString& name) {
    return LogImport::open(realData(name));
}

bool hasControl(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// The values of a channel as doubles with NaN as "nan", for QCOMPARE of whole lists.
QList<double> values(const std::vector<float>& v) {
    QList<double> out;
    for (float f : v)
        out.append(double(f));
    return out;
}

bool sameValues(const QList<double>& a, const QList<double>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) != std::isnan(b[i]))
            return false;
        if (!std::isnan(a[i]) && std::abs(a[i] - b[i]) > 1e-6 * std::max(1.0, std::abs(b[i])))
            return false;
    }
    return true;
}

void appendBe(QByteArray& b, quint64 v, int n) {
    for (int i = n - 1; i >= 0; --i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

void appendText(QByteArray& b, const QByteArray& text, int n) {
    QByteArray t = text.left(n);
    t.resize(n, '\0');
    b.append(t);
}

// An MLG of two fields (Time F32 seconds, RPM U16, in the category "Engine" in version 2)
// and `rows` records, each with its checksum, and one marker after the first record.
QByteArray smallMlg(int rows, int version = 1) {
    QByteArray b("MLVLG", 5);
    b.append('\0');
    appendBe(b, quint64(version), 2);
    appendBe(b, 1700000000, 4); // timestamp
    const int fields = 2;
    const int headerBytes = version == 1 ? 22 : 24;
    const int infoAt = headerBytes + fields * (version == 1 ? 55 : 89);
    const QByteArray info("\"test\"\n");
    const int dataAt = infoAt + int(info.size()) + 1;
    appendBe(b, quint64(infoAt), version == 1 ? 2 : 4);
    appendBe(b, quint64(dataAt), 4);
    appendBe(b, 6, 2); // record bytes
    appendBe(b, fields, 2);
    const auto field = [&](int type, const QByteArray& name, const QByteArray& units, float scale,
                           int digits, const QByteArray& category) {
        b.append(char(type));
        appendText(b, name, 34);
        appendText(b, units, 10);
        b.append('\0');
        appendBe(b, std::bit_cast<quint32>(scale), 4);
        appendBe(b, 0, 4);
        b.append(char(digits));
        if (version == 2)
            appendText(b, category, 34);
    };
    field(7, "Time", "s", 1.0f, 3, "");
    field(2, "RPM", "rpm", 1.0f, 0, "Engine");
    b.append(info);
    b.append('\0');
    for (int i = 0; i < rows; ++i) {
        QByteArray rec;
        appendBe(rec, std::bit_cast<quint32>(float(i) * 0.1f), 4);
        appendBe(rec, quint64(1000 + 10 * i), 2);
        unsigned crc = 0;
        for (char c : rec)
            crc += static_cast<unsigned char>(c);
        b.append('\0');
        b.append(char(i));
        appendBe(b, quint64(i * 10000), 2);
        b.append(rec);
        b.append(char(crc & 0xFF));
        if (i == 0) {
            b.append('\x01');
            b.append('\0');
            appendBe(b, 5000, 2);
            appendText(b, "MARK 000 - first", 50);
        }
    }
    return b;
}

} // namespace

void tst_otherlogreaders::realFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("channels"); // the file's columns or fields but the time
    QTest::addColumn<int>("marks");
    QTest::addColumn<double>("duration"); // seconds, within 2 %
    const QString csv = CsvLogReader().name();
    const QString msl = MslLogReader().name();
    const QString mlg = MlgLogReader().name();
    const QString haltech = HaltechLogReader().name();
    QTest::newRow("RomRaider") << "ultralog_romraider_plx_20251031.csv" << csv << 4235 << 4 << 0
                               << 827.0;
    QTest::newRow("Haltech") << "ultralog_haltech_nsp_Log1118.csv" << haltech << 879 << 114 << 0
                             << 17.56;
    QTest::newRow("MS2Extra") << "freeems_parser_ms2extra_test.msl" << msl << 10836 << 54 << 1
                              << -1.0;
    QTest::newRow("MS1") << "empro_ms1_ms_test.msl" << msl << 7977 << 26 << 0 << -1.0;
    QTest::newRow("Crome") << "crome_honda_example.csv" << csv << 1633 << 17 << 0 << 52.45;
    QTest::newRow("Speeduino") << "ultralog_speeduino.mlg" << mlg << 139 << 58 << 0 << 9.26;
    QTest::newRow("rusEFI") << "ultralog_rusefi_Log1.mlg" << mlg << 727 << 781 << 0 << 7.254;
    QTest::newRow("short") << "mlgconv_short.mlg" << mlg << 66 << 70 << 0 << 2.288;
    QTest::newRow("markers") << "mlgconv_markers.mlg" << mlg << 43 << 68 << 9 << 1.435;
    QTest::newRow("blank") << "mlgconv_blank.mlg" << mlg << 0 << 70 << 0 << 0.0;
    QTest::newRow("v2") << "mlgconv_v2.mlg" << mlg << 5019 << 74 << 0 << 82.727;
    QTest::newRow("hypertuner") << "hypertuner_middle.mlg" << mlg << 5511 << 65 << 7 << 400.79;
}

void tst_otherlogreaders::realFiles() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    QFETCH(QString, file);
    QFETCH(QString, reader);
    QFETCH(int, rows);
    QFETCH(int, channels);
    QFETCH(int, marks);
    QFETCH(double, duration);
    const LogReadResult r = openReal(file);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.log->format, reader);
    QCOMPARE(int(r.log->rows()), rows);
    QCOMPARE(int(r.log->channels.size()), channels);
    QCOMPARE(int(r.log->marks.size()), marks);
    for (const LogChannel& c : r.log->channels)
        QCOMPARE(c.values.size(), r.log->rows());
    if (duration >= 0)
        QVERIFY2(std::abs(r.log->duration() - duration) <= 0.02 * std::max(duration, 1.0),
                 qPrintable(QString::number(r.log->duration())));
    for (const QString& w : r.warnings)
        QVERIFY2(!hasControl(w), qPrintable(w));
}

void tst_otherlogreaders::strongFilesHaveEngineSpeedLoadAndRatio_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("rpm");
    QTest::addColumn<QString>("load");
    QTest::addColumn<int>("loadQuantity");
    QTest::addColumn<QString>("ratio");
    QTest::addColumn<double>("ratioScale");
    QTest::newRow("RomRaider") << "ultralog_romraider_plx_20251031.csv"
                               << "PLX Engine Speed"
                               << "PLX Manifold Absolute Pressure"
                               << int(Quantity::ManifoldPressure) << "PLX O2 - Wideband" << 1.0;
    QTest::newRow("Haltech") << "ultralog_haltech_nsp_Log1118.csv"
                             << "RPM"
                             << "Manifold Pressure" << int(Quantity::ManifoldPressure)
                             << "Wideband O2 1" << 1.0;
    QTest::newRow("MS2Extra") << "freeems_parser_ms2extra_test.msl"
                              << "RPM"
                              << "MAP" << int(Quantity::ManifoldPressure) << "AFR"
                              << Units::kDefaultAfrStoich;
}

void tst_otherlogreaders::strongFilesHaveEngineSpeedLoadAndRatio() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    QFETCH(QString, file);
    QFETCH(QString, rpm);
    QFETCH(QString, load);
    QFETCH(int, loadQuantity);
    QFETCH(QString, ratio);
    QFETCH(double, ratioScale);
    const LogReadResult r = openReal(file);
    QVERIFY2(r.ok(), qPrintable(r.error));
    const Log& log = *r.log;
    const int speed = log.find(Quantity::EngineSpeed);
    QVERIFY(speed >= 0);
    QCOMPARE(log.channels[speed].name, rpm);
    const int l = log.find(Quantity(loadQuantity));
    QVERIFY(l >= 0);
    QCOMPARE(log.channels[l].name, load);
    const int fr = log.find(Quantity::FuelRatio, 1);
    QVERIFY(fr >= 0);
    QCOMPARE(log.channels[fr].name, ratio);
    QCOMPARE(log.channels[fr].ratioScale, ratioScale);
    QCOMPARE(log.channels[fr].sensor, 1);
    // A running engine: the ratio varies.
    float lo = 1e9f;
    float hi = -1e9f;
    for (float v : log.channels[fr].values)
        if (!std::isnan(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    QVERIFY(hi - lo > 0.2f * float(ratioScale) / 14.7f);
}

void tst_otherlogreaders::romRaiderTimeIsSeconds() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    const LogReadResult r = openReal(QStringLiteral("ultralog_romraider_plx_20251031.csv"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    const Log& log = *r.log;
    QCOMPARE(log.time[0], 0.0);
    QCOMPARE(log.time[1], 0.198); // "198" in "Time (msec)"
    // Decimal commas: "14,00;860;0,38;0,98" on the first row.
    QCOMPARE(log.channels[0].values[0], 14.0f);
    QCOMPARE(log.channels[1].values[0], 860.0f);
    QCOMPARE(log.channels[2].values[0], 0.38f);
    QCOMPARE(log.channels[2].unit, QStringLiteral("bar"));
    QCOMPARE(log.channels[3].values[0], 0.98f);
    QVERIFY(log.duration() > 800.0 && log.duration() < 850.0);
}

void tst_otherlogreaders::haltechScalesTypesAndDropsSentinels() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    const LogReadResult r = openReal(QStringLiteral("ultralog_haltech_nsp_Log1118.csv"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    const Log& log = *r.log;
    // First row: "14:15:46.000,0,3696,3967,0,0,1047,11628,0,-2147483617,448,1225,13042,767,..."
    const int map = log.findName(QStringLiteral("Manifold Pressure"));
    QVERIFY(map >= 0);
    QCOMPARE(log.channels[map].unit, QStringLiteral("kPa"));
    QCOMPARE(log.channels[map].values[0], float(767 * 0.1));
    const int rpm = log.findName(QStringLiteral("RPM"));
    QCOMPARE(log.channels[rpm].values[0], 1225.0f);
    const int wheel = log.findName(QStringLiteral("Undriven Wheel Speed"));
    QVERIFY(wheel >= 0);
    for (float v : log.channels[wheel].values)
        QVERIFY(std::isnan(v)); // never valid in this log
    int missing = 0;
    for (std::size_t c = 0; c < log.channels.size(); ++c)
        if (int(c) != wheel)
            for (float v : log.channels[c].values)
                missing += std::isnan(v) ? 1 : 0;
    QCOMPARE(missing, 5);
    const int o2 = log.findName(QStringLiteral("Wideband O2 1"));
    QCOMPARE(log.channels[o2].unit, Units::lambdaName());
    for (float v : log.channels[o2].values)
        QVERIFY(std::isnan(v) || (v >= 0.4f && v <= 5.0f));
    const int target = log.findName(QStringLiteral("Target Lambda"));
    QCOMPARE(log.channels[target].quantity, Quantity::TargetRatio);
    QVERIFY(std::abs(log.time[1] - 0.02) < 1e-9);
    QCOMPARE(log.started, QDateTime(QDate(2025, 7, 18), QTime(14, 15, 46)));
    QVERIFY(log.info.contains(QStringLiteral("Haltech NSP")));
}

void tst_otherlogreaders::mslMarkAndBlankFields() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    const LogReadResult r = openReal(QStringLiteral("freeems_parser_ms2extra_test.msl"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    const Log& log = *r.log;
    QCOMPARE(log.info, QStringLiteral("MS2Extra Rel 2.1.0p"));
    QCOMPARE(log.marks.size(), std::size_t(1));
    QCOMPARE(log.marks[0].text, QStringLiteral("MARK 001 - RESET - Wed Sep 16 00:45:33 MST 2009"));
    QCOMPARE(log.marks[0].time, 637.218);
    QCOMPARE(log.time[0], 22.859);
    const LogReadResult ms1 = openReal(QStringLiteral("empro_ms1_ms_test.msl"));
    QVERIFY2(ms1.ok(), qPrintable(ms1.error));
    QCOMPARE(ms1.log->time[0], 26853.346);
    QCOMPARE(ms1.log->channels[ms1.log->findName(QStringLiteral("MAP"))].unit,
             QStringLiteral("kpa"));
    QCOMPARE(ms1.log->started, QDateTime(QDate(2015, 12, 26), QTime(19, 53, 12)));
    const int o2 = ms1.log->find(Quantity::FuelRatio);
    QVERIFY(o2 >= 0);
    QCOMPARE(ms1.log->channels[o2].name, QStringLiteral("O2"));
    QCOMPARE(ms1.log->channels[o2].ratioScale, Units::kDefaultAfrStoich);
}

void tst_otherlogreaders::mlgMatchesExpectedParse_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("short") << "mlgconv_short";
    QTest::newRow("markers") << "mlgconv_markers";
    QTest::newRow("blank") << "mlgconv_blank";
}

void tst_otherlogreaders::mlgMatchesExpectedParse() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    QFETCH(QString, name);
    QFile mlgFile(realData(name + QStringLiteral(".mlg")));
    QFile jsonFile(realData(name + QStringLiteral(".expected.json")));
    QVERIFY(mlgFile.open(QIODevice::ReadOnly));
    QVERIFY(jsonFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = mlgFile.readAll();
    QJsonParseError jerr;
    const QJsonObject expected = QJsonDocument::fromJson(jsonFile.readAll(), &jerr).object();
    QCOMPARE(jerr.error, QJsonParseError::NoError);

    const MlgLogReader::Parsed p = MlgLogReader::parse(bytes);
    QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
    QCOMPARE(p.version, expected[u"formatVersion"].toInt());
    QCOMPARE(QDateTime::fromSecsSinceEpoch(p.timestamp, QTimeZone::utc()),
             QDateTime::fromString(expected[u"timestamp"].toString(), Qt::ISODateWithMs));
    // The expected parse gives the information block's lines without their quotes and
    // without the blank end; the log keeps the block as it stands.
    QStringList lines = p.info.trimmed().split(u'\n');
    for (QString& l : lines)
        if (l.size() >= 2 && l.startsWith(u'"') && l.endsWith(u'"'))
            l = l.mid(1, l.size() - 2);
    QCOMPARE(lines.join(u'\n'), expected[u"info"].toString());
    QCOMPARE(QString::fromLatin1(p.bitFieldNames), expected[u"bitFieldNames"].toString());

    const QJsonArray fields = expected[u"fields"].toArray();
    QCOMPARE(int(p.fields.size()), int(fields.size()));
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QJsonObject f = fields[i].toObject();
        const MlgLogReader::Field& mine = p.fields[std::size_t(i)];
        QCOMPARE(mine.name, f[u"name"].toString());
        QCOMPARE(mine.units, f[u"units"].toString());
        QCOMPARE(MlgLogReader::styleName(mine.style), f[u"displayStyle"].toString());
        QCOMPARE(double(mine.scale), f[u"scale"].toDouble());
        QCOMPARE(double(mine.transform), f[u"transform"].toDouble());
        QCOMPARE(mine.digits, f[u"digits"].toInt());
        QCOMPARE(mine.category, f[u"category"].toString());
    }

    // Every record: its kind and timestamp, and each field's value, which the expected
    // parse holds raw: ours must be (raw + transform) * scale.
    const QJsonArray records = expected[u"records"].toArray();
    QCOMPARE(int(p.blocks.size()), int(records.size()));
    QCOMPARE(p.timeField, 0);
    std::size_t row = 0;
    std::size_t marker = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QJsonObject rec = records[i].toObject();
        const MlgLogReader::Block& b = p.blocks[std::size_t(i)];
        QCOMPARE(b.timestamp, rec[u"timestamp"].toInt());
        if (rec[u"type"].toString() == u"marker") {
            QCOMPARE(b.type, 1);
            QVERIFY(marker < p.log.marks.size());
            QVERIFY(p.log.marks[marker].text.startsWith(QStringLiteral("MARK ")));
            QCOMPARE(p.log.marks[marker].time, row == 0 ? 0.0 : p.log.time[row - 1]);
            ++marker;
            continue;
        }
        QCOMPARE(rec[u"type"].toString(), QStringLiteral("field"));
        QCOMPARE(b.type, 0);
        QCOMPARE(rec.size(), qsizetype(fields.size()) + 2);
        for (qsizetype f = 0; f < fields.size(); ++f) {
            const QJsonObject fd = fields[f].toObject();
            const QString fieldName = fd[u"name"].toString();
            QVERIFY2(rec.contains(fieldName), qPrintable(fieldName));
            const double raw = rec[fieldName].toDouble();
            const float want = float((raw + fd[u"transform"].toDouble()) * fd[u"scale"].toDouble());
            const float got =
                f == 0 ? float(p.log.time[row]) : p.log.channels[std::size_t(f - 1)].values[row];
            if (got != want)
                QFAIL(qPrintable(QStringLiteral("record %1 field %2: %3, expected %4")
                                     .arg(i)
                                     .arg(fieldName)
                                     .arg(double(got))
                                     .arg(double(want))));
        }
        ++row;
    }
    QCOMPARE(row, p.log.rows());
    QCOMPARE(marker, p.log.marks.size());
}

void tst_otherlogreaders::mlgVersion2KeepsInfoBlockAndCategories() {
    if (!haveRealData())
        QSKIP("the real files are not here");
    QFile file(realData(QStringLiteral("ultralog_rusefi_Log1.mlg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const MlgLogReader::Parsed p = MlgLogReader::parse(file.readAll());
    QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
    QCOMPARE(p.version, 2);
    QVERIFY(p.info.startsWith(QStringLiteral("\"rusEFI master.2024.07.04")));
    QVERIFY(p.info.contains(QStringLiteral("NEW_INFO_PROVIDER,LogStart_MAIN_TUNE")));
    QVERIFY(p.info.contains(QStringLiteral("<?xml")));
    QVERIFY(p.info.trimmed().endsWith(QStringLiteral("</msq>")));
    QCOMPARE(p.log.channels[0].name, QStringLiteral("SD: Present"));
    // Version 2's longer descriptors carry a category.
    const LogReadResult small = LogImport::read(smallMlg(3, 2), QStringLiteral("v2.mlg"));
    QVERIFY2(small.ok(), qPrintable(small.error));
    QCOMPARE(small.log->rows(), std::size_t(3));
    QCOMPARE(small.log->channels[0].name, QStringLiteral("RPM"));
    QCOMPARE(small.log->channels[0].category, QStringLiteral("Engine"));
    QCOMPARE(values(small.log->channels[0].values), (QList<double>{1000, 1010, 1020}));
    QCOMPARE(small.log->info, QStringLiteral("\"test\"\n"));
    const LogReadResult r = LogImport::open(realData(QStringLiteral("mlgconv_v2.mlg")));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QVERIFY(r.log->info.contains(QStringLiteral("<msq")));
}

void tst_otherlogreaders::handMadeTables_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QStringList>("names"); // channels, the time column not among them
    QTest::addColumn<QList<double>>("time");
    QTest::addColumn<QList<double>>("first"); // the first channel's values
    QTest::addColumn<QString>("firstUnit");
    QTest::addColumn<int>("marks");
    const QString csv = CsvLogReader().name();
    const QString msl = MslLogReader().name();
    const double nan = std::nan("");
    QTest::newRow("comma") << QByteArray("time,rpm,afr\n0,1000,14.7\n0.1,1100,14.5\n") << csv
                           << QStringList{"rpm", "afr"} << QList<double>{0, 0.1}
                           << QList<double>{1000, 1100} << "" << 0;
    QTest::newRow("semicolon, decimal comma, CRLF")
        << QByteArray("time;rpm;afr\r\n0;1000,5;14,7\r\n0,1;1100;14,5\r\n") << csv
        << QStringList{"rpm", "afr"} << QList<double>{0, 0.1} << QList<double>{1000.5, 1100} << ""
        << 0;
    QTest::newRow("tab") << QByteArray("Time\tRPM\n1.5\t900\n2.5\t950\n") << csv
                         << QStringList{"RPM"} << QList<double>{1.5, 2.5} << QList<double>{900, 950}
                         << "" << 0;
    QTest::newRow("quoted separators")
        << QByteArray("\"time\",\"rpm, engine\",\"afr\"\n\"0\",\"1000\",\"14,7\"\n"
                      "\"1\",\"1100\",\"\"\"\"\n")
        << csv << QStringList{"rpm, engine", "afr"} << QList<double>{0, 1}
        << QList<double>{1000, 1100} << "" << 0;
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBFTime,RPM\n0,1000\n1,1100\n") << csv << QStringList{"RPM"}
        << QList<double>{0, 1} << QList<double>{1000, 1100} << "" << 0;
    QTest::newRow("units in names")
        << QByteArray("Time (msec),MAP [kPa],AFR\n0,100,14\n500,90,13\n") << csv
        << QStringList{"MAP", "AFR"} << QList<double>{0, 0.5} << QList<double>{100, 90} << "kPa"
        << 0;
    QTest::newRow("units row") << QByteArray("Time,MAP,RPM\nms,bar,rpm\n0,1.2,1000\n250,1.3,1100\n")
                               << csv << QStringList{"MAP", "RPM"} << QList<double>{0, 0.25}
                               << QList<double>{1.2, 1.3} << "bar" << 0;
    QTest::newRow("microseconds in the name")
        << QByteArray("time_us,rpm\n0,1\n1500000,2\n") << csv << QStringList{"rpm"}
        << QList<double>{0, 1.5} << QList<double>{1, 2} << "" << 0;
    QTest::newRow("clock time")
        << QByteArray("Clock,RPM\n12:00:00.000,1000\n12:00:00.500,1100\n12:00:01.250,1200\n") << csv
        << QStringList{"RPM"} << QList<double>{0, 0.5, 1.25} << QList<double>{1000, 1100, 1200}
        << "" << 0;
    QTest::newRow("clock passing midnight")
        << QByteArray("Time,RPM\n23:59:59.500,1000\n00:00:00.250,1100\n") << csv
        << QStringList{"RPM"} << QList<double>{0, 0.75} << QList<double>{1000, 1100} << "" << 0;
    QTest::newRow("lines before the names")
        << QByteArray("Logger 2.1\nCar: test\n\ntime,rpm,tps\n0,800,1\n1,900,2\n") << csv
        << QStringList{"rpm", "tps"} << QList<double>{0, 1} << QList<double>{800, 900} << "" << 0;
    QTest::newRow("title with an opening quote only")
        << QByteArray("\"Logger, rev 2\ntime,rpm\n0,800\n1,900\n") << csv << QStringList{"rpm"}
        << QList<double>{0, 1} << QList<double>{800, 900} << "" << 0;
    QTest::newRow("blank fields") << QByteArray("time,rpm,afr\n0,,14\n1,1100,\n2\n") << csv
                                  << QStringList{"rpm", "afr"} << QList<double>{0, 1, 2}
                                  << QList<double>{nan, 1100, nan} << "" << 0;
    QTest::newRow("no names") << QByteArray("1,2\n3,4\n") << csv
                              << QStringList{"Column 1", "Column 2"} << QList<double>{0, 1}
                              << QList<double>{1, 3} << "" << 0;
    QTest::newRow("MSL with title, units, mark and blank")
        << QByteArray("\"Title\n\"Capture Date: Mon Jan 05 10:00:00 CET 2026\"\n"
                      "Time\tRPM\tAFR\ns\trpm\tAFR\n0.0\t1000\t14.7\nMARK 000 - hello\n"
                      "0.1\t\t14.5\n0.2\t1200\t14.4\t\n")
        << msl << QStringList{"RPM", "AFR"} << QList<double>{0, 0.1, 0.2}
        << QList<double>{1000, nan, 1200} << "rpm" << 1;
    QTest::newRow("MSL in milliseconds")
        << QByteArray("\"Title\"\nTime\tRPM\nms\trpm\n0\t1000\n100\t1100\n") << msl
        << QStringList{"RPM"} << QList<double>{0, 0.1} << QList<double>{1000, 1100} << "rpm" << 0;
}

void tst_otherlogreaders::handMadeTables() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reader);
    QFETCH(QStringList, names);
    QFETCH(QList<double>, time);
    QFETCH(QList<double>, first);
    QFETCH(QString, firstUnit);
    QFETCH(int, marks);
    const bool msl = reader == MslLogReader().name();
    const LogReadResult r =
        LogImport::read(bytes, msl ? QStringLiteral("hand.msl") : QStringLiteral("hand.csv"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    const Log& log = *r.log;
    QCOMPARE(log.format, reader);
    QStringList got;
    for (const LogChannel& c : log.channels)
        got.append(c.name);
    QCOMPARE(got, names);
    QList<double> t(log.time.begin(), log.time.end());
    QVERIFY2(sameValues(t, time), qPrintable(QStringLiteral("%1").arg(t.size())));
    QVERIFY(sameValues(values(log.channels[0].values), first));
    QCOMPARE(log.channels[0].unit, firstUnit);
    QCOMPARE(int(log.marks.size()), marks);
}

void tst_otherlogreaders::utf16WithByteOrderMark() {
    const QString text =
        QStringLiteral("Time;Température (°C);RPM\r\n0;20,5;800\r\n1;21,5;900\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("excel.csv"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.log->channels.size(), std::size_t(2));
    QCOMPARE(r.log->channels[0].name, QStringLiteral("Température"));
    QCOMPARE(r.log->channels[0].unit, QStringLiteral("°C"));
    QCOMPARE(r.log->channels[0].values[1], 21.5f);
    QCOMPARE(r.log->time[1], 1.0);
    // A MegaLogViewer log saved again by a spreadsheet, big-endian.
    const QString msl = QStringLiteral("\"Title\"\nTime\tRPM\n0\t800\n0.5\t900\n");
    QByteArray big("\xFE\xFF", 2);
    for (QChar c : msl)
        big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    const LogReadResult m = LogImport::read(big, QStringLiteral("saved.msl"));
    QVERIFY2(m.ok(), qPrintable(m.error));
    QCOMPARE(m.log->format, MslLogReader().name());
    QCOMPARE(m.log->channels[0].values[1], 900.0f);
    QCOMPARE(m.log->time[1], 0.5);
}

void tst_otherlogreaders::quotedFieldWithLineBreak() {
    const QByteArray bytes("time,\"note\nsecond line\",rpm\n0,\"a,\nb\",1000\n1,\"\",1100\n");
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("notes.csv"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.log->rows(), std::size_t(2));
    QCOMPARE(r.log->channels[0].name, QStringLiteral("note\nsecond line"));
    QVERIFY(std::isnan(r.log->channels[0].values[0]));
    QCOMPARE(r.log->channels[1].values[0], 1000.0f);
    QCOMPARE(r.log->channels[1].values[1], 1100.0f);
}

void tst_otherlogreaders::mlgChecksumFailureLeftOutAndCounted() {
    QByteArray bytes = smallMlg(5);
    const LogReadResult good = LogImport::read(bytes, QStringLiteral("x.mlg"));
    QVERIFY2(good.ok(), qPrintable(good.error));
    QCOMPARE(good.log->rows(), std::size_t(5));
    QVERIFY(good.warnings.isEmpty());
    QCOMPARE(good.log->marks.size(), std::size_t(1));
    QCOMPARE(good.log->marks[0].text, QStringLiteral("MARK 000 - first"));
    // Damage the RPM of the third record (records are 11 bytes, the marker 54).
    const qsizetype dataAt = bytes.size() - (5 * 11 + 54);
    const qsizetype third = dataAt + 11 + 54 + 11;
    bytes[third + 4 + 5] = char(bytes[third + 4 + 5] ^ 0x40);
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("x.mlg"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.log->rows(), std::size_t(4));
    QCOMPARE(r.warnings.size(), 1);
    QVERIFY(r.warnings[0].startsWith(QStringLiteral("1 records failed their checksum")));
    const std::vector<float>& rpm = r.log->channels[0].values;
    QCOMPARE(values(rpm), (QList<double>{1000, 1010, 1030, 1040}));
}

void tst_otherlogreaders::mlgCutOffLastBlockDropped() {
    const QByteArray bytes = smallMlg(3);
    const LogReadResult r = LogImport::read(bytes.first(bytes.size() - 4), QStringLiteral("x.mlg"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.log->rows(), std::size_t(2));
    QCOMPARE(r.warnings.size(), 1);
    QVERIFY(r.warnings[0].contains(QStringLiteral("cut off")));
}

void tst_otherlogreaders::mlgRecordWithoutTimeLeftOut_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    // The second record's time made NaN, its checksum made to match.
    QByteArray bytes = smallMlg(3);
    const qsizetype second = bytes.size() - (3 * 11 + 54) + 11 + 54;
    const char nan[] = {'\x7F', '\xC0', '\0', '\0'};
    unsigned crc = 0;
    for (int i = 0; i < 4; ++i)
        bytes[second + 4 + i] = nan[i];
    for (int i = 0; i < 6; ++i)
        crc += static_cast<unsigned char>(bytes[second + 4 + i]);
    bytes[second + 10] = char(crc & 0xFF);
    QTest::newRow("NaN time") << bytes << 2;
    // What the fuzzer found: a time field whose transform is NaN, and a marker.
    QTest::newRow("fuzz finding")
        << QByteArray::fromBase64(
               "TUxWTEcAAAFlU/EAAIQAAACMAAYAAgdUaW1lAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAC0AAAAAAHMAAA"
               "AAAAAABwAAwX////8AAAADAlJQTQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAABycG0AAAAAACJo"
               "YW5kIgoAAAAAAAAAAAAAAAABAAH0TUFSSyAwMDAgLSBoYW5kAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
               "AAAAAAAAAAAAAAAQPoPczMzQABogACB9A+TMzNAAIl")
        << 0;
}

void tst_otherlogreaders::mlgRecordWithoutTimeLeftOut() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("x.mlg"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(int(r.log->rows()), rows);
    for (double t : r.log->time)
        QVERIFY(std::isfinite(t));
    for (const LogMark& m : r.log->marks)
        QVERIFY(std::isfinite(m.time));
    QVERIFY(r.warnings.join(u' ').contains(QStringLiteral("time that is no number")));
}

void tst_otherlogreaders::mlgDamagedHeaderRefusedPrintably_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray good = smallMlg(2);
    QByteArray version = good;
    version[7] = 9;
    QTest::newRow("version") << version << "format version is 9";
    QByteArray type = good;
    type[22 + 55] = char(0x21);
    QTest::newRow("field type") << type << "of type 33";
    QByteArray name = type;
    name[22 + 55 + 1] = '\x1b';
    QTest::newRow("escape in a field name") << name << "\\x1b";
    QByteArray count = good;
    count[20] = char(0x7F);
    QTest::newRow("field count") << count << "run past the file's end";
    QTest::newRow("header only") << good.first(12) << "header is cut off";
    QByteArray length = good;
    length[19] = 7;
    QTest::newRow("record length") << length << "take 6 bytes but its records 7";
}

void tst_otherlogreaders::mlgDamagedHeaderRefusedPrintably() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("bad.mlg"));
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains(reason), qPrintable(r.error));
    QVERIFY2(!hasControl(r.error), qPrintable(r.error));
}

void tst_otherlogreaders::binaryRefusedNamingFormats() {
    QByteArray bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.append(char((i * 7919) & 0xFF));
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("noise.bin"));
    QVERIFY(!r.ok());
    QVERIFY2(!hasControl(r.error), qPrintable(r.error));
    for (const LogReader* reader : LogImport::readers())
        QVERIFY2(r.error.contains(reader->name()), qPrintable(r.error));
    const LogReadResult zeros = LogImport::read(QByteArray(1 << 20, '\0'), QStringLiteral("z"));
    QVERIFY(!zeros.ok());
    QVERIFY(zeros.error.contains(QStringLiteral("Formats tried")));
}

void tst_otherlogreaders::overlongLineRefusedAtLimit_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("message");
    const QByteArray longLine(3 * TextTable::kMaxLineBytes, 'x');
    const QString limit = QStringLiteral("more than 1048576 bytes");
    QTest::newRow("CSV row") << QByteArray("time,rpm\n0,1\n1,2\n2," + longLine + "\n") << "long.csv"
                             << limit;
    QTest::newRow("CSV quoted field")
        << QByteArray("time,rpm\n0,1\n1,2\n2,\"" + longLine + "\"\n") << "quoted.csv" << limit;
    // A line of nothing but separators is no table at all.
    QTest::newRow("CSV row of separators")
        << QByteArray("time,rpm\n0,1\n1,2\n" + QByteArray(3 * TextTable::kMaxLineBytes, ',') + "\n")
        << "commas.csv"
        << "Formats tried";
    QTest::newRow("MSL row") << QByteArray("\"t\"\nTime\tRPM\n0\t1\n1\t" + longLine) << "long.msl"
                             << limit;
    QTest::newRow("MSL mark") << QByteArray("\"t\"\nTime\tRPM\n0\t1\nMARK " + longLine)
                              << "mark.msl" << limit;
    QTest::newRow("Haltech header")
        << QByteArray("%DataLog%\nChannel : " + longLine + "\n") << "h.csv" << limit;
}

void tst_otherlogreaders::overlongLineRefusedAtLimit() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, source);
    QFETCH(QString, message);
    const LogReadResult r = LogImport::read(bytes, source);
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains(message), qPrintable(r.error));
    QVERIFY(r.error.size() < 300);
}

void tst_otherlogreaders::unclosedQuoteRefused() {
    const QByteArray bytes("time,rpm\n0,1\n1,\"2\n3,4\n");
    const LogReadResult r = LogImport::read(bytes, QStringLiteral("q.csv"));
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains(QStringLiteral("never closed")), qPrintable(r.error));
}

void tst_otherlogreaders::shortRowsStopAtValueLimit() {
    // Names for 1000 columns, then rows of one field each: every row asks for 999 missing
    // values the file holds no byte for.
    QByteArray bytes("time");
    for (int c = 1; c < 1000; ++c)
        bytes += ",c" + QByteArray::number(c);
    bytes += '\n';
    for (int i = 0; i < 100; ++i)
        bytes += QByteArray::number(i) + '\n';
    TextTable::Layout layout;
    layout.columns = 1000;
    layout.timeColumn = 0;
    layout.maxValues = 50000;
    const TextTable::Rows r = TextTable::readRows(bytes, bytes.indexOf('\n') + 1, layout, {});
    QVERIFY2(r.error.contains(QStringLiteral("more than 50000 values")), qPrintable(r.error));
    QCOMPARE(r.time.size(), std::size_t(51));
    layout.maxValues = TextTable::kMaxValues;
    const TextTable::Rows all = TextTable::readRows(bytes, bytes.indexOf('\n') + 1, layout, {});
    QVERIFY(all.error.isEmpty());
    QCOMPARE(all.time.size(), std::size_t(100));
    QCOMPARE(all.rowsShort, 100);
    QVERIFY(std::isnan(all.columns[998][99]));
}

void tst_otherlogreaders::largeTableReadInHalves_data() {
    QTest::addColumn<bool>("timeColumn");
    QTest::newRow("time column") << true;
    QTest::newRow("rows numbered") << false;
}

// A table of more than a few megabytes is read in two halves at once; the rows, marks
// and rows left out must come out as one pass would give them, wherever the halves meet.
void tst_otherlogreaders::largeTableReadInHalves() {
    QFETCH(bool, timeColumn);
    constexpr int kRows = 1000000;
    QByteArray bytes;
    bytes.reserve(kRows * 24);
    const QList<int> badAt{100, kRows / 2, kRows - 3};
    const QList<int> markAt{10, kRows / 2 + 7, kRows - 1};
    for (int i = 0; i < kRows; ++i) {
        if (badAt.contains(i))
            bytes += "Time\tRPM\tMAP\n";
        if (markAt.contains(i))
            bytes += "MARK " + QByteArray::number(i) + "\n";
        if (timeColumn)
            bytes += QByteArray::number(i * 0.01, 'f', 2) + '\t';
        bytes += QByteArray::number(1000 + i % 5000) + '\t' + QByteArray::number(i % 100) + ".25\n";
    }
    QVERIFY(bytes.size() > 8 << 20); // large enough to be split
    TextTable::Layout layout;
    layout.separator = '\t';
    layout.quotes = false;
    layout.markLines = true;
    layout.columns = timeColumn ? 3 : 2;
    layout.timeColumn = timeColumn ? 0 : -1;
    qint64 lastProgress = -1;
    bool progressForward = true;
    const TextTable::Rows r = TextTable::readRows(bytes, 0, layout, [&](qint64 at, qint64 size) {
        progressForward = progressForward && at > lastProgress && at <= size;
        lastProgress = at;
        return true;
    });
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QVERIFY(progressForward && lastProgress > bytes.size() / 2);
    // Without a time column the repeated names are a row of missing values.
    const std::size_t rows = timeColumn ? kRows : kRows + std::size_t(badAt.size());
    QCOMPARE(r.time.size(), rows);
    QCOMPARE(r.rowsWithoutTime, timeColumn ? int(badAt.size()) : 0);
    if (timeColumn)
        QCOMPARE(r.firstBadLine, bytes.indexOf("Time\t"));
    for (std::size_t k = 0; k < r.time.size(); k += 997) {
        if (timeColumn) {
            QCOMPARE(r.time[k], QByteArray::number(double(k) * 0.01, 'f', 2).toDouble());
            QCOMPARE(r.columns[0][k], float(1000 + int(k) % 5000));
        } else {
            QCOMPARE(r.time[k], double(k));
        }
    }
    QCOMPARE(r.marks.size(), std::size_t(markAt.size()));
    for (std::size_t m = 0; m < r.marks.size(); ++m) {
        const int row = markAt[qsizetype(m)];
        QCOMPARE(r.marks[m].text, QStringLiteral("MARK %1").arg(row));
        // The rows read before the mark, lines left out not counted.
        int before = row;
        if (!timeColumn)
            for (int b : badAt)
                before += b <= row ? 1 : 0;
        QCOMPARE(r.marks[m].row, std::size_t(before));
    }
}

void tst_otherlogreaders::guessNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("sensor");
    QTest::addColumn<int>("ratio");
    using G = ChannelGuess::Ratio;
    const auto row = [](const char* name, const char* unit, Quantity q, int sensor, G ratio) {
        QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(unit) << int(q)
                            << sensor << int(ratio);
    };
    row("PLX Engine Speed (rpm)", "rpm", Quantity::EngineSpeed, 0, G::None);
    row("RPM", "", Quantity::EngineSpeed, 0, G::None);
    row("rpm/s", "rpm/s", Quantity::Other, 0, G::None);
    row("Idle Target RPM", "RPM", Quantity::Other, 0, G::None);
    row("MAPxRPM", "", Quantity::Other, 0, G::None);
    row("Manifold Pressure", "kPa", Quantity::ManifoldPressure, 0, G::None);
    row("MAP", "kpa", Quantity::ManifoldPressure, 0, G::None);
    row("PLX Manifold Absolute Pressure (bar)", "bar", Quantity::ManifoldPressure, 0, G::None);
    row("Manifold Pressure Derivative", "kPa", Quantity::Other, 0, G::None);
    row("Boost PSI", "", Quantity::Other, 0, G::None);
    row("TP", "", Quantity::ThrottlePosition, 0, G::None);
    row("TPS", "%", Quantity::ThrottlePosition, 0, G::None);
    row("Throttle Position", "%", Quantity::ThrottlePosition, 0, G::None);
    row("tpsADC", "ADC", Quantity::Other, 0, G::None);
    row("TPS DOT", "%/s", Quantity::Other, 0, G::None);
    row("AFR", "", Quantity::FuelRatio, 1, G::Afr);
    row("O2", "O2", Quantity::FuelRatio, 1, G::Unknown);
    row("Lambda", "", Quantity::FuelRatio, 1, G::Lambda);
    row("Lambda 2", "", Quantity::FuelRatio, 2, G::Lambda);
    row("AFR2", "", Quantity::FuelRatio, 2, G::Afr);
    row("Wideband O2 1", "lambda", Quantity::FuelRatio, 1, G::Lambda);
    row("PLX O2 - Wideband (Lambda)", "Lambda", Quantity::FuelRatio, 1, G::Lambda);
    row("Air Fuel Ratio", "", Quantity::FuelRatio, 1, G::Afr);
    row("O2 Voltage", "", Quantity::Other, 0, G::None);
    row("AFR Target 1", "", Quantity::TargetRatio, 1, G::Afr);
    row("Target Lambda", "lambda", Quantity::TargetRatio, 1, G::Lambda);
    row("CLT", "", Quantity::CoolantTemp, 0, G::None);
    row("Coolant Temperature (F)", "F", Quantity::CoolantTemp, 0, G::None);
    row("IAT", "deg C", Quantity::IntakeTemp, 0, G::None);
    row("MAT", "", Quantity::IntakeTemp, 0, G::None);
    row("Air Temperature (F)", "F", Quantity::IntakeTemp, 0, G::None);
    row("Battery V", "V", Quantity::BatteryVolts, 0, G::None);
    row("Batt V", "", Quantity::BatteryVolts, 0, G::None);
    row("Device Battery Voltage", "V", Quantity::BatteryVolts, 0, G::None);
}

void tst_otherlogreaders::guessNames() {
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(int, quantity);
    QFETCH(int, sensor);
    QFETCH(int, ratio);
    const ChannelGuess::Guess g = ChannelGuess::guess(name, unit);
    QCOMPARE(int(g.quantity), quantity);
    QCOMPARE(g.sensor, sensor);
    QCOMPARE(int(g.ratio), ratio);
}

void tst_otherlogreaders::timeColumns_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("time");
    QTest::addColumn<int>("timeUnit");
    using T = Units::Time;
    QTest::newRow("Time (msec)") << "Time (msec)"
                                 << "" << true << int(T::Milliseconds);
    QTest::newRow("Time, units row s") << "Time"
                                       << "s" << true << int(T::Seconds);
    QTest::newRow("Time, units row ms") << "Time"
                                        << "ms" << true << int(T::Milliseconds);
    QTest::newRow("time_us") << "time_us"
                             << "" << true << int(T::Microseconds);
    QTest::newRow("Timestamp [ms]") << "Timestamp [ms]"
                                    << "" << true << int(T::Milliseconds);
    QTest::newRow("Duration") << "Duration"
                              << "" << true << int(T::Seconds);
    QTest::newRow("SecL") << "SecL"
                          << "sec" << false << int(T::Seconds);
    QTest::newRow("PW in ms") << "PW"
                              << "ms" << false << int(T::Milliseconds);
    QTest::newRow("Engine Run Time") << "engineRunTime"
                                     << "sec" << false << int(T::Seconds);
    QTest::newRow("Time Since Cranking") << "Time Since Cranking"
                                         << "s" << false << int(T::Seconds);
}

void tst_otherlogreaders::timeColumns() {
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(bool, time);
    QFETCH(int, timeUnit);
    QCOMPARE(ChannelGuess::isTime(name), time);
    QCOMPARE(int(ChannelGuess::timeUnit(name, unit)), timeUnit);
}

QTEST_GUILESS_MAIN(tst_otherlogreaders)
#include "tst_otherlogreaders.moc"
