// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySettingsStore.h"
#include "QeroModule.h"
#include "SimulatedLink.h"
#include "app/frmMain.h"
#include "device/ModuleSession.h"
#include "device/QEROParamsPanel.h"
#include "logdata/AppState.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include "support/DataFiles.h"
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// The main window talking to the simulated module on the virtual clock.
struct WindowBench {
    AppState state;
    MemorySettingsStore settings;
    ScriptedPrompter prompter;
    VirtualClock clock;
    QeroModule module;
    ModuleSession session{state, clock, prompter, std::make_unique<SimulatedLink>(module, clock)};
    frmMain window{state, settings, prompter, clock, session};

    void leave(QLineEdit* box, const QString& text) {
        box->setText(text);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box, &out);
    }
};

} // namespace

class tst_devicewindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuEntriesAreEnabled();
    void downloadFromTheMenu();
    void escapeKeyEndsTheDownload();
    void parameterPanel();
    void parameterPanelUploadAndDownload();
};

void tst_devicewindow::menuEntriesAreEnabled() {
    auto b = std::make_unique<WindowBench>();
    QVERIFY(b->window.mnuDownload->isEnabled());
    QVERIFY(b->window.mnuClearQEROBuffer->isEnabled());
    QVERIFY(b->window.mnuEditQEROParams->isEnabled());
    QVERIFY(b->window.fraQEROParams->isHidden());
}

void tst_devicewindow::downloadFromTheMenu() {
    auto b = std::make_unique<WindowBench>();
    b->window.show();
    bool sawProgress = false;
    bool menusOnDuringRead = false;
    b->clock.addEventHook([&] {
        if (b->window.fraProgress1->isVisible()) {
            sawProgress = true;
            QCOMPARE(b->window.fraProgress1->title(), QStringLiteral("Reading FRAM"));
            menusOnDuringRead |= b->window.menuBar()->isEnabled();
        }
    });
    // The start-up connection check would otherwise ask its question while the chart is up.
    b->window.tmrStateMachine->stop();
    b->state.window.RealTimeActive = true;
    // A finished download ends by showing the new log's chart; close it when it comes up.
    bool chartShown = false;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, &b->window, [&] {
        if (QWidget* chart = QApplication::activeModalWidget()) {
            chartShown = chart->objectName() == QLatin1String("frmChart1");
            chart->close();
            closer.stop();
        }
    });
    closer.start();
    DataFiles::setSearchFolders({QStringLiteral(QERO_SOURCE_DATA)}); // the shipped chart template
    b->window.mnuDownload->trigger();
    DataFiles::setSearchFolders({});

    QVERIFY(chartShown);
    QVERIFY(!b->state.window.RealTimeActive);
    QCOMPARE(b->prompter.messageTexts(), QStringList{"Firmware ID: " + b->module.identification()});
    QVERIFY(!b->state.log.DataBufferEmpty);
    QVERIFY(b->window.windowTitle().endsWith(QStringLiteral(" - Downloaded Data")));
    QVERIFY(sawProgress);
    // No second module command can start from an event in the middle of the read.
    QVERIFY(!menusOnDuringRead);
    QVERIFY(b->window.menuBar()->isEnabled());
    QVERIFY(b->window.fraProgress1->isHidden());
    QCOMPARE(b->window.prgProgress1->value(), 100);
}

void tst_devicewindow::escapeKeyEndsTheDownload() {
    auto b = std::make_unique<WindowBench>();
    b->window.show();
    int ticks = 0;
    b->clock.addEventHook([&] {
        if (b->window.fraProgress1->isVisible() && ++ticks == 50)
            QTest::keyClick(&b->window, Qt::Key_Escape);
    });
    b->window.mnuDownload->trigger();
    QCOMPARE(b->prompter.messageTexts().last(), QStringLiteral("FRAM download failed."));
    QVERIFY(b->state.log.DataBufferEmpty);
    QVERIFY(!b->state.window.AbortRequested);
    QVERIFY(b->window.windowTitle().endsWith(QStringLiteral(" - Data Buffer Empty")));
    QVERIFY(b->window.fraProgress1->isHidden());
}

