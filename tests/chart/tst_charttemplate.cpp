// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartTemplate.h"

#include <QtTest>

namespace {
QString fixture(const char* name) {
    return QStringLiteral(QERO_TEST_DATA "/") + QLatin1String(name);
}
} // namespace

class tst_charttemplate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shippedTemplateReads();
    void valuesAreRead();
    void unknownSectionsAndKeysAreSkipped();
    void unreadableFiles_data();
    void unreadableFiles();
    void badValues_data();
    void badValues();
};

void tst_charttemplate::shippedTemplateReads() {
    QString error;
    const auto t = ChartTemplate::load(
        QStringLiteral(QERO_SOURCE_DATA "/") + QLatin1String(ChartTemplate::kFileName), &error);
    QVERIFY2(t, qPrintable(error));
    // The two traces must be told apart at a glance.
    QVERIFY(t->trace1.color != t->trace2.color);
    QVERIFY(t->trace1.color != t->background && t->trace2.color != t->background);
}

void tst_charttemplate::valuesAreRead() {
    const auto t = ChartTemplate::parse("QERO4D Log chart template 1\r\n"
                                        "# comment\n"
                                        "[Trace2]\n"
                                        "  Color = #80112233  \n"
                                        "width=2.5\n"
                                        "style = DashDot\n"
                                        "[fonts]\n"
                                        "titles = Liberation Serif, 11.5, italic, bold\n"
                                        "[grid]\n"
                                        "visible = off\n"
                                        "[page]\n"
                                        "background = #0a0b0c\n");
    QVERIFY(t);
    QCOMPARE(t->trace2.color, 0x80112233u);
    QCOMPARE(t->trace2.width, 2.5);
    QCOMPARE(t->trace2.style, ChartTemplate::LineStyle::DashDot);
    QCOMPARE(t->titleFont.family, QStringLiteral("Liberation Serif"));
    QCOMPARE(t->titleFont.points, 11.5);
    QVERIFY(t->titleFont.bold && t->titleFont.italic);
    QVERIFY(!t->gridVisible);
    QCOMPARE(t->background, 0xff0a0b0cu);
    QCOMPARE(t->trace1.color, ChartTemplate().trace1.color); // untouched keys keep defaults
}

void tst_charttemplate::unknownSectionsAndKeysAreSkipped() {
    const auto t = ChartTemplate::parse("QERO4D Log chart template 1\n"
                                        "[trace1]\nglow = 3\ncolor = #010203\n"
                                        "[shadows]\ncolor = not a colour\n");
    QVERIFY(t);
    QCOMPARE(t->trace1.color, 0xff010203u);
}

void tst_charttemplate::unreadableFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << fixture("no_such_template.oc2");
    QTest::newRow("other file") << fixture("wrong_signature.oc2");
    QTest::newRow("bad colour") << fixture("bad_color.oc2");
    QTest::newRow("line without =") << fixture("no_equals.oc2");
    QTest::newRow("a folder") << QStringLiteral(QERO_TEST_DATA);
}

void tst_charttemplate::unreadableFiles() {
    QFETCH(QString, path);
    QString error;
    QVERIFY(!ChartTemplate::load(path, &error));
    QVERIFY(!error.isEmpty());
}

void tst_charttemplate::badValues_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("width too large") << QByteArray("[axes]\nwidth = 21\n");
    QTest::newRow("width negative") << QByteArray("[axes]\nwidth = -1\n");
    QTest::newRow("width not a number") << QByteArray("[axes]\nwidth = nan\n");
    QTest::newRow("style") << QByteArray("[marker]\nstyle = wavy\n");
    QTest::newRow("bool") << QByteArray("[legend]\nvisible = maybe\n");
    QTest::newRow("font without size") << QByteArray("[fonts]\nticks = Arial\n");
    QTest::newRow("font word") << QByteArray("[fonts]\nticks = Arial, 9, heavy\n");
    QTest::newRow("font size") << QByteArray("[fonts]\nticks = Arial, 500\n");
    QTest::newRow("key before section") << QByteArray("color = #000000\n");
    QTest::newRow("unclosed section") << QByteArray("[trace1\n");
    QTest::newRow("colour letters") << QByteArray("[trace1]\ncolor = #12345g\n");
}

void tst_charttemplate::badValues() {
    QFETCH(QByteArray, body);
    QVERIFY(!ChartTemplate::parse("QERO4D Log chart template 1\n" + body));
}

QTEST_GUILESS_MAIN(tst_charttemplate)
#include "tst_charttemplate.moc"
