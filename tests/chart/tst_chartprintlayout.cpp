// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartPrintLayout.h"

#include <QtTest>

class tst_chartprintlayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fontFamily_data();
    void fontFamily();
    void headerLines();
    void chartRect_data();
    void chartRect();
};

void tst_chartprintlayout::fontFamily_data() {
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("offered") << QStringList{"Arial", "Monospac821 BT"} << "Monospac821 BT";
    QTest::newRow("other letter case")
        << QStringList{"Arial", "monospac821 bt"} << "monospac821 bt";
    QTest::newRow("not offered") << QStringList{"Arial", "Monospac821"} << "Courier New";
    QTest::newRow("no fonts") << QStringList{} << "Courier New";
}

void tst_chartprintlayout::fontFamily() {
    QFETCH(QStringList, families);
    QFETCH(QString, chosen);
    QCOMPARE(ChartPrintLayout::fontFamily(families), chosen);
}

void tst_chartprintlayout::headerLines() {
    const QStringList maker{QStringLiteral("Brenwick"), QStringLiteral("Brenwick Engineering")};
    QCOMPARE(ChartPrintLayout::headerLines(maker, QStringLiteral("3/1/2026 10:00:00 AM"),
                                           QStringLiteral("track day")),
             (QStringList{QStringLiteral("Brenwick QERO Data Printed: 3/1/2026 10:00:00 AM"),
                          QStringLiteral("Comment: track day")}));
    // No comment, no second line; a log without a download time keeps the label.
    QCOMPARE(ChartPrintLayout::headerLines(maker, QString(), QString()),
             QStringList{QStringLiteral("Brenwick QERO Data Printed: ")});
    QCOMPARE(ChartPrintLayout::headerLines({}, QStringLiteral("d"), QString()),
             QStringList{QStringLiteral(" QERO Data Printed: d")});
}

void tst_chartprintlayout::chartRect_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("headerTop");
    // 1000 twips are 0.694 inch: 416.67 pixels at 600 dpi, 83.33 at 120 dpi.
    QTest::newRow("600 dpi landscape") << 6300 << 4800 << 600.0 << QRect(0, 417, 6300, 4383) << 208;
    QTest::newRow("120 dpi") << 1260 << 960 << 120.0 << QRect(0, 83, 1260, 877) << 42;
    QTest::newRow("1200 dpi") << 12600 << 9600 << 1200.0 << QRect(0, 833, 12600, 8767) << 417;
}

void tst_chartprintlayout::chartRect() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, dpi);
    QFETCH(QRect, rect);
    QFETCH(int, headerTop);
    QCOMPARE(ChartPrintLayout::chartRect(width, height, dpi, dpi), rect);
    QCOMPARE(ChartPrintLayout::headerTop(dpi), headerTop);
}

QTEST_GUILESS_MAIN(tst_chartprintlayout)
#include "tst_chartprintlayout.moc"
