// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LiveCommand.h"

#include "cli/CliSession.h"
#include "cli/CliSupport.h"
#include "cli/ModuleCommandSupport.h"
#include "device/ModuleProtocol.h"
#include "device/ModuleSession.h"
#include "logdata/AppState.h"
#include "logdata/LogFileReader.h"
#include "realtime/GaugeSetup.h"
#include "realtime/LiveRecorder.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimeDecoding.h"
#include "realtime/RealTimeDisplay.h"
#include "realtime/RealTimePoller.h"
#include "realtime/RealTimeStart.h"
#include "support/Numbers.h"

#include <QTextStream>

namespace {

const char* const kUsage =
    "Usage: qero4d-cli live --port PORT [--count N | --seconds S] [--record FILE]\n"
    "\n"
    "Reads the live values from the QERO as the real-time view does and prints one line\n"
    "per polling cycle: time, both AFRs in the current fuel, both lambdas, RPM, the\n"
    "analog input in volts and scaled, battery volts, both cell resistances, ethanol\n"
    "(QERO3Dual models) and the sensors' status texts. Ends after N cycles (or on\n"
    "Ctrl-C) and prints the cycle rate. The fuel, analog scaling and pulses per\n"
    "revolution are those of the saved settings.\n"
    "\n"
    "  --port PORT    a device path (/dev/ttyUSB0, COM3) or a number N meaning ComN\n"
    "  --count N      stop after N cycles\n"
    "  --seconds S    stop after S seconds\n"
    "  --record FILE  also write every cycle to FILE, a recording (CSV) that\n"
    "                 File > Open and qero4d-cli tune read; a failed write ends the\n"
    "                 command\n";

// One cycle's values, collected as the reads come in and printed as one line.
class LineCollector : public RealTimeDisplay {
public:
    explicit LineCollector(const AppState& state) : m_state(state) {}

    void showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1, double afr2,
                     bool showAFR) override {
        m_line.clear();
        const QString afr = m_state.settings.AFRFormat;
        if (showAFR)
            add(QStringLiteral("AFR1"), Numbers::format(afr1, afr))
                .add(QStringLiteral("AFR2"), Numbers::format(afr2, afr));
        add(QStringLiteral("L1"), Numbers::format(lambda1, QStringLiteral("#0.000")))
            .add(QStringLiteral("L2"), Numbers::format(lambda2, QStringLiteral("#0.000")));
        m_status = RealTimeDecoding::diagnosticText(raw1, raw2);
        m_status.replace(u'\n', QStringLiteral("; "));
    }
    void showRPM(float rpm) override {
        add(QStringLiteral("RPM"), Numbers::format(rpm, QStringLiteral("###0")));
    }
    void showAnalog(float volts, float scaled) override {
        add(QStringLiteral("AIN"), Numbers::format(volts, QStringLiteral("#0.00")) + u'V');
        if (GaugeSetup::analogGaugeFor(m_state.log.AnalogInputType) !=
            GaugeSetup::AnalogGauge::None)
            add(m_state.log.AnalogLegend.simplified().replace(u' ', u'_'),
                Numbers::format(scaled, QStringLiteral("##0.0")));
    }
    void showBattery(float volts) override {
        add(QStringLiteral("BAT"), Numbers::format(volts, QStringLiteral("#0.0")) + u'V');
    }
    void showCellResistance1(float value) override {
        add(QStringLiteral("CR1"), Numbers::format(value, QStringLiteral("##0")));
    }
    void showCellResistance2(float value) override {
        add(QStringLiteral("CR2"), Numbers::format(value, QStringLiteral("##0")));
    }
    void showEthanol(float percent) override {
        add(QStringLiteral("ETH"), Numbers::format(percent, QStringLiteral("##0")) + u'%');
    }
    void resetDisplay() override { m_line.clear(); }

    QString line() const {
        return m_status.isEmpty() ? m_line : m_line + QStringLiteral(" status=") + m_status;
    }

private:
    LineCollector& add(const QString& key, const QString& value) {
        if (!m_line.isEmpty())
            m_line += u' ';
        m_line += key + u'=' + value;
        return *this;
    }

    const AppState& m_state;
    QString m_line;
    QString m_status;
};

} // namespace

int runLiveCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return 0;
    }
    QString port;
    QString countText;
    QString secondsText;
    QString recordPath;
    if (!ModuleCommandSupport::takeOption(args, QStringLiteral("--port"), &port) ||
        !ModuleCommandSupport::takeOption(args, QStringLiteral("--count"), &countText) ||
        !ModuleCommandSupport::takeOption(args, QStringLiteral("--seconds"), &secondsText) ||
        !ModuleCommandSupport::takeOption(args, QStringLiteral("--record"), &recordPath) ||
        port.isEmpty() || !args.isEmpty() || (!countText.isEmpty() && !secondsText.isEmpty())) {
        err << kUsage;
        return 2;
    }
    qint64 limitUs = -1;
    if (!secondsText.isEmpty()) {
        QString problem;
        const std::optional<double> seconds = CliSupport::numberOption(
            QStringLiteral("--seconds"), secondsText, 0.001, 1e9, &problem);
        if (!seconds) {
            err << "qero4d-cli live: " << problem << " (seconds)\n";
            return 2;
        }
        limitUs = qint64(*seconds * 1e6);
    }
    qint64 count = -1;
    if (!countText.isEmpty()) {
        bool ok = false;
        count = countText.toLongLong(&ok);
        if (!ok || count < 1) {
            err << "qero4d-cli live: --count must be a whole number of at least 1\n";
            return 2;
        }
    }
    // The session reads the saved settings: fuel, analog scaling and pulses per revolution
    // as the desktop program has them.
    CliSession session(err);
    QString error;
    if (!session.usePort(port, &error)) {
        err << "qero4d-cli live: \"" << port << "\" is neither a device nor a port from 1 to 255\n";
        return 2;
    }
    AppState& state = session.state();
    Clock& clock = session.clock();
    Prompter& prompter = session.prompter();
    ModuleProtocol& protocol = session.protocol();
    SerialLink& link = session.module().link();

    RealTimeStart::prepare(state, protocol, prompter);
    err << "Model: " << LogFileReader::printable(state.module.QEROVersion) << Qt::endl;
    state.window.RealTimeActive = true;
    state.module.CommErrorCount = 0;

    LineCollector collector(state);
    LiveRecorder recorder(state.log, state.module, clock, collector);
    // An earlier recording of that name stays until this one has a row to write.
    if (!recordPath.isEmpty() && !recorder.startAtFirstRow(recordPath)) {
        err << "qero4d-cli live: " << recorder.error() << Qt::endl;
        return 1;
    }
    RealTimeCommands commands(protocol);
    RealTimePoller poller(state, commands, clock, recorder,
                          [&] { state.window.RealTimeActive = false; });

    constexpr qint64 kTickUs = 10'000;
    const qint64 startUs = clock.nowUs();
    qint64 nextTickUs = startUs;
    qint64 cycles = 0;
    int status = 0;
    while ((count < 0 || cycles < count) && !CliSession::interrupted()) {
        const qint64 now = clock.nowUs();
        if (limitUs >= 0 && now - startUs >= limitUs)
            break;
        if (now < nextTickUs) {
            recorder.keepSynced();
            clock.idle(nextTickUs - now);
            continue;
        }
        // Like a timer: the next tick is due one interval after this one, or at once
        // when the cycle took longer.
        nextTickUs = now + kTickUs;
        const qint64 tickUs = now;
        const RealTimePoller::Tick tick = poller.tmrDataRead_Timer();
        // The row is on file before its line is printed.
        recorder.cycleFinished(tick);
        if (!recordPath.isEmpty() && !recorder.recording() && !recorder.waitingForFirstRow()) {
            err << recorder.error() << Qt::endl;
            status = 1;
            break;
        }
        if (tick == RealTimePoller::Tick::LinkLost) {
            err << "The QERO stopped answering (AFR read failed)." << Qt::endl;
            status = 1;
            break;
        }
        if (tick != RealTimePoller::Tick::Complete)
            continue;
        ++cycles;
        out << "t=" << Numbers::format((tickUs - startUs) / 1e6, QStringLiteral("#0.000")) << ' '
            << collector.line() << Qt::endl;
    }
    link.closeIfOpen();
    if (recorder.waitingForFirstRow()) {
        recorder.stop();
        err << "Nothing recorded: no polling cycle completed; " << recordPath
            << " is left as it was." << Qt::endl;
    } else if (recorder.recording()) {
        recorder.stop();
        if (!recorder.error().isEmpty()) {
            err << recorder.error() << Qt::endl;
            status = 1;
        } else {
            err << "Recorded " << recorder.rows() << " rows to " << recordPath << Qt::endl;
        }
    }

    const double seconds = (clock.nowUs() - startUs) / 1e6;
    if (cycles > 0 && seconds > 0)
        out << "Cycles: " << cycles << " in " << Numbers::format(seconds, QStringLiteral("#0.0"))
            << " s, " << Numbers::format(cycles / seconds, QStringLiteral("#0.0"))
            << " cycles per second" << Qt::endl;
    return status;
}
