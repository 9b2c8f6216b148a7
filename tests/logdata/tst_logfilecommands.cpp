// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFixtures.h"

#include "logdata/LogFileCommands.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"
#include "support/FileChooser.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace LogFixtures;
using Outcome = LogFileCommands::Outcome;
using Box = ScriptedPrompter::Box;

class tst_logfilecommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void openAsksBeforeOverwriting();
    void openCancelledDialogLeavesBuffer();
    void openLoadsFile();
    void openLongFileName();
    void openNoDataFound();
    void openShortFileStillLoads();
    void openMissingFile();
    void openUnreadableFileKeepsBuffer();

    void saveRefusesEmptyBuffer();
    void saveWritesFileAndAsksComment();
    void saveOverwriteQuestion();
    void saveCommentCannotForgeOtherLines();
    void saveSingleSpaceCommentAsksAgain();
    void saveCancelledByEscapeKeepsOldFile();
    void saveFailingHalfWayKeepsOldFile();
    void saveToMissingFolderIsReported();
    void saveWritesTheLogAsItWasWhenItBegan();

    void saveAddsTheLogExtension_data();
    void saveAddsTheLogExtension();
    void filterExtension_data();
    void filterExtension();
    void openAndSaveStartInTheFolderUsedLast();
    void startFolderAlwaysExists();

    void captionFileName_data();
    void captionFileName();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<LogFileCommands> commands();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettingsStore> m_settings;
    AppState m_state;
    ScriptedPrompter m_prompter;
    VirtualClock m_clock;
    QStringList m_captions;
    int m_charts = 0;
    int m_realTimeClosed = 0;
};

void tst_logfilecommands::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    m_state = AppState();
    m_state.settings.ConfigList2 = QStringList{QStringLiteral("Brenwick")};
    m_state.log.ClearDataBuffer();
    m_prompter = ScriptedPrompter();
    m_captions.clear();
    m_charts = 0;
    m_realTimeClosed = 0;
}

void tst_logfilecommands::cleanup() {
    m_dir.reset();
}

std::unique_ptr<LogFileCommands> tst_logfilecommands::commands() {
    auto c = std::make_unique<LogFileCommands>(m_state, m_prompter, *m_settings, m_clock);
    c->closeRealTimeView = [this] { ++m_realTimeClosed; };
    c->setCaptionSuffix = [this](const QString& s) { m_captions.append(s); };
    c->showChart = [this] { ++m_charts; };
    return c;
}

void tst_logfilecommands::openAsksBeforeOverwriting() {
    m_state.log = realisticLog();
    QVERIFY(writeFile(path(QStringLiteral("a.log")), complete()));
    m_prompter.answerButton(Prompter::Cancel);
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Cancelled);
    QCOMPARE(m_realTimeClosed, 1);
    QCOMPARE(m_prompter.boxes().size(), 1);
    const Box b = m_prompter.boxes().first();
    QCOMPARE(b.text, QStringLiteral("Data buffer not empty. OK to overwrite?"));
    QCOMPARE(b.title, QStringLiteral("Open Log File"));
    QCOMPARE(b.icon, Prompter::Icon::None);
    QCOMPARE(b.buttons, Prompter::Ok | Prompter::Cancel);
    QCOMPARE(m_state.log.Comment, realisticLog().Comment);

    m_prompter.clear();
    m_prompter.answerButton(Prompter::Ok);
    m_prompter.answerFile(path(QStringLiteral("a.log")));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    QCOMPARE(m_state.log.Comment, QStringLiteral("dyno pull"));
    // The file's RPM starts at 1001: nothing of the old log is left where the file has rows.
    QCOMPARE(m_state.log.RPM[0], 1001.0f);
}

