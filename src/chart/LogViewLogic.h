// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"

#include <QString>

#include <vector>

class SettingsStore;

// What the log viewer shows, without any widget: which channels go in which pane, the
// values as drawn (ratios on the log's fuel scale), the visible time window, the marker
// and the readout of every trace at it.
class LogViewLogic {
public:
    explicit LogViewLogic(const Log& log);

    const Log& log() const { return m_log; }

    // Each pane lists the channels it draws, top pane first.
    struct Pane {
        std::vector<int> channels;
    };
    std::vector<Pane> panes;
    static constexpr int kMaxPanes = 8;

    // Engine speed on top, then the ratios, then the load, then temperatures, as the
    // tools tuners use lay them out.
    static std::vector<Pane> defaultPanes(const Log& log);

    // The panes by channel name, "|" between panes and "," between channels, as kept in
    // the settings; names the log does not carry are passed over.
    QString layoutText() const;
    void setLayoutText(const QString& text);
    // Remembered per kind of source (its reader), so a second MLG opens as the first did.
    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
    QString settingsKey() const;

    // A channel's value at a row as drawn: fuel ratios on the scale of the log's fuel
    // (when it declares one), a missing value NaN.
    double displayValue(int channel, std::size_t row) const;
    QString displayUnit(int channel) const;
    // The channel's decimals in readouts.
    int decimals(int channel) const;

    // The row nearest `time`; 0 for an empty log.
    std::size_t rowAt(double time) const;

    struct Readout {
        QString name;
        QString value; // empty where the log holds no value
        QString unit;
        QString status; // the sensor's condition in words where it was not reading
    };
    // Every trace of every pane at the marker, in pane order.
    std::vector<Readout> readouts() const;

    // The visible time window and the marker.
    double windowStart() const { return m_start; }
    double windowEnd() const { return m_end; }
    double logStart() const;
    double logEnd() const;
    void zoomAll();
    // Zoom by wheel notches around `time` (kept under the pointer); false when unchanged.
    bool zoomAt(double time, double notches);
    bool panBy(double seconds);
    void setWindow(double start, double end);

    std::size_t markerRow() const { return m_marker; }
    double markerTime() const;
    void placeMarker(double time);
    // Steps of whole samples (negative: earlier); the window follows the marker.
    void stepMarker(int samples);
    void markerToStart();
    void markerToEnd();

private:
    void keepMarkerInView();

    const Log& m_log;
    double m_start = 0.0;
    double m_end = 1.0;
    std::size_t m_marker = 0;
};
