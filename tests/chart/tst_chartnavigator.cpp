// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartNavigator.h"
#include "chart/ChartSampleFinder.h"

#include <QtTest>

using Nav = ChartNavigator;

class tst_chartnavigator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void spanAndIntervalLabel_data();
    void spanAndIntervalLabel();
    void openingShowsWholeBuffer();
    void zoomSequence_data();
    void zoomSequence();
    void zoomStepSetsScrollBar();
    void scrollToEnds();
    void windowNearTheEndIsCut();
    void markerReadoutsFromResetReference_data();
    void markerReadoutsFromResetReference();
    void noSampleBlanksReadoutsButMovesLine();
    void diagnosticTexts_data();
    void diagnosticTexts();
    void movingClearsReadoutsButKeepsDiagnostic();
    void hugeIntervalDoesNotOverflowScrollBar();
    void nearestSample();
    void nearestSampleInUnsortedBuffer();
    void wheelZoomKeepsTimeUnderPointer_data();
    void wheelZoomKeepsTimeUnderPointer();
    void wheelZoomStopsAtLimits();
    void dragPansWithinBuffer_data();
    void dragPansWithinBuffer();
    void markerKeptInViewAndReadoutsKept();
    void keyActions_data();
    void keyActions();
    void stepThroughSamplesInTimeOrder();
};

void tst_chartnavigator::spanAndIntervalLabel_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<float>("span");
    QTest::addColumn<QString>("label");
    QTest::newRow("0.1 s") << 0.1f << 1200.0f << "0.10";
    QTest::newRow("1.0 s") << 1.0f << 12000.0f << "1.00";
    QTest::newRow("31 steps of 0.016 s") << 0.496f << 5952.0f << "0.50";
    QTest::newRow("0.25 s") << 0.25f << 3000.0f << "0.25";
}

void tst_chartnavigator::spanAndIntervalLabel() {
    QFETCH(float, interval);
    QFETCH(float, span);
    QFETCH(QString, label);
    QCOMPARE(Nav::chartTimeSpan(interval), span);
    QCOMPARE(Nav::logIntervalText(interval), label);
}

void tst_chartnavigator::openingShowsWholeBuffer() {
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    QCOMPARE(n.ChartTimeSpan, 1200.0f);
    QCOMPARE(n.MarkerTime, 600.0f);
    QCOMPARE(n.markerLine, 600.0);
    QCOMPARE(n.TimeZero, 0.0f);
    QCOMPARE(n.ZoomWidth, 720.0f);
    QCOMPARE(n.window.start, 0.0f);
    QCOMPARE(n.window.end, 1200.0f);
    QCOMPARE(n.scroll.minimum, 0);
    QCOMPARE(n.scroll.maximum, 1200);
    QCOMPARE(n.scroll.value, 1200);
    QCOMPARE(n.scroll.largeChange, 600);
    QCOMPARE(n.scroll.smallChange, 240);
    QCOMPARE(n.lblMarkerTime, QStringLiteral("Sec "));
    QCOMPARE(n.lblMarkerTrace1, QString());
}

// Presses, in order: '+' zoom in, '-' zoom out; `widths` is ZoomWidth after each press
// ("=" for a press that does nothing).
void tst_chartnavigator::zoomSequence_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<QString>("presses");
    QTest::addColumn<QList<float>>("widths");
    QTest::addColumn<QList<bool>>("tookEffect");
    QTest::newRow("0.1 s in to the limit")
        << 0.1f << "+++++++" << QList<float>{360, 180, 90, 45, 22.5f, 11.25f, 11.25f}
        << QList<bool>{true, true, true, true, true, true, false};
    QTest::newRow("0.1 s out to the limit")
        << 0.1f << "+--" << QList<float>{360, 720, 720} << QList<bool>{true, true, false};
    QTest::newRow("1.0 s in to the limit")
        << 1.0f << "+++" << QList<float>{360, 180, 180} << QList<bool>{true, true, false};
    QTest::newRow("1.0 s out to the limit")
        << 1.0f << "++------" << QList<float>{360, 180, 360, 720, 1440, 2880, 5760, 11520}
        << QList<bool>{true, true, true, true, true, true, true, true};
    QTest::newRow("1.0 s past 11520")
        << 1.0f << "-----" << QList<float>{1440, 2880, 5760, 11520, 11520}
        << QList<bool>{true, true, true, true, false};
}

