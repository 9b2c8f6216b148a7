// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTableFields.h"
#include "logdata/AppState.h"

#include <QtTest>

class tst_afrtablefields : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultTarget_data();
    void defaultTarget();
    void target_data();
    void target();
    void minSamples_data();
    void minSamples();
};

void tst_afrtablefields::defaultTarget_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("shown");
    QTest::newRow("gasoline") << 14.69f << "13.2";
    QTest::newRow("6.4") << 6.4f << "5.80";
    QTest::newRow("E85") << 9.77f << "8.80";
    QTest::newRow("lambda") << 1.0f << "0.900";
}

void tst_afrtablefields::defaultTarget() {
    QFETCH(float, ratio);
    QFETCH(QString, shown);
    const float target = AFRTableFields::defaultTarget(ratio);
    QCOMPARE(AFRTableFields::checkTarget(shown, ratio, AppState::afrFormatFor(ratio)).text, shown);
    QCOMPARE(AFRTableFields::checkTarget(shown, ratio, AppState::afrFormatFor(ratio)).value,
             double(target));
}

void tst_afrtablefields::target_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    const QString low = QStringLiteral("Value must be greater than or equal to ");
    const QString high = QStringLiteral("Value must be less than or equal to ");
    QTest::newRow("gasoline 9") << 14.69f << "9" << low + "10.5"
                                << "10.5";
    QTest::newRow("gasoline 20") << 14.69f << "20" << high + "19.5"
                                 << "19.5";
    QTest::newRow("gasoline 10.5") << 14.69f << "10.5"
                                   << ""
                                   << "10.5";
    QTest::newRow("gasoline 19.5") << 14.69f << "19.5"
                                   << ""
                                   << "19.5";
    QTest::newRow("gasoline 13.25 half to even") << 14.69f << "13.25"
                                                 << ""
                                                 << "13.2";
    QTest::newRow("gasoline 13.26") << 14.69f << "13.26"
                                    << ""
                                    << "13.3";
    QTest::newRow("gasoline text") << 14.69f << "abc" << low + "10.5"
                                   << "10.5";
    QTest::newRow("gasoline leading number") << 14.69f << " 14.1xyz"
                                             << ""
                                             << "14.1";
    QTest::newRow("6.4 low") << 6.4f << "4" << low + "4.60"
                             << "4.60";
    QTest::newRow("6.4 high") << 6.4f << "9" << high + "8.50"
                              << "8.50";
    QTest::newRow("6.4 two decimals") << 6.4f << "5.756"
                                      << ""
                                      << "5.76";
    QTest::newRow("lambda low") << 1.0f << "0.5" << low + "0.700"
                                << "0.700";
    QTest::newRow("lambda high") << 1.0f << "1.5" << high + "1.300"
                                 << "1.300";
    QTest::newRow("lambda three decimals") << 1.0f << "0.8514"
                                           << ""
                                           << "0.851";
}

void tst_afrtablefields::target() {
    QFETCH(float, ratio);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    const auto checked = AFRTableFields::checkTarget(typed, ratio, AppState::afrFormatFor(ratio));
    QCOMPARE(checked.message, message);
    QCOMPARE(checked.text, shown);
    QCOMPARE(float(checked.value), shown.toFloat());
}

void tst_afrtablefields::minSamples_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << "0"
                       << "Value must be greater than or equal to 1" << 1;
    QTest::newRow("text") << "many"
                          << "Value must be greater than or equal to 1" << 1;
    QTest::newRow("30") << "30"
                        << "Value must be less than or equal to 25" << 25;
    QTest::newRow("7.9") << "7.9"
                         << "" << 7;
    QTest::newRow("1") << "1"
                       << "" << 1;
    QTest::newRow("25") << "25"
                        << "" << 25;
    QTest::newRow("25.5") << "25.5"
                          << "Value must be less than or equal to 25" << 25;
}

void tst_afrtablefields::minSamples() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, value);
    const auto checked = AFRTableFields::checkMinSamples(typed);
    QCOMPARE(checked.message, message);
    QCOMPARE(int(checked.value), value);
    QCOMPARE(checked.text, QString::number(value));
}

QTEST_APPLESS_MAIN(tst_afrtablefields)
#include "tst_afrtablefields.moc"
