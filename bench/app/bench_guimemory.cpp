// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "app/frmMain.h"
#include "chart/frmChart1.h"
#include "device/FramDecoder.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "logdata/LogFileWriter.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/SystemClock.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>

// The desktop program's memory with a full log charted: the main window opens a
// 12000-sample log file through File > Open, which shows the chart; the peak resident
// size of the process is read while the chart is on screen.
namespace {

// Peak resident set size of this process in KiB (VmHWM), -1 where the system has none.
qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

class bench_guimemory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chartedLog();
};

void bench_guimemory::chartedLog() {
    DataFiles::setSearchFolders({QStringLiteral(QERO_SOURCE_DATA)});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // A downloaded drive log saved as a log file.
    const QString logPath = dir.filePath(QStringLiteral("drive.log"));
    {
        AppState source;
        FramDecoder::Image image{};
        const QeroModule module;
        std::copy(module.memory().bytes.begin(), module.memory().bytes.end(), image.begin());
        QVERIFY(FramDecoder::decode(image, source.log).ok);
        QFile file(logPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(LogFileWriter::whole(source.log, QStringLiteral("Brenwick")));
    }

    AppState state;
    IniSettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    ScriptedPrompter prompter;
    SystemClock clock;
    ModuleSession module(state, clock, prompter, std::make_unique<QSerialPortLink>());
    frmMain main(state, settings, prompter, clock, module);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // While the chart window runs its own loop, look at it once it has been drawn.
    qint64 peakKiB = -1;
    int chartPoints = 0;
    int visibleTicks = 0;
    QTimer probe;
    probe.setInterval(20);
    connect(&probe, &QTimer::timeout, this, [&] {
        auto* chart = qobject_cast<frmChart1*>(QApplication::activeModalWidget());
        if (!chart || !chart->isVisible())
            return;
        if (++visibleTicks < 5) // a few passes of the event loop: laid out and painted
            return;
        chartPoints = int(std::count_if(chart->Trace1Data().begin(), chart->Trace1Data().end(),
                                        [](float v) { return v > 0; }));
        peakKiB = peakResidentKiB();
        probe.stop();
        chart->accept();
    });
    probe.start();
    prompter.answerFile(logPath);
    main.mnuOpenFile_Click();

    QVERIFY2(visibleTicks >= 5, "the chart window was not shown");
    QVERIFY(chartPoints > 1000);
    QVERIFY(!state.log.DataBufferEmpty);
    QVERIFY(peakKiB > 0);
    qInfo("figure gui_peak_rss_kib %lld", peakKiB);
}

QTEST_MAIN(bench_guimemory)
#include "bench_guimemory.moc"
