// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFixtures.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"

#include "app/frmMain.h"
#include "logdata/AppState.h"
#include "logdata/frmAnalogInScale.h"
#include "logdata/frmFuelType.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <optional>

class tst_logdatawindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void analogOpensWithStoredPreset();
    void analogKeepsUserAndTpsValues();
    void analogOptionsSetBoxes();
    void analogFocusLossValidates();
    void analogOkAndRestoreDefaults();
    void analogTpsOffersPercentRange_data();
    void analogTpsOffersPercentRange();
    void analogLearnFromModule();
    void analogEnterInABoxPressesOk();

    void fuelOpensWithMatchingOption_data();
    void fuelOpensWithMatchingOption();
    void fuelUserFuel();
    void fuelLambdaOk();
    void fuelUploadButton();

    void mainWindowMenus();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettingsStore> m_settings;
};

void tst_logdatawindows::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
}

void tst_logdatawindows::analogOpensWithStoredPreset() {
    LogBuffer log;
    log.AnalogInputType = QStringLiteral("MAP1BAR");
    log.MinInVolts = 1.0f;
    log.MaxScaledValue = 77.0f;
    log.AnalogLegend = QStringLiteral("Other");
    ScriptedPrompter p;
    frmAnalogInScale w(log, p, *m_settings);
    QCOMPARE(w.windowTitle(), QStringLiteral("Analog Input Scaling"));
    QVERIFY(w.optMAP1bar->isChecked());
    QCOMPARE(log.MinInVolts, 0.25f);
    QCOMPARE(log.MaxScaledValue, 30.1f);
    QCOMPARE(w.txtMinVolts->text(), QStringLiteral("0.25"));
    QCOMPARE(w.txtMaxVolts->text(), QStringLiteral("4.85"));
    QCOMPARE(w.txtMinValue->text(), QStringLiteral("4.45"));
    QCOMPARE(w.txtMaxValue->text(), QStringLiteral("30.1"));
    QCOMPARE(w.txtAnalogLegend->text(), QStringLiteral("MAP (In-Hg)"));
    for (QLineEdit* e :
         {w.txtMinVolts, w.txtMaxVolts, w.txtMinValue, w.txtMaxValue, w.txtAnalogLegend})
        QVERIFY(!e->isEnabled());
    QVERIFY(!m_settings->value(QStringLiteral("MinInVolts")));
}

void tst_logdatawindows::analogKeepsUserAndTpsValues() {
    for (const char* type : {"USER", "TPS", "something else"}) {
        LogBuffer log;
        log.AnalogInputType = QLatin1String(type);
        log.MinInVolts = 0.5f;
        log.MaxInVolts = 4.5f;
        log.MinScaledValue = 0.0f;
        log.MaxScaledValue = 100.0f;
        log.AnalogLegend = QStringLiteral("Throttle");
        ScriptedPrompter p;
        frmAnalogInScale w(log, p, *m_settings);
        const bool tps = log.AnalogInputType == QLatin1String("TPS");
        QCOMPARE(w.optTPS->isChecked(), tps);
        QCOMPARE(w.optUserAnalog->isChecked(), !tps);
        QCOMPARE(log.MinInVolts, 0.5f);
        QCOMPARE(log.MaxScaledValue, 100.0f);
        QCOMPARE(w.txtMaxValue->text(), QStringLiteral("100.0"));
        QCOMPARE(w.txtMinVolts->text(), QStringLiteral("0.5"));
        QVERIFY(w.txtMinVolts->isEnabled());
        QCOMPARE(w.txtAnalogLegend->isEnabled(), !tps);
        QCOMPARE(w.txtAnalogLegend->text(),
                 tps ? QStringLiteral("TPS(%)") : QStringLiteral("Throttle"));
        QCOMPARE(log.AnalogInputType, tps ? QStringLiteral("TPS") : QStringLiteral("USER"));
    }
}

