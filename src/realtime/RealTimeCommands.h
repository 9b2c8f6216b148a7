// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class ModuleProtocol;

// The module's seven live-value reads. Each opens the port when it is closed, sends
// one command byte, waits up to 1 s for its reply, lets the module settle for 10 ms
// and closes the port again, so that every read is a conversation of its own.
// `CommandOK` tells whether the last read succeeded; a failed read returns 0.
class RealTimeCommands {
public:
    static constexpr qint32 kSettleMs = 10;

    explicit RealTimeCommands(ModuleProtocol& protocol) : m_protocol(protocol) {}

    // Sets AFRRaw1 and AFRRaw2.
    void ReadAFR();
    // Engine speed; a refusal of the read gives 0.
    float ReadRPM();
    // Analog input volts.
    float ReadVIN1();
    // Battery (heater supply) volts.
    float ReadHeaterVolts();
    float ReadCellRes1();
    float ReadCellRes2();
    // The ethanol sensor value (50 means 0 %); a refusal gives 0.
    float ReadESENS();

    // The two raw bytes of the last AFR read (0 to 255).
    float AFRRaw1 = 0;
    float AFRRaw2 = 0;

    ModuleProtocol& protocol() { return m_protocol; }

private:
    // Sends `command` and takes `count` reply bytes into `reply`; when `ackFirst`, one
    // byte is awaited first and the rest only when it was an acknowledgement (`acked`).
    bool exchange(quint8 command, int count, quint8* reply, bool ackFirst = false,
                  bool* acked = nullptr);

    ModuleProtocol& m_protocol;
};
