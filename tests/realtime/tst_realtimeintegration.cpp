// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"
#include "cli/LiveCommand.h"
#include "cli/ScanCommand.h"
#include "device/ModuleSession.h"
#include "device/PortDevices.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "realtime/BarGauge.h"
#include "realtime/RealTimeDataFrame.h"
#include "realtime/TachometerDial.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/SystemClock.h"

#include "SimProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

struct Sim : SimProcess {
    Sim() : SimProcess(QStringLiteral(QERO_SIM_PATH)) {}
};

// How long the polling runs; QERO_SOAK_SECONDS=60 gives the full minute.
int soakSeconds() {
    const int s = qEnvironmentVariableIntValue("QERO_SOAK_SECONDS");
    return s > 0 ? s : 5;
}

} // namespace

class TestRealTimeIntegration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void liveCommand();
    void scanCommand_data();
    void scanCommand();
    void realTimeView();

private:
    QTemporaryDir m_dir;
    QString m_settings;
};

void TestRealTimeIntegration::initTestCase() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        QSKIP("pseudo-terminals are unavailable here, so the simulated module cannot be served");
    ::close(fd);
}

void TestRealTimeIntegration::init() {
    // The command-line program reads the user's settings: give it a file of its own.
    m_settings =
        m_dir.filePath(QStringLiteral("settings-%1.ini").arg(QTest::currentTestFunction()));
    QFile::remove(m_settings);
    qputenv("QERO4D_SETTINGS", m_settings.toLocal8Bit());
}

void TestRealTimeIntegration::liveCommand() {
    Sim sim;
    QVERIFY(sim.start({QStringLiteral("--model"), QStringLiteral("3dual-rev3")}));
    {
        IniSettingsStore store(m_settings);
        store.setValue(QStringLiteral("FuelType"), QStringLiteral("E85"));
        store.setValue(QStringLiteral("StoichRatio"), QStringLiteral("9.77"));
        store.setValue(QStringLiteral("AnalogInputType"), QStringLiteral("TPS"));
        store.setValue(QStringLiteral("AnalogLegend"), QStringLiteral("TPS(%)"));
        store.setValue(QStringLiteral("MaxScaledValue"), QStringLiteral("100"));
    }
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const int cycles = 10 * soakSeconds();
    QCOMPARE(runLiveCommand({"--port", sim.device, "--count", QString::number(cycles)}, out, err),
             0);
    const QStringList lines = outText.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), cycles + 1);
    const QRegularExpression line(
        QStringLiteral("^t=\\d+\\.\\d{3} AFR1=\\d+\\.\\d\\d AFR2=\\d+\\.\\d\\d L1=\\d\\.\\d{3} "
                       "L2=\\d\\.\\d{3} RPM=\\d+ AIN=\\d\\.\\d\\dV TPS\\(%\\)=\\d+\\.\\d "
                       "BAT=\\d+\\.\\dV CR1=\\d+ CR2=\\d+ ETH=\\d+%( status=.*)?$"));
    for (int i = 0; i < cycles; ++i)
        QVERIFY2(line.match(lines[i]).hasMatch(), qPrintable(lines[i]));
    QVERIFY2(lines.last().contains(QStringLiteral(" cycles per second")), qPrintable(lines.last()));
    qInfo("%s", qPrintable(lines.last()));
    QVERIFY2(!errText.contains(QStringLiteral("timeout")), qPrintable(errText));
    QVERIFY(errText.contains(QStringLiteral("Model: QERO3Dual Rev 3")));
}

void TestRealTimeIntegration::scanCommand_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("on port 3") << 3 << 0 << "Found QERO on port 3";
    QTest::newRow("on port 16") << 16 << 1 << "No QERO found. Check cable and module power.";
}

void TestRealTimeIntegration::scanCommand() {
    QFETCH(int, port);
    QFETCH(int, status);
    QFETCH(QString, text);
    Sim sim;
    QVERIFY(sim.start({}));
    {
        // Every scanned port points at a device that does not exist, but one.
        IniSettingsStore store(m_settings);
        for (int k = 1; k <= 16; ++k)
            store.setValue(QStringLiteral("PortDevice%1").arg(k),
                           k == port ? sim.device
                                     : m_dir.filePath(QStringLiteral("no-tty%1").arg(k)));
    }
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runScanCommand({}, out, err), status);
    QVERIFY2((status == 0 ? outText : errText).startsWith(text), qPrintable(outText + errText));
}

void TestRealTimeIntegration::realTimeView() {
    Sim sim;
    QVERIFY(sim.start({QStringLiteral("--model"), QStringLiteral("3dual-rev3")}));
    AppState state;
    IniSettingsStore store(m_settings);
    store.setValue(QStringLiteral("PortDevice1"), sim.device);
    store.setValue(QStringLiteral("AnalogInputType"), QStringLiteral("MAP2BAR"));
    ScriptedPrompter prompter;
    SystemClock clock;
    PortDevices devices;
    devices.loadOverrides(store); // the simulator's device for Com1
    ModuleSession module(state, clock, prompter, std::make_unique<QSerialPortLink>(devices));
    frmMain w(state, store, prompter, clock, module);
    w.tmrStateMachine->stop();
    w.resize(1100, 780);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.mnuViewRealTime_Click();
    QVERIFY2(prompter.boxes().isEmpty(), qPrintable(prompter.messageTexts().join(u'|')));
    QVERIFY(state.window.RealTimeActive);

    // The timer drives the polling now; count the ticks that read something.
    int readings = 0;
    QTimer counter;
    double last = -1;
    QObject::connect(&counter, &QTimer::timeout, [&] {
        const double v = w.fraRealTimeData->gauBatVolts->value();
        if (v != last)
            ++readings;
        last = v;
    });
    counter.start(50);
    QTest::qWait(soakSeconds() * 1000);
    QVERIFY2(prompter.boxes().isEmpty(), qPrintable(prompter.messageTexts().join(u'|')));
    QVERIFY(state.window.RealTimeActive);
    QVERIFY(w.fraRealTimeData->gauBatVolts->value() > 10);
    QVERIFY(w.fraRealTimeData->gauESENS->isVisible());
    QVERIFY(w.fraRealTimeData->gauMAP->isVisible());
    QVERIFY(readings >= 1);
    w.grab().save(QCoreApplication::applicationDirPath() +
                  QStringLiteral("/realtime-integration.png"));
    w.cmdCloseRealTimeData_Click();
    QVERIFY(!state.window.RealTimeActive);
}

QTEST_MAIN(TestRealTimeIntegration)
#include "tst_realtimeintegration.moc"
