// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// Builds log-file text line by line, so that each test shows only the lines it is about.
namespace LogFixtures {

inline QByteArray header(const QByteArray& legendLine = "\"Analog Legend\",\"TPS(%)\"",
                         const QByteArray& interval = ".5") {
    return "\"Data Logging Interval\"," + interval +
           "\r\n"
           "\"Maximum RPM Display\",8000\r\n"
           "\"Minimum Input Volts\",.5\r\n"
           "\"Maximum Input Volts\",4.5\r\n"
           "\"Minimum Scaled Value\",0\r\n"
           "\"Maximum Scaled Value\",100\r\n" +
           legendLine +
           "\r\n"
           "\"Elapsed Time\",\"AFR1\",\"AFR2\",\"RPM\",\"Analog Input Volts\"\r\n";
}

// `count` rows; row i (1-based) has time i/10, AFR 13 + (i % 50) / 10, RPM 1000 + i and
// volts i % 5.
inline QByteArray rows(int count, int from = 1) {
    QByteArray out;
    for (int i = from; i < from + count; ++i)
        out += QByteArray::number(i / 10.0) + ',' + QByteArray::number(13.0 + (i % 50) / 10.0) +
               ",14.7," + QByteArray::number(1000 + i) + ',' + QByteArray::number(i % 5) + "\r\n";
    return out;
}

inline QByteArray trailerDate(const QByteArray& date = "12/10/2026 10:15:00") {
    return "\"Brenwick QERO4D Data Downloaded\",\"" + date + "\"\r\n";
}
inline QByteArray trailerComment(const QByteArray& comment = "dyno pull") {
    return "\"Comment\",\"" + comment + "\"\r\n";
}
inline QByteArray fuelLine(const QByteArray& fuel = "E85") {
    return "\"Fuel Type\",\"" + fuel + "\"\r\n";
}
inline QByteArray ratioLine(const QByteArray& ratio = "9.77") {
    return "\"Stoichiometric Ratio\"," + ratio + "\r\n";
}

inline QByteArray complete() {
    return header() + rows(LogBuffer::kSamples) + trailerDate() + trailerComment() + fuelLine() +
           ratioLine();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A buffer that looks like a download: every value as the module produces it.
inline LogBuffer realisticLog() {
    LogBuffer log;
    log.DataLogInterval = 0.048f;
    log.MaxRPMDisplay = 9000;
    log.MinInVolts = 0.3f;
    log.MaxInVolts = 4.8f;
    log.MinScaledValue = 5.9f;
    log.MaxScaledValue = 59.1f;
    log.AnalogLegend = QStringLiteral("MAP (In-Hg)");
    log.AnalogInputType = QStringLiteral("USER");
    log.FuelType = QStringLiteral("E85");
    log.StoichRatio = 9.77f;
    log.Comment = QStringLiteral("Runde auf dem Prüfstand");
    log.DownloadDate = QStringLiteral("12/10/2026 10:15:00");
    log.DataBufferEmpty = false;
    const int statuses[] = {0, 0, 0, 1, 2, 3, 4, 5, 6, 10};
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        log.ElapsedTime[i] = float(qRound64(0.048 * (i + 1) * 100) / 100.0);
        const int s1 = statuses[i % 10];
        const int s2 = statuses[(i / 10) % 10];
        log.Sensor1Status[i] = float(s1);
        log.Sensor2Status[i] = float(s2);
        log.AFR1[i] = s1 == 10 ? 20.0f : s1 ? 10.0f : float((103 + i % 93) / 10.0);
        log.AFR2[i] = s2 == 10 ? 20.0f : s2 ? 10.0f : float((195 - i % 93) / 10.0);
        log.RPM[i] = i % 7 == 0 ? 0.0f : float(500 + (i * 37) % 9000);
        log.AnalogInVolts[i] = float(qRound64(5.0 * (i % 256) / 255 * 100) / 100.0);
    }
    return log;
}

} // namespace LogFixtures