void tst_chartnavigator::zoomSequence() {
    QFETCH(float, interval);
    QFETCH(QString, presses);
    QFETCH(QList<float>, widths);
    QFETCH(QList<bool>, tookEffect);
    Nav n;
    n.open(interval);
    n.zoomAll();
    for (qsizetype i = 0; i < presses.size(); ++i) {
        const bool effect = presses[i] == u'+' ? n.zoomIn() : n.zoomOut();
        QCOMPARE(effect, tookEffect[i]);
        QCOMPARE(n.ZoomWidth, widths[i]);
    }
}

void tst_chartnavigator::zoomStepSetsScrollBar() {
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    n.placeMarker(300.0, Nav::MarkerSample{300.0f, 1.0f, 2.0f, 0.0f}, "#0", "#0");
    QVERIFY(n.zoomIn());
    QCOMPARE(n.window.start, 120.0f);
    QCOMPARE(n.window.end, 480.0f);
    QCOMPARE(n.scroll.value, 300);
    QCOMPARE(n.scroll.largeChange, 360);
    QCOMPARE(n.scroll.smallChange, 72);
    QCOMPARE(n.lblMarkerTime, QStringLiteral("Sec "));
    QCOMPARE(n.lblMarkerTrace1, QString());
    QCOMPARE(n.lblMarkerTrace2, QString());
    // A window narrower than 5 s keeps small steps of at least 1 s.
    Nav tiny;
    tiny.open(0.001f);
    tiny.zoomAll();
    for (int i = 0; i < 12; ++i)
        QVERIFY(tiny.zoomIn()); // 100 intervals are 0.1 s: the 1 s floor is what holds
    QCOMPARE(tiny.ZoomWidth, 1.0f);
    QCOMPARE(tiny.scroll.smallChange, 1);
    QCOMPARE(tiny.scroll.largeChange, 1);
}

void tst_chartnavigator::scrollToEnds() {
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    QVERIFY(n.zoomIn()); // 360 s
    n.scrollTo(0);
    QCOMPARE(n.window.start, 0.0f);
    QCOMPARE(n.window.end, 360.0f);
    n.scrollTo(n.scroll.maximum);
    QCOMPARE(n.window.start, 1200.0f - 180.0f);
    QCOMPARE(n.window.end, 1200.0f);
    // Scrolling keeps the width and the marker.
    QCOMPARE(n.ZoomWidth, 360.0f);
    QCOMPARE(n.MarkerTime, 600.0f);
    // The first scroll after "Zoom All" shows 720 s around the new value.
    n.zoomAll();
    n.scrollTo(500);
    QCOMPARE(n.window.start, 140.0f);
    QCOMPARE(n.window.end, 860.0f);
}

void tst_chartnavigator::windowNearTheEndIsCut() {
    Nav n;
    n.open(0.05f); // 600 s buffer, narrower than the zoom-all width
    n.zoomAll();
    n.scrollTo(0);
    // The start is clamped first (window 0..720), then the end is cut to the buffer.
    QCOMPARE(n.window.start, 0.0f);
    QCOMPARE(n.window.end, 600.0f);
    // Zoom out needs a buffer of at least twice the width.
    QVERIFY(!n.zoomOut());
}

void tst_chartnavigator::markerReadoutsFromResetReference_data() {
    QTest::addColumn<float>("reference");
    QTest::addColumn<float>("clicked");
    QTest::addColumn<QString>("readout");
    QTest::newRow("after") << 30.0f << 42.5f << "12.5 Sec ";
    QTest::newRow("before") << 30.0f << 25.0f << "-5.0 Sec ";
    QTest::newRow("at") << 30.0f << 30.0f << "0.0 Sec ";
}