void tst_logfilecommands::openCancelledDialogLeavesBuffer() {
    m_state.log = realisticLog();
    m_prompter.answerButton(Prompter::Ok);
    m_prompter.answerFile(QString());
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Cancelled);
    QVERIFY(!m_state.log.DataBufferEmpty);
    QVERIFY(m_state.log.AFR1 == realisticLog().AFR1);
    QCOMPARE(m_state.log.Comment, realisticLog().Comment);
    QVERIFY(m_captions.isEmpty());
}

void tst_logfilecommands::openLoadsFile() {
    QVERIFY(writeFile(path(QStringLiteral("run 1.log")), complete()));
    m_state.window.AddedFileLoaded = true;
    m_state.log.AnalogInputType = QStringLiteral("MAP2BAR");
    m_prompter.answerFile(path(QStringLiteral("run 1.log")));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);

    QCOMPARE(m_prompter.boxes().size(), 1); // only the file dialog
    const Box dialog = m_prompter.boxes().first();
    QCOMPARE(dialog.kind, Box::OpenFile);
    QCOMPARE(dialog.title, QStringLiteral("Open File"));
    // Every log the program reads first, the module's own files under their name next, a
    // filter per other format, and every file last.
    QVERIFY2(dialog.text.startsWith(QStringLiteral("All supported files (*.log *.csv")),
             qPrintable(dialog.text));
    QVERIFY(dialog.text.contains(QStringLiteral("|QERO4D log files (*.log)|*.log|")));
    QVERIFY(dialog.text.contains(QStringLiteral("|QERO4D Log recording (*.csv)|*.csv|")));
    QVERIFY(dialog.text.endsWith(QStringLiteral("|All files (*)|*")));

    const LogBuffer& log = m_state.log;
    QVERIFY(!log.DataBufferEmpty);
    QCOMPARE(log.FuelType, QStringLiteral("E85"));
    QCOMPARE(m_state.settings.AFRFormat, QStringLiteral("#0.00"));
    QVERIFY(!m_state.window.AddedFileLoaded);
    QCOMPARE(m_captions, QStringList{QStringLiteral("run 1.log")});
    QCOMPARE(log.AnalogInputType, QStringLiteral("USER"));
    QCOMPARE(m_settings->value(QStringLiteral("AnalogInputType")), QStringLiteral("USER"));
    // The header values are the log's own, not settings.
    QVERIFY(!m_settings->value(QStringLiteral("MinInVolts")));
    QVERIFY(!m_settings->value(QStringLiteral("FuelType")));
    QCOMPARE(m_charts, 1);
}

void tst_logfilecommands::openLongFileName() {
    const QString name = QString(70, u'x') + QStringLiteral(".log");
    QVERIFY(writeFile(path(name), complete()));
    m_prompter.answerFile(path(name));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    QCOMPARE(m_captions, QStringList{QStringLiteral("...") + name.right(60)});
    QCOMPARE(m_captions.first().size(), 63);
}

void tst_logfilecommands::openNoDataFound() {
    m_prompter.answerFile(QStringLiteral(QERO_TEST_DATA "/ends_in_header.log"));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Failed);
    const QList<Box> boxes = m_prompter.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, QStringLiteral("Error - reached premature end-of-file. No data found"));
    QCOMPARE(boxes[0].title, QStringLiteral("Open Log File"));
    QCOMPARE(boxes[0].icon, Prompter::Icon::Exclamation);
    QCOMPARE(boxes[0].buttons, Prompter::Buttons(Prompter::Ok));
    QVERIFY(m_state.log.DataBufferEmpty);
    // The file was read into a buffer of its own: none of its lines reached the log.
    QCOMPARE(m_state.log.DataLogInterval, 0.1f);
    QVERIFY(m_captions.isEmpty());
    QVERIFY(!m_settings->value(QStringLiteral("AnalogInputType")));
    QCOMPARE(m_charts, 0);
}