void tst_logdatawindows::analogOptionsSetBoxes() {
    LogBuffer log;
    ScriptedPrompter p;
    frmAnalogInScale w(log, p, *m_settings);
    QVERIFY(w.optNone->isChecked());
    QCOMPARE(w.optNone->text(), QStringLiteral("None (0-5V Without Scaling)"));
    QCOMPARE(w.txtAnalogLegend->text(), QStringLiteral("Volts"));
    w.optMAP3bar->click();
    QCOMPARE(log.AnalogInputType, QStringLiteral("MAP3BAR"));
    QCOMPARE(w.txtMinVolts->text(), QStringLiteral("0.62"));
    QCOMPARE(w.txtMaxValue->text(), QStringLiteral("89.9"));
    w.optUserAnalog->click();
    QCOMPARE(log.AnalogInputType, QStringLiteral("USER"));
    QCOMPARE(log.MinInVolts, 0.62f);
    QVERIFY(w.txtAnalogLegend->isEnabled());
    QVERIFY(w.txtMaxValue->isEnabled());
    w.optTPS->click();
    QCOMPARE(w.txtAnalogLegend->text(), QStringLiteral("TPS(%)"));
    QVERIFY(!w.txtAnalogLegend->isEnabled());
    QVERIFY(w.txtMaxValue->isEnabled());
}

void tst_logdatawindows::analogFocusLossValidates() {
    LogBuffer log;
    log.AnalogInputType = QStringLiteral("USER");
    ScriptedPrompter p;
    frmAnalogInScale w(log, p, *m_settings);

    w.txtMaxVolts->setText(QStringLiteral("-1"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w.txtMaxVolts, &out);
    QCOMPARE(p.messageTexts(), QStringList{QStringLiteral("Value must be greater than zero")});
    QCOMPARE(p.messages().first().title, QStringLiteral("Maximum Input Voltage"));
    QCOMPARE(w.txtMaxVolts->text(), QStringLiteral("0.0"));
    QCOMPARE(log.MaxInVolts, 0.0f);

    p.clear();
    w.txtMaxVolts->setText(QStringLiteral("7"));
    QVERIFY(w.txtMaxVolts_Validate());
    QCOMPARE(p.messageTexts(),
             QStringList{QStringLiteral("Value must be less than or equal to 5")});
    QCOMPARE(w.txtMaxVolts->text(), QStringLiteral("5.0"));

    // A message box taking the focus is not the user leaving the box.
    p.clear();
    w.txtMinValue->setText(QStringLiteral("-3"));
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(w.txtMinValue, &away);
    QVERIFY(p.boxes().isEmpty());

    w.txtMinValue->setText(QStringLiteral("12.3456"));
    QVERIFY(!w.txtMinValue_Validate());
    QCOMPARE(w.txtMinValue->text(), QStringLiteral("12.346"));
    QCOMPARE(log.MinScaledValue, 12.346f);

    w.txtAnalogLegend->setText(QStringLiteral("  Boost pressure in kilopascal "));
    QVERIFY(w.txtAnalogLegend_Validate());
    QCOMPARE(w.txtAnalogLegend->text(), QStringLiteral("Boost pressure in ki"));
    QCOMPARE(log.AnalogLegend, QStringLiteral("Boost pressure in ki"));
    QVERIFY(p.boxes().isEmpty());
}

void tst_logdatawindows::analogOkAndRestoreDefaults() {
    LogBuffer log;
    log.AnalogInputType = QStringLiteral("MAP2BAR");
    ScriptedPrompter p;
    {
        frmAnalogInScale w(log, p, *m_settings);
        w.optTPS->click();
        w.cmdRestoreDefaults->click(); // Cancel by default: nothing happens
        QVERIFY(w.optTPS->isChecked());
        QCOMPARE(p.messages().first().title, QStringLiteral("Restore Defaults"));
        QVERIFY(!m_settings->value(QStringLiteral("AnalogInputType")));
        w.cmdOK->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
    }
    QCOMPARE(m_settings->value(QStringLiteral("AnalogInputType")), QStringLiteral("TPS"));
    QCOMPARE(m_settings->value(QStringLiteral("AnalogLegend")), QStringLiteral("TPS(%)"));
    QCOMPARE(m_settings->value(QStringLiteral("MinInVolts")), QStringLiteral("0.3"));

    frmAnalogInScale w(log, p, *m_settings);
    p.answerButton(Prompter::Ok);
    w.cmdRestoreDefaults->click();
    QVERIFY(w.optNone->isChecked());
    QVERIFY(!w.txtMinVolts->isEnabled());
    QCOMPARE(w.txtMaxValue->text(), QStringLiteral("5.0"));
    QCOMPARE(m_settings->value(QStringLiteral("AnalogInputType")), QStringLiteral("NONE"));
    QCOMPARE(m_settings->value(QStringLiteral("MinInVolts")), QStringLiteral("0"));
    QCOMPARE(m_settings->value(QStringLiteral("AnalogLegend")), QStringLiteral("Volts"));
    QVERIFY(w.result() != int(QDialog::Accepted) || !w.isVisible());
}

void tst_logdatawindows::analogTpsOffersPercentRange_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<float>("minValue");
    QTest::addColumn<float>("maxValue");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("savedMin");
    QTest::addColumn<QString>("savedMax");
    const int yes = Prompter::Yes;
    const int no = Prompter::No;
    QTest::newRow("TPS 0-5, yes") << "TPS" << 0.0f << 5.0f << yes << true << "0"
                                  << "100";
    QTest::newRow("TPS 0-5, no") << "TPS" << 0.0f << 5.0f << no << true << "0"
                                 << "5";
    QTest::newRow("TPS 10-100, yes") << "TPS" << 10.0f << 100.0f << yes << true << "0"
                                     << "100";
    QTest::newRow("TPS 0-100") << "TPS" << 0.0f << 100.0f << yes << false << "0"
                               << "100";
    QTest::newRow("user 0-5") << "USER" << 0.0f << 5.0f << yes << false << "0"
                              << "5";
}

