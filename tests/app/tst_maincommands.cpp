// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutText.h"
#include "app/CurrentPrinter.h"
#include "app/HelpFile.h"
#include "app/frmHelp.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/SafeWrite.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

namespace {
const QString kShippedData = QStringLiteral(QERO_SOURCE_DATA);
}

// Help > About, Edit > Comment, Help > Contents, File > Print Setup and the printer that
// printouts go to.
class tst_maincommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void aboutWithoutConfigurationFile();
    void aboutWithMakersLines();
    void commentEditAndCancel();
    void smallCommandsLeaveRealTimeViewRunning();
    void missingHelpFileIsReported();
    void helpShownByTheProgram();
    void ownViewerChoice_data();
    void ownViewerChoice();
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();
    void pdfInPlaceOfPrinterKeepsOldFileWhenDiskFull();
    void printerChosenInSetupIsKept();
    void pdfChosenInSetupIsWhatPrintUses_data();
    void pdfChosenInSetupIsWhatPrintUses();
    void printSetupDialogCancelled();

private:
    std::unique_ptr<frmMain> makeMain(AppState& s, ScriptedPrompter& p);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettingsStore> m_store;
    VirtualClock m_clock;
    std::vector<std::unique_ptr<ModuleSession>> m_modules;
};

void tst_maincommands::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    DataFiles::setSearchFolders({m_dir->path(), kShippedData});
}

void tst_maincommands::cleanup() {
    DataFiles::setSearchFolders({});
    QApplication::closeAllWindows();
}

std::unique_ptr<frmMain> tst_maincommands::makeMain(AppState& s, ScriptedPrompter& p) {
    { frmSplash splash(s.settings, p); } // reads the configuration file, as at start-up
    // Kept for the whole run: a window of an earlier case may still hold its session.
    m_modules.push_back(
        std::make_unique<ModuleSession>(s, m_clock, p, std::make_unique<QSerialPortLink>()));
    auto w = std::make_unique<frmMain>(s, *m_store, p, m_clock, *m_modules.back());
    w->tmrStateMachine->stop();
    w->tmrDataRead->stop();
    p.clear();
    return w;
}

void tst_maincommands::aboutWithoutConfigurationFile() {
    AppState s;
    ScriptedPrompter p;
    auto w = makeMain(s, p);
    QVERIFY(w->mnuAbout->isEnabled());
    w->mnuAbout->trigger();
    QCOMPARE(p.boxes().size(), 1);
    const ScriptedPrompter::Box box = p.boxes().first();
    QCOMPARE(box.title, QStringLiteral("About"));
    QCOMPARE(box.icon, Prompter::Icon::Information);
    QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Ok));
    QVERIFY(box.text.startsWith(
        QStringLiteral("Brenwick QERO Dual Channel Data Logging Program Revision 4.30\n")));
    // The notice line, an empty line, then every contact line with its line break.
    const QStringList lines = box.text.split(u'\n');
    QCOMPARE(lines.size(), 9);
    QVERIFY(!lines[1].isEmpty());
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines.mid(3),
             (QStringList{"Brenwick Engineering Inc.", "2210 Industrial Parkway, Suite 4",
                          "Kelowna, BC  V1X 7K6  Canada", "Phone: (250) 555-0142",
                          "www.brenwick.com", ""}));
}

void tst_maincommands::aboutWithMakersLines() {
    // Only the label: the text ends after the empty line.
    QCOMPARE(AboutText::build({QStringLiteral("Acme")}).section(u'\n', 2), QStringLiteral("\n"));
    const QString text = AboutText::build(
        {QStringLiteral("Acme"), QStringLiteral("Acme Racing Ltd."), QStringLiteral("1 Pit Lane")});
    QVERIFY(text.startsWith(
        QStringLiteral("Acme QERO Dual Channel Data Logging Program Revision 4.30\n")));
    QVERIFY(text.endsWith(QStringLiteral("\n\nAcme Racing Ltd.\n1 Pit Lane\n")));
    QVERIFY(!text.contains(QStringLiteral("Brenwick")));
}

void tst_maincommands::commentEditAndCancel() {
    AppState s;
    ScriptedPrompter p;
    auto w = makeMain(s, p);
    QVERIFY(w->mnuEditComment->isEnabled());
    s.log.Comment = QStringLiteral("Dyno run 3");
    p.answerInput(QStringLiteral("Dyno run 4, new plugs"));
    w->mnuEditComment->trigger();
    QCOMPARE(s.log.Comment, QStringLiteral("Dyno run 4, new plugs"));
    const ScriptedPrompter::Box box = p.boxes().first();
    QCOMPARE(box.kind, ScriptedPrompter::Box::Input);
    QCOMPARE(box.text, QStringLiteral("Enter or edit comment. Cancel will erase any comment."));
    QCOMPARE(box.title, QStringLiteral("Optional Information Entry/Edit"));
    QCOMPARE(box.defaultText, QStringLiteral("Dyno run 3"));

    p.answerInput(std::nullopt);
    w->mnuEditComment->trigger();
    QVERIFY(s.log.Comment.isEmpty());
    QCOMPARE(p.boxes().last().defaultText, QStringLiteral("Dyno run 4, new plugs"));
}

