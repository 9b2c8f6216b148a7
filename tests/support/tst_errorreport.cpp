// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Clock.h"
#include "support/ErrorReport.h"
#include "support/QeroFailure.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QtTest>

class tst_errorreport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reportShowsCriticalAbortRetryIgnore();
    void runStepOutcomes_data();
    void runStepOutcomes();
    void successfulStepShowsNothing();
    void delayTimerRunsEventsForTheWholePause();
    void delayTimerRestsOnlyUntilTheEnd();
    void delayTimerOverflowIsAFailure();
};

void tst_errorreport::reportShowsCriticalAbortRetryIgnore() {
    ScriptedPrompter p;
    p.answerButton(Prompter::Abort);
    QCOMPARE(ErrorReport::ShowErrorChoice(
                 p, QStringLiteral("RS-232 timeout. Check cable and click Abort.")),
             ErrorReport::Choice::Abort);
    QCOMPARE(p.boxes().size(), 1);
    const auto& box = p.boxes().first();
    QCOMPARE(box.text, QStringLiteral("RS-232 timeout. Check cable and click Abort."));
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(box.icon, Prompter::Icon::Critical);
    QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Abort | Prompter::Retry | Prompter::Ignore));
}

void tst_errorreport::runStepOutcomes_data() {
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("failuresBeforeSuccess");
    QTest::addColumn<int>("expectedResult");
    QTest::addColumn<int>("expectedRuns");
    QTest::addColumn<int>("expectedBoxes");
    QTest::newRow("abort leaves") << QList<int>{Prompter::Abort} << 99
                                  << int(ErrorReport::StepResult::Aborted) << 1 << 1;
    QTest::newRow("ignore goes on")
        << QList<int>{Prompter::Ignore} << 99 << int(ErrorReport::StepResult::Ignored) << 1 << 1;
    QTest::newRow("retry runs again until it works")
        << QList<int>{Prompter::Retry, Prompter::Retry} << 2 << int(ErrorReport::StepResult::Done)
        << 3 << 2;
    QTest::newRow("retry then abort") << QList<int>{Prompter::Retry, Prompter::Abort} << 99
                                      << int(ErrorReport::StepResult::Aborted) << 2 << 2;
}

void tst_errorreport::runStepOutcomes() {
    QFETCH(QList<int>, answers);
    QFETCH(int, failuresBeforeSuccess);
    QFETCH(int, expectedResult);
    QFETCH(int, expectedRuns);
    QFETCH(int, expectedBoxes);
    ScriptedPrompter p;
    for (int a : answers)
        p.answerButton(Prompter::Button(a));
    int runs = 0;
    const auto r = ErrorReport::runStep(p, [&] {
        ++runs;
        if (runs <= failuresBeforeSuccess)
            throw QeroFailure(QStringLiteral("Test"), QStringLiteral("Disk full"));
    });
    QCOMPARE(int(r), expectedResult);
    QCOMPARE(runs, expectedRuns);
    QCOMPARE(p.boxes().size(), expectedBoxes);
    QCOMPARE(p.boxes().first().text, QStringLiteral("Disk full"));
}

void tst_errorreport::successfulStepShowsNothing() {
    ScriptedPrompter p;
    QCOMPARE(ErrorReport::runStep(p, [] {}), ErrorReport::StepResult::Done);
    QVERIFY(p.boxes().isEmpty());
    // Library failures are shown with their own description.
    p.answerButton(Prompter::Ignore);
    ErrorReport::runStep(p, [] { throw std::runtime_error("Permission denied"); });
    QCOMPARE(p.boxes().last().text, QStringLiteral("Permission denied"));
}

void tst_errorreport::delayTimerRunsEventsForTheWholePause() {
    VirtualClock clock;
    int events = 0;
    clock.addEventHook([&] { ++events; });
    DelayTimer(clock, 2);
    QVERIFY(clock.nowUs() >= 2000);
    QVERIFY(clock.nowUs() < 2200);
    QVERIFY(events >= 2);
    // A scheduled event that falls inside the pause runs during it.
    bool fired = false;
    clock.schedule(clock.nowUs() + 500, [&] { fired = true; });
    DelayTimer(clock, 1);
    QVERIFY(fired);
}

namespace {

// A clock whose passes rest as long as they are allowed, up to a limit, as the real
// one does on an idle machine; it records what each pass was allowed.
class RestingClock : public VirtualClock {
public:
    void processEventsFor(qint64 maxUs) override {
        allowed << maxUs;
        const qint64 start = nowUs();
        processEvents();
        const qint64 rest = qMin<qint64>(maxUs, 300) - (nowUs() - start);
        if (rest > 0)
            advance(rest);
    }
    QList<qint64> allowed;
};

} // namespace

void tst_errorreport::delayTimerRestsOnlyUntilTheEnd() {
    RestingClock clock;
    clock.advance(12345);
    int events = 0;
    clock.addEventHook([&] { ++events; });
    DelayTimer(clock, 2);
    // Ends on time: no pass is allowed to rest past the end of the pause.
    QCOMPARE(clock.nowUs(), 12345 + 2000);
    QVERIFY(!clock.allowed.isEmpty());
    QCOMPARE(clock.allowed.first(), 2000);
    QCOMPARE(clock.allowed.last(), 2000 % 300);
    for (qsizetype i = 1; i < clock.allowed.size(); ++i)
        QCOMPARE(clock.allowed[i], clock.allowed[i - 1] - 300);
    // Events still run on every pass.
    QCOMPARE(events, int(clock.allowed.size()));
}

void tst_errorreport::delayTimerOverflowIsAFailure() {
    VirtualClock clock;
    QVERIFY_THROWS_EXCEPTION(QeroFailure, DelayTimer(clock, 3'000'000));
    QCOMPARE(clock.nowUs(), 0);
}

QTEST_APPLESS_MAIN(tst_errorreport)
#include "tst_errorreport.moc"
