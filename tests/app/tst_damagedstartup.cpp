// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "logdata/SettingsTable.h"
#include "support/ConfigFile.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Start-up with a settings file or a configuration file that holds rubbish: the program
// always comes up, says what was wrong through the error report, and uses the defaults
// for whatever it could not read.

namespace {

const QString kShippedData = QStringLiteral(QERO_SOURCE_DATA);

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every value the settings give the program, as text, so one comparison shows them all.
QStringList settingValues(const AppState& s) {
    return {QString::number(s.settings.PortNumber),
            QString::number(s.settings.AutoConnect),
            QString::number(double(s.log.DataLogInterval)),
            QString::number(double(s.settings.PulsePerRev)),
            QString::number(s.settings.RPMDebounce),
            QString::number(s.settings.MinLEDPWM),
            s.settings.AFRTableData,
            s.log.AnalogInputType,
            QString::number(s.log.MaxRPMDisplay),
            QString::number(double(s.log.MinInVolts)),
            QString::number(double(s.log.MaxInVolts)),
            QString::number(double(s.log.MinScaledValue)),
            QString::number(double(s.log.MaxScaledValue)),
            s.log.AnalogLegend,
            s.log.FuelType,
            QString::number(double(s.log.StoichRatio)),
            s.settings.AFRFormat};
}

QStringList defaultValues() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("none.ini")));
    ScriptedPrompter p;
    AppState s;
    SettingsTable::load(s, store, p);
    return settingValues(s);
}

// Random bytes with enough line breaks, brackets, equals signs, "!" and key names that
// some of them get past the first line of a parser.
QByteArray rubbish(QRandomGenerator& rng, bool settingsLike) {
    static const QByteArray tokens[] = {"\n",
                                        "\r\n",
                                        "=",
                                        "[",
                                        "]",
                                        "!",
                                        "\"",
                                        "\\",
                                        ",",
                                        "%",
                                        "[Properties]\n",
                                        "CommPort=",
                                        "StoichRatio=",
                                        "MaxRPMDisplay=",
                                        "AutoConnect=",
                                        "Port_Scan_Enable_True\n"};
    QByteArray out;
    const int pieces = rng.bounded(1, 400);
    for (int i = 0; i < pieces; ++i) {
        if (rng.bounded(3) == 0) {
            const auto& t = tokens[rng.bounded(int(std::size(tokens)))];
            if (settingsLike || !t.contains('='))
                out += t;
        } else {
            out += char(rng.bounded(256));
        }
    }
    return out;
}

void checkErrorBoxes(const ScriptedPrompter& p) {
    for (const auto& box : p.boxes()) {
        QCOMPARE(box.kind, ScriptedPrompter::Box::Message);
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, Prompter::Icon::Critical);
        QCOMPARE(box.buttons, Prompter::Abort | Prompter::Retry | Prompter::Ignore);
    }
}

// Values the program relies on whatever the store held.
void checkStartupRanges(const AppState& s) {
    QVERIFY(s.settings.PortNumber >= 1 && s.settings.PortNumber <= 255);
    QVERIFY(s.log.MaxRPMDisplay >= 4000 && s.log.MaxRPMDisplay <= 20000);
    QVERIFY(s.log.MinInVolts >= 0.0f && s.log.MinInVolts <= 5.0f);
    QVERIFY(s.log.MaxInVolts >= 0.0f && s.log.MaxInVolts <= 5.0f);
    QVERIFY(QStringList({"#0.000", "#0.00", "#0.0"}).contains(s.settings.AFRFormat));
}

} // namespace

class tst_damagedstartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void settingOfTheWrongType_data();
    void settingOfTheWrongType();
    void damagedSettingsFile_data();
    void damagedSettingsFile();
    void randomSettingsFiles();
    void damagedConfigurationFile_data();
    void damagedConfigurationFile();
    void randomConfigurationFiles();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    // The splash and the main window's load, as the program starts.
    void startProgram(AppState& s, SettingsStore& store, ScriptedPrompter& p);

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_defaults;
};

void tst_damagedstartup::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    DataFiles::setSearchFolders({m_dir->path(), kShippedData});
    if (m_defaults.isEmpty())
        m_defaults = defaultValues();
}

void tst_damagedstartup::cleanup() {
    DataFiles::setSearchFolders({});
    m_dir.reset();
}

