// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Numbers.h"

#include <QtTest>

#include <limits>

class tst_numbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundHalfEven_data();
    void roundHalfEven();
    void format_data();
    void format();
    void logNumber_data();
    void logNumber();
    void shortestFloatReadsBack();
    void leadingNumber_data();
    void leadingNumber();
    void generalDateTimeHasDateAndTime();
};

void tst_numbers::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expected");
    QTest::newRow("62.5 to even") << 62.5 << 0 << 62.0;
    QTest::newRow("127.5 to even") << 127.5 << 0 << 128.0;
    QTest::newRow("-2.5") << -2.5 << 0 << -2.0;
    QTest::newRow("exact tie 0.125") << 0.125 << 2 << 0.12;
    QTest::newRow("exact tie 0.375") << 0.375 << 2 << 0.38;
    QTest::newRow("12.345 lies above the half") << 12.345 << 2 << 12.35;
    QTest::newRow("12.3456 to 3") << 12.3456 << 3 << 12.346;
    QTest::newRow("analog byte 128") << 5.0 * 128 / 255 << 2 << 2.51;
    QTest::newRow("sensor code 7") << 7.0 / 25 + 10 << 1 << 10.3;
    QTest::newRow("sensor code 238") << 238.0 / 25 + 10 << 1 << 19.5;
    QTest::newRow("interval x1") << double(0.096f) * 1 << 2 << 0.1;
    QTest::newRow("interval x2") << double(0.096f) * 2 << 2 << 0.19;
    QTest::newRow("rpm tie 117187.5") << 15000000.0 / 128 << 0 << 117188.0;
}

void tst_numbers::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, expected);
    QCOMPARE(Numbers::roundHalfEven(value, decimals), expected);
}

void tst_numbers::format_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("##0.0 example") << 12.345 << "##0.0"
                                   << "12.3";
    QTest::newRow("0.00 pads") << 0.1 << "0.00"
                               << "0.10";
    QTest::newRow("#0.0 afr") << 14.7 << "#0.0"
                              << "14.7";
    QTest::newRow("#0.0 small") << 0.04 << "#0.0"
                                << "0.0";
    QTest::newRow("#0.00 e85") << 9.3111 << "#0.00"
                               << "9.31";
    QTest::newRow("#0.000 lambda") << 1.0 << "#0.000"
                                   << "1.000";
    QTest::newRow("0.0# one decimal") << 5.0 << "0.0#"
                                      << "5.0";
    QTest::newRow("0.0# two decimals") << 0.25 << "0.0#"
                                       << "0.25";
    QTest::newRow("0.0# rounds") << 4.856 << "0.0#"
                                 << "4.86";
    QTest::newRow("####0.0## min") << 12.0 << "####0.0##"
                                   << "12.0";
    QTest::newRow("####0.0## max") << 12.346 << "####0.0##"
                                   << "12.346";
    QTest::newRow("####0.0## trims") << 59.1 << "####0.0##"
                                     << "59.1";
    QTest::newRow("##0 integer") << 3.0 << "##0"
                                 << "3";
    QTest::newRow("##0 zero") << 0.0 << "##0"
                              << "0";
    QTest::newRow("##0 rounds even") << 50.5 << "##0"
                                     << "50";
    QTest::newRow("## zero is empty") << 0.0 << "##"
                                      << "";
    QTest::newRow("## value") << 6.0 << "##"
                              << "6";
    QTest::newRow("## negative") << -12.4 << "##"
                                 << "-12";
    QTest::newRow("# zero is empty") << 0.3 << "#"
                                     << "";
    QTest::newRow("# value") << 3.0 << "#"
                             << "3";
    QTest::newRow("###0") << 6543.4 << "###0"
                          << "6543";
    QTest::newRow("####0 wide") << 123456.0 << "####0"
                                << "123456";
    QTest::newRow("####0.00") << 1.005 << "####0.00"
                              << "1.00";
    QTest::newRow("0.0") << 0.5 << "0.0"
                         << "0.5";
    QTest::newRow("negative #0.0") << -3.25 << "#0.0"
                                   << "-3.2";
    QTest::newRow("negative zero") << -0.01 << "0.0"
                                   << "0.0";
}

