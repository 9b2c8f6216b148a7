// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/RecordingFormat.h"
#include "realtime/RealTimeDisplay.h"
#include "realtime/RealTimePoller.h"

#include <QString>

#include <functional>
#include <memory>

class Clock;
class QFileDevice;
struct LogBuffer;
struct ModuleStatus;

// Keeps what the gauges show: sits between the polling cycle and the display, hands every
// value on unchanged and, while recording, writes one row per completed cycle to a
// recording file (see RecordingFormat).
//
// A drive must survive a crash: each row goes to the operating system as soon as the
// cycle ends, so a killed program loses at most the cycle it was in, and the file is
// synced to the disk at least once a second, so a pulled cable or a lost supply loses at
// most the last second. A write that fails (disk full, stick unplugged) ends the
// recording with a message; the rows written before stay in the file.
class LiveRecorder : public RealTimeDisplay {
public:
    static constexpr qint64 kSyncIntervalUs = 1'000'000;

    // `log` gives the header values of a recording, `module` the model and firmware.
    LiveRecorder(const LogBuffer& log, const ModuleStatus& module, Clock& clock,
                 RealTimeDisplay& shown);
    ~LiveRecorder() override;

    // Creates or replaces `path` and writes the comment and header lines. False, with
    // error() set, when that fails; nothing is recorded then.
    bool start(const QString& path);
    // The same on a file opened already for writing (tests put a failing one in place).
    bool start(std::unique_ptr<QFileDevice> file);
    // Records to `path` from the first completed cycle on: until there is a row to write,
    // an existing file is left as it is, so a module that never answers costs no old
    // recording. False, with error() set, when `path` cannot be written at all.
    bool startAtFirstRow(const QString& path);
    // True while startAtFirstRow() waits for its first row.
    bool waitingForFirstRow() const { return !m_firstRowPath.isEmpty(); }
    // Ends the recording, writing out what is pending; nothing when not recording.
    void stop();
    // The next row written carries the event mark.
    void mark();
    // Ends one polling tick: a completed cycle becomes a row; a cycle cut short by Esc or
    // a closed view leaves none, and so does one under way when the recording started.
    void cycleFinished(RealTimePoller::Tick tick);
    // Syncs when the last sync is a second old, so that stalled cycles do not hold back
    // the rows written before them; the window calls it from a timer.
    void keepSynced();

    bool recording() const { return m_file != nullptr; }
    bool markPending() const { return m_markPending; }
    qint64 rows() const { return m_rows; }
    qint64 bytesWritten() const { return m_bytes; }
    qint64 elapsedUs() const;
    qint64 syncs() const { return m_syncs; }
    QString fileName() const { return m_fileName; }
    // Why the last recording ended or did not start; empty after a stop by the user.
    QString error() const { return m_error; }
    // "Recording 0:01:05 - 650 rows - 61.3 KB" while recording.
    QString statusText() const;

    // Called after every row and when recording starts or stops.
    std::function<void()> changed;

    static QString elapsedText(qint64 us);
    static QString sizeText(qint64 bytes);
    // The log file's status code for a sensor's raw AFR byte.
    static int statusCode(int raw);

    void showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1, double afr2,
                     bool showAFR) override;
    void showRPM(float rpm) override;
    void showAnalog(float volts, float scaled) override;
    void showBattery(float volts) override;
    void showCellResistance1(float value) override;
    void showCellResistance2(float value) override;
    void showEthanol(float percent) override;
    void resetDisplay() override;

private:
    bool write(const QByteArray& bytes);
    bool sync();
    void fail(const QString& reason);
    // Why the last write or flush failed, in the system's words where it gave them.
    QString writeFailure() const;
    void notify();

    const LogBuffer& m_log;
    const ModuleStatus& m_module;
    Clock& m_clock;
    RealTimeDisplay& m_shown;
    std::unique_ptr<QFileDevice> m_file;
    QString m_firstRowPath;
    QString m_fileName;
    QString m_error;
    RecordingRow m_row;
    QByteArray m_line;
    bool m_markPending = false;
    // The cycle under way began (its sensor read) while recording.
    bool m_cycleBegun = false;
    qint64 m_startUs = 0;
    qint64 m_lastSyncUs = 0;
    qint64 m_rows = 0;
    qint64 m_bytes = 0;
    qint64 m_syncs = 0;
};
