// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <QString>

#include <functional>

// The common error report and the one way every command runs a step under it.
namespace ErrorReport {

enum class Choice { Abort, Retry, Ignore };

// The description in a modal box: critical icon, Abort/Retry/Ignore, title "Error".
Choice ShowErrorChoice(Prompter& prompter, const QString& description);

enum class StepResult {
    Done,    // the step ran to its end
    Aborted, // Abort: leave the procedure through its normal exit
    Ignored, // Ignore: go on with the next step
};

// Runs `step`; when it fails, shows the report. Retry runs the step again.
StepResult runStep(Prompter& prompter, const std::function<void()>& step);

// The description shown for any failure caught while running a step.
QString describeCurrentException();

} // namespace ErrorReport