void tst_logfilecommands::openShortFileStillLoads() {
    QVERIFY(writeFile(path(QStringLiteral("short.log")), header() + rows(100)));
    m_state.log.StoichRatio = 1.0f;
    m_prompter.answerFile(path(QStringLiteral("short.log")));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    QCOMPARE(m_prompter.messageTexts(),
             QStringList{QStringLiteral(
                 "Error - reached premature end-of-file. Some data may be missing or corrupted")});
    QVERIFY(!m_state.log.DataBufferEmpty);
    QCOMPARE(m_state.settings.AFRFormat, QStringLiteral("#0.000")); // the ratio was never read
    QCOMPARE(m_captions, QStringList{QStringLiteral("short.log")});
    QCOMPARE(m_charts, 1);
}

void tst_logfilecommands::openMissingFile() {
    const QString missing = path(QStringLiteral("gone.log"));
    QVERIFY(writeFile(path(QStringLiteral("here.log")), complete()));
    // Retry, then a file that exists.
    m_prompter.answerFile(missing);
    m_prompter.answerButton(Prompter::Retry);
    m_prompter.answerFile(path(QStringLiteral("here.log")));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    const Box notFound = m_prompter.messages().first();
    QCOMPARE(notFound.text, missing + QStringLiteral("\nFile not found."));
    QCOMPARE(notFound.title, QStringLiteral("File Open"));
    QCOMPARE(notFound.icon, Prompter::Icon::Exclamation);
    QCOMPARE(notFound.buttons, Prompter::Retry | Prompter::Cancel);

    // Cancel ends the helper with an error that the command reports.
    init();
    m_prompter.answerFile(missing);
    m_prompter.answerButton(Prompter::Cancel);
    m_prompter.answerButton(Prompter::Abort);
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Cancelled);
    const QList<Box> boxes = m_prompter.messages();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[1].text, QStringLiteral("Canceled File Open"));
    QCOMPARE(boxes[1].title, QStringLiteral("Error"));
    QCOMPARE(boxes[1].icon, Prompter::Icon::Critical);
    QVERIFY(m_state.log.DataBufferEmpty);

    // With a message: Yes, No and Cancel; Yes takes the name as it is.
    ScriptedPrompter p;
    p.answerFile(missing);
    p.answerButton(Prompter::Yes);
    QCOMPARE(FileChooser::FileOpen(p, QStringLiteral("T"), QString(), QStringLiteral("Use it?")),
             missing);
    QCOMPARE(p.messages().first().text, missing + QStringLiteral("\nFile not found.\n\nUse it?"));
    QCOMPARE(p.messages().first().buttons, Prompter::Yes | Prompter::No | Prompter::Cancel);
    QCOMPARE(p.boxes().first().text, QStringLiteral("All Files (*.*)|*.*"));
}

void tst_logfilecommands::openUnreadableFileKeepsBuffer() {
    m_state.log = realisticLog();
    const QString folder = path(QStringLiteral("folder.log"));
    QVERIFY(QDir().mkdir(folder)); // exists, but is no file that can be read
    m_prompter.answerButton(Prompter::Ok);
    m_prompter.answerFile(folder);
    m_prompter.answerButton(Prompter::Retry);
    // A folder is not a file: the chooser reports it missing; Retry asks again and the
    // script then cancels the dialog.
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Cancelled);
    QVERIFY(!m_state.log.DataBufferEmpty);

    // Reading itself failing is reported with the system's reason and changes nothing.
    m_prompter = ScriptedPrompter();
    m_prompter.answerButton(Prompter::Abort);
    QCOMPARE(commands()->openLog(folder), Outcome::Failed);
    const Box report = m_prompter.messages().first();
    QCOMPARE(report.title, QStringLiteral("Error"));
    QVERIFY2(report.text.contains(folder), qPrintable(report.text));
    QVERIFY(m_state.log.AFR1 == realisticLog().AFR1);
    QVERIFY(!m_state.log.DataBufferEmpty);
}

