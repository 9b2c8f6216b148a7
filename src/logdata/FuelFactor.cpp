#include "logdata/FuelFactor.h"

#include "support/QeroFailure.h"

#include <cmath>

qint64 FuelFactor::factor(const QString& fuelType, float stoichRatio) {
    const float r =
        fuelType.toUpper() == QLatin1String("LAMBDA") ? stoichRatio * 10.0f : stoichRatio;
    const double f = std::trunc(double(r) / 14.69 * 32768.0);
    if (!std::isfinite(f) || std::fabs(f) > 1e15)
        return -1;
    return qint64(f);
}

FuelFactor::Bytes FuelFactor::bytes(const QString& fuelType, float stoichRatio) {
    const qint64 f = factor(fuelType, stoichRatio);
    if (f < 0 || f > 0xFFFF)
        throw QeroFailure(QStringLiteral("Fuel Type"),
                          QStringLiteral("Overflow: the ratio %1 of \"%2\" cannot be stored in "
                                         "the module.")
                              .arg(double(stoichRatio))
                              .arg(fuelType));
    return {quint8(f % 256), quint8(f / 256)};
}

void FuelFactor::store(FramImage& fram, const QString& fuelType, float stoichRatio) {
    const Bytes b = bytes(fuelType, stoichRatio);
    fram.FRAMBuffer[kLowByteAddress] = b.low;
    fram.FRAMBuffer[kHighByteAddress] = b.high;
}
