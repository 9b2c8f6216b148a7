// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/LiveRecorder.h"

#include "logdata/LogBuffer.h"
#include "support/Clock.h"
#include "support/ModuleStatus.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

LiveRecorder::LiveRecorder(const LogBuffer& log, const ModuleStatus& module, Clock& clock,
                           RealTimeDisplay& shown)
    : m_log(log), m_module(module), m_clock(clock), m_shown(shown) {}

LiveRecorder::~LiveRecorder() {
    stop();
}

bool LiveRecorder::start(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Truncate)) {
        stop();
        m_error = QStringLiteral("Cannot record to %1: %2").arg(path, file->errorString());
        notify();
        return false;
    }
    return start(std::move(file));
}

bool LiveRecorder::startAtFirstRow(const QString& path) {
    stop();
    // Opened without truncating it, and closed again: the check that the file can be
    // written leaves its content; a file the check created goes again.
    const bool existed = QFileInfo::exists(path);
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = QStringLiteral("Cannot record to %1: %2").arg(path, probe.errorString());
        notify();
        return false;
    }
    probe.close();
    if (!existed)
        QFile::remove(path);
    m_error.clear();
    m_firstRowPath = path;
    return true;
}

bool LiveRecorder::start(std::unique_ptr<QFileDevice> file) {
    stop();
    m_file = std::move(file);
    m_fileName = m_file->fileName();
    m_error.clear();
    m_rows = 0;
    m_bytes = 0;
    m_syncs = 0;
    m_markPending = false;
    m_row = RecordingRow();
    m_cycleBegun = false;
    m_startUs = m_clock.nowUs();
    m_lastSyncUs = m_startUs;

    RecordingInfo info = RecordingInfo::fromLog(m_log);
    info.model = m_module.QEROVersion;
    info.firmware = m_module.FirmwareID;
    info.started = QDateTime::currentDateTime().toString(Qt::ISODate);
    const bool ok = write(RecordingFormat::preamble(info)) && sync();
    notify();
    return ok;
}

void LiveRecorder::stop() {
    m_firstRowPath.clear();
    if (!m_file)
        return;
    // The rows are with the system already; this puts them on the disk before the
    // user pulls the stick.
    sync();
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    notify();
}

void LiveRecorder::mark() {
    if (!recording())
        return;
    m_markPending = true;
    notify();
}

qint64 LiveRecorder::elapsedUs() const {
    return recording() ? m_clock.nowUs() - m_startUs : 0;
}

void LiveRecorder::cycleFinished(RealTimePoller::Tick tick) {
    // A recording started from a click that ran inside a cycle has seen only that cycle's
    // later reads: its row would carry zeros for the values read before, which a reader
    // would take for a real lean-as-nothing sample. Only a cycle read whole from its first
    // read on becomes a row.
    const bool whole = m_cycleBegun;
    m_cycleBegun = false;
    if (waitingForFirstRow() && tick == RealTimePoller::Tick::Complete && whole) {
        // The cycle's values and a pending mark survive the start, which clears them.
        // The recording begins with this cycle's first read, so its row is at time 0.
        const RecordingRow row = m_row;
        const bool mark = m_markPending;
        const qint64 readUs = m_startUs + qint64(std::llround(row.time * 1e6));
        if (!start(m_firstRowPath))
            return;
        m_startUs = readUs;
        m_row = row;
        m_row.time = 0.0;
        m_markPending = mark;
    }
    if (!recording() || tick != RealTimePoller::Tick::Complete || !whole)
        return;
    m_row.mark = m_markPending;
    m_line.clear();
    RecordingFormat::appendRow(m_line, m_row);
    if (!write(m_line))
        return;
    m_markPending = false;
    ++m_rows;
    keepSynced();
    notify();
}

void LiveRecorder::keepSynced() {
    if (recording() && m_clock.nowUs() - m_lastSyncUs >= kSyncIntervalUs)
        sync();
}