void tst_numbers::format() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Numbers::format(value, pattern), expected);
}

void tst_numbers::logNumber_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("10") << 10.0f << "10";
    QTest::newRow("14.7") << 14.7f << "14.7";
    QTest::newRow(".1") << 0.1f << ".1";
    QTest::newRow("-.5") << -0.5f << "-.5";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("14.69") << 14.69f << "14.69";
    QTest::newRow("1200") << 1200.0f << "1200";
    QTest::newRow("0.096") << 0.096f << ".096";
    QTest::newRow("1199.99 keeps 7 digits") << 1199.99f << "1199.99";
    QTest::newRow("2.51") << 2.51f << "2.51";
    QTest::newRow("small without exponent") << 0.00001f << ".00001";
    QTest::newRow("large without exponent") << 12345678.0f << "12345680";
    QTest::newRow("7 significant") << 3.14159265f << "3.141593";
    QTest::newRow("negative, rounded to 7") << -98765.4321f << "-98765.43";
    QTest::newRow("largest single")
        << std::numeric_limits<float>::max() << "340282300000000000000000000000000000000";
    QTest::newRow("smallest single")
        << std::numeric_limits<float>::denorm_min() << "." + QString(44, u'0') + "1401298";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << "0";
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << "0";
}

void tst_numbers::logNumber() {
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(Numbers::logNumber(value), expected);
    // The writer appends to the row it is building.
    QByteArray row("1,");
    Numbers::appendLogNumber(row, value);
    QCOMPARE(row, "1," + expected.toLatin1());
    QCOMPARE(Numbers::logInteger(10000), QStringLiteral("10000"));
}

void tst_numbers::shortestFloatReadsBack() {
    for (float v : {0.1f, 14.69f, 1199.99f, 0.096f * 7, 2.51f, 1e-7f, 3.4e38f, -0.5f, 20.0f,
                    -300.0f, 1e15f, 0.00002f}) {
        const QString text = Numbers::shortestFloat(v);
        QCOMPARE(text.toFloat(), v);
    }
    QCOMPARE(Numbers::shortestFloat(0.1f), QStringLiteral("0.1"));
    QCOMPARE(Numbers::shortestFloat(14.69f), QStringLiteral("14.69"));
    QCOMPARE(Numbers::shortestFloat(13000.0f), QStringLiteral("13000"));
    QCOMPARE(Numbers::shortestFloat(10000.0f), QStringLiteral("10000"));
    QCOMPARE(Numbers::shortestFloat(0.05f), QStringLiteral("0.05"));
    QCOMPARE(Numbers::shortestFloat(20.0f), QStringLiteral("20"));
}

void tst_numbers::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "12.5" << 12.5;
    QTest::newRow("leading spaces") << "   7" << 7.0;
    QTest::newRow("no leading zero") << ".5" << 0.5;
    QTest::newRow("negative") << "-.5" << -0.5;
    QTest::newRow("trailing text") << "10000 rpm" << 10000.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("none") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("quoted") << "\"12\"" << 0.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent without digits") << "2e" << 2.0;
    QTest::newRow("huge exponent is not infinite") << "1e999" << 0.0;
}

void tst_numbers::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Numbers::leadingNumber(text), expected);
}

void tst_numbers::generalDateTimeHasDateAndTime() {
    const QDateTime when(QDate(2026, 12, 10), QTime(15, 4, 5));
    const QString text = Numbers::generalDateTime(when);
    QVERIFY2(text.contains(QLatin1String("2026")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("04:05")) || text.contains(QLatin1String("4:05")),
             qPrintable(text));
}

QTEST_APPLESS_MAIN(tst_numbers)
#include "tst_numbers.moc"
