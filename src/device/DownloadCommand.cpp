// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/DownloadCommand.h"

#include "device/FramDecoder.h"
#include "device/ModuleProtocol.h"
#include "device/ProgressReport.h"
#include "device/SerialLink.h"
#include "logdata/AppState.h"
#include "support/Clock.h"
#include "support/ErrorReport.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"

#include <QList>

#include <algorithm>
#include <array>

DownloadCommand::DownloadCommand(AppState& state, ModuleProtocol& protocol, Prompter& prompter,
                                 Clock& clock, ProgressReport& progress)
    : m_state(state), m_protocol(protocol), m_prompter(prompter), m_clock(clock),
      m_progress(progress) {}

void DownloadCommand::tell(const QString& text, Prompter::Icon icon) {
    m_prompter.message(text, title(), icon, Prompter::Ok);
}

void DownloadCommand::caption(const QString& suffix) {
    if (setCaptionSuffix)
        setCaptionSuffix(suffix);
}

bool DownloadCommand::mnuDownload_Click() {
    const auto exclamation = Prompter::Icon::Exclamation;
    m_state.fram.ClearFRAMBuffer();
    m_state.log.ClearDataBuffer();
    caption(QStringLiteral("Data Buffer Empty"));

    switch (m_protocol.OpenConversation()) {
    case ModuleProtocol::Opening::NoLink:
        tell(QStringLiteral("Cannot establish RS-232 link. Check cable and QERO power."),
             exclamation);
        return false;
    case ModuleProtocol::Opening::IdFailed:
        tell(QStringLiteral("Firmware ID read failed - cannot download."), exclamation);
        return false;
    case ModuleProtocol::Opening::IdEmpty:
        tell(QStringLiteral("Invalid firmware ID - cannot download."), exclamation);
        return false;
    case ModuleProtocol::Opening::Identified:
        break;
    }
    tell(QStringLiteral("Firmware ID: ") + m_state.module.FirmwareID, exclamation);

    m_state.log.Comment.clear();
    ReadFRAMData();
    if (!m_state.module.CommandOK) {
        tell(QStringLiteral("FRAM download failed."), Prompter::Icon::Information);
        return false;
    }

    const bool decoded = decodeImage(m_state, m_prompter, now());
    m_protocol.link().closeIfOpen();
    if (!decoded)
        return false;
    if (verify)
        tell(QStringLiteral("Verified download: %1 of %2 blocks needed re-reading.")
                 .arg(m_reReadBlocks)
                 .arg(kBlocks),
             Prompter::Icon::Information);
    caption(QStringLiteral("Downloaded Data"));
    return true;
}

bool DownloadCommand::decodeImage(AppState& state, Prompter& prompter, const QDateTime& when) {
    FramDecoder::Outcome outcome;
    // Retry decodes again; Abort and Ignore both leave the log empty, as there is nothing
    // sensible to go on with.
    const auto step = ErrorReport::runStep(prompter, [&] {
        outcome = FramDecoder::decode(state.fram.FRAMBuffer, state.log);
        if (!outcome.ok)
            throw QeroFailure(QStringLiteral("Download Data"), outcome.failure);
    });
    if (step != ErrorReport::StepResult::Done)
        return false;
    outcome.parameters.applyTo(state.log, state.settings);
    state.log.DownloadDate = Numbers::generalDateTime(when);
    state.log.DataBufferEmpty = false;
    return true;
}

bool DownloadCommand::setAddress(int address) {
    // A garbled acknowledgement leaves the port open; only a verified read asks again.
    // A time-out closes the port and has been reported already.
    const int tries = verify ? kMaxVerifiedReads : 1;
    for (int i = 0; i < tries; ++i) {
        m_protocol.SetAddress(address);
        if (m_state.module.CommandOK)
            return true;
        if (!m_protocol.link().isOpen())
            return false;
    }
    return false;
}

bool DownloadCommand::readBlockVerified(int block) {
    using Block = std::array<quint8, FramImage::kBlockSize>;
    const int address = block * FramImage::kBlockSize;
    for (;;) {
        QList<Block> reads;
        // Two equal reads settle a block on a clean line. Once a block has read
        // differently, the line is noisy, and two reads garbled alike are no longer
        // unlikely enough: then three equal reads are needed.
        int needed = 2;
        for (int n = 0; n < kMaxVerifiedReads; ++n) {
            // The module moves on by itself after a block; each read after the block's
            // first goes back to its start.
            if (n > 0 && !setAddress(address))
                return false;
            m_protocol.ReadFRAMBlock(FramImage::kBlockSize);
            if (!m_state.module.CommandOK)
                return false; // the time-out has been reported
            Block read;
            for (int k = 0; k < FramImage::kBlockSize; ++k)
                read[size_t(k)] = quint8(m_state.fram.FRAMBlock[size_t(k)]);
            if (n == 1 && reads.first() != read)
                needed = 3;
            reads.append(read);
            if (reads.count(read) >= needed) {
                std::copy(read.begin(), read.end(), m_state.fram.FRAMBuffer.begin() + address);
                if (n > 1)
                    ++m_reReadBlocks;
                // The module stands at the next block, where its first read starts.
                return true;
            }
            m_clock.processEvents();
            if (m_state.window.AbortRequested)
                return false;
        }
        // No two reads agreed: the line is too poor to trust. Reported as a time-out is,
        // and Retry reads the block again.
        m_protocol.link().closeIfOpen();
        const auto choice =
            ErrorReport::ShowErrorChoice(m_prompter, QeroFailure::commTimeout().description());
        if (choice != ErrorReport::Choice::Retry || !setAddress(address))
            return false;
    }
}

void DownloadCommand::ReadFRAMData() {
    // An Esc pressed while nothing was running must not end this read at its first block.
    m_state.window.AbortRequested = false;
    m_progress.showProgress(QStringLiteral("Reading FRAM"));
    m_progress.setProgress(0);

    m_state.fram.ClearFRAMBuffer();
    m_reReadBlocks = 0;
    if (!setAddress(0)) {
        m_protocol.link().closeIfOpen();
        m_progress.hideProgress();
        m_state.module.CommandOK = false;
        return;
    }

    bool complete = true;
    for (int block = 0; block < kBlocks; ++block) {
        const int a = block * FramImage::kBlockSize;
        if (verify) {
            m_state.module.CommandOK = readBlockVerified(block);
        } else {
            m_protocol.ReadFRAMBlock(FramImage::kBlockSize);
        }
        if (m_state.module.CommandOK && !verify) {
            for (int k = 0; k < FramImage::kBlockSize; ++k)
                m_state.fram.FRAMBuffer[a + k] = quint8(m_state.fram.FRAMBlock[k]);
        }
        const double percent = Numbers::roundHalfEven(a / 65535.0 * 100.0);
        m_progress.setProgress(int(std::clamp(percent, 0.0, 100.0)));
        m_clock.processEvents();
        if (m_state.window.AbortRequested || !m_state.module.CommandOK) {
            complete = false;
            break;
        }
    }

    m_progress.hideProgress();
    if (!complete)
        m_state.window.AbortRequested = false;
    m_protocol.link().closeIfOpen();
    m_state.module.CommandOK = complete;
}
