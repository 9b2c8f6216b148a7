// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogFileCommands.h"

#include "logdata/LogFileWriter.h"
#include "logdata/LogImport.h"
#include "logdata/ModuleLogReader.h"
#include "logdata/RecentFiles.h"
#include "logdata/SettingsTable.h"
#include "support/Clock.h"
#include "support/ErrorReport.h"
#include "support/FileChooser.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"
#include "support/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

using ErrorReport::StepResult;

LogFileCommands::LogFileCommands(AppState& state, Prompter& prompter, SettingsStore& settings,
                                 Clock& clock)
    : m_state(state), m_prompter(prompter), m_settings(settings), m_clock(clock) {}

QString LogFileCommands::captionFileName(const QString& path) {
    const qsizetype slash = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString name = path.mid(slash + 1);
    if (name.size() <= 60)
        return name;
    return QStringLiteral("...") + name.right(60);
}

QString LogFileCommands::startFolder() const {
    return FileChooser::startFolder(&m_settings);
}

void LogFileCommands::rememberFolder(const QString& path) {
    FileChooser::rememberFolder(&m_settings, path);
}

LogFileCommands::Outcome LogFileCommands::mnuOpenFile_Click() {
    return openChosen([this] {
        QString path;
        if (ErrorReport::runStep(m_prompter, [&] {
                path = FileChooser::FileOpen(m_prompter, QStringLiteral("Open File"), openFilter(),
                                             QString(), startFolder());
            }) != StepResult::Done)
            return QString();
        return path;
    });
}

QString LogFileCommands::openFilter() {
    // Every log the program reads first, then the module's own under the name it has
    // always had, then each other format.
    QStringList filters;
    const QStringList each = LogImport::dialogFilters();
    for (qsizetype i = 0; i < each.size(); ++i) {
        QString f = each[i];
        if (f.startsWith(ModuleLogReader().name() + QStringLiteral(" (")))
            f = QStringLiteral("QERO4D log files (*.log)");
        const qsizetype open = f.lastIndexOf(u'(');
        const QString patterns = f.mid(open + 1).chopped(1);
        filters.append(f + u'|' + patterns.split(u' ').join(u';'));
    }
    return filters.join(u'|');
}

LogFileCommands::Outcome LogFileCommands::openInViewer(const QString& path) {
    if (!showInViewer) {
        m_prompter.message(
            QStringLiteral("%1 is not a QERO4D log file.").arg(LogFileReader::printable(path)),
            kOpenTitle, Prompter::Icon::Exclamation, Prompter::Ok);
        return Outcome::Failed;
    }
    LogReadResult r = LogImport::open(path);
    for (const QString& warning : r.warnings)
        m_prompter.message(warning, kOpenTitle, Prompter::Icon::Exclamation, Prompter::Ok);
    if (!r.log) {
        m_prompter.message(r.error, kOpenTitle, Prompter::Icon::Exclamation, Prompter::Ok);
        return Outcome::Failed;
    }
    addRecentFile(path);
    showInViewer(std::move(*r.log));
    return Outcome::Done;
}

LogFileCommands::Outcome LogFileCommands::openChosen(const std::function<QString()>& choose,
                                                     const QString& known) {
    // A click that reaches the menu while a save lets events run waits for the save.
    if (m_busy)
        return Outcome::Cancelled;
    const BusyGuard busy(m_busy);
    // A file already named that is not the module's log goes to the viewer: nothing in
    // memory is replaced, so there is nothing to ask.
    if (!known.isEmpty() && !LogImport::isModuleLog(known))
        return openInViewer(known);
    if (closeRealTimeView)
        closeRealTimeView();
    if (!mayReplaceLog())
        return Outcome::Cancelled;
    const QString path = choose();
    if (path.isEmpty())
        return Outcome::Cancelled;
    rememberFolder(path);
    return openLog(path);
}

