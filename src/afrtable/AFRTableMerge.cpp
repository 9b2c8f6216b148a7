// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTableMerge.h"

#include "afrtable/AFRTable.h"
#include "afrtable/AFRTableLogFile.h"
#include "logdata/AppState.h"
#include "support/ErrorReport.h"
#include "support/Prompter.h"

#include <memory>

using ErrorReport::StepResult;

namespace AFRTableMerge {

namespace {

void tell(Prompter& prompter, const QString& text) {
    prompter.message(text, kTitle, Prompter::Icon::Exclamation, Prompter::Ok);
}

} // namespace

Outcome openAdditionalFile(const AppState& state, AFRTable& table, bool filterUnstable,
                           Prompter& prompter) {
    Outcome outcome;
    if (ErrorReport::runStep(prompter,
                             [&] { outcome.path = AFRTableLogFile::chooseFile(prompter); }) !=
            StepResult::Done ||
        outcome.path.isEmpty()) {
        outcome.result = Result::NothingChosen;
        return outcome;
    }
    outcome.result = addFile(outcome.path, state, table, filterUnstable, prompter);
    return outcome;
}

Result addFile(const QString& path, const AppState& state, AFRTable& table, bool filterUnstable,
               Prompter& prompter) {
    QByteArray bytes;
    if (ErrorReport::runStep(prompter, [&] { bytes = AFRTableLogFile::readBytes(path); }) !=
        StepResult::Done)
        return Result::Failed;

    // The file is read into a buffer of its own and only its samples reach the table: the
    // log in memory (perhaps a download not saved yet) stays exactly as it was. Slots the
    // file does not fill (a short file, a damaged row) start cleared, so nothing of
    // another log is counted a second time.
    auto scratch = std::make_unique<LogBuffer>(state.log);
    LogBuffer& added = *scratch;
    added.ClearDataBuffer();
    added.Comment = state.log.Comment;
    added.DownloadDate = state.log.DownloadDate;
    const AFRTableLogFile::Report read =
        AFRTableLogFile::read(bytes, added, AFRTableLogFile::FuelLines::ReportOnly);
    if (read.noDataFound) {
        tell(prompter, AFRTableLogFile::kNoDataFound);
        return Result::NoData;
    }
    for (const QString& warning : read.warnings)
        tell(prompter, warning);

    // A ratio line that is missing or unreadable counts as 0, which never matches.
    const float fileRatio = read.stoichRatio.value_or(0.0f);
    if (fileRatio != state.log.StoichRatio &&
        prompter.message(kRatioMismatch, kTitle, Prompter::Icon::Exclamation,
                         Prompter::Ok | Prompter::Cancel) != Prompter::Ok)
        return Result::Cancelled;

    if (!AFRTable::legendHasTPS(added.AnalogLegend)) {
        tell(prompter, AFRTable::kNoTPSMessage);
        return Result::NotTPS;
    }

    // The fuel of the table stays the one of the log first opened.
    added.FuelType = state.log.FuelType;
    added.StoichRatio = state.log.StoichRatio;
    added.AnalogInputType = state.log.AnalogInputType;
    added.DataBufferEmpty = false;
    table.WriteAFRTable(state.settings.AFRTableDisplay, false, added, state, filterUnstable);
    return Result::Merged;
}

QString captionSuffix(const QString& path) {
    return QStringLiteral("Added File - ") + AFRTableLogFile::captionFileName(path);
}

} // namespace AFRTableMerge