void tst_devicewindow::parameterPanel() {
    auto b = std::make_unique<WindowBench>();
    b->state.log.DataBufferEmpty = false;
    b->window.mnuEditQEROParams->trigger();
    QEROParamsPanel* p = b->window.fraQEROParams;
    QVERIFY(!p->isHidden());
    QCOMPARE(p->title(), QStringLiteral("QERO Parameters"));
    QVERIFY(b->state.log.DataBufferEmpty);
    QVERIFY(b->window.windowTitle().endsWith(QStringLiteral(" - Data Buffer Empty")));
    QCOMPARE(p->txtDataLogInterval->text(), QStringLiteral("0.10"));
    QCOMPARE(p->txtPulsePerRev->text(), QStringLiteral("1"));
    QCOMPARE(p->txtRPMDebounce->text(), QStringLiteral("0.50"));
    QCOMPARE(p->txtMinLEDPWM->text(), QStringLiteral("6"));

    b->leave(p->txtDataLogInterval, QStringLiteral("0.55"));
    QCOMPARE(p->txtDataLogInterval->text(), QStringLiteral("0.55"));
    QCOMPARE(b->state.log.DataLogInterval, 0.544f);
    b->leave(p->txtPulsePerRev, QStringLiteral("13"));
    QCOMPARE(p->txtPulsePerRev->text(), QStringLiteral("12"));
    QCOMPARE(b->prompter.messageTexts(),
             QStringList{QStringLiteral("Value must be less than or equal to 12")});
    b->leave(p->txtRPMDebounce, QStringLiteral("0.12"));
    QCOMPARE(p->txtRPMDebounce->text(), QStringLiteral("0.10"));
    b->leave(p->txtMinLEDPWM, QStringLiteral("50.9"));
    QCOMPARE(p->txtMinLEDPWM->text(), QStringLiteral("50"));

    p->cmdQEROParamsOK->click();
    QVERIFY(p->isHidden());
    QCOMPARE(b->settings.values.value("MinLEDPWM"), QStringLiteral("128"));
    QCOMPARE(b->state.fram.FRAMBuffer[0], quint8(34));
    QCOMPARE(b->state.fram.FRAMBuffer[1], quint8(12));
    QCOMPARE(b->state.fram.FRAMBuffer[4], quint8(2));
    QCOMPARE(b->state.fram.FRAMBuffer[5], quint8(128));

    b->window.mnuEditQEROParams->trigger();
    p->cmdRestoreDefaults->click();
    QCOMPARE(p->txtDataLogInterval->text(), QStringLiteral("0.10"));
    QCOMPARE(p->txtPulsePerRev->text(), QStringLiteral("1"));
    QCOMPARE(p->txtRPMDebounce->text(), QStringLiteral("0.50"));
    QCOMPARE(p->txtMinLEDPWM->text(), QStringLiteral("6"));
    QVERIFY(!p->isHidden());
}

void tst_devicewindow::parameterPanelUploadAndDownload() {
    auto b = std::make_unique<WindowBench>();
    b->window.mnuEditQEROParams->trigger();
    QEROParamsPanel* p = b->window.fraQEROParams;
    b->leave(p->txtDataLogInterval, QStringLiteral("1"));
    bool panelOnDuringUpload = false;
    int eventsDuringUpload = 0;
    b->clock.addEventHook([&] {
        panelOnDuringUpload |= p->isEnabled();
        ++eventsDuringUpload;
    });
    p->cmdQEROParamsUpload->click();
    QVERIFY(eventsDuringUpload > 0);
    QVERIFY(!panelOnDuringUpload);
    QVERIFY(p->isEnabled());
    QCOMPARE(b->prompter.messageTexts().last(), QStringLiteral("Upload completed\n"));
    QCOMPARE(b->module.memory().bytes[0], quint8(62));

    b->module.memory().bytes[0] = 12;
    b->module.memory().bytes[1] = 20;
    p->cmdQEROParamsDownload->click();
    QCOMPARE(p->txtDataLogInterval->text(), QStringLiteral("0.20"));
    QCOMPARE(p->txtPulsePerRev->text(), QStringLiteral("20"));
}

QTEST_MAIN(tst_devicewindow)
#include "tst_devicewindow.moc"