bool LogFileCommands::mayReplaceLog() {
    if (m_state.window.LogUnsaved && !m_state.log.DataBufferEmpty)
        return mayDiscardUnsavedLog(Clearing::OpenFile);
    return m_state.log.DataBufferEmpty ||
           m_prompter.message(QStringLiteral("Data buffer not empty. OK to overwrite?"), kOpenTitle,
                              Prompter::Icon::None,
                              Prompter::Ok | Prompter::Cancel) == Prompter::Ok;
}

bool LogFileCommands::mayDiscardUnsavedLog(Clearing what) {
    // Once the module's memory is cleared or overwritten (the live view resets it), the
    // download in memory may be the only copy of a day's recording.
    if (!m_state.window.LogUnsaved || m_state.log.DataBufferEmpty)
        return true;
    QString title;
    QString effect;
    switch (what) {
    case Clearing::Download:
        title = QStringLiteral("Download Data");
        effect = QStringLiteral("A new download replaces it.");
        break;
    case Clearing::OpenFile:
        title = kOpenTitle;
        effect = QStringLiteral("Opening a file replaces it.");
        break;
    case Clearing::RealTimeView:
        title = QStringLiteral("View Real Time Data");
        effect = QStringLiteral("The real-time view empties it.");
        break;
    case Clearing::QeroParameters:
        title = QStringLiteral("QERO Parameters");
        effect = QStringLiteral("The parameter panel empties it.");
        break;
    }
    switch (m_prompter.message(kUnsavedLogQuestion.arg(effect), title, Prompter::Icon::Question,
                               Prompter::Save | Prompter::Discard | Prompter::Cancel)) {
    case Prompter::Save:
        // A save that was cancelled or failed keeps the log and stops the command.
        return saveLog() == Outcome::Done;
    case Prompter::Discard:
        return true;
    default:
        return false;
    }
}

LogFileCommands::Outcome LogFileCommands::openChosenFile(const QString& path) {
    return openChosen([&path] { return path; }, path);
}

LogFileCommands::Outcome LogFileCommands::openRecentFile(const QString& path) {
    if (m_busy)
        return Outcome::Cancelled;
    // A file moved or deleted since is said so, and the list stops offering it; the log
    // in memory stays.
    if (!QFileInfo(path).isFile()) {
        RecentFiles(m_settings).remove(path);
        m_prompter.message(kRecentFileGone.arg(QDir::toNativeSeparators(path)), kOpenTitle,
                           Prompter::Icon::Exclamation, Prompter::Ok);
        if (recentFilesChanged)
            recentFilesChanged();
        return Outcome::Failed;
    }
    return openChosenFile(path);
}

void LogFileCommands::addRecentFile(const QString& path) {
    RecentFiles(m_settings).add(path);
    if (recentFilesChanged)
        recentFilesChanged();
}

LogFileCommands::Outcome LogFileCommands::openLog(const QString& path) {
    if (!LogImport::isModuleLog(path))
        return openInViewer(path);
    // The file is read and checked in a buffer of its own: only a file that reads replaces
    // the log in memory, which may be a download that exists nowhere else.
    QByteArray bytes;
    if (ErrorReport::runStep(m_prompter, [&] { bytes = LogFileReader::readBytes(path); }) !=
        StepResult::Done)
        return Outcome::Failed;

    auto scratch = std::make_unique<LogBuffer>(m_state.log);
    if (!scratch->DataBufferEmpty)
        scratch->ClearDataBuffer();
    const LogFileReader::Result result =
        LogFileReader::read(bytes, *scratch, LogFileReader::FuelLines::Apply);
    for (const QString& warning : result.warnings)
        m_prompter.message(warning, kOpenTitle, Prompter::Icon::Exclamation, Prompter::Ok);
    if (result.noDataFound())
        return Outcome::Failed;

    m_state.log = *scratch;
    return finishOpen(path);
}

