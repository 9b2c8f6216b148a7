// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "SimulatedLink.h"
#include "app/frmMain.h"
#include "device/ModuleSession.h"
#include "device/PortSelectFrame.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList kBothFeatures{"Port_Scan_Enable_True", "Auto_Connect_Enable_True"};

struct Rig {
    QTemporaryDir dir;
    AppState state;
    IniSettingsStore store{dir.filePath(QStringLiteral("settings.ini"))};
    ScriptedPrompter prompter;
    VirtualClock clock;
    QeroModule module;
    SimulatedLink* link = nullptr;
    std::unique_ptr<ModuleSession> session;
    std::unique_ptr<frmMain> w;
    PortSelectFrame* frame = nullptr;

    explicit Rig(const QStringList& features = {}, int modulePort = 0,
                 const QString& savedAutoConnect = QString()) {
        if (!savedAutoConnect.isEmpty())
            store.setValue(QStringLiteral("AutoConnect"), savedAutoConnect);
        state.settings.ConfigList3 = features;
        auto l = std::make_unique<SimulatedLink>(module, clock);
        link = l.get();
        link->setModulePort(modulePort);
        session = std::make_unique<ModuleSession>(state, clock, prompter, std::move(l));
        w = std::make_unique<frmMain>(state, store, prompter, clock, *session);
        w->tmrStateMachine->stop();
        w->tmrDataRead->stop();
        frame = w->fraPortSelect;
        w->show();
        prompter.clear();
    }
};

const QString kAutoConnectText =
    QStringLiteral("Make sure that the correct port has been selected for the QERO.");
const QString kScanHint = QStringLiteral("You can click on the Scan button to find the QERO port.");

} // namespace

class TestPortSelectFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void portList();
    void savedPortSelectedAtStartup();
    void choosingAPort();
    void withoutFeatureLines();
    void savedAutoConnectChecksTheBox();
    void checkBoxMessage_data();
    void checkBoxMessage();
    void okSavesTheChoice_data();
    void okSavesTheChoice();
    void presentPortsFirstWithTheirDevices();
    void portText_data();
    void portText();
    void scanFindsTheModule();
    void scanFindsNothing();
    void scanCancelled();
};

void TestPortSelectFrame::portList() {
    Rig r;
    QComboBox* list = r.frame->cboPort;
    QCOMPARE(list->count(), 255);
    QVERIFY(list->itemText(0).startsWith(QStringLiteral("Com1")));
    QVERIFY(list->itemText(254).startsWith(QStringLiteral("Com255")));
    QVERIFY(!list->itemText(10).startsWith(QStringLiteral("Com1 ")));
    QCOMPARE(r.frame->title(), QStringLiteral("Data Port Setup"));
    QVERIFY(!r.frame->isVisible());
}

void TestPortSelectFrame::presentPortsFirstWithTheirDevices() {
    // The module on Com5 only: that port is there, the others are not.
    Rig r({}, 5);
    r.frame->fillPortList();
    QComboBox* list = r.frame->cboPort;
    QCOMPARE(list->count(), 255);
    QCOMPARE(list->itemData(0).toInt(), 5);
    QCOMPARE(list->itemText(0), QStringLiteral("Com5 \u2014 simulated, QERO module"));
    // The rest in number order after it, each once.
    QCOMPARE(list->itemData(1).toInt(), 1);
    QCOMPARE(list->itemData(4).toInt(), 4);
    QCOMPARE(list->itemData(5).toInt(), 6);
    QSet<int> ports;
    for (int i = 0; i < list->count(); ++i)
        ports.insert(list->itemData(i).toInt());
    QCOMPARE(ports.size(), 255);
    // Chosen from the list, the entry's own port is taken.
    r.w->mnuPortSetup_Click();
    list->setCurrentIndex(0);
    QCOMPARE(int(r.state.settings.PortNumber), 5);
}

