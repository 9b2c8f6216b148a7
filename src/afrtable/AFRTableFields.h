// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/FieldCheck.h"

#include <QString>

// The two number boxes of the AFR table window: their defaults and the checks made
// when the focus leaves them. Shared by the window and qero4d-cli.
namespace AFRTableFields {

inline const QString kTargetTitle = QStringLiteral("AFR Target");
inline const QString kMinSamplesTitle = QStringLiteral("Minimum Samples");

// 13.2 on the gasoline scale, in the fuel's own units, to one decimal.
float defaultTarget(float stoichRatio);
// Lean and rich limits of the target (10.5 and 19.5 on the gasoline scale).
float lowestTarget(float stoichRatio);
float highestTarget(float stoichRatio);

// The target typed into the box, clamped to the limits and rounded to the decimals of
// the fuel's display pattern.
FieldCheck checkTarget(const QString& text, float stoichRatio, const QString& afrFormat);
// The minimum number of samples per cell, 1 to 25, fraction dropped.
FieldCheck checkMinSamples(const QString& text);

// The plain whole-number form of the minimum-samples box.
QString minSamplesText(int value);

} // namespace AFRTableFields
