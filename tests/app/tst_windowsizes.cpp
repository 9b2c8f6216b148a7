// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartTestLog.h"

#include "afrtable/frmAFRTable.h"
#include "app/QtPrompter.h"
#include "app/frmHelp.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "chart/frmChart1.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "logdata/frmAnalogInScale.h"
#include "logdata/frmFuelType.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"
#include "support/WindowPlacement.h"
#include "workbench/frmTuningWorkbench.h"

#include <QApplication>
#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// A 1366x768 laptop screen less a task bar and the window's title bar.
const QSize kRoom(1366, 690);

bool fits(QSize s) {
    return s.width() <= kRoom.width() && s.height() <= kRoom.height();
}

QString text(QSize s) {
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

} // namespace

// Run on an offscreen screen of 1366x768 (see main below).
class tst_windowsizes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void screenIsALaptop();
    void everyWindowFitsAndKeepsItsContent_data();
    void everyWindowFitsAndKeepsItsContent();
    void afrTableScrollsInsteadOfCutting();
    void fitSizeAndKeepOnScreen_data();
    void fitSizeAndKeepOnScreen();
    void dialogTitlesAreShownWhole_data();
    void dialogTitlesAreShownWhole();
    void savedNameGetsTheChosenTypesExtension_data();
    void savedNameGetsTheChosenTypesExtension();
    void windowsComeBackWhereTheyWere_data();
    void windowsComeBackWhereTheyWere();

private:
    std::unique_ptr<QWidget> make(const QString& name);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettingsStore> m_settings;
    std::unique_ptr<AppState> m_state;
    ScriptedPrompter m_prompter;
    VirtualClock m_clock;
    std::unique_ptr<ModuleSession> m_module;
};

void tst_windowsizes::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    m_state = std::make_unique<AppState>();
    m_state->log.DataBufferEmpty = false;
    m_state->log.AnalogLegend = QStringLiteral("TPS(%)");
    m_module = std::make_unique<ModuleSession>(*m_state, m_clock, m_prompter,
                                               std::make_unique<QSerialPortLink>());
    DataFiles::setSearchFolders({QStringLiteral(QERO_SOURCE_DATA)});
}

void tst_windowsizes::cleanup() {
    m_module.reset();
    DataFiles::setSearchFolders({});
}

std::unique_ptr<QWidget> tst_windowsizes::make(const QString& name) {
    if (name == QLatin1String("frmMain"))
        return std::make_unique<frmMain>(*m_state, *m_settings, m_prompter, m_clock, *m_module);
    if (name == QLatin1String("frmChart1"))
        return std::make_unique<frmChart1>(*m_state, m_prompter);
    if (name == QLatin1String("frmAFRTable"))
        return std::make_unique<frmAFRTable>(*m_state, *m_settings, m_prompter,
                                             [](const QString&) {});
    if (name == QLatin1String("frmHelp"))
        return std::make_unique<frmHelp>(QStringLiteral(QERO_SOURCE_DATA "/QERO4D_Log_Help.html"));
    if (name == QLatin1String("frmSplash"))
        return std::make_unique<frmSplash>(m_state->settings, m_prompter, 50);
    if (name == QLatin1String("frmAnalogInScale"))
        return std::make_unique<frmAnalogInScale>(m_state->log, m_prompter, *m_settings);
    if (name == QLatin1String("frmTuningWorkbench"))
        return std::make_unique<frmTuningWorkbench>(m_state->log, m_prompter);
    if (name == QLatin1String("frmFuelType"))
        return std::make_unique<frmFuelType>(m_state->log, m_state->settings, m_prompter,
                                             *m_settings);
    return nullptr;
}

void tst_windowsizes::screenIsALaptop() {
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1366, 768));
}

