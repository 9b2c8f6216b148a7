// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ErrorReport.h"

#include "support/QeroFailure.h"

#include <exception>
#include <new>

namespace ErrorReport {

Choice ShowErrorChoice(Prompter& prompter, const QString& description) {
    const Prompter::Button b =
        prompter.message(description, QStringLiteral("Error"), Prompter::Icon::Critical,
                         Prompter::Abort | Prompter::Retry | Prompter::Ignore);
    switch (b) {
    case Prompter::Abort:
        return Choice::Abort;
    case Prompter::Retry:
        return Choice::Retry;
    default:
        return Choice::Ignore;
    }
}

QString describeCurrentException() {
    try {
        throw;
    } catch (const QeroFailure& f) {
        return f.description();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unexpected failure");
    }
}

StepResult runStep(Prompter& prompter, const std::function<void()>& step) {
    for (;;) {
        QString description;
        try {
            step();
            return StepResult::Done;
        } catch (...) {
            description = describeCurrentException();
        }
        switch (ShowErrorChoice(prompter, description)) {
        case Choice::Abort:
            return StepResult::Aborted;
        case Choice::Ignore:
            return StepResult::Ignored;
        case Choice::Retry:
            break;
        }
    }
}

} // namespace ErrorReport