void tst_chartnavigator::markerReadoutsFromResetReference() {
    QFETCH(float, reference);
    QFETCH(float, clicked);
    QFETCH(QString, readout);
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    n.placeMarker(reference + 0.02, Nav::MarkerSample{reference, 3000.0f, 14.7f, 0.0f}, "####0",
                  "#0.0");
    QCOMPARE(n.lblMarkerTrace1, QStringLiteral("3000"));
    QCOMPARE(n.lblMarkerTrace2, QStringLiteral("14.7"));
    n.resetTime();
    QCOMPARE(n.TimeZero, reference);
    QCOMPARE(n.lblMarkerTime, QStringLiteral("0.000 Sec "));
    QCOMPARE(n.lblMarkerTrace1, QStringLiteral("3000")); // kept
    n.placeMarker(clicked, Nav::MarkerSample{clicked, 1234.4f, 0.9876f, 0.0f}, "####0", "#0.000");
    QCOMPARE(n.lblMarkerTime, readout);
    QCOMPARE(n.lblMarkerTrace1, QStringLiteral("1234"));
    QCOMPARE(n.lblMarkerTrace2, QStringLiteral("0.988"));
    QCOMPARE(n.MarkerTime, clicked);
}

void tst_chartnavigator::noSampleBlanksReadoutsButMovesLine() {
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    n.placeMarker(42.5, Nav::MarkerSample{42.5f, 1.0f, 2.0f, 6.0f}, "#0", "#0");
    QCOMPARE(n.lblDiagCode, QStringLiteral("Sensor Cold"));
    n.placeMarker(-3.25, std::nullopt, "#0", "#0");
    QCOMPARE(n.markerLine, -3.25);
    QCOMPARE(n.MarkerTime, 42.5f);
    QCOMPARE(n.lblMarkerTime, QStringLiteral("Sec "));
    QCOMPARE(n.lblMarkerTrace1, QString());
    QCOMPARE(n.lblMarkerTrace2, QString());
    QCOMPARE(n.lblDiagCode, QString());
}

void tst_chartnavigator::diagnosticTexts_data() {
    QTest::addColumn<float>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("valid") << 0.0f << "";
    QTest::newRow("1") << 1.0f << "Low Battery";
    QTest::newRow("2") << 2.0f << "High Battery";
    QTest::newRow("3") << 3.0f << "Sensor Short";
    QTest::newRow("4") << 4.0f << "Sensor Open";
    QTest::newRow("5") << 5.0f << "Over Max Temp";
    QTest::newRow("6") << 6.0f << "Sensor Cold";
    QTest::newRow("7 unknown") << 7.0f << "";
    QTest::newRow("10") << 10.0f << "Free Air";
    QTest::newRow("6.5 is not exact") << 6.5f << "";
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << "";
    QTest::newRow("huge") << 1e30f << "";
}

void tst_chartnavigator::diagnosticTexts() {
    QFETCH(float, status);
    QFETCH(QString, text);
    QCOMPARE(Nav::diagnosticText(status), text);
}

void tst_chartnavigator::movingClearsReadoutsButKeepsDiagnostic() {
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    n.placeMarker(100.0, Nav::MarkerSample{100.0f, 1.0f, 2.0f, 4.0f}, "#0", "#0");
    n.scrollTo(400);
    QCOMPARE(n.lblMarkerTime, QStringLiteral("Sec "));
    QCOMPARE(n.lblMarkerTrace1, QString());
    QCOMPARE(n.lblDiagCode, QStringLiteral("Sensor Open"));
    QCOMPARE(n.MarkerTime, 100.0f);
}

void tst_chartnavigator::hugeIntervalDoesNotOverflowScrollBar() {
    Nav n;
    n.open(100.0f); // 1.2 million seconds: beyond a 16-bit scroll bar
    n.zoomAll();
    QCOMPARE(n.scroll.maximum, 1200000);
    QCOMPARE(n.scroll.value, 1200000);
    n.scrollTo(2000000);
    QCOMPARE(n.scroll.value, 1200000);
    Nav bad;
    bad.open(std::numeric_limits<float>::quiet_NaN());
    bad.zoomAll();
    QCOMPARE(bad.scroll.maximum, 0);
}

void tst_chartnavigator::nearestSample() {
    LogBuffer::Samples t{};
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        t[i] = 0.1f * float(i + 1);
    const ChartSampleFinder f(t);
    QCOMPARE(f.nearest(42.51), 424); // 42.5 s is sample 425
    QCOMPARE(f.nearest(42.549), 424);
    QCOMPARE(f.nearest(42.56), 425);
    QCOMPARE(f.nearest(-10.0), 0);
    QCOMPARE(f.nearest(1e6), LogBuffer::kSamples - 1);
    QVERIFY(!f.nearest(std::numeric_limits<double>::quiet_NaN()));
}