void tst_logdatawindows::analogTpsOffersPercentRange() {
    QFETCH(QString, type);
    QFETCH(float, minValue);
    QFETCH(float, maxValue);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(QString, savedMin);
    QFETCH(QString, savedMax);
    LogBuffer log;
    log.AnalogInputType = type;
    log.MinScaledValue = minValue;
    log.MaxScaledValue = maxValue;
    ScriptedPrompter p;
    p.answerButton(Prompter::Button(answer));
    frmAnalogInScale w(log, p, *m_settings);
    w.cmdOK->click();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(p.messages().size(), asked ? 1 : 0);
    if (asked) {
        const ScriptedPrompter::Box box = p.messages().first();
        QCOMPARE(box.title, QStringLiteral("TPS Percent"));
        QCOMPARE(box.icon, Prompter::Icon::Question);
        QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Yes | Prompter::No));
        QVERIFY2(box.text.contains(QStringLiteral("Set it to 0 to 100?")), qPrintable(box.text));
    }
    // What is stored is what the rest of the program now uses.
    QCOMPARE(m_settings->value(QStringLiteral("MinScaledValue")), savedMin);
    QCOMPARE(m_settings->value(QStringLiteral("MaxScaledValue")), savedMax);
    QCOMPARE(QString::number(double(log.MaxScaledValue)), savedMax);
    QCOMPARE(w.txtMaxValue->text(), savedMax + QStringLiteral(".0"));
}

void tst_logdatawindows::analogLearnFromModule() {
    LogBuffer log;
    log.AnalogInputType = QStringLiteral("NONE");
    ScriptedPrompter p;
    frmAnalogInScale w(log, p, *m_settings);
    // Nothing to read from: the buttons say why they cannot be used.
    QVERIFY(!w.fraLearn->isEnabled());
    QVERIFY(!w.fraLearn->toolTip().isEmpty());

    std::deque<std::optional<float>> readings = {4.6078f, std::nullopt, 0.4512f, 7.3f};
    int reads = 0;
    w.setLearnAction([&]() -> std::optional<float> {
        ++reads;
        const std::optional<float> v = readings.front();
        readings.pop_front();
        return v;
    });
    // A fixed preset has no voltages to learn.
    QVERIFY(!w.fraLearn->isEnabled());
    QVERIFY(w.fraLearn->toolTip().contains(QStringLiteral("TPS Percent")));
    w.cmdLearnOpen->click();
    QCOMPARE(reads, 0);

    w.optTPS->click();
    QVERIFY(w.fraLearn->isEnabled());
    QVERIFY(w.fraLearn->toolTip().isEmpty());
    w.cmdLearnOpen->click();
    QCOMPARE(log.MaxInVolts, 4.61f);
    QCOMPARE(w.txtMaxVolts->text(), QStringLiteral("4.61"));
    QCOMPARE(w.lblLearned->text(), QStringLiteral("Full throttle: 4.61 V"));
    // A failed read keeps the value and says so.
    w.cmdLearnClosed->click();
    QCOMPARE(log.MinInVolts, 0.0f);
    QCOMPARE(w.lblLearned->text(), QStringLiteral("No reading from the module."));
    w.cmdLearnClosed->click();
    QCOMPARE(log.MinInVolts, 0.45f);
    QCOMPARE(w.txtMinVolts->text(), QStringLiteral("0.45"));
    // Whatever the line brings, the range stays within what the input can measure.
    w.cmdLearnOpen->click();
    QCOMPARE(log.MaxInVolts, 5.0f);
    QCOMPARE(reads, 4);

    p.answerButton(Prompter::Yes);
    w.cmdOK->click();
    QCOMPARE(m_settings->value(QStringLiteral("MinInVolts")), QStringLiteral("0.45"));
    QCOMPARE(m_settings->value(QStringLiteral("MaxInVolts")), QStringLiteral("5"));
    QCOMPARE(m_settings->value(QStringLiteral("MaxScaledValue")), QStringLiteral("100"));
}

