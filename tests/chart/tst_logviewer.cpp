// SPDX-License-Identifier: GPL-3.0-or-later
#include "../device/MemorySettingsStore.h"

#include "chart/LogViewLogic.h"
#include "chart/LogViewPlot.h"
#include "chart/frmLogViewer.h"
#include "support/ScriptedPrompter.h"
#include "support/Units.h"

#include <QImage>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// A drive of `rows` samples 0.1 s apart: engine speed, two lambda sensors (sensor 1 heats
// for the first 30 rows), manifold pressure, coolant temperature, and two marks.
Log driveLog(std::size_t rows = 2000) {
    Log log;
    log.format = QStringLiteral("Test log");
    log.source = QStringLiteral("drive.msl");
    log.time.resize(rows);
    for (std::size_t i = 0; i < rows; ++i)
        log.time[i] = 0.1 * double(i);
    const int rpm =
        log.addChannel(QStringLiteral("RPM"), QStringLiteral("rpm"), Quantity::EngineSpeed);
    const int l1 =
        log.addChannel(QStringLiteral("Lambda 1"), Units::lambdaName(), Quantity::FuelRatio);
    const int s1 =
        log.addChannel(QStringLiteral("Sensor 1 status"), QString(), Quantity::SensorStatus);
    const int l2 =
        log.addChannel(QStringLiteral("Lambda 2"), Units::lambdaName(), Quantity::FuelRatio);
    const int map =
        log.addChannel(QStringLiteral("MAP"), QStringLiteral("kPa"), Quantity::ManifoldPressure);
    const int clt =
        log.addChannel(QStringLiteral("CLT"), QStringLiteral("°C"), Quantity::CoolantTemp);
    for (int c : {l1, l2}) {
        log.channels[c].ratioScale = 1.0;
        log.channels[c].sensor = c == l1 ? 1 : 2;
    }
    log.channels[l1].statusChannel = s1;
    for (std::size_t i = 0; i < rows; ++i) {
        log.channels[rpm].values[i] = float(1000 + i);
        const bool cold = i < 30;
        log.channels[s1].values[i] = cold ? 6.0f : 0.0f;
        log.channels[l1].values[i] = cold ? LogChannel::kMissing : 0.9f;
        log.channels[l2].values[i] = 0.95f;
        log.channels[map].values[i] = 50.0f;
        log.channels[clt].values[i] = 80.0f;
    }
    log.marks = {{10.0, QStringLiteral("pull 1")}, {150.0, QStringLiteral("pull 2")}};
    return log;
}

// An engine computer's log of the same drive, started `shift` seconds earlier, at 50 Hz.
Log engineOf(const Log& wide, double shift) {
    Log e;
    e.source = QStringLiteral("ecu.msl");
    e.format = QStringLiteral("MSL");
    const int rpm =
        e.addChannel(QStringLiteral("RPM"), QStringLiteral("rpm"), Quantity::EngineSpeed);
    const int map =
        e.addChannel(QStringLiteral("MAP"), QStringLiteral("kPa"), Quantity::ManifoldPressure);
    const std::vector<float>& w = wide.channels[0].values;
    for (std::size_t i = 0; i + 1 < w.size(); ++i)
        for (int k = 0; k < 5; ++k) {
            const double f = k / 5.0;
            const float v = float(w[i] + f * (w[i + 1] - w[i]));
            e.time.push_back(wide.time[i] + f * 0.1 + shift);
            e.channels[std::size_t(rpm)].values.push_back(v);
            e.channels[std::size_t(map)].values.push_back(v / 50.0f);
        }
    return e;
}

} // namespace