void tst_chartnavigator::nearestSampleInUnsortedBuffer() {
    // A short log over an older, longer one: the tail still holds the old times.
    LogBuffer::Samples t{};
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        t[i] = float(i + 1);
    for (int i = 0; i < 100; ++i)
        t[i] = 0.5f * float(i + 1);
    t[200] = std::numeric_limits<float>::quiet_NaN();
    const ChartSampleFinder f(t);
    QCOMPARE(f.nearest(10.1), 19);   // the new log's 10.0 s
    QCOMPARE(f.nearest(120.4), 119); // the old log's 120 s, after the new log's end
    QCOMPARE(f.nearest(5000.2), 4999);
    // The entry that is not a number is never found: 200 s and 202 s are equally near.
    QCOMPARE(f.nearest(201.0), 199);
}

void tst_chartnavigator::wheelZoomKeepsTimeUnderPointer_data() {
    QTest::addColumn<double>("pointer");
    QTest::addColumn<double>("notches");
    QTest::newRow("in at a quarter") << 300.0 << 1.0;
    QTest::newRow("in three notches near the start") << 20.0 << 3.0;
    QTest::newRow("in half a notch (touch pad)") << 900.0 << 0.5;
    QTest::newRow("out again") << 450.0 << -1.0;
}

void tst_chartnavigator::wheelZoomKeepsTimeUnderPointer() {
    QFETCH(double, pointer);
    QFETCH(double, notches);
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    if (notches < 0)
        QVERIFY(n.zoomAt(600.0, 2.0)); // 768 s around 600, something to zoom out of
    const double start = n.window.start;
    const double width = double(n.window.end) - n.window.start;
    const double share = (pointer - start) / width;
    QVERIFY(n.zoomAt(pointer, notches));
    const double newWidth = double(n.window.end) - n.window.start;
    QVERIFY(qAbs(newWidth - width * std::pow(Nav::kWheelZoomStep, notches)) < 1e-3);
    QVERIFY(qAbs(double(n.ZoomWidth) - newWidth) < 1e-3);
    // The pointer's time keeps its place across the window, unless an end stops it.
    if (n.window.start > 0.0f && n.window.end < 1200.0f)
        QVERIFY(qAbs((pointer - n.window.start) / newWidth - share) < 1e-5);
    QCOMPARE(n.scroll.value, Nav::scrollValue((double(n.window.start) + n.window.end) / 2.0));
    QCOMPARE(n.scroll.largeChange, std::max(1, int(std::floor(n.ZoomWidth))));
}

void tst_chartnavigator::wheelZoomStopsAtLimits() {
    Nav n;
    n.open(0.1f);
    n.zoomAll();
    // Never narrower than the zoom buttons go (100 samples, 10 s here) ...
    QVERIFY(n.zoomAt(600.0, 100.0));
    QCOMPARE(double(n.window.end) - n.window.start, 10.0);
    QVERIFY(!n.zoomAt(600.0, 1.0));
    // ... nor wider than the buffer, and never past either end.
    QVERIFY(n.zoomAt(1190.0, -100.0));
    QCOMPARE(n.window.start, 0.0f);
    QCOMPARE(n.window.end, 1200.0f);
    QVERIFY(!n.zoomAt(100.0, -1.0));
    QVERIFY(!n.zoomAt(std::nan(""), 1.0));
}

void tst_chartnavigator::dragPansWithinBuffer_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<float>("start");
    QTest::addColumn<float>("end");
    // From [510, 690] (Zoom In twice on a 1200 s buffer).
    QTest::newRow("later") << 100.0 << 610.0f << 790.0f;
    QTest::newRow("earlier") << -500.5 << 9.5f << 189.5f;
    QTest::newRow("stops at the start") << -10000.0 << 0.0f << 180.0f;
    QTest::newRow("stops at the end") << 10000.0 << 1020.0f << 1200.0f;
}

void tst_chartnavigator::dragPansWithinBuffer() {
    QFETCH(double, seconds);
    QFETCH(float, start);
    QFETCH(float, end);
    Nav n;
    n.open(0.1f);
    n.zoomIn();
    n.zoomIn();
    QCOMPARE(n.window.start, 510.0f);
    QVERIFY(n.panBy(seconds));
    QCOMPARE(n.window.start, start);
    QCOMPARE(n.window.end, end);
    QCOMPARE(n.ZoomWidth, 180.0f);
    QCOMPARE(n.scroll.value, Nav::scrollValue((double(start) + end) / 2.0));
    // At an end a further drag that way moves nothing.
    if (start == 0.0f)
        QVERIFY(!n.panBy(-1.0));
    if (end == 1200.0f)
        QVERIFY(!n.panBy(1.0));
}

