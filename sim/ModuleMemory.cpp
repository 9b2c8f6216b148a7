// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleMemory.h"

#include <QFile>
#include <QSaveFile>

using namespace ModuleVocabulary::Memory;

int ModuleMemory::recordAddress(int ringIndex) {
    ringIndex %= kRecords;
    if (ringIndex < 0)
        ringIndex += kRecords;
    return ringIndex < kHalfRecords ? kLowerHalfStart + kRecordSize * ringIndex
                                    : kUpperHalfStart + kRecordSize * (ringIndex - kHalfRecords);
}

void ModuleMemory::setLogPointer(quint16 address) {
    bytes[kLogPointerLow] = quint8(address & 0xFF);
    bytes[kLogPointerHigh] = quint8(address >> 8);
}

bool ModuleMemory::load(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    const QByteArray data = f.read(kSize + 1);
    if (data.size() != kSize) {
        if (error)
            *error = QStringLiteral("%1 holds %2 bytes; a memory image is exactly %3 bytes")
                         .arg(path)
                         .arg(data.size() > kSize ? QStringLiteral("more than %1").arg(kSize)
                                                  : QString::number(data.size()))
                         .arg(kSize);
        return false;
    }
    std::copy(data.begin(), data.end(), bytes.begin());
    return true;
}

bool ModuleMemory::save(const QString& path, QString* error) const {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(bytes.data()), kSize) != kSize || !f.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}
