// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {
const QString kShippedData = QStringLiteral(QERO_SOURCE_DATA);
QString fixture(const char* name) {
    return QStringLiteral(QERO_TEST_DATA "/") + QLatin1String(name);
}
} // namespace

class tst_startup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void splashWithoutConfigurationShowsDefaults();
    void splashItalicAndNullLogo();
    void splashMissingLogoIsReported();
    void splashClosesItself();
    void splashTimeIsNeverNegative_data();
    void splashTimeIsNeverNegative();
    void mainWindowCaptionAndMenus();
    void mainWindowLoadClearsBuffers();
    void escapeSetsAbortAndReachesControl();

private:
    void useConfig(const char* fixtureName);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_startup::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    DataFiles::setSearchFolders({m_dir->path(), kShippedData});
}

void tst_startup::cleanup() {
    DataFiles::setSearchFolders({});
}

void tst_startup::useConfig(const char* fixtureName) {
    QVERIFY(QFile::copy(fixture(fixtureName), m_dir->filePath(QStringLiteral("QERO4D_Log.cfg"))));
}

void tst_startup::splashWithoutConfigurationShowsDefaults() {
    AppState s;
    ScriptedPrompter p;
    frmSplash splash(s.settings, p);
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(splash.lblCompanyName->text(), QStringLiteral("Brenwick"));
    QCOMPARE(splash.lblCompanyName->font().family(), QStringLiteral("Arial"));
    QCOMPARE(splash.lblCompanyName->font().pointSizeF(), 28.0);
    QVERIFY(splash.lblCompanyName->font().bold());
    QVERIFY(splash.lblCompanyName->font().italic());
    QVERIFY(!splash.imgLogo->pixmap().isNull());
    QCOMPARE(splash.lblProductName->text(), QStringLiteral("QERO Dual Channel Data Logging"));
    QCOMPARE(splash.lblVersion->text(), QStringLiteral("Version 4.3"));
}