void tst_maincommands::smallCommandsLeaveRealTimeViewRunning() {
    AppState s;
    ScriptedPrompter p;
    auto w = makeMain(s, p);
    s.window.RealTimeActive = true;
    w->mnuAbout->trigger();
    p.answerInput(QStringLiteral("x"));
    w->mnuEditComment->trigger();
    w->mnuHelpContents->trigger();
    QVERIFY(s.window.RealTimeActive);
}

void tst_maincommands::missingHelpFileIsReported() {
    DataFiles::setSearchFolders({m_dir->path()});
    AppState s;
    ScriptedPrompter p;
    auto w = makeMain(s, p);
    w->mnuHelpContents->trigger();
    QCOMPARE(p.boxes().size(), 1);
    const ScriptedPrompter::Box box = p.boxes().first();
    QCOMPARE(box.title, QStringLiteral("Help"));
    QCOMPARE(box.icon, Prompter::Icon::Exclamation);
    QVERIFY(box.text.contains(QStringLiteral("QERO4D_Log_Help.html was not found")));
    QVERIFY(box.text.contains(QDir::toNativeSeparators(m_dir->path())));
    QVERIFY(!box.text.contains(kShippedData));
    QVERIFY(!w->helpWindow());
}

void tst_maincommands::helpShownByTheProgram() {
    AppState s;
    ScriptedPrompter p;
    auto w = makeMain(s, p);
    QVERIFY(w->mnuHelpContents->isEnabled());
    w->mnuHelpContents->trigger();
    QVERIFY(p.boxes().isEmpty());
    frmHelp* help = w->helpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->txtHelp->source(),
             QUrl::fromLocalFile(kShippedData + QStringLiteral("/QERO4D_Log_Help.html")));
    QVERIFY(help->txtHelp->toPlainText().contains(QStringLiteral("Print Setup")));
    // A second Contents brings the same window forward instead of opening another one.
    w->mnuHelpContents->trigger();
    QCOMPARE(w->helpWindow(), help);
}

void tst_maincommands::ownViewerChoice_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<bool>("own");
    QTest::newRow("offscreen") << "offscreen"
                               << "GNOME" << true;
    QTest::newRow("minimal") << "minimal"
                             << "" << true;
    QTest::newRow("X without desktop (xvfb)") << "xcb"
                                              << "" << true;
    QTest::newRow("X desktop") << "xcb"
                               << "KDE" << false;
    QTest::newRow("Wayland desktop") << "wayland"
                                     << "GNOME" << false;
    QTest::newRow("Windows") << "windows"
                             << "" << false;
    QTest::newRow("macOS") << "cocoa"
                           << "" << false;
}

void tst_maincommands::ownViewerChoice() {
    QFETCH(QString, platform);
    QFETCH(QString, desktop);
    QFETCH(bool, own);
    QProcessEnvironment env;
    if (!desktop.isEmpty())
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), desktop);
    QCOMPARE(HelpFile::useOwnViewer(platform, env), own);
}

void tst_maincommands::noPrinterOffersPdf_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected"); // empty: nothing printed
    QTest::newRow("declined") << false << ""
                              << "";
    QTest::newRow("no file chosen") << true << ""
                                    << "";
    QTest::newRow("file") << true << "page.pdf"
                          << "page.pdf";
    QTest::newRow("extension added") << true << "page"
                                     << "page.pdf";
}

void tst_maincommands::noPrinterOffersPdf() {
    QFETCH(bool, accept);
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    ScriptedPrompter p;
    CurrentPrinter printer(p);
    printer.setPrinterList([] { return QStringList(); });
    p.answerButton(accept ? Prompter::Yes : Prompter::No);
    if (accept)
        p.answerFile(fileName.isEmpty() ? QString() : m_dir->filePath(fileName));

    std::unique_ptr<QPagedPaintDevice> device = printer.open();
    const ScriptedPrompter::Box box = p.boxes().first();
    QCOMPARE(box.title, QStringLiteral("Print"));
    QVERIFY(box.text.startsWith(QStringLiteral("There is no printer installed")));
    QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Yes | Prompter::No));
    QCOMPARE(p.pendingAnswers(), 0);
    if (expected.isEmpty()) {
        QVERIFY(!device);
        return;
    }
    QVERIFY(device);
    QVERIFY(!QFileInfo::exists(m_dir->filePath(expected)));
    {
        QPainter painter(device.get());
        painter.drawText(100, 100, QStringLiteral("AFR"));
    }
    // The file is written once the printout is done with its device.
    device.reset();
    QCOMPARE(p.messages().size(), 1);
    QFile pdf(m_dir->filePath(expected));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
}