void tst_logdatawindows::analogEnterInABoxPressesOk() {
    LogBuffer log;
    log.AnalogInputType = QStringLiteral("USER");
    ScriptedPrompter p;
    frmAnalogInScale w(log, p, *m_settings);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.txtMaxVolts->setFocus();
    w.txtMaxVolts->setText(QStringLiteral("4.6"));
    QTest::keyClick(w.txtMaxVolts, Qt::Key_Return);
    // Not Restore Defaults, the first button of the window.
    QVERIFY(p.messages().isEmpty());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(m_settings->value(QStringLiteral("MaxInVolts")), QStringLiteral("4.6"));
}

void tst_logdatawindows::fuelOpensWithMatchingOption_data() {
    QTest::addColumn<QString>("fuel");
    QTest::addColumn<QString>("option");
    QTest::newRow("lambda") << "lambda"
                            << "optLambda";
    QTest::newRow("Gasoline") << "Gasoline"
                              << "optGasolineFuel";
    QTest::newRow("e10") << "e10"
                         << "optE10Fuel";
    QTest::newRow("E85") << "E85"
                         << "optE85Fuel";
    QTest::newRow("Ethanol") << "Ethanol"
                             << "optEthanolFuel";
    QTest::newRow("METHANOL") << "METHANOL"
                              << "optMethanolFuel";
    QTest::newRow("other") << "Race 110"
                           << "optUserFuel";
}

void tst_logdatawindows::fuelOpensWithMatchingOption() {
    QFETCH(QString, fuel);
    QFETCH(QString, option);
    AppState state;
    state.log.FuelType = fuel;
    state.log.StoichRatio = 13.5f;
    ScriptedPrompter p;
    frmFuelType w(state.log, state.settings, p, *m_settings);
    QCOMPARE(w.windowTitle(), QStringLiteral("Fuel Type"));
    QVERIFY(w.findChild<QRadioButton*>(option)->isChecked());
    const bool user = option == QLatin1String("optUserFuel");
    for (QWidget* c : std::initializer_list<QWidget*>{w.txtFuelType, w.txtStoichRatio,
                                                      w.lblFuelType, w.lblStoichRatio})
        QCOMPARE(c->isHidden(), !user);
    if (user) {
        QCOMPARE(w.txtFuelType->text(), fuel);
        QCOMPARE(w.txtStoichRatio->text(), QStringLiteral("13.50"));
    }
}

