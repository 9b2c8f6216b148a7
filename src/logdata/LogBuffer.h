// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Units.h"

#include <QString>

#include <array>

// The one in-memory log: seven arrays of 12000 single-precision samples and the header
// values that belong to the log. Sample i of the log (1 to 12000) is entry i - 1.
struct LogBuffer {
    static constexpr int kSamples = 12000;
    using Samples = std::array<float, kSamples>;

    Samples ElapsedTime{};
    Samples AFR1{};
    Samples AFR2{};
    Samples RPM{};
    Samples AnalogInVolts{};
    Samples Sensor1Status{};
    Samples Sensor2Status{};

    // Header values; the scaling, fuel and RPM full scale are the current settings too.
    float DataLogInterval = 0.1f;
    qint16 MaxRPMDisplay = 10000;
    float MinInVolts = 0.0f;
    float MaxInVolts = 5.0f;
    float MinScaledValue = 0.0f;
    float MaxScaledValue = 5.0f;
    QString AnalogLegend = QStringLiteral("Analog Input");
    QString AnalogInputType = QStringLiteral("NONE");
    QString FuelType = QStringLiteral("Gasoline");
    float StoichRatio = float(Units::kGasolineStoich);
    QString Comment;
    QString DownloadDate;

    bool DataBufferEmpty = true;

    // Clear values in every array but ElapsedTime, the two strings emptied, and the
    // buffer marked empty; the other header values stay.
    void ClearDataBuffer();
};
