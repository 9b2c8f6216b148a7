// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QList>
#include <QString>

#include <optional>

// Writes small .log files for the tests: the samples given, the rest of the 12000 rows
// as a saved empty buffer writes them (ratio 10, 1 rpm, 1 V), which the table ignores.
struct TestLogFile {
    struct Sample {
        int slot;
        float rpm;
        float tps;
        float afr1;
        float afr2;
    };
    QString legend = QStringLiteral("TPS");
    // 1 V reads as 1 % throttle.
    QString minVolts = QStringLiteral("0");
    QString maxVolts = QStringLiteral("5");
    QString minValue = QStringLiteral("0");
    QString maxValue = QStringLiteral("5");
    QList<Sample> samples;
    // Fewer than 12000 makes the file end inside its samples; below 0 inside its header
    // (that many header lines are written, -1 meaning none beyond the first line).
    int rows = 12000;
    int headerLines = 8;
    QString fuel = QStringLiteral("Gasoline");
    std::optional<QString> ratio = QStringLiteral("14.69");

    void fill(int from, int count, float rpm, float tps, float afr) {
        for (int i = 0; i < count; ++i)
            samples.push_back({from + i, rpm, tps, afr, afr});
    }

    bool write(const QString& path) const {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        const QStringList header = {
            QStringLiteral("\"Data Logging Interval\",.1"),
            QStringLiteral("\"Maximum RPM Display\",10000"),
            QStringLiteral("\"Minimum Input Volts\",") + minVolts,
            QStringLiteral("\"Maximum Input Volts\",") + maxVolts,
            QStringLiteral("\"Minimum Scaled Value\",") + minValue,
            QStringLiteral("\"Maximum Scaled Value\",") + maxValue,
            QStringLiteral("\"Analog Legend\",\"") + legend + u'"',
            QStringLiteral("\"Elapsed Time\",\"AFR1\",\"AFR2\",\"RPM\",\"Analog Input Volts\"")};
        QByteArray out;
        for (int i = 0; i < headerLines; ++i)
            out += header[i].toLatin1() + "\r\n";
        if (headerLines == 8) {
            QList<QByteArray> rowText(rows);
            for (int i = 0; i < rows; ++i)
                rowText[i] = QByteArray::number(0.1 * (i + 1), 'g', 7) + ",10,10,1,1";
            for (const Sample& s : samples) {
                if (s.slot < rows)
                    rowText[s.slot] = QByteArray::number(0.1 * (s.slot + 1), 'g', 7) + ',' +
                                      QByteArray::number(s.afr1) + ',' +
                                      QByteArray::number(s.afr2) + ',' + QByteArray::number(s.rpm) +
                                      ',' + QByteArray::number(s.tps);
            }
            for (const QByteArray& r : rowText)
                out += r + "\r\n";
            if (rows == 12000) {
                out += "\"Brenwick QERO4D Data Downloaded\",\"\"\r\n";
                out += "\"Comment\",\" \"\r\n";
                if (ratio) {
                    out += "\"Fuel Type\",\"" + fuel.toLatin1() + "\"\r\n";
                    out += "\"Stoichiometric Ratio\"," + ratio->toLatin1() + "\r\n";
                }
            }
        }
        return f.write(out) == out.size();
    }
};
