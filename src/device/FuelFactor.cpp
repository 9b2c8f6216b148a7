// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/FuelFactor.h"

#include "device/ModuleVocabulary.h"
#include "support/Units.h"

#include <cmath>

namespace FuelFactor {

std::optional<quint16> factor(const QString& fuelType, float stoichRatio) {
    double r = double(stoichRatio);
    if (fuelType.toUpper() == QLatin1String("LAMBDA"))
        r *= 10.0;
    const double f = std::trunc(r / Units::kGasolineStoich * 32768.0);
    if (!(f >= 0.0 && f <= 65535.0))
        return std::nullopt;
    return quint16(f);
}

void store(FramImage& fram, quint16 f) {
    fram.FRAMBuffer[ModuleVocabulary::Memory::kFuelFactorLow] = quint8(f % 256);
    fram.FRAMBuffer[ModuleVocabulary::Memory::kFuelFactorHigh] = quint8(f / 256);
}

} // namespace FuelFactor
