// SPDX-License-Identifier: GPL-3.0-or-later
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