void tst_damagedstartup::startProgram(AppState& s, SettingsStore& store, ScriptedPrompter& p) {
    { frmSplash splash(s.settings, p); }
    VirtualClock clock;
    ModuleSession module(s, clock, p, std::make_unique<QSerialPortLink>());
    frmMain w(s, store, p, clock, module);
    QVERIFY(w.windowTitle().endsWith(
        QLatin1String("QERO Dual Channel Data Logging Program Version 4.3")));
    QVERIFY(!s.settings.ConfigList2.isEmpty());
    QVERIFY(w.windowTitle().startsWith(s.settings.ConfigList2.first()));
}

void tst_damagedstartup::settingOfTheWrongType_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    const char* numberKeys[] = {"CommPort",       "DataLogInterval", "PulsePerRev", "RPMDebounce",
                                "MinLEDPWM",      "MaxRPMDisplay",   "MinInVolts",  "MaxInVolts",
                                "MinScaledValue", "MaxScaledValue",  "StoichRatio"};
    const char* notNumbers[] = {"abc", "",     " ",     "1.5.5", "12abc", "nan",
                                "inf", "-inf", "1e999", "0x10",  "True",  "1,5"};
    for (const char* key : numberKeys)
        for (const char* text : notNumbers)
            QTest::addRow("%s=\"%s\"", key, text) << key << text;
    // Numbers too large for the value's type.
    for (const char* key : {"CommPort", "MaxRPMDisplay"})
        for (const char* text : {"40000", "-40000", "1e10"})
            QTest::addRow("%s=%s", key, text) << key << text;
    for (const char* key : {"RPMDebounce", "MinLEDPWM"})
        for (const char* text : {"256", "-1", "1e10"})
            QTest::addRow("%s=%s", key, text) << key << text;
    for (const char* key : {"DataLogInterval", "PulsePerRev", "MinInVolts", "StoichRatio"})
        QTest::addRow("%s=1e39", key) << key << "1e39";
    for (const char* text : {"0", "256", "-3"})
        QTest::addRow("CommPort=%s", text) << "CommPort" << text;
    for (const char* text : {"yes", "", "maybe", "Tru"})
        QTest::addRow("AutoConnect=\"%s\"", text) << "AutoConnect" << text;
}

void tst_damagedstartup::settingOfTheWrongType() {
    QFETCH(QString, key);
    QFETCH(QString, text);
    IniSettingsStore store(path(QStringLiteral("settings.ini")));
    store.setValue(key, text);
    ScriptedPrompter p;
    AppState s;
    SettingsTable::load(s, store, p);

    // One report that names the key; with Ignore the key keeps its default and the rest
    // are read.
    QCOMPARE(p.boxes().size(), 1);
    checkErrorBoxes(p);
    QVERIFY2(p.boxes().first().text.contains(QLatin1Char('"') + key + QLatin1Char('"')),
             qPrintable(p.boxes().first().text));
    QCOMPARE(settingValues(s), m_defaults);
}

void tst_damagedstartup::damagedSettingsFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("changed"); // settings read from the file anyway
    const QStringList none;
    const QByteArray nul(4096, '\0');
    QTest::newRow("empty") << QByteArray() << false << int(Prompter::Ignore) << none;
    QTest::newRow("NUL bytes") << nul << true << int(Prompter::Ignore) << none;
    QTest::newRow("NUL bytes, Abort") << nul << true << int(Prompter::Abort) << none;
    QTest::newRow("NUL bytes, Retry, then Ignore") << nul << true << int(Prompter::Retry) << none;
    QTest::newRow("one NUL after the section")
        << QByteArray("[Properties]\n\0\n", 15) << true << int(Prompter::Ignore) << none;
    QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01\x80\x90garbage", 13) << true
                            << int(Prompter::Ignore) << none;
    const QByteArray partly("[Properties]\nCommPort=3\n\0\0\0\n", 28);
    QTest::newRow("readable key, then damage; Ignore")
        << partly << true << int(Prompter::Ignore) << QStringList{"3"};
    QTest::newRow("readable key, then damage; Abort")
        << partly << true << int(Prompter::Abort) << none;
    QTest::newRow("another program's file")
        << QByteArray("[General]\nwidth=12\n") << false << int(Prompter::Ignore) << none;
}

