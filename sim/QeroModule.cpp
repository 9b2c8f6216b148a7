#include "QeroModule.h"

#include "DriveLog.h"
#include "EngineModel.h"

#include <algorithm>
#include <cmath>

namespace {

struct CommandName {
    const char* name;
    int byte;
};

constexpr CommandName kCommands[] = {
    {"resync", 51}, {"id", 16},      {"address", 20}, {"read", 30},  {"block", 48},
    {"write", 31},  {"erase", 49},   {"reset", 52},   {"afr", 40},   {"rpm", 39},
    {"vin", 41},    {"battery", 37}, {"cellres", 38}, {"esens", 56},
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
        case 20:
            m_command = b;
            m_argsNeeded = 2;
            return {};
        case 48:
        case 31:
            m_command = b;
            m_argsNeeded = 1;
            return {};
        case 49:
            m_command = b;
            m_magic = QByteArray("\x69\x34\xBF\x3B", 4); // 105, 52, 191, 59
            return {};
        case 52:
            m_command = b;
            m_magic = QByteArray("\x97\x66\x93\xB8", 4); // 151, 102, 147, 184
            return {};
        case 51:
        case 16:
        case 30:
        case 40:
        case 39:
        case 41:
        case 37:
        case 38:
        case 56:
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
    if (command == 48 && m_faults.unplugAfterBlocks >= 0 &&
        m_blockReads >= m_faults.unplugAfterBlocks) {
        m_unplugged = true;
        r.unplug = true;
        return r;
    }
    if (command == 0 || (m_faults.refuseCommand >= 0 && command == m_faults.refuseCommand)) {
        r.bytes.append(char(kRefusal));
    } else {
        const EngineModel::Values live = EngineModel::at(double(nowUs - m_startUs) / 1e6);
        const quint8 ppr = m_memory.bytes[1];
        const float pulses = ppr == 0 ? 0.5f : float(ppr);
        switch (command) {
        case 51:
            r.bytes.append(char(kAck));
            break;
        case 16:
            r.bytes = m_id.toLatin1();
            r.bytes.append('\r');
            break;
        case 20:
            m_pointer = quint16(quint8(args.at(0)) | (quint8(args.at(1)) << 8));
            r.bytes.append(char(kAck));
            break;
        case 30:
            r.bytes.append(char(readNext()));
            break;
        case 48: {
            ++m_blockReads;
            int n = quint8(args.at(0));
            if (m_faults.shortBlock > 0 && m_blockReads == m_faults.shortBlock && n > 0)
                --n;
            for (int i = 0; i < n; ++i)
                r.bytes.append(char(readNext()));
            break;
        }
        case 31: {
            quint8 value = quint8(args.at(0));
            if (m_faults.storeDifferentAt == m_faults.kAnyAddress ||
                m_faults.storeDifferentAt == m_pointer)
                value ^= m_faults.storeMask;
            m_memory.bytes[m_pointer++] = value;
            r.bytes.append(char(kAck));
            break;
        }
        case 49:
            // The log area reads as erased and recording starts again at the bottom.
            std::fill(m_memory.bytes.begin() + ModuleMemory::kLowerStart,
                      m_memory.bytes.begin() + 32768, quint8(0xFF));
            std::fill(m_memory.bytes.begin() + ModuleMemory::kUpperStart, m_memory.bytes.end(),
                      quint8(0xFF));
            m_memory.setLogPointer(ModuleMemory::kLowerStart);
            r.bytes.append(char(kAck));
            r.delayUs = kEraseUs;
            break;
        case 52:
            r.bytes.append(char(kAck));
            m_startUs = nowUs; // the engine values start over from a cold module
            break;
        case 40:
            r.bytes.append(char(live.afrCode1));
            r.bytes.append(char(live.afrCode2));
            break;
        case 39: {
            const quint16 count = DriveLog::rpmPeriod(live.rpm, pulses);
            if (count == 0) {
                r.bytes.append(char(kRefusal)); // no speed signal
            } else {
                r.bytes.append(char(kAck));
                r.bytes.append(char(count & 0xFF));
                r.bytes.append(char(count >> 8));
            }
            break;
        }
        case 41:
            r.bytes.append(char(DriveLog::analogByte(live.throttleVolts)));
            break;
        case 37:
            r.bytes.append(
                char(std::clamp<long>(std::lround(live.batteryVolts / 20.0f * 255.0f), 0, 255)));
            break;
        case 38:
            r.bytes.append(char(live.cellRes1));
            r.bytes.append(char(live.cellRes2));
            break;
        case 56:
            if (!hasEthanolSensor()) {
                r.bytes.append(char(kRefusal));
            } else {
                // The sensor reads 50 + ethanol percent; the fuel bytes say what is in the tank.
                const int factor = m_memory.bytes[6] | (m_memory.bytes[7] << 8);
                const double ratio = factor / 32768.0 * 14.69;
                const double ethanol =
                    std::clamp((14.69 - ratio) / (14.69 - 9.01) * 100.0, 0.0, 100.0);
                r.bytes.append(char(kAck));
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