void tst_windowsizes::everyWindowFitsAndKeepsItsContent_data() {
    QTest::addColumn<QString>("window");
    for (const char* name : {"frmMain", "frmChart1", "frmAFRTable", "frmHelp", "frmSplash",
                             "frmAnalogInScale", "frmFuelType", "frmTuningWorkbench"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_windowsizes::everyWindowFitsAndKeepsItsContent() {
    QFETCH(QString, window);
    const std::unique_ptr<QWidget> w = make(window);
    QVERIFY(w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    // The workbench asks for more room than any laptop has and takes what the screen
    // offers (the screen here reports no task bar); the others open within a laptop's room.
    if (window == QLatin1String("frmTuningWorkbench")) {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(WindowPlacement::fitSize(w->size(), available), w->size());
        QVERIFY2(
            available.contains(w->frameGeometry()),
            qPrintable(QStringLiteral("%1,%2 %3").arg(w->x()).arg(w->y()).arg(text(w->size()))));
    } else {
        QVERIFY2(fits(w->size()), qPrintable(text(w->size())));
    }
    // What the window can be made smaller to still fits the screen ...
    const QSize smallest = w->minimumSize().expandedTo(w->minimumSizeHint());
    QVERIFY2(fits(smallest), qPrintable(text(smallest)));
    // ... and is never smaller than its content needs: shrinking it far stops there.
    w->resize(200, 150);
    QCoreApplication::processEvents();
    if (const QLayout* l = w->layout()) {
        QVERIFY2(w->width() >= l->minimumSize().width() && w->height() >= l->minimumSize().height(),
                 qPrintable(text(w->size()) + QStringLiteral(" < ") + text(l->minimumSize())));
    }
    QVERIFY2(w->width() > 200 && w->height() > 150, qPrintable(text(w->size())));
}

void tst_windowsizes::afrTableScrollsInsteadOfCutting() {
    frmAFRTable w(*m_state, *m_settings, m_prompter, [](const QString&) {});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* scroll = w.findChild<QScrollArea*>();
    QVERIFY(scroll);
    QTableWidget* grid = w.VSFlexGrid1;
    const int rowText = grid->fontMetrics().height();
    const int cornerText = grid->fontMetrics().horizontalAdvance(QStringLiteral("RPM/TPS"));
    for (const QSize size : {QSize(200, 150), QSize(860, 400), QSize(900, 690)}) {
        w.resize(size);
        QCoreApplication::processEvents();
        // However small the window, every cell keeps room for its text ...
        QVERIFY2(grid->rowHeight(0) >= rowText, qPrintable(text(w.size())));
        QVERIFY2(grid->columnWidth(0) >= cornerText, qPrintable(text(w.size())));
        // ... the buttons stay whole inside the content ...
        const QWidget* content = scroll->widget();
        for (const QWidget* b : std::initializer_list<const QWidget*>{w.cmdExit, grid})
            QVERIFY(content->rect().contains(b->geometry()));
        // ... and what does not fit the window can be scrolled to.
        const bool cut = content->height() > scroll->viewport()->height();
        QCOMPARE(scroll->verticalScrollBar()->maximum() > 0, cut);
        if (size == QSize(900, 690))
            QVERIFY(!cut && content->width() <= scroll->viewport()->width());
    }
}

void tst_windowsizes::fitSizeAndKeepOnScreen_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("placed");
    const QRect laptop(0, 0, 1366, 728);
    QTest::newRow("inside stays") << QRect(100, 50, 800, 600) << QRect(100, 50, 800, 600);
    QTest::newRow("off to the right") << QRect(3000, 50, 800, 600) << QRect(566, 50, 800, 600);
    QTest::newRow("above the top") << QRect(10, -400, 800, 600) << QRect(10, 0, 800, 600);
    QTest::newRow("half below") << QRect(10, 500, 800, 600) << QRect(10, 128, 800, 600);
    QTest::newRow("too big") << QRect(-50, -50, 1920, 1080) << laptop;
    QTest::newRow("on the second screen")
        << QRect(1500, 100, 800, 600) << QRect(1500, 100, 800, 600);
    QTest::newRow("mostly on the second")
        << QRect(2400, 100, 800, 600) << QRect(2166, 100, 800, 600);
}

void tst_windowsizes::fitSizeAndKeepOnScreen() {
    QFETCH(QRect, frame);
    QFETCH(QRect, placed);
    const QList<QRect> screens = {QRect(0, 0, 1366, 728), QRect(1366, 0, 1600, 900)};
    QCOMPARE(WindowPlacement::keepOnScreen(frame, screens), placed);
    QCOMPARE(WindowPlacement::fitSize(QSize(860, 820), screens.first()), QSize(860, 688));
    QCOMPARE(WindowPlacement::fitSize(QSize(860, 820), QRect(0, 0, 1920, 1040)), QSize(860, 820));
}

void tst_windowsizes::dialogTitlesAreShownWhole_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("upload") << "Upload Parameters"
                            << "Done.";
    QTest::newRow("comment") << "Optional Information Entry"
                             << "Comment:";
    QTest::newRow("chart") << "QERO Dual Channel Data Logging Program - Chart Display"
                           << "OK";
}

void tst_windowsizes::dialogTitlesAreShownWhole() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    QtPrompter prompter;
    const std::unique_ptr<QMessageBox> box =
        prompter.messageBox(text, title, Prompter::Icon::Information, Prompter::Ok);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    const int needed = QtPrompter::titleWidth(title, *box);
    QVERIFY2(box->width() >= needed,
             qPrintable(QStringLiteral("%1 < %2").arg(box->width()).arg(needed)));
    QVERIFY(box->width() <= kRoom.width());
    const std::unique_ptr<QInputDialog> input = prompter.inputDialog(text, title, QString());
    input->show();
    QVERIFY(QTest::qWaitForWindowExposed(input.get()));
    QVERIFY2(input->width() >= needed,
             qPrintable(QStringLiteral("%1 < %2").arg(input->width()).arg(needed)));
}

void tst_windowsizes::savedNameGetsTheChosenTypesExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("picture as PDF") << "/tmp/rec1"
                                    << "PDF document (*.pdf)"
                                    << "/tmp/rec1.pdf";
    QTest::newRow("picture as PNG") << "/tmp/rec1"
                                    << "PNG picture (*.png)"
                                    << "/tmp/rec1.png";
    QTest::newRow("extension typed") << "/tmp/run.2"
                                     << "CSV files (*.csv)"
                                     << "/tmp/run.2";
    QTest::newRow("dot in a folder only") << "/tmp/a.b/rec1"
                                          << "CSV files (*.csv)"
                                          << "/tmp/a.b/rec1.csv";
    QTest::newRow("all files") << "/tmp/rec1"
                               << "All Files (*.*)"
                               << "/tmp/rec1";
    QTest::newRow("cancelled") << ""
                               << "CSV files (*.csv)"
                               << "";
}