void tst_startup::splashItalicAndNullLogo() {
    useConfig("italic_nulllogo.cfg");
    AppState s;
    ScriptedPrompter p;
    frmSplash splash(s.settings, p);
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(splash.lblCompanyName->text(), QStringLiteral("Acme Racing"));
    QCOMPARE(splash.lblCompanyName->font().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(splash.lblCompanyName->font().pointSizeF(), 20.0);
    QVERIFY(splash.lblCompanyName->font().italic());
    QVERIFY(!splash.lblCompanyName->font().bold());
    QVERIFY(splash.imgLogo->pixmap().isNull());
}

void tst_startup::splashMissingLogoIsReported() {
    useConfig("missing_logo.cfg");
    AppState s;
    ScriptedPrompter p;
    p.answerButton(Prompter::Ignore);
    frmSplash splash(s.settings, p);
    QCOMPARE(p.boxes().size(), 1);
    QCOMPARE(p.boxes().first().title, QStringLiteral("Error"));
    QVERIFY(p.boxes().first().text.contains(QLatin1String("no_such_logo.gif")));
    QVERIFY(splash.imgLogo->pixmap().isNull());
    QCOMPARE(splash.lblCompanyName->text(), QStringLiteral("Acme"));
}

void tst_startup::splashClosesItself() {
    AppState s;
    ScriptedPrompter p;
    frmSplash splash(s.settings, p, 20);
    QCOMPARE(splash.tmrSplashUnload->interval(), 20);
    QTimer::singleShot(10000, &splash, &QDialog::reject); // never hang the suite
    QCOMPARE(splash.showAndWait(), int(QDialog::Accepted));
    QVERIFY(splash.isHidden());
    QCOMPARE(frmSplash(s.settings, p).tmrSplashUnload->interval(), 4000);
}

void tst_startup::splashTimeIsNeverNegative_data() {
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("interval");
    QTest::newRow("-5") << -5 << 0;
    QTest::newRow("most negative") << std::numeric_limits<int>::min() << 0;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("20") << 20 << 20;
}

// A stopped timer would keep the splash up and the main window away for good.
void tst_startup::splashTimeIsNeverNegative() {
    QFETCH(int, given);
    QFETCH(int, interval);
    AppState s;
    ScriptedPrompter p;
    frmSplash splash(s.settings, p, given);
    QCOMPARE(splash.tmrSplashUnload->interval(), interval);
    QTimer::singleShot(10000, &splash, &QDialog::reject); // never hang the suite
    QCOMPARE(splash.showAndWait(), int(QDialog::Accepted));
}

void tst_startup::mainWindowCaptionAndMenus() {
    AppState s;
    ScriptedPrompter p;
    { frmSplash splash(s.settings, p); }
    IniSettingsStore store(m_dir->filePath(QStringLiteral("s.ini")));
    VirtualClock clock;
    ModuleSession module(s, clock, p, std::make_unique<QSerialPortLink>());
    frmMain w(s, store, p, clock, module);
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Brenwick QERO Dual Channel Data Logging Program Version 4.3"));

    struct Expect {
        QMenu* menu;
        QString title;
        QStringList entries;
    };
    const Expect menus[] = {
        {w.mnuFile,
         "&File",
         {"&Open File", "&Save File", "&Recent Files", "Recent &Downloads", "", "Print Set&up", "",
          "E&xit"}},
        {w.mnuEdit,
         "&Edit",
         {"&QERO Parameters", "Maximum &RPM", "&Analog Input Scaling", "&Fuel Type", "&Comment"}},
        {w.mnuView,
         "&View",
         {"View &Real Time Data", "View &Chart (Downloaded Data)",
          "View &AFR Table (Downloaded Data)", "&Tuning Workbench",
          "&Log Viewer (Downloaded Data)"}},
        {w.mnuCommunications,
         "&Communications",
         {"&Download Data From QERO", "&Clear QERO Data Buffer", "&Port Setup",
          "&Verify Download"}},
        {w.mnuHelp, "&Help", {"&Contents", "&About"}},
    };
    const QList<QAction*> bar = w.menuBar()->actions();
    QCOMPARE(bar.size(), 5);
    for (int m = 0; m < 5; ++m) {
        QCOMPARE(bar[m]->text(), menus[m].title);
        QStringList captions;
        for (QAction* a : menus[m].menu->actions())
            captions << a->text();
        QCOMPARE(captions, menus[m].entries);
    }
    QVERIFY(w.mnuExit->isEnabled());
    QCOMPARE(w.mnuDownload->objectName(), QStringLiteral("mnuDownload"));

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.mnuExit->trigger();
    QVERIFY(!w.isVisible());
}

void tst_startup::mainWindowLoadClearsBuffers() {
    AppState s;
    s.settings.ConfigList2 = QStringList{QStringLiteral("Acme")};
    s.fram.FRAMBuffer.fill(7);
    s.log.DataBufferEmpty = false;
    s.log.AFR1.fill(13.0f);
    s.log.Comment = QStringLiteral("old");
    s.window.RealTimeActive = true;
    s.window.AbortRequested = true;
    ScriptedPrompter p;
    IniSettingsStore store(m_dir->filePath(QStringLiteral("s.ini")));
    store.setValue(QStringLiteral("StoichRatio"), QStringLiteral("1"));
    VirtualClock clock;
    ModuleSession module(s, clock, p, std::make_unique<QSerialPortLink>());
    frmMain w(s, store, p, clock, module);
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Acme QERO Dual Channel Data Logging Program Version 4.3"));
    QVERIFY(s.log.DataBufferEmpty);
    QCOMPARE(s.log.AFR1[0], 10.0f);
    QVERIFY(s.log.Comment.isEmpty());
    QCOMPARE(s.fram.FRAMBuffer[100], quint8(0));
    QVERIFY(!s.window.RealTimeActive);
    QVERIFY(!s.window.AbortRequested);
    QCOMPARE(s.settings.AFRFormat, QStringLiteral("#0.000"));
    QVERIFY(w.fraProgress1->isHidden());
    w.setCaptionSuffix(QStringLiteral("Data Buffer Empty"));
    QCOMPARE(
        w.windowTitle(),
        QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3 - Data Buffer Empty"));
}

void tst_startup::escapeSetsAbortAndReachesControl() {
    AppState s;
    ScriptedPrompter p;
    IniSettingsStore store(m_dir->filePath(QStringLiteral("s.ini")));
    VirtualClock clock;
    ModuleSession module(s, clock, p, std::make_unique<QSerialPortLink>());
    frmMain w(s, store, p, clock, module);
    auto* edit = new QLineEdit(w.centralWidget());
    bool editSawEscape = false;
    struct Spy : QObject {
        bool* seen;
        explicit Spy(bool* s) : seen(s) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                *seen = true;
            return false;
        }
    } spy(&editSawEscape);
    edit->installEventFilter(&spy);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!s.window.AbortRequested);
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(s.window.AbortRequested);
    QVERIFY(editSawEscape);
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(edit->text(), QStringLiteral("a"));
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
