// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealTimeCommands.h"

#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "logdata/AppState.h"
#include "realtime/RealTimeDecoding.h"
#include "support/Clock.h"

namespace {
namespace Command = ModuleVocabulary::Command;
} // namespace

bool RealTimeCommands::exchange(quint8 command, int count, quint8* reply, bool ackFirst,
                                bool* acked) {
    ModuleProtocol& p = protocol();
    ModuleProtocol::Exchange x(p);
    if (!x.send({command}))
        return false;
    // Abort closes the port; Ignore leaves it as it is. Either way the read fails.
    auto wait = [&](int n) {
        if (x.await(n))
            return true;
        if (x.reportTimeout() == ErrorReport::Choice::Abort)
            p.link().closeIfOpen();
        return false;
    };
    int taken = 0;
    if (ackFirst) {
        if (!wait(1))
            return false;
        const quint8 first = x.take();
        *acked = first == ModuleVocabulary::Reply::Ack;
        if (*acked) {
            if (!wait(count))
                return false;
            for (; taken < count; ++taken)
                reply[taken] = x.take();
        }
    } else {
        if (!wait(count))
            return false;
        for (; taken < count; ++taken)
            reply[taken] = x.take();
    }
    DelayTimer(p.clock(), kSettleMs);
    p.link().closeIfOpen();
    p.module().CommandOK = true;
    return true;
}

void RealTimeCommands::ReadAFR() {
    quint8 b[2] = {0, 0};
    if (exchange(Command::ReadAFR, 2, b)) {
        AFRRaw1 = b[0];
        AFRRaw2 = b[1];
    }
}

float RealTimeCommands::ReadRPM() {
    quint8 c[2] = {0, 0};
    bool acked = false;
    if (!exchange(Command::ReadRPM, 2, c, true, &acked) || !acked)
        return 0.0f;
    const int count = c[0] + 256 * c[1];
    return RealTimeDecoding::rpmFromCount(count, protocol().settings().PulsePerRev);
}

float RealTimeCommands::ReadVIN1() {
    quint8 b = 0;
    return exchange(Command::ReadVIN1, 1, &b) ? RealTimeDecoding::analogVolts(b) : 0.0f;
}

float RealTimeCommands::ReadHeaterVolts() {
    quint8 b = 0;
    return exchange(Command::ReadHeaterVolts, 1, &b) ? RealTimeDecoding::batteryVolts(b) : 0.0f;
}

float RealTimeCommands::ReadCellRes1() {
    quint8 b[2] = {0, 0};
    return exchange(Command::ReadCellRes, 2, b) ? float(b[0]) : 0.0f;
}

float RealTimeCommands::ReadCellRes2() {
    quint8 b[2] = {0, 0};
    return exchange(Command::ReadCellRes, 2, b) ? float(b[1]) : 0.0f;
}

float RealTimeCommands::ReadESENS() {
    quint8 e = 0;
    bool acked = false;
    if (!exchange(Command::ReadESENS, 1, &e, true, &acked) || !acked)
        return 0.0f;
    return float(e);
}
