// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTable.h"
#include "logdata/AppState.h"

#include <QtTest>

using Colour = AFRTableGrid::Colour;

namespace {

// A cleared buffer whose analog input reads straight through as throttle percent
// (1 V = 1 %), so that a sample's throttle position is exactly the volts stored.
AppState plainState() {
    AppState s;
    s.log.ClearDataBuffer();
    s.log.MinInVolts = 0.0f;
    s.log.MaxInVolts = 5.0f;
    s.log.MinScaledValue = 0.0f;
    s.log.MaxScaledValue = 5.0f;
    s.log.StoichRatio = 14.69f;
    s.updateAFRFormat();
    s.settings.AFRTarget = 13.2f;
    s.settings.MinSampleNum = 1;
    return s;
}

void put(AppState& s, int slot, float rpm, float tps, float afr) {
    s.log.RPM[slot] = rpm;
    s.log.AnalogInVolts[slot] = tps;
    s.log.AFR1[slot] = afr;
    s.log.AFR2[slot] = afr;
}

int cell(int row, int column) {
    return column + AFRTable::kTpsColumns * row;
}

} // namespace

class tst_afrtablecomputation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyBufferShowsHeadingsOnly();
    void rpmRows_data();
    void rpmRows();
    void throttleColumns_data();
    void throttleColumns();
    void scaledThrottleIsClampedAndBinned();
    void exclusionRule_data();
    void exclusionRule();
    void sensorChoice();
    void filterNeedsTwoSamplesInACell();
    void minimumSamples_data();
    void minimumSamples();
    void cellTextsAndColours_data();
    void cellTextsAndColours();
    void lambdaDisplay();
    void addingWithoutResetAccumulates();
};

void tst_afrtablecomputation::emptyBufferShowsHeadingsOnly() {
    AppState s = plainState();
    AFRTable table;
    const AFRTableGrid g = table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(g.text[0][0], QStringLiteral("RPM/TPS"));
    const QStringList tps = {"0%", "2%", "5%", "10%", "20%", "40%", "60%", "80%", "100%"};
    for (int c = 1; c <= 9; ++c)
        QCOMPARE(g.text[0][c], tps[c - 1]);
    for (int r = 1; r <= 30; ++r) {
        QCOMPARE(g.text[r][0], QString::number(500 * r));
        for (int c = 1; c <= 9; ++c) {
            QVERIFY(g.text[r][c].isEmpty());
            QCOMPARE(g.colour[r][c], Colour::Window);
        }
    }
    for (int n : table.CellSampleCount())
        QCOMPARE(n, 0);
}

void tst_afrtablecomputation::rpmRows_data() {
    QTest::addColumn<float>("rpm");
    QTest::addColumn<int>("row");
    QTest::newRow("0") << 0.0f << 0;
    QTest::newRow("749") << 749.0f << 0;
    QTest::newRow("750") << 750.0f << 1;
    QTest::newRow("901") << 901.0f << 1;
    QTest::newRow("1249") << 1249.0f << 1;
    QTest::newRow("1249.5 between rows") << 1249.5f << 1;
    QTest::newRow("1250") << 1250.0f << 2;
    QTest::newRow("7749") << 7749.0f << 14;
    QTest::newRow("14749") << 14749.0f << 28;
    QTest::newRow("14749.5 between rows") << 14749.5f << 28;
    QTest::newRow("14750") << 14750.0f << 29;
    QTest::newRow("20000") << 20000.0f << 29;
    QTest::newRow("negative") << -5.0f << 0;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0;
}

void tst_afrtablecomputation::rpmRows() {
    QFETCH(float, rpm);
    QFETCH(int, row);
    QCOMPARE(AFRTable::rpmRow(rpm), row);
}