void tst_chartnavigator::markerKeptInViewAndReadoutsKept() {
    Nav n;
    n.open(0.1f);
    n.zoomIn();
    n.zoomIn(); // [510, 690]
    n.placeMarkerOnSample({700.5f, 3000.0f, 14.7f, 6.0f}, QStringLiteral("####0"),
                          QStringLiteral("#0.0"));
    QCOMPARE(n.markerLine, double(700.5f));
    QCOMPARE(n.MarkerTime, 700.5f);
    QCOMPARE(n.lblMarkerTime, QStringLiteral("700.5 Sec "));
    QCOMPARE(n.lblDiagCode, QStringLiteral("Sensor Cold"));
    // The window follows the marker as little as needed, and the readouts stay: the
    // marker still stands on its sample.
    QVERIFY(n.bringIntoView(n.markerLine));
    QCOMPARE(n.window.end, 700.5f);
    QCOMPARE(n.window.start, 520.5f);
    QVERIFY(!n.bringIntoView(600.0));
    QVERIFY(n.panBy(-100.0));
    QCOMPARE(n.lblMarkerTrace1, QStringLiteral("3000"));
    QCOMPARE(n.lblMarkerTrace2, QStringLiteral("14.7"));
    QVERIFY(n.zoomAt(500.0, 1.0));
    QCOMPARE(n.lblMarkerTime, QStringLiteral("700.5 Sec "));
}

void tst_chartnavigator::keyActions_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("steps");
    using K = Nav::KeyCommand;
    QTest::newRow("Right") << int(Qt::Key_Right) << false << int(K::StepMarker) << 1;
    QTest::newRow("Shift+Right") << int(Qt::Key_Right) << true << int(K::StepMarker) << 10;
    QTest::newRow("Left") << int(Qt::Key_Left) << false << int(K::StepMarker) << -1;
    QTest::newRow("Shift+Left") << int(Qt::Key_Left) << true << int(K::StepMarker) << -10;
    QTest::newRow("Home") << int(Qt::Key_Home) << false << int(K::MarkerToStart) << 0;
    QTest::newRow("End") << int(Qt::Key_End) << false << int(K::MarkerToEnd) << 0;
    QTest::newRow("+") << int(Qt::Key_Plus) << true << int(K::ZoomIn) << 0;
    QTest::newRow("= (+ without Shift)") << int(Qt::Key_Equal) << false << int(K::ZoomIn) << 0;
    QTest::newRow("-") << int(Qt::Key_Minus) << false << int(K::ZoomOut) << 0;
    QTest::newRow("Up is not a chart key") << int(Qt::Key_Up) << false << int(K::None) << 0;
}

void tst_chartnavigator::keyActions() {
    QFETCH(int, key);
    QFETCH(bool, shift);
    QFETCH(int, command);
    QFETCH(int, steps);
    const Nav::KeyAction a = Nav::keyAction(key, shift);
    QCOMPARE(int(a.command), command);
    QCOMPARE(a.steps, steps);
}

void tst_chartnavigator::stepThroughSamplesInTimeOrder() {
    // A buffer whose last entries still hold an older log's early times, and a time that
    // is not a number: steps follow time, not buffer order, and stop at the ends.
    LogBuffer::Samples t{};
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        t[i] = 0.1f * float(i + 1);
    t[11998] = 0.05f;
    t[11999] = std::nanf("");
    const ChartSampleFinder f(t);
    QCOMPARE(f.first(), std::optional<int>(11998));
    QCOMPARE(f.last(), std::optional<int>(11997));
    QCOMPARE(f.step(11998, 1), std::optional<int>(0));
    QCOMPARE(f.step(0, -1), std::optional<int>(11998));
    QCOMPARE(f.step(0, -10), std::optional<int>(11998));
    QCOMPARE(f.step(100, 10), std::optional<int>(110));
    QCOMPARE(f.step(11990, 10), std::optional<int>(11997));
    QCOMPARE(f.step(-1, 1), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_chartnavigator)
#include "tst_chartnavigator.moc"