void TestPortSelectFrame::portText_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("product");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("text");
    QTest::newRow("USB adapter plugged in")
        << "/dev/ttyUSB0"
        << "FT232R USB UART" << true << QStringLiteral("Com1 \u2014 /dev/ttyUSB0, FT232R USB UART");
    QTest::newRow("a device without a product name")
        << "/dev/pts/3"
        << "" << true << QStringLiteral("Com1 \u2014 /dev/pts/3");
    QTest::newRow("not plugged in")
        << "/dev/ttyUSB0"
        << "" << false << QStringLiteral("Com1 \u2014 /dev/ttyUSB0 (not connected)");
    QTest::newRow("nothing stands for it") << ""
                                           << "" << false << QStringLiteral("Com1");
}

void TestPortSelectFrame::portText() {
    QFETCH(QString, device);
    QFETCH(QString, product);
    QFETCH(bool, present);
    QFETCH(QString, text);
    QCOMPARE(PortSelectFrame::portText(1, {device, product, present}), text);
}

void TestPortSelectFrame::savedPortSelectedAtStartup() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    store.setValue(QStringLiteral("CommPort"), QStringLiteral("7"));
    AppState state;
    ScriptedPrompter prompter;
    VirtualClock clock;
    ModuleSession module(state, clock, prompter, std::make_unique<QSerialPortLink>());
    frmMain w(state, store, prompter, clock, module);
    QCOMPARE(w.fraPortSelect->cboPort->currentData().toInt(), 7);
    QCOMPARE(w.fraPortSelect->selectedPort(), 7);
    QCOMPARE(int(state.settings.PortNumber), 7);
}

void TestPortSelectFrame::choosingAPort() {
    Rig r;
    r.w->mnuPortSetup_Click();
    r.link->open(1);
    r.frame->cboPort->setCurrentIndex(r.frame->cboPort->findData(12));
    QCOMPARE(int(r.state.settings.PortNumber), 12);
    QCOMPARE(r.store.value(QStringLiteral("CommPort")),
             std::optional<QString>(QStringLiteral("12")));
    QVERIFY(!r.link->isOpen());
    QVERIFY(r.prompter.boxes().isEmpty());
}

void TestPortSelectFrame::withoutFeatureLines() {
    Rig r({}, 0, QStringLiteral("True"));
    for (int i = 0; i < 2; ++i) {
        r.w->mnuPortSetup_Click();
        QVERIFY(r.frame->isVisible());
        QVERIFY(r.frame->cmdPortScan->isHidden());
        QVERIFY(r.frame->chkAutoConnect->isHidden());
        QCOMPARE(r.store.value(QStringLiteral("AutoConnect")),
                 std::optional<QString>(QStringLiteral("False")));
        QVERIFY(!r.state.settings.AutoConnect);
        r.store.setValue(QStringLiteral("AutoConnect"), QStringLiteral("True"));
    }
    QVERIFY(r.prompter.boxes().isEmpty());
}

void TestPortSelectFrame::savedAutoConnectChecksTheBox() {
    Rig r(kBothFeatures, 0, QStringLiteral("True"));
    r.w->mnuPortSetup_Click();
    QVERIFY(r.frame->chkAutoConnect->isChecked());
    // The program's own check runs the click handler: its message comes once.
    QCOMPARE(r.prompter.messageTexts(), QStringList{kAutoConnectText + "\r\n" + kScanHint});
    QTest::mouseClick(r.frame->cmdPortSelectOK, Qt::LeftButton);
    r.w->mnuPortSetup_Click();
    QCOMPARE(r.prompter.boxes().size(), 1);
}

void TestPortSelectFrame::checkBoxMessage_data() {
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<QString>("text");
    QTest::newRow("with the scan button") << kBothFeatures << kAutoConnectText + "\r\n" + kScanHint;
    QTest::newRow("without it") << QStringList{"Auto_Connect_Enable_True"} << kAutoConnectText;
}

void TestPortSelectFrame::checkBoxMessage() {
    QFETCH(QStringList, features);
    QFETCH(QString, text);
    Rig r(features);
    r.w->mnuPortSetup_Click();
    QVERIFY(!r.frame->chkAutoConnect->isChecked());
    r.frame->chkAutoConnect->click();
    QCOMPARE(r.prompter.boxes().size(), 1);
    const auto box = r.prompter.boxes().first();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, QStringLiteral("Auto Connect"));
    QCOMPARE(box.icon, Prompter::Icon::None);
    QCOMPARE(int(box.buttons), int(Prompter::Ok));
    r.frame->chkAutoConnect->click(); // clearing says nothing
    QCOMPARE(r.prompter.boxes().size(), 1);
    // Nothing is saved before OK.
    QVERIFY(!r.store.value(QStringLiteral("AutoConnect")).has_value());
}