void tst_windowsizes::savedNameGetsTheChosenTypesExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QCOMPARE(QtPrompter::withChosenExtension(typed, chosen), saved);
}

void tst_windowsizes::windowsComeBackWhereTheyWere_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QRect>("placed");
    QTest::addColumn<bool>("onScreen");
    for (const char* name : {"frmMain", "frmChart1", "frmAFRTable", "frmTuningWorkbench"}) {
        QTest::addRow("%s", name) << QString::fromLatin1(name) << QRect(60, 40, 1000, 680) << true;
        // Left where a second screen used to be, or half below the task bar.
        QTest::addRow("%s off to the right", name)
            << QString::fromLatin1(name) << QRect(2200, 40, 1000, 680) << false;
        QTest::addRow("%s half below", name)
            << QString::fromLatin1(name) << QRect(60, 500, 1000, 680) << false;
    }
}

void tst_windowsizes::windowsComeBackWhereTheyWere() {
    QFETCH(QString, window);
    QFETCH(QRect, placed);
    QFETCH(bool, onScreen);
    fillTestLog(*m_state);
    const QString file = m_dir->filePath(QStringLiteral("placed.ini"));
    auto open = [&](IniSettingsStore& settings) -> std::unique_ptr<QWidget> {
        if (window == QLatin1String("frmMain"))
            return std::make_unique<frmMain>(*m_state, settings, m_prompter, m_clock, *m_module);
        if (window == QLatin1String("frmAFRTable"))
            return std::make_unique<frmAFRTable>(*m_state, settings, m_prompter,
                                                 [](const QString&) {});
        if (window == QLatin1String("frmTuningWorkbench")) {
            auto workbench = std::make_unique<frmTuningWorkbench>(m_state->log, m_prompter);
            workbench->rememberPlacement(settings);
            return workbench;
        }
        auto chart = std::make_unique<frmChart1>(*m_state, m_prompter);
        chart->rememberChoices(settings);
        return chart;
    };
    {
        IniSettingsStore settings(file);
        const std::unique_ptr<QWidget> w = open(settings);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->setGeometry(placed);
        QTRY_COMPARE(w->geometry(), placed);
        w->close();
    }
    // The next run: a fresh store on the same file.
    IniSettingsStore settings(file);
    const std::unique_ptr<QWidget> w = open(settings);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(w->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3").arg(w->x()).arg(w->y()).arg(text(w->size()))));
    if (onScreen)
        QCOMPARE(w->geometry(), placed);
    else
        QCOMPARE(w->size(), placed.size());
}

int main(int argc, char** argv) {
    // The size of a common laptop screen, whatever screen the tests run on.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QERO_TEST_DATA "/laptop-1366x768.json");
    QApplication app(argc, argv);
    tst_windowsizes test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowsizes.moc"
