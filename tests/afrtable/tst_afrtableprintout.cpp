// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTable.h"
#include "afrtable/AFRTablePrintout.h"
#include "logdata/AppState.h"
#include "support/Numbers.h"

#include <QtTest>

class tst_afrtableprintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fontChoice_data();
    void fontChoice();
    void fixedFields_data();
    void fixedFields();
    void tableLinesFromGrid();
    void headerLines_data();
    void headerLines();
};

void tst_afrtableprintout::fontChoice_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("font");
    QTest::newRow("none") << QStringList{} << "Courier New";
    QTest::newRow("others") << QStringList{"Arial", "Monospac821"} << "Courier New";
    QTest::newRow("exact") << QStringList{"Arial", "Monospac821 BT"} << "Monospac821 BT";
    QTest::newRow("other case") << QStringList{"MONOSPAC821 bt"} << "Monospac821 BT";
}

void tst_afrtableprintout::fontChoice() {
    QFETCH(QStringList, installed);
    QFETCH(QString, font);
    QCOMPARE(AFRTablePrintout::chooseFont(installed), font);
}

void tst_afrtableprintout::fixedFields_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("empty") << ""
                           << "        ";
    QTest::newRow("short") << "14.0"
                           << "14.0    ";
    QTest::newRow("seven") << "RPM/TPS"
                           << "RPM/TPS ";
    QTest::newRow("eight") << "12345678"
                           << "12345678";
    QTest::newRow("longer is cut") << "123456789"
                                   << "12345678";
}

void tst_afrtableprintout::fixedFields() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(AFRTablePrintout::fixedField(text), field);
}

void tst_afrtableprintout::tableLinesFromGrid() {
    AppState s;
    s.log.ClearDataBuffer();
    s.log.MaxScaledValue = 5.0f; // 1 V = 1 %
    s.settings.MinSampleNum = 1;
    s.settings.AFRTableDisplay = QStringLiteral("Fuel");
    s.log.RPM[0] = 1000.0f;
    s.log.AnalogInVolts[0] = 2.0f;
    s.log.AFR2[0] = 14.0f;
    s.log.RPM[1] = 1000.0f;
    s.log.AnalogInVolts[1] = 95.0f;
    s.log.AFR2[1] = 13.2f; // on target: no correction, an empty field
    s.settings.AFRTableData = QStringLiteral("Sensor 2");
    AFRTable table;
    const AFRTableGrid g = table.WriteAFRTable(s.settings.AFRTableDisplay, true, s, false);
    const QStringList lines = AFRTablePrintout::tableLines(g.text);
    QCOMPARE(lines.size(), 31);
    for (const QString& line : lines)
        QCOMPARE(line.size(), 80);
    QCOMPARE(lines[0], QStringLiteral("RPM/TPS 0%      2%      5%      10%     20%     40%     "
                                      "60%     80%     100%    "));
    QCOMPARE(lines[2], QStringLiteral("1000            6       ") + QString(56, u' '));
    QCOMPARE(lines[30], QStringLiteral("15000   ") + QString(72, u' '));
}

void tst_afrtableprintout::headerLines_data() {
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QStringList>("expected");
    const QString when = Numbers::generalDateTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    const QString first = QStringLiteral("Brenwick QERO AFR Data Printed: ") + when;
    QTest::newRow("afr, no comment") << ""
                                     << "AFR"
                                     << QStringList{first,
                                                    "",
                                                    "Fuel Type: E85",
                                                    "Stoichiometric Ratio: 9.77",
                                                    "Data Type: Sensor 2 Average AFR",
                                                    "AFR Target: 8.80",
                                                    "Minimum Samples Per Cell:  5",
                                                    ""};
    QTest::newRow("fuel, comment")
        << "Track day"
        << "Fuel"
        << QStringList{first,
                       "",
                       "Comment: Track day",
                       "Fuel Type: E85",
                       "Stoichiometric Ratio: 9.77",
                       "Data Type: Sensor 2 Required Fuel Correction (%)",
                       "AFR Target: 8.80",
                       "Minimum Samples Per Cell:  5",
                       ""};
}

void tst_afrtableprintout::headerLines() {
    QFETCH(QString, comment);
    QFETCH(QString, display);
    QFETCH(QStringList, expected);
    AppState s;
    s.settings.ConfigList2 = QStringList{"Brenwick", "Brenwick Engineering Inc."};
    s.log.Comment = comment;
    s.log.FuelType = QStringLiteral("E85");
    s.log.StoichRatio = 9.77f;
    s.updateAFRFormat();
    s.settings.AFRTableData = QStringLiteral("Sensor 2");
    s.settings.AFRTableDisplay = display;
    s.settings.AFRTarget = 8.8f;
    s.settings.MinSampleNum = 5;
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    QCOMPARE(AFRTablePrintout::headerLines(s, when), expected);
    const AFRTableGrid::Texts texts{};
    QCOMPARE(AFRTablePrintout::pageLines(s, texts, when).size(), expected.size() + 31);
}

QTEST_APPLESS_MAIN(tst_afrtableprintout)
#include "tst_afrtableprintout.moc"
