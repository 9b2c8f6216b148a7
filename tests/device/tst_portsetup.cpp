// SPDX-License-Identifier: GPL-3.0-or-later
#include "QeroModule.h"
#include "SimulatedLink.h"
#include "device/ModuleProtocol.h"
#include "device/PortSetup.h"
#include "device/ProgressReport.h"
#include "logdata/AppState.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Rig {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link{module, clock};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};
    PortSetup setup{state.settings, protocol};
    explicit Rig(int modulePort) { link.setModulePort(modulePort); }
};

struct RecordedProgress : ProgressReport {
    QString caption;
    QList<int> steps;
    bool ended = false;
    void showProgress(const QString& c) override { caption = c; }
    void setProgress(int percent) override { steps << percent; }
    void hideProgress() override { ended = true; }
};

} // namespace

class TestPortSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scan_data();
    void scan();
    void scanProgress();
    void scanKeepsPortNumber();
    void portTest_data();
    void portTest();
    void silentModuleIsPassedOver();
    void features_data();
    void features();
    void autoConnectOnOpening_data();
    void autoConnectOnOpening();
    void selectPort();
};

void TestPortSetup::scan_data() {
    QTest::addColumn<int>("modulePort");
    QTest::addColumn<int>("found");
    QTest::newRow("port 3") << 3 << 3;
    QTest::newRow("port 15, the last scanned") << 15 << 15;
    QTest::newRow("port 16 is never found") << 16 << 0;
}

void TestPortSetup::scan() {
    QFETCH(int, modulePort);
    QFETCH(int, found);
    Rig r(modulePort);
    QCOMPARE(int(r.setup.PortScan(PortSetup::kScanLastPort, PortSetup::kIdentity)), found);
    // Ports that do not open are passed over without a word.
    QVERIFY(r.prompter.boxes().isEmpty());
    QVERIFY(!r.link.isOpen());
}

void TestPortSetup::scanProgress() {
    Rig r(0); // nothing found: the scan runs to its end
    r.module.faults().silent = true;
    RecordedProgress p;
    QCOMPARE(int(r.setup.PortScan(3, PortSetup::kIdentity, &p)), 0);
    QCOMPARE(p.caption, QStringLiteral("Scanning Ports"));
    QCOMPARE(p.steps, (QList<int>{0, 33, 67, 100}));
    QVERIFY(p.ended);
}

void TestPortSetup::scanKeepsPortNumber() {
    Rig r(5);
    r.state.settings.PortNumber = 9;
    QCOMPARE(int(r.setup.PortScan(15, PortSetup::kIdentity)), 5);
    QCOMPARE(int(r.state.settings.PortNumber), 9);
}

void TestPortSetup::portTest_data() {
    QTest::addColumn<int>("modulePort");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("answers");
    const QString normal = QeroModule::identificationFor(QeroModule::Model::Qero4dRev3);
    QTest::newRow("right port") << 3 << 3 << normal << true;
    QTest::newRow("wrong port") << 3 << 4 << normal << false;
    QTest::newRow("identity in lower case") << 3 << 3 << normal.toLower() << true;
    QTest::newRow("someone else's device") << 3 << 3 << "Acme Widget Rev 3" << false;
}

void TestPortSetup::portTest() {
    QFETCH(int, modulePort);
    QFETCH(int, port);
    QFETCH(QString, id);
    QFETCH(bool, answers);
    Rig r(modulePort);
    r.module.setIdentification(id);
    QCOMPARE(r.setup.PortTest(qint16(port), PortSetup::kIdentity), answers);
    QVERIFY(!r.link.isOpen());
}

void TestPortSetup::silentModuleIsPassedOver() {
    Rig r(2);
    r.module.faults().silent = true;
    const qint64 start = r.clock.nowUs();
    QVERIFY(!r.setup.PortTest(2, PortSetup::kIdentity));
    // Five synchronisation tries of 1 s each, and no message.
    QVERIFY(r.clock.nowUs() - start >= 5'000'000);
    QVERIFY(r.prompter.boxes().isEmpty());
    QVERIFY(!r.link.isOpen());
}

void TestPortSetup::features_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("scan");
    QTest::addColumn<bool>("autoConnect");
    QTest::newRow("none") << QStringList{} << false << false;
    QTest::newRow("both") << QStringList{"Port_Scan_Enable_True", "Auto_Connect_Enable_True"}
                          << true << true;
    QTest::newRow("other letter case") << QStringList{"port_scan_enable_true"} << false << false;
    QTest::newRow("trailing blank") << QStringList{"Auto_Connect_Enable_True "} << false << false;
}

void TestPortSetup::features() {
    QFETCH(QStringList, lines);
    QFETCH(bool, scan);
    QFETCH(bool, autoConnect);
    const auto f = PortSetup::features(lines);
    QCOMPARE(f.portScan, scan);
    QCOMPARE(f.autoConnect, autoConnect);
}

void TestPortSetup::autoConnectOnOpening_data() {
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("saved"); // "<none>" for a missing key
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("savedAfter");
    QTest::newRow("not offered, saved True") << false << "True" << false << "False";
    QTest::newRow("not offered, missing") << false << "<none>" << false << "False";
    QTest::newRow("offered, saved True") << true << "True" << true << "True";
    QTest::newRow("offered, saved False") << true << "False" << false << "False";
    QTest::newRow("offered, missing") << true << "<none>" << false << "<none>";
}

void TestPortSetup::autoConnectOnOpening() {
    QFETCH(bool, offered);
    QFETCH(QString, saved);
    QFETCH(bool, result);
    QFETCH(QString, savedAfter);
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    if (saved != QLatin1String("<none>"))
        store.setValue(QStringLiteral("AutoConnect"), saved);
    QCOMPARE(PortSetup::autoConnectOnOpening(offered, store), result);
    QCOMPARE(store.value(QStringLiteral("AutoConnect")).value_or(QStringLiteral("<none>")),
             savedAfter);
}

void TestPortSetup::selectPort() {
    Rig r(0);
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    r.link.open(1);
    r.setup.selectPort(6, store);
    QCOMPARE(int(r.state.settings.PortNumber), 7);
    QCOMPARE(store.value(QStringLiteral("CommPort")), std::optional<QString>(QStringLiteral("7")));
    QVERIFY(!r.link.isOpen()); // the next command opens the new port
}

QTEST_GUILESS_MAIN(TestPortSetup)
#include "tst_portsetup.moc"
