// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/FramImage.h"

#include <QString>

#include <optional>

// The module scales its own display by a factor where 32768 stands for the gasoline
// ratio 14.69. For lambda the module expects ten times the ratio.
namespace FuelFactor {

// The integer part of R / 14.69 x 32768 in double precision, R being the ratio (x 10 for
// "Lambda", compared upper-cased). Nothing when the factor does not fit the two bytes
// the module keeps it in (a user fuel named "lambda" with a large ratio).
std::optional<quint16> factor(const QString& fuelType, float stoichRatio);

// The fuel factor bytes of the image, low byte first.
void store(FramImage& fram, quint16 factor);

} // namespace FuelFactor
