// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/FramImage.h"
#include "support/Prompter.h"

#include <QDateTime>
#include <QString>

#include <functional>

class Clock;
class ProgressReport;
class ModuleProtocol;
struct AppState;

// Copies the module's whole memory and turns it into the log: re-synchronise, identify,
// read the 1024 blocks with progress (Esc ends the read), decode. Any failure leaves the
// log empty with its own message titled "Download Data".
class DownloadCommand {
public:
    static constexpr int kBlocks = FramImage::kSize / FramImage::kBlockSize;
    // A verified read reads each block until two reads agree (three, once the block has
    // read differently), at most this many times: where one byte in a hundred is
    // garbled, half the reads of a block are clean, and 32 reads without three clean ones
    // come about once in tens of thousands of downloads.
    static constexpr int kMaxVerifiedReads = 32;

    DownloadCommand(AppState& state, ModuleProtocol& protocol, Prompter& prompter, Clock& clock,
                    ProgressReport& progress);

    // The caption suffix after MainCaption (" - Data Buffer Empty", " - Downloaded Data").
    std::function<void(const QString& suffix)> setCaptionSuffix;
    // The line has no checksum: a verified download reads every block twice and again
    // until two reads agree, so that line noise cannot slip into the log. Off by default:
    // it costs about two and a half times the time (the second read and an address
    // command for every block).
    bool verify = false;
    // Blocks of the last verified read whose first two reads differed.
    int reReadBlocks() const { return m_reReadBlocks; }

    // The moment that becomes DownloadDate.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    // The whole download. True when the log was loaded: the caller then shows the chart.
    bool mnuDownload_Click();

    // Reads the whole memory into FRAMBuffer; the result is in CommandOK.
    void ReadFRAMData();

    // Decodes FRAMBuffer into the log and the module parameters, as a download does once
    // the memory is read. False (reported through the common error report) when the log
    // pointer leads a record past the end of the memory; the log then stays empty.
    static bool decodeImage(AppState& state, Prompter& prompter, const QDateTime& when);

    static QString title() { return QStringLiteral("Download Data"); }

    // The state the download fills.
    AppState& state() { return m_state; }

private:
    void tell(const QString& text, Prompter::Icon icon);
    bool setAddress(int address);
    bool readBlockVerified(int block);
    void caption(const QString& suffix);

    AppState& m_state;
    ModuleProtocol& m_protocol;
    Prompter& m_prompter;
    Clock& m_clock;
    ProgressReport& m_progress;
    int m_reReadBlocks = 0;
};
