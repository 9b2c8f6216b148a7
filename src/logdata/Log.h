// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

// What a channel of a log measures, whatever the source calls it.
enum class Quantity {
    Other,
    EngineSpeed,      // rpm
    ManifoldPressure, // kPa absolute where the source says so
    ThrottlePosition, // %
    FuelRatio,        // AFR on a fuel's scale, or lambda (ratioScale 1)
    SensorStatus,     // the module's status codes (0 reading, 1-6 faults, 10 free air)
    AnalogVolts,
    AnalogScaled,
    CoolantTemp,
    IntakeTemp,
    BatteryVolts,
    TargetRatio, // the engine computer's target AFR or lambda
};

// One measured quantity over the log's time axis. Values are single precision (every
// source's data is); a missing value is NaN, never 0 and never a placeholder.
struct LogChannel {
    QString name; // as the source names it
    QString unit; // as the source gives it, or the unit this program wrote it in
    Quantity quantity = Quantity::Other;
    // For fuel ratios: the stoichiometric ratio of the scale the values are on (1 for
    // lambda, 14.69 for the module's gasoline scale); 0 for anything else.
    double ratioScale = 0.0;
    // The wideband sensor (1 or 2) a ratio or status belongs to; 0 otherwise.
    int sensor = 0;
    // The channel holding this ratio's sensor status, -1 when the source has none.
    int statusChannel = -1;
    // Decimals the source shows the value with; -1 when it does not say.
    int digits = -1;
    // A group the source puts the channel in (MLG version 2), empty otherwise.
    QString category;
    std::vector<float> values;

    static constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();
    bool isLambda() const { return quantity == Quantity::FuelRatio && ratioScale == 1.0; }
};

// A note the source put on the time axis (a recording's mark, an MSL "MARK" line, an
// MLG marker block).
struct LogMark {
    double time = 0.0; // seconds on the log's time axis
    QString text;
};

// A log of any length from any source: a time axis in seconds and named channels of the
// same length. Every window and command reads logs in this form; the module's 12000-slot
// buffer is one source of it.
struct Log {
    QString source; // the file, or a name for the log in memory
    QString format; // the name of the reader that made it
    // Seconds, ascending; the first sample need not be at 0 (the source's own clock).
    std::vector<double> time;
    std::vector<LogChannel> channels;
    std::vector<LogMark> marks;
    // What the source says of itself besides its samples (an MLG's information block,
    // an MSL's title lines), as text.
    QString info;
    QDateTime started; // when the log started, when the source says
    // The stoichiometric ratio of the fuel the source declares; 0 when it declares none.
    double fuelStoich = 0.0;

    std::size_t rows() const { return time.size(); }
    bool empty() const { return time.empty(); }
    double duration() const { return time.empty() ? 0.0 : time.back() - time.front(); }

    // The first channel measuring `quantity` (of `sensor` where not 0); -1 when none.
    int find(Quantity quantity, int sensor = 0) const;
    // The channel of that name, letter case ignored; -1 when none.
    int findName(const QString& name) const;
    // A new channel of rows() missing values; returns its index.
    int addChannel(QString name, QString unit, Quantity quantity);

    // What a quantity is called in listings ("engine speed", "fuel ratio").
    static QString quantityName(Quantity quantity);
};
