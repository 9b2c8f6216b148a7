// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"

#include "DriveLog.h"
#include "EngineModel.h"

#include <algorithm>
#include <cmath>

namespace {

namespace Command = ModuleVocabulary::Command;
namespace Memory = ModuleVocabulary::Memory;
namespace ReplyByte = ModuleVocabulary::Reply;

QByteArray guardBytes(const std::array<quint8, 4>& guard) {
    return QByteArray(reinterpret_cast<const char*>(guard.data()), qsizetype(guard.size()));
}

struct CommandName {
    const char* name;
    int byte;
};

constexpr CommandName kCommands[] = {
    {"resync", Command::ReSync},         {"id", Command::ReadFirmwareID},
    {"address", Command::SetAddress},    {"read", Command::ReadFRAM},
    {"block", Command::ReadFRAMBlock},   {"write", Command::WriteFRAM},
    {"erase", Command::ClearQEROBuffer}, {"reset", Command::ResetQERO},
    {"afr", Command::ReadAFR},           {"rpm", Command::ReadRPM},
    {"vin", Command::ReadVIN1},          {"battery", Command::ReadHeaterVolts},
    {"cellres", Command::ReadCellRes},   {"esens", Command::ReadESENS},
};

} // namespace

QeroModule::QeroModule(Model model) : m_model(model), m_id(identificationFor(model)) {
    DriveLog::build(m_memory);
}

void QeroModule::setModel(Model model) {
    m_model = model;
    m_id = identificationFor(model);
}

QString QeroModule::identificationFor(Model model) {
    switch (model) {
    case Model::Qero4dRev2:
        return QStringLiteral("Brenwick QERO IV Dual Rev 2 Firmware 4.10");
    case Model::Qero4dRev3:
        return QStringLiteral("Brenwick QERO IV Dual Rev 3 Firmware 4.31");
    case Model::Qero4dRev4:
        return QStringLiteral("Brenwick QERO IV Dual Rev 4 Firmware 4.52");
    case Model::Qero3DualRev2:
        return QStringLiteral("Brenwick QERO 3 Dual Display Rev 2 Firmware 3.20");
    case Model::Qero3DualRev3:
        return QStringLiteral("Brenwick QERO 3 Dual Display Rev 3 Firmware 3.41");
    case Model::Unknown:
        return QStringLiteral("Brenwick QERO Single Gauge Firmware 1.07");
    }
    return QString();
}

QStringList QeroModule::modelNames() {
    return {QStringLiteral("4d-rev2"),    QStringLiteral("4d-rev3"),    QStringLiteral("4d-rev4"),
            QStringLiteral("3dual-rev2"), QStringLiteral("3dual-rev3"), QStringLiteral("unknown")};
}

bool QeroModule::modelFromName(const QString& name, Model* model) {
    const int i = int(modelNames().indexOf(name.trimmed().toLower()));
    if (i < 0)
        return false;
    *model = Model(i);
    return true;
}

int QeroModule::commandFromName(const QString& name) {
    const QString n = name.trimmed().toLower();
    for (const auto& c : kCommands)
        if (n == QLatin1String(c.name))
            return c.byte;
    bool ok = false;
    const int v = n.toInt(&ok);
    return ok && v >= 0 && v <= 255 ? v : -1;
}

QStringList QeroModule::commandNames() {
    QStringList names;
    for (const auto& c : kCommands)
        names << QLatin1String(c.name);
    return names;
}

bool QeroModule::hasEthanolSensor() const {
    return m_model == Model::Qero3DualRev2 || m_model == Model::Qero3DualRev3;
}

void QeroModule::resetParser() {
    m_command = 0;
    m_argsNeeded = 0;
    m_args.clear();
    m_magic.clear();
}

quint8 QeroModule::readNext() {
    return m_memory.bytes[m_pointer++];
} // wraps at 65536

QeroModule::Reply QeroModule::receive(quint8 b, qint64 nowUs) {
    if (m_unplugged)
        return {};
    if (m_startUs < 0)
        m_startUs = nowUs;
    if (m_command != 0 && nowUs - m_lastByteUs > kArgumentTimeoutUs)
        resetParser();
    m_lastByteUs = nowUs;

    if (m_command == 0) {
        switch (b) {
        case Command::SetAddress:
            m_command = b;
            m_argsNeeded = 2;
            return {};
        case Command::ReadFRAMBlock:
        case Command::WriteFRAM:
            m_command = b;
            m_argsNeeded = 1;
            return {};
        case Command::ClearQEROBuffer:
            m_command = b;
            m_magic = guardBytes(ModuleVocabulary::kClearGuard);
            return {};
        case Command::ResetQERO:
            m_command = b;
            m_magic = guardBytes(ModuleVocabulary::kResetGuard);
            return {};
        case Command::ReSync:
        case Command::ReadFirmwareID:
        case Command::ReadFRAM:
        case Command::ReadAFR:
        case Command::ReadRPM:
        case Command::ReadVIN1:
        case Command::ReadHeaterVolts:
        case Command::ReadCellRes:
        case Command::ReadESENS:
            return execute(b, {}, nowUs);
        default:
            return {}; // not a command: ignored
        }
    }

    m_args.append(char(b));
    if (!m_magic.isEmpty()) {
        if (quint8(m_magic.at(m_args.size() - 1)) != b) {
            // A garbled erase or restart sequence is refused rather than half obeyed.
            resetParser();
            return execute(0, {}, nowUs);
        }
        if (m_args.size() < m_magic.size())
            return {};
    } else if (m_args.size() < m_argsNeeded) {
        return {};
    }
    const quint8 command = quint8(m_command);
    const QByteArray args = m_args;
    resetParser();
    return execute(command, args, nowUs);
}

