// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ConfigFile.h"
#include "support/QeroFailure.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>

namespace {
QString fixture(const char* name) {
    return QStringLiteral(QERO_TEST_DATA "/") + QLatin1String(name);
}
} // namespace

class tst_configfile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noFileGivesDefaults();
    void threeSectionsVerbatim();
    void installedExampleIsTheDefaultsWithBothFeatures();
    void endsAfterSecondSeparatorLeavesList3Empty();
    void controlCharactersAreNoPartOfALine_data();
    void controlCharactersAreNoPartOfALine();
    void malformedFiles_data();
    void malformedFiles();
    void malformedFileFallsBackToDefaultsAfterReport();
    void fileThatCannotBeAConfigurationIsRefusedUnread_data();
    void fileThatCannotBeAConfigurationIsRefusedUnread();
};

void tst_configfile::noFileGivesDefaults() {
    SettingsValues s;
    ScriptedPrompter p;
    ConfigFile::load(s, p, fixture("does_not_exist.cfg"));
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(s.ConfigList1,
             (QStringList{"Brenwick", "Arial", "28", "bold italic", "Brenwick_Logo.gif"}));
    QCOMPARE(s.ConfigList2.size(), 6);
    QCOMPARE(s.ConfigList2.first(), QStringLiteral("Brenwick"));
    for (const QString& line : s.ConfigList2)
        QVERIFY(!line.trimmed().isEmpty());
    QVERIFY(s.ConfigList3.isEmpty());
}

void tst_configfile::threeSectionsVerbatim() {
    SettingsValues s;
    ScriptedPrompter p;
    ConfigFile::load(s, p, fixture("italic_nulllogo.cfg"));
    QVERIFY(p.boxes().isEmpty());
    QCOMPARE(s.ConfigList1,
             (QStringList{"Acme Racing", "Times New Roman", "20", "Italic", "null"}));
    QCOMPARE(s.ConfigList2, (QStringList{"Acme", "Acme Racing Ltd.", "1 Pit Lane"}));
    QCOMPARE(s.ConfigList3, (QStringList{"Port_Scan_Enable_True", "Auto_Connect_Enable_True"}));
}

void tst_configfile::installedExampleIsTheDefaultsWithBothFeatures() {
    SettingsValues s;
    ScriptedPrompter p;
    ConfigFile::load(s, p, QStringLiteral(QERO_SOURCE_DATA "/examples/QERO4D_Log.cfg.example"));
    QVERIFY(p.boxes().isEmpty());
    const ConfigFile::Lists d = ConfigFile::defaults();
    QCOMPARE(s.ConfigList1, d.list1);
    QCOMPARE(s.ConfigList2, d.list2);
    QCOMPARE(s.ConfigList3, (QStringList{"Port_Scan_Enable_True", "Auto_Connect_Enable_True"}));
}

void tst_configfile::endsAfterSecondSeparatorLeavesList3Empty() {
    const auto lists = ConfigFile::parse("Acme\nArial\n12\nbold\nNULL\n!\nAcme\n!");
    QCOMPARE(lists.list2, QStringList{"Acme"});
    QVERIFY(lists.list3.isEmpty());
    // Lines are verbatim: blanks are kept, only the first character is tested.
    const auto spaced =
        ConfigFile::parse(" Acme \nArial\n12\nbold\nNULL\n !not a separator\n!\nA\n!x\n");
    QCOMPARE(spaced.list1.first(), QStringLiteral(" Acme "));
    QCOMPARE(spaced.list1.last(), QStringLiteral(" !not a separator"));
}

void tst_configfile::controlCharactersAreNoPartOfALine_data() {
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QString>("kept");
    QTest::newRow("NUL") << QByteArray("Acme\0 Racing", 12) << "Acme Racing";
    QTest::newRow("terminal title") << QByteArray("\x1b]0;owned\x07"
                                                  "Acme")
                                    << "]0;ownedAcme";
    QTest::newRow("DEL and C1") << QByteArray("Ac\x7fme\xc2\x9b") << "Acme";
    QTest::newRow("tab kept") << QByteArray("Acme\tRacing") << "Acme\tRacing";
}