void tst_logdatawindows::fuelUserFuel() {
    AppState state;
    ScriptedPrompter p;
    frmFuelType w(state.log, state.settings, p, *m_settings);
    QVERIFY(w.optGasolineFuel->isChecked());
    w.optUserFuel->click();
    QVERIFY(!w.txtFuelType->isHidden());
    QCOMPARE(w.lblStoichRatio->text(), QStringLiteral("Stoichiometric Ratio"));
    QCOMPARE(w.txtFuelType->text(), QStringLiteral("Gasoline"));
    QCOMPARE(w.txtStoichRatio->text(), QStringLiteral("14.69"));

    w.txtStoichRatio->setText(QStringLiteral("25"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w.txtStoichRatio, &out);
    QCOMPARE(p.messageTexts(),
             QStringList{QStringLiteral("Value must be less than or equal to 20")});
    QCOMPARE(p.messages().first().title, QStringLiteral("Stoichiometric Ratio"));
    QCOMPARE(w.txtStoichRatio->text(), QStringLiteral("20.00"));
    QCOMPARE(state.log.StoichRatio, 20.0f);

    w.txtStoichRatio->setText(QStringLiteral("12.345"));
    QVERIFY(!w.txtStoichRatio_Validate());
    QCOMPARE(w.txtStoichRatio->text(), QStringLiteral("12.35"));
    QCOMPARE(state.settings.AFRFormat, QStringLiteral("#0.0")); // unchanged until OK
    w.txtFuelType->setText(QStringLiteral("  Propane blend from the station  "));
    w.cmdOK->click();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(state.log.FuelType, QStringLiteral("Propane blend fr"));
    QCOMPARE(state.log.StoichRatio, 12.35f);
    QCOMPARE(m_settings->value(QStringLiteral("FuelType")), QStringLiteral("Propane blend fr"));
    QCOMPARE(m_settings->value(QStringLiteral("StoichRatio")), QStringLiteral("12.35"));
}

void tst_logdatawindows::fuelLambdaOk() {
    AppState state;
    ScriptedPrompter p;
    frmFuelType w(state.log, state.settings, p, *m_settings);
    QCOMPARE(w.optLambda->text(), QStringLiteral("Lambda Values"));
    w.optLambda->click();
    QVERIFY(w.txtStoichRatio->isHidden());
    QCOMPARE(state.log.FuelType, QStringLiteral("Gasoline")); // only OK takes the choice
    w.cmdOK->click();
    QCOMPARE(state.log.FuelType, QStringLiteral("Lambda"));
    QCOMPARE(state.log.StoichRatio, 1.0f);
    QCOMPARE(state.settings.AFRFormat, QStringLiteral("#0.000"));
    QCOMPARE(m_settings->value(QStringLiteral("FuelType")), QStringLiteral("Lambda"));
    QCOMPARE(m_settings->value(QStringLiteral("StoichRatio")), QStringLiteral("1"));
}

void tst_logdatawindows::fuelUploadButton() {
    AppState state;
    ScriptedPrompter p;
    frmFuelType w(state.log, state.settings, p, *m_settings);
    QCOMPARE(w.cmdFuelTypeUpload->text(), QStringLiteral("Upload To QERO"));
    QVERIFY(!w.cmdFuelTypeUpload->isEnabled());
    QString seen;
    w.setUploadAction([&] {
        w.applyChoice();
        seen = state.log.FuelType;
    });
    QVERIFY(w.cmdFuelTypeUpload->isEnabled());
    w.optE85Fuel->click();
    w.cmdFuelTypeUpload->click();
    QCOMPARE(seen, QStringLiteral("E85"));
    QCOMPARE(state.settings.AFRFormat, QStringLiteral("#0.00"));
    QCOMPARE(m_settings->value(QStringLiteral("FuelType")), QStringLiteral("E85"));
    QVERIFY(w.result() != int(QDialog::Accepted)); // the window stays open
}

void tst_logdatawindows::mainWindowMenus() {
    DataFiles::setSearchFolders({m_dir->path()});
    AppState state;
    ScriptedPrompter p;
    VirtualClock clock;
    ModuleSession module(state, clock, p, std::make_unique<QSerialPortLink>());
    frmMain main(state, *m_settings, p, clock, module);
    for (QAction* a : {main.mnuOpenFile, main.mnuSaveFile, main.mnuAnalogInScale, main.mnuFuelType})
        QVERIFY(a->isEnabled());

    const QString file = m_dir->filePath(QStringLiteral("pull.log"));
    QVERIFY(LogFixtures::writeFile(file, LogFixtures::complete()));
    state.window.RealTimeActive = true;
    p.answerFile(file);
    // Opening a log ends by showing its chart; close it when it comes up.
    bool chartShown = false;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, &main, [&] {
        if (QWidget* chart = QApplication::activeModalWidget()) {
            chartShown = chart->objectName() == QLatin1String("frmChart1");
            chart->close();
            closer.stop();
        }
    });
    closer.start();
    main.mnuOpenFile->trigger();
    QVERIFY(chartShown);
    QVERIFY(!state.window.RealTimeActive);
    QCOMPARE(main.windowTitle(), state.window.MainCaption + QStringLiteral(" - pull.log"));
    QVERIFY(!state.log.DataBufferEmpty);
    DataFiles::setSearchFolders({});
}

QTEST_MAIN(tst_logdatawindows)
#include "tst_logdatawindows.moc"
