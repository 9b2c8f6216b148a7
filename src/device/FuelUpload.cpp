// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/FuelUpload.h"

#include "device/FuelFactor.h"
#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "logdata/FramImage.h"
#include "logdata/LogBuffer.h"
#include "support/ModuleStatus.h"
#include "support/Prompter.h"

FuelUpload::FuelUpload(ModuleProtocol& protocol, const LogBuffer& log)
    : m_protocol(protocol), m_log(log) {}

void FuelUpload::say(const QString& text) {
    m_protocol.prompter().message(text, title(), Prompter::Icon::Exclamation, Prompter::Ok);
}

FuelUpload::Result FuelUpload::run() {
    SerialLink& link = m_protocol.link();

    const auto factor = FuelFactor::factor(m_log.FuelType, m_log.StoichRatio);
    if (!factor) {
        // Two bytes cannot hold it; writing a wrapped value would give the module a
        // wrong fuel.
        say(QStringLiteral("Fuel factor out of range - cannot upload."));
        return Result::FactorOutOfRange;
    }
    FuelFactor::store(m_protocol.fram(), *factor);

    switch (m_protocol.OpenConversation()) {
    case ModuleProtocol::Opening::NoLink:
        say(QStringLiteral("Cannot establish RS-232 link. Check cable and module power."));
        return Result::NoLink;
    case ModuleProtocol::Opening::IdFailed:
        say(QStringLiteral("Firmware ID read failed - cannot upload."));
        return Result::FirmwareIdFailed;
    case ModuleProtocol::Opening::IdEmpty:
        say(QStringLiteral("Invalid firmware ID - cannot upload."));
        return Result::FirmwareIdEmpty;
    case ModuleProtocol::Opening::Identified:
        break;
    }
    say(QStringLiteral("Firmware ID: ") + m_protocol.module().FirmwareID);

    if (m_protocol.module().QEROVersion != QLatin1String("QERO4D Rev 3") &&
        m_protocol.module().QEROVersion != QLatin1String("QERO3Dual Rev 3")) {
        say(QStringLiteral(
            "Error - invalid firmware ID. Unable to upload to earlier generation QERO."));
        return Result::EarlierGeneration;
    }

    for (int address :
         {ModuleVocabulary::Memory::kFuelFactorLow, ModuleVocabulary::Memory::kFuelFactorHigh}) {
        const Result r = writeAndVerify(address);
        if (r != Result::Completed)
            return r;
    }

    link.closeIfOpen();
    // The same words and line break as the parameter upload's completion.
    say(QStringLiteral("Upload completed\n"));
    return Result::Completed;
}

FuelUpload::Result FuelUpload::writeAndVerify(int address) {
    SerialLink& link = m_protocol.link();
    const quint8 wanted = m_protocol.fram().FRAMBuffer[size_t(address)];

    m_protocol.SetAddress(address);
    if (m_protocol.module().CommandOK)
        m_protocol.WriteFRAM(wanted);
    if (m_protocol.module().CommandOK)
        m_protocol.SetAddress(address);
    if (!m_protocol.module().CommandOK) {
        say(QStringLiteral("Upload aborted - FRAM programming failed"));
        link.closeIfOpen();
        return Result::ProgrammingFailed;
    }
    const quint8 got = m_protocol.ReadFRAM();
    if (!m_protocol.module().CommandOK) {
        say(QStringLiteral("Upload aborted - FRAM verification failed"));
        link.closeIfOpen();
        return Result::VerificationFailed;
    }
    if (got != wanted) {
        say(QStringLiteral("Upload aborted - FRAM verification failed"));
        return Result::VerificationFailed;
    }
    return Result::Completed;
}

std::optional<quint16> FuelUpload::readFactor() {
    SerialLink& link = m_protocol.link();
    ModuleStatus& module = m_protocol.module();
    if (!link.isOpen() && m_protocol.OpenConversation() != ModuleProtocol::Opening::Identified) {
        link.closeIfOpen();
        return std::nullopt;
    }
    const auto readOnce = [&]() -> std::optional<quint16> {
        m_protocol.SetAddress(ModuleVocabulary::Memory::kFuelFactorLow);
        const quint8 low = module.CommandOK ? m_protocol.ReadFRAM() : 0;
        const quint8 high = module.CommandOK ? m_protocol.ReadFRAM() : 0;
        if (!module.CommandOK)
            return std::nullopt;
        return quint16(low | (high << 8));
    };
    const std::optional<quint16> first = readOnce();
    const std::optional<quint16> second = first ? readOnce() : std::nullopt;
    link.closeIfOpen();
    if (!first || first != second)
        return std::nullopt;
    return first;
}
