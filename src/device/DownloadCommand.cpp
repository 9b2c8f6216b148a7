#include "device/DownloadCommand.h"

#include "device/ProgressReport.h"
#include "device/FramDecoder.h"
#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "logdata/AppState.h"
#include "support/Clock.h"
#include "support/ErrorReport.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"

#include <algorithm>

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
    outcome.parameters.applyTo(state);
    state.log.DownloadDate = Numbers::generalDateTime(when);
    state.log.DataBufferEmpty = false;
    return true;
}

void DownloadCommand::ReadFRAMData() {
    // An Esc pressed while nothing was running must not end this read at its first block.
    m_state.window.AbortRequested = false;
    m_progress.showProgress(QStringLiteral("Reading FRAM"));
    m_progress.setProgress(0);

    m_state.fram.ClearFRAMBuffer();
    m_protocol.SetAddress(0);
    if (!m_state.module.CommandOK) {
        m_protocol.link().closeIfOpen();
        m_progress.hideProgress();
        m_state.module.CommandOK = false;
        return;
    }

    bool complete = true;
    for (int block = 0; block < kBlocks; ++block) {
        const int a = block * FramImage::kBlockSize;
        m_protocol.ReadFRAMBlock(FramImage::kBlockSize);
        if (m_state.module.CommandOK) {
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
