// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Units.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cmath>
#include <limits>

struct LogBuffer;

// What a recording says about itself on its first line: the module, the fuel, the analog
// scaling and when it started, so that a file read years later still means something.
struct RecordingInfo {
    QString model;
    QString firmware;
    QString fuel = QStringLiteral("Gasoline");
    double stoichRatio = Units::kGasolineStoich;
    QString analogType = QStringLiteral("NONE");
    QString analogLegend = QStringLiteral("Analog Input");
    double minVolts = 0.0;
    double maxVolts = 5.0;
    double minScaled = 0.0;
    double maxScaled = 5.0;
    QString started; // ISO 8601 local date and time

    // The fuel and scaling of a log buffer (the current settings).
    static RecordingInfo fromLog(const LogBuffer& log);
};

// One polling cycle as it is kept on disk. AFRs are in the fuel's own units (lambda for
// the lambda fuel); a status is the log file's sensor status code (0 valid, 1 to 6 the
// module's faults, 10 free air). Ethanol is NaN on models without the sensor.
struct RecordingRow {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    double time = 0.0; // seconds since the recording started, monotonic
    double afr1 = 0.0;
    double lambda1 = 0.0;
    int status1 = 0;
    double afr2 = 0.0;
    double lambda2 = 0.0;
    int status2 = 0;
    double rpm = 0.0;
    double analogVolts = 0.0;
    double analogScaled = 0.0;
    double battery = 0.0;
    double cellRes1 = 0.0;
    double cellRes2 = 0.0;
    double ethanol = kNone;
    bool mark = false;

    bool hasEthanol() const { return !std::isnan(ethanol); }
};

// The recording file: a comment line with the module and settings, a CSV header line
// naming the columns, then one comma-separated row per polling cycle, each ended by a
// line feed. Numbers use a point and a fixed number of decimals, so the rows of a long
// drive stay short and every spreadsheet reads them.
namespace RecordingFormat {

// How the first line starts; it tells a recording from a module log.
inline constexpr char kSignature[] = "# QERO4D Log recording";
// The header line's column names, in order.
inline constexpr char kColumns[] = "Time_s,AFR1,Lambda1,Status1,AFR2,Lambda2,Status2,RPM,Analog_V,"
                                   "Analog_Scaled,Battery_V,CellRes1_Ohm,CellRes2_Ohm,Ethanol_pct,"
                                   "Mark";
inline constexpr int kColumnCount = 15;

// The comment line and the header line, each ended by a line feed.
QByteArray preamble(const RecordingInfo& info);
// Appends one row and its line feed.
void appendRow(QByteArray& out, const RecordingRow& row);

// True when `firstBytes` (the start of a file) is a recording's comment line.
bool isRecording(QByteArrayView firstBytes);
// Reads the comment line's fields; those missing or unreadable keep their defaults.
RecordingInfo parseComment(QByteArrayView line);
// Reads one row line (without its line feed); false when it is not a complete row.
bool parseRow(QByteArrayView line, RecordingRow& row);

// The gasoline-scale ratio the module measures, as the log buffer holds it, from lambda.
double gasolineAFR(double lambda);

} // namespace RecordingFormat
