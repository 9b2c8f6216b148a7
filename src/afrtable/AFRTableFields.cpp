// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTableFields.h"

#include "support/Numbers.h"
#include "support/Units.h"

#include <cmath>

namespace AFRTableFields {

namespace {

float onGasolineScale(float stoichRatio, double gasolineAFR) {
    return float(
        Numbers::roundHalfEven(double(stoichRatio) * gasolineAFR / Units::kGasolineStoich, 1));
}

int targetDecimals(float stoichRatio) {
    if (stoichRatio < 2.0f)
        return 3;
    if (stoichRatio <= 10.0f)
        return 2;
    return 1;
}

} // namespace

float defaultTarget(float stoichRatio) {
    return onGasolineScale(stoichRatio, 13.2);
}
float lowestTarget(float stoichRatio) {
    return onGasolineScale(stoichRatio, 10.5);
}
float highestTarget(float stoichRatio) {
    return onGasolineScale(stoichRatio, 19.5);
}

FieldCheck checkTarget(const QString& text, float stoichRatio, const QString& afrFormat) {
    const float low = lowestTarget(stoichRatio);
    const float high = highestTarget(stoichRatio);
    FieldCheck out;
    double v = Numbers::leadingNumber(text);
    if (v < low) {
        out.message = QStringLiteral("Value must be greater than or equal to ") +
                      Numbers::format(low, afrFormat);
        v = low;
    }
    if (v > high) {
        out.message = QStringLiteral("Value must be less than or equal to ") +
                      Numbers::format(high, afrFormat);
        v = high;
    }
    const float stored = float(Numbers::roundHalfEven(v, targetDecimals(stoichRatio)));
    out.value = stored;
    out.text = Numbers::format(stored, afrFormat);
    return out;
}

FieldCheck checkMinSamples(const QString& text) {
    FieldCheck out;
    double v = Numbers::leadingNumber(text);
    if (v < 1) {
        out.message = QStringLiteral("Value must be greater than or equal to 1");
        v = 1;
    }
    if (v > 25) {
        out.message = QStringLiteral("Value must be less than or equal to 25");
        v = 25;
    }
    out.value = std::floor(v);
    out.text = minSamplesText(int(out.value));
    return out;
}

QString minSamplesText(int value) {
    return Numbers::format(value, QStringLiteral("0"));
}

} // namespace AFRTableFields