bool LiveRecorder::write(const QByteArray& bytes) {
    // Written and flushed at once: from here on a killed program cannot lose the row.
    errno = 0;
    if (m_file->write(bytes) != bytes.size() || !m_file->flush()) {
        fail(writeFailure());
        return false;
    }
    m_bytes += bytes.size();
    return true;
}

bool LiveRecorder::sync() {
    m_lastSyncUs = m_clock.nowUs();
    errno = 0;
    if (!m_file->flush()) {
        fail(writeFailure());
        return false;
    }
    const int fd = m_file->handle();
    if (fd >= 0 && ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        fail(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    ++m_syncs;
    return true;
}

QString LiveRecorder::writeFailure() const {
    // A disk that fills in the middle of a row takes part of it: Qt reports the short
    // write without a reason ("Unknown error"), while the system said why.
    if (errno != 0 && (m_file->error() == QFileDevice::NoError ||
                       m_file->errorString() == QLatin1String("Unknown error")))
        return qt_error_string(errno);
    return m_file->errorString();
}

void LiveRecorder::fail(const QString& reason) {
    m_error = QStringLiteral("The recording stopped: writing to %1 failed (%2). The %3 rows "
                             "recorded before are kept.")
                  .arg(m_fileName, reason)
                  .arg(m_rows);
    m_file->close();
    m_file.reset();
    notify();
}

void LiveRecorder::notify() {
    if (changed)
        changed();
}

QString LiveRecorder::elapsedText(qint64 us) {
    const qint64 s = us / 1'000'000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString LiveRecorder::sizeText(qint64 bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
}

QString LiveRecorder::statusText() const {
    if (!recording())
        return QString();
    return QStringLiteral("Recording %1 - %2 rows - %3")
        .arg(elapsedText(elapsedUs()))
        .arg(m_rows)
        .arg(sizeText(m_bytes));
}

int LiveRecorder::statusCode(int raw) {
    if (raw >= 1 && raw <= 6)
        return raw;
    return raw >= 242 ? 10 : 0;
}

void LiveRecorder::showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1,
                               double afr2, bool showAFR) {
    // The cycle's time is that of its first read, the one the sensors' values come from.
    m_row = RecordingRow();
    // Waiting for its first row, the recording takes the first cycle read whole.
    m_cycleBegun = recording() || waitingForFirstRow();
    m_row.time = double(m_clock.nowUs() - m_startUs) / 1e6;
    // With the lambda fuel the AFR columns hold lambda too: the fuel's own units.
    m_row.afr1 = showAFR ? afr1 : lambda1;
    m_row.afr2 = showAFR ? afr2 : lambda2;
    m_row.lambda1 = lambda1;
    m_row.lambda2 = lambda2;
    m_row.status1 = statusCode(raw1);
    m_row.status2 = statusCode(raw2);
    m_shown.showSensors(raw1, raw2, lambda1, lambda2, afr1, afr2, showAFR);
}

void LiveRecorder::showRPM(float rpm) {
    m_row.rpm = rpm;
    m_shown.showRPM(rpm);
}

void LiveRecorder::showAnalog(float volts, float scaled) {
    m_row.analogVolts = volts;
    m_row.analogScaled = scaled;
    m_shown.showAnalog(volts, scaled);
}

void LiveRecorder::showBattery(float volts) {
    m_row.battery = volts;
    m_shown.showBattery(volts);
}

void LiveRecorder::showCellResistance1(float value) {
    m_row.cellRes1 = value;
    m_shown.showCellResistance1(value);
}

void LiveRecorder::showCellResistance2(float value) {
    m_row.cellRes2 = value;
    m_shown.showCellResistance2(value);
}

void LiveRecorder::showEthanol(float percent) {
    m_row.ethanol = percent;
    m_shown.showEthanol(percent);
}

void LiveRecorder::resetDisplay() {
    m_shown.resetDisplay();
}