void tst_logfilecommands::saveRefusesEmptyBuffer() {
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Cancelled);
    QCOMPARE(m_realTimeClosed, 1);
    QCOMPARE(m_prompter.boxes().size(), 1);
    const Box b = m_prompter.boxes().first();
    QCOMPARE(b.text, QStringLiteral("Data buffer empty."));
    QCOMPARE(b.title, QStringLiteral("Save Log File"));
    QCOMPARE(b.icon, Prompter::Icon::Exclamation);
    QCOMPARE(b.buttons, Prompter::Buttons(Prompter::Ok));
}

void tst_logfilecommands::saveWritesFileAndAsksComment() {
    m_state.log = realisticLog();
    m_state.log.Comment.clear();
    const QString target = path(QStringLiteral("new.log"));
    m_prompter.answerFile(target);
    m_prompter.answerInput(QStringLiteral("second gear pull"));
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);

    const QList<Box> boxes = m_prompter.boxes();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].kind, Box::SaveFile);
    QCOMPARE(boxes[0].title, QStringLiteral("Save File"));
    QCOMPARE(boxes[0].text, QStringLiteral("QERO4D log files (*.log)|*.log"));
    QCOMPARE(boxes[1].kind, Box::Input);
    QCOMPARE(boxes[1].text, QStringLiteral("Comment?"));
    QCOMPARE(boxes[1].title, QStringLiteral("Optional Information Entry"));

    QCOMPARE(m_state.log.Comment, QStringLiteral("second gear pull"));
    QCOMPARE(readFile(target), LogFileWriter::whole(m_state.log, QStringLiteral("Brenwick")));
    QCOMPARE(m_captions, QStringList{QStringLiteral("new.log")});
    QVERIFY(!m_state.log.DataBufferEmpty);
    QVERIFY(!m_settings->value(QStringLiteral("AnalogInputType")));
    // The save lets events run after every row.
    QVERIFY(m_clock.processEventsCalls() >= LogBuffer::kSamples);
    QCOMPARE(QDir(m_dir->path()).entryList({"*.log*"}, QDir::Files), QStringList{"new.log"});
}

void tst_logfilecommands::saveCommentCannotForgeOtherLines() {
    m_state.log = realisticLog();
    m_state.log.Comment.clear();
    const QString target = path(QStringLiteral("forged.log"));
    m_prompter.answerFile(target);
    m_prompter.answerInput(QStringLiteral("x\"\r\n\"Fuel Type\",\"Gasoline"));
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);
    // The log in memory holds the comment as the file does.
    QCOMPARE(m_state.log.Comment, QStringLiteral("x'  'Fuel Type','Gasoline"));
    LogBuffer back;
    const LogFileReader::Result r = LogFileReader::read(readFile(target), back);
    QVERIFY(r.warnings.isEmpty());
    QCOMPARE(back.Comment, m_state.log.Comment);
    QCOMPARE(back.FuelType, QStringLiteral("E85"));
    QCOMPARE(back.StoichRatio, 9.77f);
}

void tst_logfilecommands::saveOverwriteQuestion() {
    m_state.log = realisticLog();
    const QString target = path(QStringLiteral("old.log"));
    QVERIFY(writeFile(target, "previous"));
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::No); // choose again
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Cancel);
    m_prompter.answerButton(Prompter::Abort);
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Cancelled);
    const QList<Box> boxes = m_prompter.messages();
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes[0].text,
             target + QStringLiteral("\nThis file already exists.\n\nReplace existing file?"));
    QCOMPARE(boxes[0].title, QStringLiteral("File Save"));
    QCOMPARE(boxes[0].icon, Prompter::Icon::Exclamation);
    QCOMPARE(boxes[0].buttons, Prompter::Yes | Prompter::No | Prompter::Cancel);
    QCOMPARE(boxes[2].text, QStringLiteral("Canceled File Save"));
    QCOMPARE(boxes[2].title, QStringLiteral("Error"));
    QCOMPARE(readFile(target), QByteArray("previous"));

    m_prompter = ScriptedPrompter();
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Yes);
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);
    QCOMPARE(readFile(target), LogFileWriter::whole(m_state.log, QStringLiteral("Brenwick")));
}

