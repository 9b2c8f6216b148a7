#pragma once

#include "logdata/FramImage.h"

#include <QString>

// The fuel's scale factor as the module keeps it in FRAM bytes 6 (low) and 7 (high):
// 32768 stands for the gasoline ratio 14.69, so the module's own display can show the
// fuel's AFR. Lambda is kept as ten times its ratio.
class FuelFactor {
public:
    static constexpr int kLowByteAddress = 6;
    static constexpr int kHighByteAddress = 7;

    // Whole part of R / 14.69 × 32768 in double precision from the single-precision ratio,
    // R being the ratio, or ten times it for "Lambda" (any letter case).
    static qint64 factor(const QString& fuelType, float stoichRatio);

    struct Bytes {
        quint8 low;
        quint8 high;
    };
    // Throws QeroFailure when the factor does not fit the module's two bytes, rather than
    // writing a wrapped-around value into the module.
    static Bytes bytes(const QString& fuelType, float stoichRatio);
    // Puts the two bytes into the FRAM image.
    static void store(FramImage& fram, const QString& fuelType, float stoichRatio);
};