// The lines become the window title, printed headings and every saved log's trailer.
void tst_configfile::controlCharactersAreNoPartOfALine() {
    QFETCH(QByteArray, label);
    QFETCH(QString, kept);
    const auto lists = ConfigFile::parse("Acme\nArial\n12\nbold\nNULL\n!\n" + label + "\n!\n");
    QCOMPARE(lists.list2, QStringList{kept});
}

void tst_configfile::malformedFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("why");
    QTest::newRow("first section unclosed") << "first_unclosed.cfg"
                                            << "first section is not closed";
    QTest::newRow("first section short") << "first_short.cfg"
                                         << "needs five lines";
    QTest::newRow("second section unclosed") << "second_unclosed.cfg"
                                             << "second section is not closed";
    QTest::newRow("second section empty") << "second_empty.cfg"
                                          << "second section is empty";
}

void tst_configfile::malformedFiles() {
    QFETCH(QString, file);
    QFETCH(QString, why);
    QFile f(fixture(file.toLatin1().constData()));
    QVERIFY(f.open(QIODevice::ReadOnly));
    try {
        ConfigFile::parse(f.readAll());
        QFAIL("a malformed file was accepted");
    } catch (const QeroFailure& e) {
        QVERIFY2(e.description().contains(why), qPrintable(e.description()));
        QVERIFY(e.description().contains(QLatin1String("QERO4D_Log.cfg")));
    }
}

void tst_configfile::malformedFileFallsBackToDefaultsAfterReport() {
    SettingsValues s;
    ScriptedPrompter p;
    p.answerButton(Prompter::Ignore);
    ConfigFile::load(s, p, fixture("second_unclosed.cfg"));
    QCOMPARE(p.boxes().size(), 1);
    QCOMPARE(p.boxes().first().title, QStringLiteral("Error"));
    QCOMPARE(p.boxes().first().icon, Prompter::Icon::Critical);
    QCOMPARE(s.ConfigList2.first(), QStringLiteral("Brenwick"));
    QCOMPARE(s.ConfigList1.size(), 5);
}

void tst_configfile::fileThatCannotBeAConfigurationIsRefusedUnread_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("fifo") << "fifo"
                          << "not a regular file";
    QTest::newRow("character device") << "chr"
                                      << "not a regular file";
    QTest::newRow("folder") << "dir"
                            << "not a regular file";
    QTest::newRow("sparse 2 GB file") << "sparse"
                                      << "2147483648 bytes";
}

// A pipe would block start-up, a device or a sparse giant would be read for ever: each is
// refused before a byte is read, and the built-in branding stands in.
void tst_configfile::fileThatCannotBeAConfigurationIsRefusedUnread() {
    QFETCH(QString, kind);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(ConfigFile::kFileName));
    const QByteArray native = QFile::encodeName(path);
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else if (kind == QLatin1String("chr")) {
        if (::mknod(native.constData(), S_IFCHR | 0600, makedev(1, 5)) != 0)
            QSKIP("cannot make a device node here");
    } else if (kind == QLatin1String("dir")) {
        QVERIFY(QDir().mkdir(path));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(2) * 1024 * 1024 * 1024));
    }
    try {
        ConfigFile::read(path);
        QFAIL("the file was read");
    } catch (const QeroFailure& e) {
        QVERIFY2(e.description().contains(why) && e.description().contains(path),
                 qPrintable(e.description()));
    }
    SettingsValues s;
    ScriptedPrompter p;
    p.answerButton(Prompter::Ignore);
    ConfigFile::load(s, p, path);
    QCOMPARE(p.boxes().size(), 1);
    QCOMPARE(s.ConfigList1, ConfigFile::defaults().list1);
    QCOMPARE(s.ConfigList2, ConfigFile::defaults().list2);
}

QTEST_GUILESS_MAIN(tst_configfile)
#include "tst_configfile.moc"
