// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogCsv.h"

#include "support/Numbers.h"

namespace LogCsv {

QByteArray header() {
    return "sample,ElapsedTime,AFR1,Sensor1Status,AFR2,Sensor2Status,RPM,AnalogInVolts\n";
}

void appendRow(QByteArray& out, const LogBuffer& log, int i) {
    const auto put = [&](float v) {
        out += ',';
        out += Numbers::shortestFloat(v).toLatin1();
    };
    out += QByteArray::number(i + 1);
    put(log.ElapsedTime[i]);
    put(log.AFR1[i]);
    put(log.Sensor1Status[i]);
    put(log.AFR2[i]);
    put(log.Sensor2Status[i]);
    put(log.RPM[i]);
    put(log.AnalogInVolts[i]);
    out += '\n';
}

QByteArray whole(const LogBuffer& log) {
    QByteArray out = header();
    out.reserve(LogBuffer::kSamples * 48);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        appendRow(out, log, i);
    return out;
}

QByteArray between(const LogBuffer& log, double from, double to) {
    QByteArray out = header();
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        const double t = log.ElapsedTime[i];
        if (t >= from && t <= to)
            appendRow(out, log, i);
    }
    return out;
}

} // namespace LogCsv