void tst_damagedstartup::damagedSettingsFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, reported);
    QFETCH(int, answer);
    QFETCH(QStringList, changed);
    const QString file = path(QStringLiteral("settings.ini"));
    QVERIFY(writeFile(file, bytes));
    IniSettingsStore store(file);
    ScriptedPrompter p;
    if (reported)
        p.answerButton(Prompter::Button(answer));
    AppState s;
    startProgram(s, store, p);

    checkErrorBoxes(p);
    // Retry finds the file still damaged and asks again (then Ignore).
    QCOMPARE(p.boxes().size(), !reported ? 0 : answer == Prompter::Retry ? 2 : 1);
    for (const auto& box : p.boxes())
        QVERIFY2(box.text.contains(file), qPrintable(box.text));
    QStringList expected = m_defaults;
    if (!changed.isEmpty())
        expected[0] = changed[0];
    QCOMPARE(settingValues(s), expected);

    // The next change is kept, whatever the file held.
    SettingsTable::save(store, QStringLiteral("CommPort"), 7);
    IniSettingsStore again(file);
    QCOMPARE(again.value(QStringLiteral("CommPort")), std::optional<QString>(QStringLiteral("7")));
}

void tst_damagedstartup::randomSettingsFiles() {
    QRandomGenerator rng(1210);
    const QString file = path(QStringLiteral("settings.ini"));
    for (int round = 0; round < 40; ++round) {
        QVERIFY(writeFile(file, rubbish(rng, true)));
        IniSettingsStore store(file);
        const bool damaged = !store.damage().isEmpty();
        ScriptedPrompter p;
        AppState s;
        startProgram(s, store, p);
        checkErrorBoxes(p);
        checkStartupRanges(s);
        if (damaged) {
            QVERIFY(!p.boxes().isEmpty());
            QVERIFY(p.boxes().first().text.contains(file));
        }
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_damagedstartup::damagedConfigurationFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("usable");
    const QByteArray list2 = "Acme\nAcme Racing Ltd.\n!\n";
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("NUL bytes") << QByteArray(4096, '\0') << false;
    QTest::newRow("only separators") << QByteArray("!\n!\n!\n") << false;
    QTest::newRow("NUL lines between separators")
        << QByteArray("\0\n\0\n\0\n\0\n\0\n!\n\0\n!\n", 16) << true;
    // Items of the wrong kind: the splash makes the best of them.
    QTest::newRow("font size not a number") << "Acme\nArial\nhuge\nbold\nNULL\n!\n" + list2 << true;
    QTest::newRow("font size negative") << "Acme\nArial\n-28\nbold\nNULL\n!\n" + list2 << true;
    QTest::newRow("font size enormous") << "Acme\nArial\n1e300\nbold\nNULL\n!\n" + list2 << true;
    QTest::newRow("empty items") << QByteArray("\n\n\n\n\n!\n\n!\n") << true;
    QTest::newRow("logo is a folder") << "Acme\nArial\n20\n\n.\n!\n" + list2 << true;
    QTest::newRow("logo is not an image")
        << "Acme\nArial\n20\n\nQERO4D_Log.cfg\n!\n" + list2 << true;
    QTest::newRow("very long label")
        << "Acme\nArial\n20\n\nNULL\n!\n" + QByteArray(20000, 'x') + "\n!\n"
        << true;
}

void tst_damagedstartup::damagedConfigurationFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, usable);
    QVERIFY(writeFile(path(QLatin1String(ConfigFile::kFileName)), bytes));
    IniSettingsStore store(path(QStringLiteral("settings.ini")));
    ScriptedPrompter p;
    AppState s;
    startProgram(s, store, p);
    checkErrorBoxes(p);
    if (!usable) {
        // Reported once, and the maker's defaults stand in for the file.
        QCOMPARE(p.boxes().size(), 1);
        const ConfigFile::Lists d = ConfigFile::defaults();
        QCOMPARE(s.settings.ConfigList1, d.list1);
        QCOMPARE(s.settings.ConfigList2, d.list2);
        QVERIFY(s.settings.ConfigList3.isEmpty());
    }
    QCOMPARE(settingValues(s), m_defaults);
}

void tst_damagedstartup::randomConfigurationFiles() {
    QRandomGenerator rng(4242);
    for (int round = 0; round < 40; ++round) {
        QVERIFY(writeFile(path(QLatin1String(ConfigFile::kFileName)), rubbish(rng, false)));
        IniSettingsStore store(path(QStringLiteral("settings.ini")));
        ScriptedPrompter p;
        AppState s;
        startProgram(s, store, p);
        checkErrorBoxes(p);
        QCOMPARE(settingValues(s), m_defaults);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_MAIN(tst_damagedstartup)
#include "tst_damagedstartup.moc"