void tst_logfilecommands::saveSingleSpaceCommentAsksAgain() {
    m_state.log = realisticLog();
    m_state.log.Comment.clear();
    const QString target = path(QStringLiteral("c.log"));
    m_prompter.answerFile(target);
    m_prompter.answerInput(std::nullopt); // cancelled: no comment
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);
    QVERIFY(readFile(target).contains("\r\n\"Comment\",\" \"\r\n"));

    m_state.log.ClearDataBuffer();
    m_prompter = ScriptedPrompter();
    m_prompter.answerButton(Prompter::Ok);
    m_prompter.answerFile(target);
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    QCOMPARE(m_state.log.Comment, QString());

    m_prompter = ScriptedPrompter();
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Yes);
    m_prompter.answerInput(QStringLiteral("now with words"));
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);
    QCOMPARE(m_prompter.boxes().last().text, QStringLiteral("Comment?"));
    QVERIFY(readFile(target).contains("\r\n\"Comment\",\"now with words\"\r\n"));
}

void tst_logfilecommands::saveCancelledByEscapeKeepsOldFile() {
    m_state.log = realisticLog();
    const QString target = path(QStringLiteral("keep.log"));
    const QByteArray before = complete();
    QVERIFY(writeFile(target, before));
    m_captions.append(QStringLiteral("before"));

    // Esc arrives while the rows are being written.
    int calls = 0;
    const int hook = m_clock.addEventHook([&] {
        if (++calls == 5000)
            m_state.window.AbortRequested = true;
    });
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Yes);
    m_state.window.AbortRequested = true; // an earlier Esc, e.g. one that closed a dialog
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Cancelled);
    m_clock.removeEventHook(hook);

    QCOMPARE(calls, 5000);
    QVERIFY(!m_state.window.AbortRequested);
    QCOMPARE(readFile(target), before);
    QCOMPARE(m_captions, QStringList{QStringLiteral("before")});
    QCOMPARE(m_prompter.boxes().size(), 2); // no comment asked
    QCOMPARE(QDir(m_dir->path()).entryList({"*.log*"}, QDir::Files), QStringList{"keep.log"});
}

void tst_logfilecommands::saveFailingHalfWayKeepsOldFile() {
#ifdef Q_OS_UNIX
    m_state.log = realisticLog();
    const QString target = path(QStringLiteral("full.log"));
    const QByteArray before = complete();
    QVERIFY(writeFile(target, before));

    // The file size limit stands in for a full disk: writing stops with an error part way
    // through the rows, whoever runs the test.
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Yes);
    m_prompter.answerButton(Prompter::Abort);
    const Outcome outcome = commands()->mnuSaveFile_Click();

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(outcome, Outcome::Failed);
    const Box report = m_prompter.messages().last();
    QCOMPARE(report.title, QStringLiteral("Error"));
    QCOMPARE(report.icon, Prompter::Icon::Critical);
    QCOMPARE(report.buttons, Prompter::Abort | Prompter::Retry | Prompter::Ignore);
    QVERIFY2(report.text.contains(target), qPrintable(report.text));
    QVERIFY2(report.text.contains(QLatin1String("large"), Qt::CaseInsensitive),
             qPrintable(report.text));
    QCOMPARE(readFile(target), before);
    QVERIFY(m_captions.isEmpty());
    QCOMPARE(QDir(m_dir->path()).entryList({"*.log*"}, QDir::Files), QStringList{"full.log"});

    // Retry, once the cause is gone, writes the whole file.
    m_prompter = ScriptedPrompter();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    m_prompter.onBox = [&](const Box& b) {
        if (b.title == QLatin1String("Error"))
            setrlimit(RLIMIT_FSIZE, &old);
    };
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Yes);
    m_prompter.answerButton(Prompter::Retry);
    const Outcome retried = commands()->mnuSaveFile_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(retried, Outcome::Done);
    QCOMPARE(m_prompter.messages().size(), 2);
    QCOMPARE(readFile(target), LogFileWriter::whole(m_state.log, QStringLiteral("Brenwick")));
