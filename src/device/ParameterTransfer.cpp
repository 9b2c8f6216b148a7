// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ParameterTransfer.h"

#include "device/ModuleParameters.h"
#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "logdata/FramImage.h"
#include "support/ModuleStatus.h"

#include <algorithm>
#include <array>

namespace {
const QString kDownloadTitle = QStringLiteral("Download Parameters");
const QString kUploadTitle = QStringLiteral("Upload Parameters");
} // namespace

ParameterTransfer::ParameterTransfer(LogBuffer& log, SettingsValues& values,
                                     SettingsStore& settings, ModuleProtocol& protocol,
                                     Prompter& prompter)
    : m_log(log), m_values(values), m_settings(settings), m_protocol(protocol),
      m_prompter(prompter) {}

void ParameterTransfer::tell(const QString& text, const QString& title) {
    m_prompter.message(text, title, Prompter::Icon::Exclamation, Prompter::Ok);
}

bool ParameterTransfer::connect(const QString& title, const QString& verb) {
    switch (m_protocol.OpenConversation()) {
    case ModuleProtocol::Opening::NoLink:
        tell(QStringLiteral("Cannot establish RS-232 link. Check cable and module power."), title);
        return false;
    case ModuleProtocol::Opening::IdFailed:
        tell(QStringLiteral("Firmware ID read failed - cannot %1.").arg(verb), title);
        return false;
    case ModuleProtocol::Opening::IdEmpty:
        tell(QStringLiteral("Invalid firmware ID - cannot %1.").arg(verb), title);
        return false;
    case ModuleProtocol::Opening::Identified:
        break;
    }
    tell(QStringLiteral("Firmware ID: ") + m_protocol.module().FirmwareID, title);
    return true;
}

bool ParameterTransfer::cmdQEROParamsDownload_Click() {
    if (!connect(kDownloadTitle, QStringLiteral("download")))
        return false;
    auto& image = m_protocol.fram().FRAMBuffer;
    // The bytes are read twice: a byte garbled on an unchecked line reads as a valid
    // value, and an upload starting from it would change a parameter nobody named.
    const auto readBytes = [&](std::array<quint8, 6>& bytes) {
        m_protocol.SetAddress(0);
        for (int a = 0; a < 6 && m_protocol.module().CommandOK; ++a)
            bytes[std::size_t(a)] = m_protocol.ReadFRAM();
        return m_protocol.module().CommandOK;
    };
    std::array<quint8, 6> first{};
    std::array<quint8, 6> second{};
    const bool ok = readBytes(first) && readBytes(second);
    // Nothing else talks to the module now; give the port back.
    m_protocol.link().closeIfOpen();
    if (!ok) {
        tell(QStringLiteral("Download aborted - FRAM read failed"), kDownloadTitle);
        return false;
    }
    if (first != second) {
        tell(QStringLiteral("Download aborted - the parameters read differently twice (a "
                            "noisy line?). Nothing was changed; check the cable and try again."),
             kDownloadTitle);
        return false;
    }
    std::copy(first.begin(), first.end(), image.begin());
    const ModuleParameters p = ModuleParameters::fromBytes(image.data(), false);
    p.applyTo(m_log, m_values);
    p.save(m_settings);
    return true;
}

bool ParameterTransfer::cmdQEROParamsUpload_Click() {
    const ModuleParameters p = ModuleParameters::current(m_log, m_values);
    p.save(m_settings);
    auto& image = m_protocol.fram().FRAMBuffer;
    p.writeBytes(image.data());

    if (!connect(kUploadTitle, QStringLiteral("upload")))
        return false;

    const QString programmingFailed = QStringLiteral("Upload aborted - FRAM programming failed");
    const QString verificationFailed = QStringLiteral("Upload aborted - FRAM verification failed");
    for (int a : ModuleParameters::kWrittenBytes) {
        m_protocol.SetAddress(a);
        if (m_protocol.module().CommandOK)
            m_protocol.WriteFRAM(image[a]);
        if (m_protocol.module().CommandOK)
            m_protocol.SetAddress(a);
        if (!m_protocol.module().CommandOK) {
            m_protocol.link().closeIfOpen();
            tell(programmingFailed, kUploadTitle);
            return false;
        }
        const quint8 back = m_protocol.ReadFRAM();
        if (!m_protocol.module().CommandOK) {
            m_protocol.link().closeIfOpen();
            tell(verificationFailed, kUploadTitle);
            return false;
        }
        if (back != image[a]) {
            tell(verificationFailed, kUploadTitle);
            return false;
        }
    }
    m_protocol.link().closeIfOpen();
    tell(QStringLiteral("Upload completed") + u'\n', kUploadTitle);
    return true;
}