class tst_logviewer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Engine speed on top, the ratios, the load, the temperatures: a pane each.
    void defaultPanes() {
        const Log log = driveLog(10);
        const std::vector<LogViewLogic::Pane> panes = LogViewLogic::defaultPanes(log);
        QCOMPARE(panes.size(), std::size_t(4));
        QCOMPARE(panes[0].channels, std::vector<int>{0});
        QCOMPARE(panes[1].channels, (std::vector<int>{1, 3}));
        QCOMPARE(panes[2].channels, std::vector<int>{4});
        QCOMPARE(panes[3].channels, std::vector<int>{5});
    }

    // The layout is kept by name, so any channel name comes back, and names a log does
    // not carry are passed over.
    void layoutRoundTripsAndIsRememberedPerKind() {
        Log log = driveLog(10);
        log.channels[4].name = QStringLiteral("MAP, abs | kPa \\ raw");
        LogViewLogic logic(log);
        logic.panes = {{{4, 0}}, {{3}}};
        MemorySettingsStore store;
        logic.save(store);
        LogViewLogic again(log);
        again.load(store);
        QCOMPARE(again.panes.size(), std::size_t(2));
        QCOMPARE(again.panes[0].channels, (std::vector<int>{4, 0}));
        QCOMPARE(again.panes[1].channels, std::vector<int>{3});
        again.setLayoutText(QStringLiteral("nothing|RPM,also nothing"));
        QCOMPARE(again.panes.size(), std::size_t(1));
        QCOMPARE(again.panes[0].channels, std::vector<int>{0});
        // Another kind of source keeps a layout of its own.
        Log other = driveLog(10);
        other.format = QStringLiteral("Other");
        LogViewLogic fresh(other);
        fresh.load(store);
        QCOMPARE(fresh.panes.size(), std::size_t(4));
    }

    // The readout of every trace at the marker: a sensor not reading shows its status in
    // words and no value.
    void readouts() {
        const Log log = driveLog();
        LogViewLogic logic(log);
        logic.placeMarker(1.04);
        QCOMPARE(logic.markerRow(), std::size_t(10));
        std::vector<LogViewLogic::Readout> r = logic.readouts();
        QCOMPARE(r.size(), std::size_t(5));
        QCOMPARE(r[0].name, QStringLiteral("RPM"));
        QCOMPARE(r[0].value, QStringLiteral("1010"));
        QCOMPARE(r[1].name, QStringLiteral("Lambda 1"));
        QCOMPARE(r[1].value, QString());
        QCOMPARE(r[1].status, QStringLiteral("Sensor Cold"));
        QCOMPARE(r[2].value, QStringLiteral("0.950"));
        QCOMPARE(r[2].unit, QStringLiteral("lambda"));
        logic.stepMarker(40);
        r = logic.readouts();
        QCOMPARE(r[1].value, QStringLiteral("0.900"));
        QCOMPARE(r[1].status, QString());
    }

    // A ratio on the module's gasoline scale is shown on the scale of the log's fuel.
    void ratiosOnTheFuelsScale() {
        Log log = driveLog(5);
        log.channels[3].ratioScale = Units::kGasolineStoich;
        log.channels[3].values.assign(5, 14.69f);
        log.fuelStoich = 9.77;
        const LogViewLogic logic(log);
        QCOMPARE(logic.displayUnit(3), QStringLiteral("AFR"));
        QCOMPARE_LE(std::abs(logic.displayValue(3, 0) - 9.77), 1e-5);
    }

    void navigation() {
        const Log log = driveLog(); // 0 to 199.9 s
        LogViewLogic logic(log);
        QCOMPARE(logic.windowStart(), 0.0);
        QCOMPARE(logic.windowEnd(), 199.9);
        // The wheel zooms around the time under the pointer, which stays where it was.
        QVERIFY(logic.zoomAt(50.0, 2));
        const double ratio =
            (50.0 - logic.windowStart()) / (logic.windowEnd() - logic.windowStart());
        QCOMPARE_LE(std::abs(ratio - 50.0 / 199.9), 1e-9);
        QCOMPARE_LE(std::abs((logic.windowEnd() - logic.windowStart()) - 199.9 * 0.64), 1e-9);
        // Panning stops at the ends.
        QVERIFY(logic.panBy(-1000));
        QCOMPARE(logic.windowStart(), 0.0);
        QVERIFY(!logic.panBy(-1));
        // Zooming out never goes past the whole log; a step of the marker off the window
        // brings the window along.
        logic.zoomAt(10, -50);
        QCOMPARE(logic.windowEnd() - logic.windowStart(), 199.9);
        logic.setWindow(0, 10);
        logic.markerToEnd();
        QCOMPARE(logic.markerRow(), log.rows() - 1);
        QCOMPARE(logic.windowEnd(), 199.9);
    }

    // The window shows the whole log, a status stretch as a gap, the marks, and the
    // readouts; Export Data writes the visible rows and Save Picture the picture.
    // Joined with the engine computer's log: both engine speeds in the top pane, the
    // engine's pressure in a pane of its own, the offset nudged, another drive refused.
    void joinEngineLog() {
        Log wide = driveLog(3000);
        // Engine speed that wanders, so the traces can be matched.
        for (std::size_t i = 0; i < wide.rows(); ++i)
            wide.channels[0].values[i] =
                float(2500 + 1500 * std::sin(double(i) / 37.0) * std::sin(double(i) / 211.0));
        ScriptedPrompter prompter;
        frmLogViewer viewer(wide, prompter, nullptr);
        viewer.setAttribute(Qt::WA_DeleteOnClose, false);
        QVERIFY(viewer.joinWith(engineOf(wide, 42.0)));
        QVERIFY(viewer.isJoined());
        QCOMPARE_LE(std::fabs(viewer.match().offset - 42.0), 0.05);
        const int ecuRpm = viewer.log().findName(QStringLiteral("ECU RPM"));
        const int map = viewer.log().findName(QStringLiteral("MAP"));
        QVERIFY(ecuRpm > 0);
        QCOMPARE(viewer.logic().panes.front().channels, (std::vector<int>{0, ecuRpm}));
        QCOMPARE(viewer.plot()->traces(0).size(), std::size_t(2));
        // The log's own MAP stays where it was; the engine's has the ECU prefix.
        QVERIFY(map >= 0);
        const std::size_t row = 1000;
        const float joined = viewer.log().channels[std::size_t(ecuRpm)].values[row];
        QCOMPARE_LE(std::fabs(joined - wide.channels[0].values[row]), 5.0f);
        viewer.nudgeOffset(viewer.match().offset + 1.0);
        QCOMPARE_LE(std::fabs(viewer.log().channels[std::size_t(ecuRpm)].values[row] -
                              wide.channels[0].values[row + 10]),
                    5.0f);

        // Another drive: refused with the reason, the join as it was.
        Log other = driveLog(3000);
        for (std::size_t i = 0; i < other.rows(); ++i)
            other.channels[0].values[i] = float(3000 + 2000 * std::sin(double(i) / 5.0));
        QVERIFY(!viewer.joinWith(engineOf(other, 10.0)));
        QCOMPARE(prompter.boxes().size(), 1);
        QVERIFY(prompter.boxes().front().text.contains(QLatin1String("same drive")));
        QVERIFY(viewer.isJoined());
    }

    void window() {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        MemorySettingsStore store;
        frmLogViewer viewer(driveLog(), prompter, &store);
        viewer.setAttribute(Qt::WA_DeleteOnClose, false);
        viewer.show();
        LogViewPlot* plot = viewer.plot();
        QCOMPARE(plot->paneCount(), 4);
        QCOMPARE(plot->traces(1).size(), std::size_t(2));
        QCOMPARE(plot->traces(0).front()->dataCount(), 2000);
        // Sensor 1's heating is drawn as a gap.
        QVERIFY(std::isnan(plot->traces(1).front()->data()->at(29)->value));
        QCOMPARE(plot->traces(1).front()->data()->at(30)->value, double(0.9f));
        QCOMPARE(plot->markCount(), 2 * 4); // a line in every pane for each mark

        QVERIFY(viewer.handleKey(Qt::Key_Right, Qt::ShiftModifier));
        QCOMPARE(viewer.logic().markerRow(), std::size_t(10));
        QCOMPARE(viewer.readoutTable()->rowCount(), 5);
        QCOMPARE(viewer.readoutTable()->item(1, 3)->text(), QStringLiteral("Sensor Cold"));

        // Another channel into the top pane; removing a pane keeps the others.
        viewer.choosePane(0);
        viewer.setChannelShown(5, true);
        QCOMPARE(plot->traces(0).size(), std::size_t(2));
        viewer.choosePane(3);
        viewer.cmdRemovePane_Click();
        QCOMPARE(plot->paneCount(), 3);

        viewer.logic().setWindow(20.0, 29.95);
        const QString csv = dir.filePath(QStringLiteral("part"));
        prompter.answerFile(csv);
        viewer.cmdExportData_Click();
        QFile f(csv + QStringLiteral(".csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("Time (s),RPM (rpm),Lambda 1 (lambda),Sensor 1 "
                                           "status,Lambda 2 (lambda),MAP (kPa),CLT (°C)"));
        QCOMPARE(lines.size() - 2, 100); // 20.0 to 29.9 s, and the last line end
        QVERIFY(lines[1].startsWith("20,1200,0.9,0,"));

        const QString png = dir.filePath(QStringLiteral("view.png"));
        prompter.answerFile(png);
        viewer.cmdSavePicture_Click();
        QImage picture(png);
        QCOMPARE(picture.size(), plot->size());

        viewer.close();
        QVERIFY(store.values.contains(QStringLiteral("LogViewerPanes_Testlog")));
    }
};

QTEST_MAIN(tst_logviewer)
#include "tst_logviewer.moc"