void tst_afrtablecomputation::throttleColumns_data() {
    QTest::addColumn<float>("tps");
    QTest::addColumn<int>("column");
    QTest::newRow("0") << 0.0f << 0;
    QTest::newRow("0.99") << 0.99f << 0;
    QTest::newRow("1.0") << 1.0f << 1;
    QTest::newRow("3.5") << 3.5f << 1;
    QTest::newRow("3.51") << 3.51f << 2;
    QTest::newRow("7.5") << 7.5f << 2;
    QTest::newRow("15") << 15.0f << 3;
    QTest::newRow("30") << 30.0f << 4;
    QTest::newRow("50") << 50.0f << 5;
    QTest::newRow("70") << 70.0f << 6;
    QTest::newRow("90") << 90.0f << 7;
    QTest::newRow("90.01") << 90.01f << 8;
    QTest::newRow("100") << 100.0f << 8;
}

void tst_afrtablecomputation::throttleColumns() {
    QFETCH(float, tps);
    QFETCH(int, column);
    QCOMPARE(AFRTable::tpsColumn(tps), column);

    // The same sample through the whole computation lands in that grid column.
    AppState s = plainState();
    put(s, 0, 3000.0f, tps, 14.0f);
    AFRTable table;
    const AFRTableGrid g = table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(table.CellSampleCount()[cell(5, column)], 1);
    QCOMPARE(g.text[6][column + 1], QStringLiteral("14.0"));
}

void tst_afrtablecomputation::scaledThrottleIsClampedAndBinned() {
    // A 0.5..4.5 V throttle sensor: 2.5 V is 50 %, 0.38 V is -3 %, 5.7 V is 130 %.
    AppState s = plainState();
    s.log.MinInVolts = 0.5f;
    s.log.MaxInVolts = 4.5f;
    s.log.MinScaledValue = 0.0f;
    s.log.MaxScaledValue = 100.0f;
    put(s, 0, 2000.0f, 2.5f, 13.0f);
    put(s, 1, 2000.0f, 0.38f, 13.0f);
    put(s, 2, 2000.0f, 5.7f, 13.0f);
    AFRTable table;
    table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(table.TPSPercent()[0], 50.0f);
    QCOMPARE(table.TPSPercent()[1], 0.0f);
    QCOMPARE(table.TPSPercent()[2], 100.0f);
    QCOMPARE(table.CellSampleCount()[cell(3, 5)], 1);
    QCOMPARE(table.CellSampleCount()[cell(3, 0)], 1);
    QCOMPARE(table.CellSampleCount()[cell(3, 8)], 1);

    // An empty voltage range divides by 0.1 V instead: 2.05 V reads 50 %.
    s.log.MinInVolts = 2.0f;
    s.log.MaxInVolts = 2.0f;
    s.log.MaxScaledValue = 100.0f;
    table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(table.TPSPercent()[0], 100.0f); // 2.5 V: 500 %, clamped
    s.log.AnalogInVolts[0] = 2.05f;
    table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QVERIFY(qAbs(table.TPSPercent()[0] - 50.0f) < 0.01f);
}

void tst_afrtablecomputation::exclusionRule_data() {
    QTest::addColumn<float>("rpm");
    QTest::addColumn<float>("afr");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("rpm 900") << 900.0f << 14.0f << false;
    QTest::newRow("rpm 901") << 901.0f << 14.0f << true;
    QTest::newRow("afr 10.5") << 3000.0f << 10.5f << true;
    QTest::newRow("afr 10.4") << 3000.0f << 10.4f << false;
    QTest::newRow("afr 19.4") << 3000.0f << 19.4f << true;
    QTest::newRow("afr 19.5") << 3000.0f << 19.5f << false;
    QTest::newRow("fault placeholder 10.0") << 3000.0f << 10.0f << false;
    QTest::newRow("free air 20.0") << 3000.0f << 20.0f << false;
    QTest::newRow("rpm not a number") << std::numeric_limits<float>::quiet_NaN() << 14.0f << false;
}

void tst_afrtablecomputation::exclusionRule() {
    QFETCH(float, rpm);
    QFETCH(float, afr);
    QFETCH(bool, accepted);
    AppState s = plainState();
    put(s, 100, rpm, 20.0f, afr);
    AFRTable table;
    table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    int total = 0;
    for (int n : table.CellSampleCount())
        total += n;
    QCOMPARE(total, accepted ? 1 : 0);
}