LogFileCommands::Outcome LogFileCommands::finishOpen(const QString& path) {
    LogBuffer& log = m_state.log;
    log.DataBufferEmpty = false;
    m_state.updateAFRFormat();
    m_state.window.AddedFileLoaded = false;
    m_state.window.LogUnsaved = false;
    if (setCaptionSuffix)
        setCaptionSuffix(captionFileName(path));
    addRecentFile(path);
    // The file's scaling is now the user's scaling; the other header values are the
    // log's own and are not stored.
    log.AnalogInputType = QStringLiteral("USER");
    SettingsTable::save(m_settings, QStringLiteral("AnalogInputType"), log.AnalogInputType);
    if (showChart)
        showChart();
    return Outcome::Done;
}

LogFileCommands::Outcome LogFileCommands::mnuSaveFile_Click() {
    if (m_busy)
        return Outcome::Cancelled;
    const BusyGuard busy(m_busy);
    return saveLog();
}

LogFileCommands::Outcome LogFileCommands::saveLog() {
    if (closeRealTimeView)
        closeRealTimeView();
    if (m_state.log.DataBufferEmpty) {
        m_prompter.message(QStringLiteral("Data buffer empty."), kSaveTitle,
                           Prompter::Icon::Exclamation, Prompter::Ok);
        return Outcome::Cancelled;
    }
    QString path;
    if (ErrorReport::runStep(m_prompter,
                             [&] {
                                 path = FileChooser::FileSave(
                                     m_prompter, QStringLiteral("Save File"),
                                     FileChooser::kLogFilter, QString(), startFolder());
                             }) != StepResult::Done ||
        path.isEmpty())
        return Outcome::Cancelled;
    rememberFolder(path);

    bool written = false;
    // Retry writes the whole file again; Abort and Ignore leave it unsaved (and any
    // earlier file of that name as it was), so the caption does not claim it.
    if (ErrorReport::runStep(m_prompter, [&] { written = writeLog(path); }) != StepResult::Done)
        return Outcome::Failed;
    if (!written)
        return Outcome::Cancelled;
    m_state.window.LogUnsaved = false;
    if (setCaptionSuffix)
        setCaptionSuffix(captionFileName(path));
    addRecentFile(path);
    return Outcome::Done;
}

bool LogFileCommands::writeLog(const QString& path) {
    // Events run between rows, and a command run from one of them may change the log in
    // memory; the file is written from the log as it was when the save began, so that it
    // never mixes two logs.
    LogBuffer log = m_state.log;
    // Written beside the target and renamed over it only when complete: a full disk,
    // a lost drive or Esc never leaves half a log in place of the user's file.
    const QString label =
        m_state.settings.ConfigList2.isEmpty() ? QString() : m_state.settings.ConfigList2.first();
    try {
        return SafeWrite::writeStream(path, [&](const SafeWrite::Put& put) {
            const LogFileWriter writer(log, label);
            put(writer.header());
            // Only an Esc pressed while this save runs stops it, not one that closed a
            // dialog before it began.
            m_state.window.AbortRequested = false;
            QByteArray row;
            for (int i = 0; i < LogBuffer::kSamples; ++i) {
                row.clear();
                writer.appendRow(row, i);
                put(row);
                m_clock.processEvents();
                if (m_state.window.AbortRequested) {
                    m_state.window.AbortRequested = false;
                    return false;
                }
            }
            put(writer.trailerDate());
            if (log.Comment.isEmpty()) {
                log.Comment = m_prompter
                                  .input(QStringLiteral("Comment?"),
                                         QStringLiteral("Optional Information Entry"), QString())
                                  .value_or(QString());
                // Kept in memory as it goes into the file, so that the log shown and the
                // log saved agree.
                log.Comment = LogFileWriter::fieldText(log.Comment);
                m_state.log.Comment = log.Comment;
            }
            put(writer.trailerRest());
            return true;
        });
    } catch (const QeroFailure& failure) {
        // The save's own title, the writer's text with the file and the system's reason.
        throw QeroFailure(kSaveTitle, failure.description());
    }
}