#else
    QSKIP("needs a file size limit");
#endif
}

void tst_logfilecommands::saveToMissingFolderIsReported() {
    m_state.log = realisticLog();
    const QString target = path(QStringLiteral("no/such/folder/x.log"));
    m_prompter.answerFile(target);
    m_prompter.answerButton(Prompter::Ignore);
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Failed);
    const Box report = m_prompter.messages().last();
    QCOMPARE(report.title, QStringLiteral("Error"));
    QVERIFY2(report.text.startsWith(QStringLiteral("Cannot create ") + target),
             qPrintable(report.text));
    QVERIFY(m_captions.isEmpty());
}

void tst_logfilecommands::saveWritesTheLogAsItWasWhenItBegan() {
    m_state.log = realisticLog();
    const QByteArray expected = LogFileWriter::whole(m_state.log, QStringLiteral("Brenwick"));
    const QString target = path(QStringLiteral("snap.log"));
    auto c = commands();
    int calls = 0;
    Outcome nested = Outcome::Done;
    const int hook = m_clock.addEventHook([&] {
        if (++calls != 3000)
            return;
        // A menu click handled while the save lets events run.
        nested = c->mnuOpenFile_Click();
        m_state.log.ClearDataBuffer();
        m_state.log.RPM.fill(7777.0f);
    });
    m_prompter.answerFile(target);
    QCOMPARE(c->mnuSaveFile_Click(), Outcome::Done);
    m_clock.removeEventHook(hook);
    QCOMPARE(nested, Outcome::Cancelled);
    QCOMPARE(m_prompter.boxes().size(), 1); // the nested open asked nothing
    QCOMPARE(readFile(target), expected);
}

void tst_logfilecommands::saveAddsTheLogExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("alreadyThere");
    QTest::newRow("no extension") << "drive1"
                                  << "drive1.log" << false;
    QTest::newRow("no extension, the .log file exists") << "drive1"
                                                        << "drive1.log" << true;
    QTest::newRow("with .log") << "drive1.log"
                               << "drive1.log" << false;
    QTest::newRow("another extension") << "drive1.txt"
                                       << "drive1.txt" << false;
    QTest::newRow("dot only in the folder") << "run.d/drive1"
                                            << "run.d/drive1.log" << false;
}

void tst_logfilecommands::saveAddsTheLogExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(bool, alreadyThere);
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("run.d")));
    if (alreadyThere)
        QVERIFY(writeFile(path(written), complete()));
    m_state.log = realisticLog();
    m_prompter.answerFile(path(typed));
    m_prompter.answerButton(Prompter::Yes); // replace the existing file
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);
    QVERIFY(QFileInfo(path(written)).isFile());
    QCOMPARE(QFileInfo::exists(path(typed)), typed == written);
    // The question about an existing file names the file really written.
    const QList<Box> asked = m_prompter.messages();
    QCOMPARE(asked.size(), alreadyThere ? 1 : 0);
    if (alreadyThere)
        QVERIFY(asked[0].text.startsWith(path(written) + u'\n'));
    QCOMPARE(m_captions.last(), QFileInfo(written).fileName());
}

void tst_logfilecommands::filterExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("result");
    QTest::newRow("log filter") << "/a/b" << FileChooser::kLogFilter << "/a/b.log";
    QTest::newRow("every file") << "/a/b" << FileChooser::effectiveFilter(QString()) << "/a/b";
    QTest::newRow("several patterns") << "/a/b"
                                      << "Logs (*.log *.txt)|*.log;*.txt"
                                      << "/a/b";
    QTest::newRow("cancelled") << "" << FileChooser::kLogFilter << "";
    QTest::newRow("trailing dot kept") << "/a/b." << FileChooser::kLogFilter << "/a/b.";
}

