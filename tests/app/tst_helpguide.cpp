// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/frmAFRTable.h"
#include "app/frmMain.h"
#include "chart/frmChart1.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "logdata/frmAnalogInScale.h"
#include "logdata/frmFuelType.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/TextFile.h"
#include "support/VirtualClock.h"
#include "workbench/frmTuningWorkbench.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

// The guide as a reader sees it: tags gone, entities decoded, runs of white space as one.
QString guideText() {
    QFile f(QStringLiteral(QERO_SOURCE_DATA "/QERO4D_Log_Help.html"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    return doc.toPlainText().simplified();
}

QString caption(QString text) {
    text.remove(u'&');
    return text.simplified();
}

// Every caption a user clicks on: menu entries, buttons, options, check boxes, frames.
QStringList captionsOf(const QWidget& window) {
    QStringList out;
    for (const QAction* a : window.findChildren<QAction*>())
        if (!a->isSeparator() && !a->text().isEmpty())
            out << caption(a->text());
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (!b->text().isEmpty())
            out << caption(b->text());
    for (const QGroupBox* g : window.findChildren<QGroupBox*>())
        if (!g->title().isEmpty())
            out << caption(g->title());
    out.removeDuplicates();
    return out;
}

// Captions too general to be worth a mention of their own in the guide.
const QStringList kGeneric = {QStringLiteral("OK"), QStringLiteral("Cancel"),
                              QStringLiteral("Close"), QStringLiteral("Exit")};

} // namespace

// The user guide keeps up with the windows: every caption a user can click appears in it,
// so nobody reads about a button that was renamed or misses one that was added.
class tst_helpguide : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyCaptionIsInTheGuide_data();
    void everyCaptionIsInTheGuide();
};

void tst_helpguide::everyCaptionIsInTheGuide_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("main window") << QStringLiteral("main");
    QTest::newRow("chart") << QStringLiteral("chart");
    QTest::newRow("AFR table") << QStringLiteral("afrtable");
    QTest::newRow("analog input scaling") << QStringLiteral("scaling");
    QTest::newRow("fuel type") << QStringLiteral("fuel");
    QTest::newRow("tuning workbench") << QStringLiteral("workbench");
}

void tst_helpguide::everyCaptionIsInTheGuide() {
    QFETCH(QString, window);
    const QString guide = guideText();
    QVERIFY2(!guide.isEmpty(), "the guide could not be read");

    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    AppState state;
    ScriptedPrompter prompter;
    VirtualClock clock;
    std::unique_ptr<ModuleSession> module;
    std::unique_ptr<QWidget> w;
    if (window == QLatin1String("main")) {
        module = std::make_unique<ModuleSession>(state, clock, prompter,
                                                 std::make_unique<QSerialPortLink>());
        auto main = std::make_unique<frmMain>(state, store, prompter, clock, *module);
        main->tmrStateMachine->stop();
        main->tmrDataRead->stop();
        w = std::move(main);
    } else if (window == QLatin1String("chart")) {
        w = std::make_unique<frmChart1>(state, prompter);
    } else if (window == QLatin1String("afrtable")) {
        w = std::make_unique<frmAFRTable>(state, store, prompter, [](const QString&) {});
    } else if (window == QLatin1String("scaling")) {
        w = std::make_unique<frmAnalogInScale>(state.log, prompter, store);
    } else if (window == QLatin1String("workbench")) {
        w = std::make_unique<frmTuningWorkbench>(state.log, prompter);
    } else {
        w = std::make_unique<frmFuelType>(state.log, state.settings, prompter, store);
    }

    QStringList missing;
    for (const QString& c : captionsOf(*w))
        if (!kGeneric.contains(c) && !guide.contains(c, Qt::CaseSensitive))
            missing << c;
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in the guide: ") +
                                           missing.join(QStringLiteral(" | "))));
}

QTEST_MAIN(tst_helpguide)
#include "tst_helpguide.moc"