void tst_afrtablecomputation::sensorChoice() {
    AppState s = plainState();
    put(s, 0, 3000.0f, 20.0f, 0.0f);
    s.log.AFR1[0] = 12.0f;
    s.log.AFR2[0] = 15.0f;
    AFRTable table;
    s.settings.AFRTableData = QStringLiteral("Sensor 1");
    QCOMPARE(table.WriteAFRTable(QStringLiteral("AFR"), true, s, false).text[6][5],
             QStringLiteral("12.0"));
    s.settings.AFRTableData = QStringLiteral("Sensor 2");
    QCOMPARE(table.WriteAFRTable(QStringLiteral("AFR"), true, s, false).text[6][5],
             QStringLiteral("15.0"));
    // Only the exact text selects sensor 1.
    s.settings.AFRTableData = QStringLiteral("sensor 1");
    QCOMPARE(table.WriteAFRTable(QStringLiteral("AFR"), true, s, false).text[6][5],
             QStringLiteral("15.0"));
}

void tst_afrtablecomputation::filterNeedsTwoSamplesInACell() {
    AppState s = plainState();
    const int a = cell(5, 4); // 3000 rpm, 20 %
    const int b = cell(5, 5); // 3000 rpm, 40 %
    // Slots 0..9 alternate between two cells.
    for (int i = 0; i < 10; ++i)
        put(s, i, 3000.0f, i % 2 ? 40.0f : 20.0f, 14.0f);
    // Slot 20 in cell b, then a run of 6 in cell a.
    put(s, 20, 3000.0f, 40.0f, 14.0f);
    for (int i = 21; i < 27; ++i)
        put(s, i, 3000.0f, 20.0f, 13.0f);

    AFRTable table;
    table.WriteAFRTable(QStringLiteral("AFR"), true, s, true);
    QCOMPARE(table.CellSampleCount()[b], 0);
    QCOMPARE(table.CellSampleCount()[a], 5);

    table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(table.CellSampleCount()[b], 6);
    QCOMPARE(table.CellSampleCount()[a], 11);

    // The first slot has no predecessor and is never taken while filtering; rejected
    // samples still count as the predecessor's cell.
    AppState t = plainState();
    put(t, 0, 3000.0f, 20.0f, 14.0f);
    put(t, 1, 3000.0f, 20.0f, 14.0f);
    put(t, 2, 3000.0f, 20.0f, 25.0f); // rejected, but in the same cell
    put(t, 3, 3000.0f, 20.0f, 14.0f);
    table.WriteAFRTable(QStringLiteral("AFR"), true, t, true);
    QCOMPARE(table.CellSampleCount()[a], 2);
}

void tst_afrtablecomputation::minimumSamples_data() {
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("text");
    QTest::newRow("4 of 5") << 4 << QString();
    QTest::newRow("5 of 5") << 5 << QStringLiteral("13.6");
}

void tst_afrtablecomputation::minimumSamples() {
    QFETCH(int, samples);
    QFETCH(QString, text);
    AppState s = plainState();
    s.settings.MinSampleNum = 5;
    const float values[] = {13.2f, 13.4f, 13.6f, 13.8f, 14.0f};
    for (int i = 0; i < samples; ++i)
        put(s, i, 3000.0f, 20.0f, values[i + (5 - samples)]);
    AFRTable table;
    const AFRTableGrid g = table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(table.CellSampleCount()[cell(5, 4)], samples);
    QCOMPARE(g.text[6][5], text);
    QCOMPARE(table.CellAFRAverage()[cell(5, 4)] == 0.0f, text.isEmpty());
}