void tst_maincommands::pdfInPlaceOfPrinterKeepsOldFileWhenDiskFull() {
    const QString path = m_dir->filePath(QStringLiteral("old.pdf"));
    const QByteArray old = "%PDF-1.4 an older page";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    ScriptedPrompter p;
    CurrentPrinter printer(p);
    printer.setPrinterList([] { return QStringList(); });
    p.answerButton(Prompter::Yes);
    p.answerFile(path);
    std::unique_ptr<QPagedPaintDevice> device = printer.open();
    QVERIFY(device);
    {
        QPainter painter(device.get());
        painter.drawText(100, 100, QStringLiteral("AFR"));
    }
    SafeWrite::setSpaceLimitForTesting(100);
    device.reset();
    SafeWrite::setSpaceLimitForTesting(-1);
    QCOMPARE(p.messages().size(), 2);
    const ScriptedPrompter::Box report = p.messages().last();
    QCOMPARE(report.title, QStringLiteral("Print"));
    QCOMPARE(report.icon, Prompter::Icon::Critical);
    QVERIFY2(report.text.contains(path) && report.text.contains(qt_error_string(ENOSPC)),
             qPrintable(report.text));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
}

void tst_maincommands::printerChosenInSetupIsKept() {
    ScriptedPrompter p;
    CurrentPrinter printer(p);
    printer.setPrinterList([] { return QStringList{QStringLiteral("Office")}; });
    QPrinter chosen;
    chosen.setPageOrientation(QPageLayout::Landscape);
    chosen.setPageSize(QPageSize(QPageSize::A5));
    printer.remember(chosen);
    const std::unique_ptr<QPagedPaintDevice> device = printer.open();
    QVERIFY(device);
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(device->pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(device->pageLayout().pageSize().id(), QPageSize::A5);
    // Each printout gets its own device.
    QVERIFY(printer.open().get() != device.get());
}

void tst_maincommands::pdfChosenInSetupIsWhatPrintUses_data() {
    QTest::addColumn<QStringList>("printers");
    QTest::newRow("no printer installed") << QStringList();
    QTest::newRow("beside a printer") << QStringList{QStringLiteral("Office")};
}

void tst_maincommands::pdfChosenInSetupIsWhatPrintUses() {
    QFETCH(QStringList, printers);
    QTemporaryDir dir;
    ScriptedPrompter p;
    CurrentPrinter printer(p);
    printer.setPrinterList([printers] { return printers; });
    // Print Setup left on "Print to File (PDF)", naming a file in `dir`.
    QPrinter chosen;
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setOutputFileName(dir.filePath(QStringLiteral("setup.pdf")));
    printer.remember(chosen);
    QVERIFY(printer.printsToPdf());
    // The set-up dialog opens on it again.
    QPrinter again;
    printer.configure(again);
    QCOMPARE(again.outputFormat(), QPrinter::PdfFormat);

    // Print: no "no printer" question, the PDF file dialog at once, in that folder.
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    p.answerFile(path);
    std::unique_ptr<QPagedPaintDevice> device = printer.open();
    QVERIFY(device);
    QVERIFY(p.messages().isEmpty());
    QCOMPARE(p.boxes().size(), 1);
    QCOMPARE(p.boxes().first().kind, ScriptedPrompter::Box::SaveFile);
    QCOMPARE(p.boxes().first().folder, dir.path());
    {
        QPainter painter(device.get());
        painter.drawText(100, 100, QStringLiteral("AFR"));
    }
    device.reset();
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("%PDF"));

    // A printer chosen again ends it.
    QPrinter office;
    office.setOutputFormat(QPrinter::NativeFormat);
    printer.remember(office);
    QVERIFY(!printer.printsToPdf());
}

void tst_maincommands::printSetupDialogCancelled() {
    AppState s;
    ScriptedPrompter p;
    auto w = makeMain(s, p);
    QVERIFY(w->mnuPrintSetup->isEnabled());
    QString title;
    QTimer poll;
    int ticks = 0;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
            title = dialog->windowTitle();
            dialog->reject();
        } else if (modal && ++ticks > 200) { // never hang the suite
            modal->close();
        }
    });
    poll.start(20);
    w->mnuPrintSetup->trigger();
    poll.stop();
    QCOMPARE(title, QStringLiteral("Printer Setup"));
    QVERIFY(p.boxes().isEmpty());
    QVERIFY(w->printer().printerName().isEmpty());
}

QTEST_MAIN(tst_maincommands)
#include "tst_maincommands.moc"
