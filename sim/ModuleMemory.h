// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/ModuleVocabulary.h"

#include <QString>
#include <QtGlobal>

#include <array>

// The simulated module's 64 KiB FRAM and its layout: parameter bytes, fuel bytes, the
// log pointer, and the 12000-record log ring in two halves.
struct ModuleMemory {
    static constexpr int kSize = ModuleVocabulary::Memory::kSize;

    std::array<quint8, kSize> bytes{};

    // Address of the record at ring position 0..11999.
    static int recordAddress(int ringIndex);
    quint16 logPointer() const {
        return quint16(bytes[ModuleVocabulary::Memory::kLogPointerLow] |
                       (bytes[ModuleVocabulary::Memory::kLogPointerHigh] << 8));
    }
    void setLogPointer(quint16 address);

    // The image from a file of exactly 65536 bytes; false with a reason otherwise.
    bool load(const QString& path, QString* error);
    bool save(const QString& path, QString* error) const;
};