QeroModule::Reply QeroModule::execute(quint8 command, const QByteArray& args, qint64 nowUs) {
    Reply r;
    if (m_faults.silent || (m_faults.ignoreCommand >= 0 && command == m_faults.ignoreCommand))
        return r;
    if (command == Command::ReadFRAMBlock && m_faults.unplugAfterBlocks >= 0 &&
        m_blockReads >= m_faults.unplugAfterBlocks) {
        m_unplugged = true;
        r.unplug = true;
        return r;
    }
    if (command == 0 || (m_faults.refuseCommand >= 0 && command == m_faults.refuseCommand)) {
        r.bytes.append(char(ReplyByte::Refusal));
    } else {
        const EngineModel::Values live = EngineModel::at(double(nowUs - m_startUs) / 1e6);
        const quint8 ppr = m_memory.bytes[Memory::kPulsesByte];
        const float pulses = ppr == 0 ? 0.5f : float(ppr);
        switch (command) {
        case Command::ReSync:
            r.bytes.append(char(ReplyByte::Ack));
            break;
        case Command::ReadFirmwareID:
            r.bytes = m_id.toLatin1();
            r.bytes.append(char(ReplyByte::EndOfId));
            break;
        case Command::SetAddress:
            m_pointer = quint16(quint8(args.at(0)) | (quint8(args.at(1)) << 8));
            r.bytes.append(char(ReplyByte::Ack));
            break;
        case Command::ReadFRAM:
            r.bytes.append(char(readNext()));
            break;
        case Command::ReadFRAMBlock: {
            ++m_blockReads;
            int n = quint8(args.at(0));
            if (m_faults.shortBlock > 0 && m_blockReads == m_faults.shortBlock && n > 0)
                --n;
            for (int i = 0; i < n; ++i)
                r.bytes.append(char(readNext()));
            break;
        }
        case Command::WriteFRAM: {
            quint8 value = quint8(args.at(0));
            if (m_faults.storeDifferentAt == m_faults.kAnyAddress ||
                m_faults.storeDifferentAt == m_pointer)
                value ^= m_faults.storeMask;
            m_memory.bytes[m_pointer++] = value;
            r.bytes.append(char(ReplyByte::Ack));
            break;
        }
        case Command::ClearQEROBuffer:
            // The log area reads as erased and recording starts again at the bottom.
            std::fill(m_memory.bytes.begin() + Memory::kLowerHalfStart,
                      m_memory.bytes.begin() + Memory::kLowerHalfLimit + 1, quint8(0xFF));
            std::fill(m_memory.bytes.begin() + Memory::kUpperHalfStart, m_memory.bytes.end(),
                      quint8(0xFF));
            m_memory.setLogPointer(Memory::kLowerHalfStart);
            r.bytes.append(char(ReplyByte::Ack));
            r.delayUs = kEraseUs;
            break;
        case Command::ResetQERO:
            r.bytes.append(char(ReplyByte::Ack));
            m_startUs = nowUs; // the engine values start over from a cold module
            break;
        case Command::ReadAFR:
            r.bytes.append(char(live.afrCode1));
            r.bytes.append(char(live.afrCode2));
            break;
        case Command::ReadRPM: {
            const quint16 count = DriveLog::rpmPeriod(live.rpm, pulses);
            if (count == 0) {
                r.bytes.append(char(ReplyByte::Refusal)); // no speed signal
            } else {
                r.bytes.append(char(ReplyByte::Ack));
                r.bytes.append(char(count & 0xFF));
                r.bytes.append(char(count >> 8));
            }
            break;
        }
        case Command::ReadVIN1:
            r.bytes.append(char(DriveLog::analogByte(live.throttleVolts)));
            break;
        case Command::ReadHeaterVolts:
            r.bytes.append(
                char(std::clamp<long>(std::lround(live.batteryVolts / 20.0f * 255.0f), 0, 255)));
            break;
        case Command::ReadCellRes:
            r.bytes.append(char(live.cellRes1));
            r.bytes.append(char(live.cellRes2));
            break;
        case Command::ReadESENS:
            if (!hasEthanolSensor()) {
                r.bytes.append(char(ReplyByte::Refusal));
            } else {
                // The sensor reads 50 + ethanol percent; the fuel bytes say what is in the tank.
                const int factor = m_memory.bytes[Memory::kFuelFactorLow] |
                                   (m_memory.bytes[Memory::kFuelFactorHigh] << 8);
                const double ratio = factor / 32768.0 * 14.69;
                const double ethanol =
                    std::clamp((14.69 - ratio) / (14.69 - 9.01) * 100.0, 0.0, 100.0);
                r.bytes.append(char(ReplyByte::Ack));
                r.bytes.append(char(50 + std::lround(ethanol)));
            }
            break;
        default:
            return r;
        }
    }
    r.delayUs += qint64(m_faults.delayMs) * 1000;
    if (command == m_faults.garbleCommand && m_faults.garbleMask != 0) {
        for (int i = 0; i < r.bytes.size(); ++i) {
            r.bytes[i] = char(quint8(r.bytes.at(i)) ^ m_faults.garbleMask);
            if (m_faults.garbleFlagged)
                r.garbled.append(i);
        }
    }
    if (m_faults.noise > 0.0) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        std::uniform_int_distribution<int> bit(0, 7);
        for (int i = 0; i < r.bytes.size(); ++i) {
            if (chance(m_rng) < m_faults.noise) {
                r.bytes[i] = char(quint8(r.bytes.at(i)) ^ quint8(1u << bit(m_rng)));
                if (m_faults.noiseFlagged)
                    r.garbled.append(i);
            }
        }
    }
    return r;
}