void tst_logfilecommands::filterExtension() {
    QFETCH(QString, path);
    QFETCH(QString, filter);
    QFETCH(QString, result);
    QCOMPARE(FileChooser::withFilterExtension(path, filter), result);
}

void tst_logfilecommands::startFolderAlwaysExists() {
    // A fresh account: a home folder without a documents folder.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString noDocuments = FileChooser::startFolder(nullptr);
    QVERIFY(QDir().mkpath(documents));
    const QString withDocuments = FileChooser::startFolder(nullptr);
    m_settings->setValue(FileChooser::kLastFolderKey, home.filePath(QStringLiteral("gone")));
    const QString lastGone = FileChooser::startFolder(m_settings.get());
    qputenv("HOME", oldHome);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    // Never a folder that is not there, which the dialog would show as a file name.
    QCOMPARE(noDocuments, home.path());
    QCOMPARE(withDocuments, documents);
    QCOMPARE(lastGone, documents);
}

void tst_logfilecommands::openAndSaveStartInTheFolderUsedLast() {
    const QString documents = FileChooser::startFolder(nullptr);
    const auto lastDialogFolder = [this] { return m_prompter.boxes().last().folder; };
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("saves")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("opens")));

    // A first run starts in the documents folder.
    m_state.log = realisticLog();
    m_prompter.answerFile(path(QStringLiteral("saves/one.log")));
    m_prompter.answerInput(QString());
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Done);
    QCOMPARE(m_prompter.boxes().first().kind, Box::SaveFile);
    QCOMPARE(m_prompter.boxes().first().folder, documents);
    QCOMPARE(m_settings->value(LogFileCommands::kLastFolderKey), path(QStringLiteral("saves")));

    // Open starts where the save went, and a file opened elsewhere moves it there.
    QVERIFY(writeFile(path(QStringLiteral("opens/two.log")), complete()));
    m_prompter.clear();
    m_prompter.answerButton(Prompter::Ok);
    m_prompter.answerFile(path(QStringLiteral("opens/two.log")));
    QCOMPARE(commands()->mnuOpenFile_Click(), Outcome::Done);
    QCOMPARE(m_prompter.boxes().last().kind, Box::OpenFile);
    QCOMPARE(lastDialogFolder(), path(QStringLiteral("saves")));

    // Remembered in the settings, so a new run (a new command object) starts there too;
    // a cancelled dialog changes nothing.
    m_prompter.clear();
    m_prompter.answerFile(QString());
    QCOMPARE(commands()->mnuSaveFile_Click(), Outcome::Cancelled);
    QCOMPARE(lastDialogFolder(), path(QStringLiteral("opens")));
    QCOMPARE(m_settings->value(LogFileCommands::kLastFolderKey), path(QStringLiteral("opens")));

    // A folder that has gone since is not offered.
    QVERIFY(QDir(path(QStringLiteral("opens"))).removeRecursively());
    QCOMPARE(commands()->startFolder(), documents);
}

void tst_logfilecommands::captionFileName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    const QString sixty = QString(56, u'a') + QStringLiteral(".log");
    QTest::newRow("unix") << "/home/me/logs/run.log"
                          << "run.log";
    QTest::newRow("windows") << "C:\\logs\\run.log"
                             << "run.log";
    QTest::newRow("60 characters") << "/x/" + sixty << sixty;
    QTest::newRow("61 characters") << "/x/b" + sixty << "..." + sixty;
}

void tst_logfilecommands::captionFileName() {
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(LogFileCommands::captionFileName(path), shown);
}

QTEST_GUILESS_MAIN(tst_logfilecommands)
#include "tst_logfilecommands.moc"