void tst_afrtablecomputation::cellTextsAndColours_data() {
    QTest::addColumn<float>("average");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Colour>("colour");
    QTest::newRow("14.0 afr") << 14.0f << "AFR"
                              << "14.0" << Colour::LightRed;
    QTest::newRow("14.0 fuel") << 14.0f << "Fuel"
                               << "6" << Colour::LightRed;
    QTest::newRow("13.5 afr") << 13.5f << "AFR"
                              << "13.5" << Colour::Window;
    QTest::newRow("13.5 fuel") << 13.5f << "Fuel"
                               << "2" << Colour::Window;
    QTest::newRow("on target: empty") << 13.2f << "Fuel"
                                      << "" << Colour::Window;
    QTest::newRow("d = 0.5") << 13.7f << "AFR"
                             << "13.7" << Colour::Window;
    QTest::newRow("d = 0.6") << 13.8f << "AFR"
                             << "13.8" << Colour::LightRed;
    QTest::newRow("d = -0.5") << 12.7f << "AFR"
                              << "12.7" << Colour::Window;
    QTest::newRow("d = -0.6") << 12.6f << "AFR"
                              << "12.6" << Colour::LightCyan;
    QTest::newRow("rich fuel") << 12.0f << "Fuel"
                               << "-10" << Colour::LightCyan;
    QTest::newRow("other mode text is fuel") << 12.0f << "fuel%"
                                             << "-10" << Colour::LightCyan;
}

void tst_afrtablecomputation::cellTextsAndColours() {
    QFETCH(float, average);
    QFETCH(QString, display);
    QFETCH(QString, text);
    QFETCH(Colour, colour);
    AppState s = plainState();
    s.settings.MinSampleNum = 5;
    for (int i = 0; i < 5; ++i)
        put(s, 200 + i, 9000.0f, 95.0f, average);
    AFRTable table;
    const AFRTableGrid g = table.WriteAFRTable(display, true, s, false);
    QCOMPARE(g.text[18][9], text);
    QCOMPARE(g.colour[18][9], colour);
}

void tst_afrtablecomputation::lambdaDisplay() {
    AppState s = plainState();
    s.log.StoichRatio = 1.0f;
    s.updateAFRFormat();
    s.settings.AFRTarget = 0.9f;
    put(s, 0, 3000.0f, 20.0f, 14.69f);
    AFRTable table;
    const AFRTableGrid g = table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(g.text[6][5], QStringLiteral("1.000"));
    QCOMPARE(g.colour[6][5], Colour::Window);

    // E85 ratios use two decimals: 14.0 on the gasoline scale is 9.31.
    s.log.StoichRatio = 9.77f;
    s.updateAFRFormat();
    s.settings.AFRTarget = 8.8f;
    s.log.AFR1[0] = 14.0f;
    s.log.AFR2[0] = 14.0f;
    QCOMPARE(table.WriteAFRTable(QStringLiteral("AFR"), true, s, false).text[6][5],
             QStringLiteral("9.31"));
}

void tst_afrtablecomputation::addingWithoutResetAccumulates() {
    AppState s = plainState();
    s.settings.MinSampleNum = 5;
    for (int i = 0; i < 3; ++i)
        put(s, i, 3000.0f, 20.0f, 14.0f);
    AFRTable table;
    AFRTableGrid g = table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QVERIFY(g.text[6][5].isEmpty()); // 3 of 5

    g = table.WriteAFRTable(QStringLiteral("AFR"), false, s, false);
    QCOMPARE(table.CellSampleCount()[cell(5, 4)], 6);
    QCOMPARE(g.text[6][5], QStringLiteral("14.0"));
    g = table.WriteAFRTable(QStringLiteral("AFR"), false, s, false);
    QCOMPARE(table.CellSampleCount()[cell(5, 4)], 9);
    QCOMPARE(table.CellAFRAverage()[cell(5, 4)], 14.0f);
    QCOMPARE(table.CellAFRSum()[cell(5, 4)], 126.0f);

    // A reset counts the buffer alone again.
    table.WriteAFRTable(QStringLiteral("AFR"), true, s, false);
    QCOMPARE(table.CellSampleCount()[cell(5, 4)], 3);
    QCOMPARE(table.CellAFRAverage()[cell(5, 4)], 0.0f);
}

QTEST_APPLESS_MAIN(tst_afrtablecomputation)
#include "tst_afrtablecomputation.moc"
