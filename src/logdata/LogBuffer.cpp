#include "logdata/LogBuffer.h"

void LogBuffer::ClearDataBuffer() {
    AFR1.fill(10.0f);
    AFR2.fill(10.0f);
    RPM.fill(1.0f);
    AnalogInVolts.fill(1.0f);
    Sensor1Status.fill(0.0f);
    Sensor2Status.fill(0.0f);
    DownloadDate.clear();
    Comment.clear();
    DataBufferEmpty = true;
}

QString SensorStatus::text(int code) {
    switch (code) {
    case LowBattery:
        return QStringLiteral("Low Battery");
    case HighBattery:
        return QStringLiteral("High Battery");
    case SensorShort:
        return QStringLiteral("Sensor Short");
    case SensorOpen:
        return QStringLiteral("Sensor Open");
    case OverMaxTemp:
        return QStringLiteral("Over Max Temp");
    case SensorCold:
        return QStringLiteral("Sensor Cold");
    case FreeAir:
        return QStringLiteral("Free Air");
    default:
        return {};
    }
}
