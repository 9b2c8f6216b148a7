// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <array>

// Byte-for-byte copy of the module's 64 KiB FRAM, and the last block received.
struct FramImage {
    static constexpr int kSize = 65536;
    static constexpr int kBlockSize = 64;

    std::array<quint8, kSize> FRAMBuffer{};
    std::array<qint16, kBlockSize> FRAMBlock{};

    void ClearFRAMBuffer() { FRAMBuffer.fill(0); }
};