void TestPortSelectFrame::okSavesTheChoice_data() {
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<bool>("check");
    QTest::addColumn<QString>("saved");
    QTest::newRow("checked") << kBothFeatures << true << "True";
    QTest::newRow("clear") << kBothFeatures << false << "False";
    QTest::newRow("hidden box") << QStringList{} << false << "False";
}

void TestPortSelectFrame::okSavesTheChoice() {
    QFETCH(QStringList, features);
    QFETCH(bool, check);
    QFETCH(QString, saved);
    Rig r(features);
    r.w->mnuPortSetup_Click();
    r.frame->chkAutoConnect->setChecked(check);
    QTest::mouseClick(r.frame->cmdPortSelectOK, Qt::LeftButton);
    QVERIFY(!r.frame->isVisible());
    QCOMPARE(r.store.value(QStringLiteral("AutoConnect")), std::optional<QString>(saved));
    QCOMPARE(r.state.settings.AutoConnect, check);
}

void TestPortSelectFrame::scanFindsTheModule() {
    Rig r(kBothFeatures, 3);
    r.w->mnuPortSetup_Click();
    r.prompter.answerButton(Prompter::Ok);
    int progressShown = 0;
    r.prompter.onBox = [&](const ScriptedPrompter::Box&) {
        if (r.w->fraProgress1->isVisible())
            ++progressShown;
    };
    QTest::mouseClick(r.frame->cmdPortScan, Qt::LeftButton);
    QCOMPARE(r.prompter.boxes().size(), 2);
    const auto warning = r.prompter.boxes().at(0);
    QCOMPARE(
        warning.text,
        QStringLiteral("This function will scan all ports on your PC. Make sure that the QERO\r\n"
                       "is connected and power is turned on. Make sure that any other devices\r\n"
                       "or systems attached to your PC that could be adversely affected are\r\n"
                       "powered down before proceeding."));
    QCOMPARE(warning.title, QStringLiteral("Port Scan"));
    QCOMPARE(int(warning.buttons), int(Prompter::Ok | Prompter::Cancel));
    const auto result = r.prompter.boxes().at(1);
    QCOMPARE(result.text, QStringLiteral("Found QERO on port 3"));
    QCOMPARE(result.title, QStringLiteral("Port Scan"));
    QCOMPARE(result.icon, Prompter::Icon::None);
    QCOMPARE(progressShown, 0); // the progress panel is gone before the result
    QCOMPARE(r.w->fraProgress1->title(), QStringLiteral("Scanning Ports"));
    QCOMPARE(r.w->prgProgress1->value(), 20); // port 3 of 15
    QCOMPARE(r.frame->selectedPort(), 3);
    QCOMPARE(int(r.state.settings.PortNumber), 3);
    QCOMPARE(r.store.value(QStringLiteral("CommPort")),
             std::optional<QString>(QStringLiteral("3")));
    QVERIFY(!r.link->isOpen());
}

void TestPortSelectFrame::scanFindsNothing() {
    Rig r(kBothFeatures, 16);
    r.w->mnuPortSetup_Click();
    // Com16 can be chosen, though not scanned.
    r.frame->cboPort->setCurrentIndex(r.frame->cboPort->findData(16));
    r.prompter.answerButton(Prompter::Ok);
    r.frame->cmdPortScan_Click();
    QCOMPARE(r.prompter.messageTexts().last(),
             QStringLiteral("No QERO found. Check Check cable and module power."));
    QCOMPARE(int(r.state.settings.PortNumber), 16);
    QCOMPARE(r.w->prgProgress1->value(), 100);
}

void TestPortSelectFrame::scanCancelled() {
    Rig r(kBothFeatures, 3);
    r.w->mnuPortSetup_Click();
    r.prompter.answerButton(Prompter::Cancel);
    r.frame->cmdPortScan_Click();
    QCOMPARE(r.prompter.boxes().size(), 1);
    QVERIFY(r.link->sent().empty());
}

QTEST_MAIN(TestPortSelectFrame)
#include "tst_portselectframe.moc"
