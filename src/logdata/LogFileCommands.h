// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/AppState.h"
#include "logdata/Log.h"
#include "logdata/LogFileReader.h"
#include "support/FileChooser.h"

#include <QString>

#include <functional>

class Clock;
class Prompter;
class SettingsStore;

// File > Open File and File > Save File, without widgets: the main window supplies the
// hooks that touch it (close the real-time view, set the caption, show the chart).
class LogFileCommands {
public:
    LogFileCommands(AppState& state, Prompter& prompter, SettingsStore& settings, Clock& clock);

    // Run first by both commands.
    std::function<void()> closeRealTimeView;
    // Receives the caption's suffix (shown after MainCaption and " - ").
    std::function<void(const QString&)> setCaptionSuffix;
    // Shows the chart once a log has been opened; nothing when not set.
    std::function<void()> showChart;
    // Shows a log that is not the module's own in the log viewer; the log in memory stays
    // as it was. Other logs are refused when not set.
    std::function<void(Log&&)> showInViewer;
    // The list of recent files (RecentFiles) has changed.
    std::function<void()> recentFilesChanged;

    enum class Outcome {
        Done,      // the log was opened or saved
        Cancelled, // the user stopped it (a refusal, Cancel, Esc, Abort); nothing changed
        Failed,    // a file could not be read or written (reported to the user)
    };

    Outcome mnuOpenFile_Click();
    Outcome mnuSaveFile_Click();

    // The commands that empty or replace the log in memory.
    enum class Clearing { Download, OpenFile, RealTimeView, QeroParameters };
    // Run before such a command: a log that exists only in memory (a download not saved
    // yet) is offered for saving first, as at exit: Save (the save command; true once the
    // file is written), Discard (true), Cancel (false, and nothing changes). True at once
    // when there is nothing unsaved to lose.
    bool mayDiscardUnsavedLog(Clearing what);
    static inline const QString kUnsavedLogQuestion =
        QStringLiteral("The downloaded log in memory has not been saved. %1 Save it first?");

    // Opens `path` without asking: the part of the open command after the file is chosen.
    // Any log that is not the module's own (a recording, another tool's log) opens whole
    // in the log viewer and leaves the log in memory as it was.
    Outcome openLog(const QString& path);
    // The log viewer's part: the file read through the table of readers, its warnings
    // and failure shown.
    Outcome openInViewer(const QString& path);
    // File > Open with the file already chosen elsewhere (dropped on the window): the same
    // question about the log in memory, then the file.
    Outcome openChosenFile(const QString& path);
    // An entry of File > Recent Files: as openChosenFile(); a file that no longer exists
    // is reported and taken off the list.
    Outcome openRecentFile(const QString& path);
    // Writes the buffer to `path` as the save command does, replacing the file only when
    // everything was written: a failure throws QeroFailure with the system's reason, and
    // false is returned when Esc stopped it; either way an existing file stays as it was.
    bool writeLog(const QString& path);

    // The file name as the caption shows it: the part after the last folder separator,
    // or "..." and its last 60 characters when it is longer than 60.
    static QString captionFileName(const QString& path);

    static inline const QString kOpenTitle = QStringLiteral("Open Log File");
    static inline const QString kSaveTitle = QStringLiteral("Save Log File");
    static inline const QString kRecentFileGone =
        QStringLiteral("%1 no longer exists. It has been removed from the Recent Files list.");
    // The open dialog offers every log the program reads, the module's own first.
    static QString openFilter();

    // The setting that holds the folder Open and Save start in.
    static inline const QString kLastFolderKey = FileChooser::kLastFolderKey;

    // Where Open and Save start (FileChooser::startFolder).
    QString startFolder() const;

private:
    void rememberFolder(const QString& path);
    // The save command once it may run: the file dialog, the write, caption and list.
    Outcome saveLog();
    // The question before the log in memory is replaced by a file; true to go on.
    bool mayReplaceLog();
    // The steps every open shares: wait for a save in progress, close the live view, ask
    // before replacing the log, then take the path `choose` gives (empty: cancelled).
    // `known` is the file when it was named before the command (dropped, a recent file).
    Outcome openChosen(const std::function<QString()>& choose, const QString& known = {});
    void addRecentFile(const QString& path);

    struct BusyGuard {
        explicit BusyGuard(bool& flag) : m_flag(flag) { m_flag = true; }
        ~BusyGuard() { m_flag = false; }
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;
        bool& m_flag;
    };

    // What every open does once the buffer holds the file: caption, format, the file's
    // scaling as the user's, and the chart.
    Outcome finishOpen(const QString& path);

    AppState& m_state;
    Prompter& m_prompter;
    SettingsStore& m_settings;
    Clock& m_clock;
    bool m_busy = false;
};
