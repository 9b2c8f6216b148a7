// SPDX-License-Identifier: GPL-3.0-or-later
#include "../device/MemorySettingsStore.h"
#include "logdata/RecentFiles.h"

#include <QtTest>

// The list behind File > Recent Files: what it keeps, in which order, and what it makes of
// a stored value somebody edited by hand.
class tst_recentfiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addKeepsEightMostRecentFirst();
    void storedValueReadSafely_data();
    void storedValueReadSafely();
    void removeTakesOnlyThatFile();
    void captions_data();
    void captions();
};

void tst_recentfiles::addKeepsEightMostRecentFirst() {
    MemorySettingsStore store;
    RecentFiles recent(store);
    QVERIFY(recent.files().isEmpty());
    for (int i = 1; i <= 10; ++i)
        recent.add(QStringLiteral("/logs/run%1.log").arg(i));
    QCOMPARE(recent.files(),
             (QStringList{"/logs/run10.log", "/logs/run9.log", "/logs/run8.log", "/logs/run7.log",
                          "/logs/run6.log", "/logs/run5.log", "/logs/run4.log", "/logs/run3.log"}));
    // Opened again: to the top, not twice.
    recent.add(QStringLiteral("/logs/run5.log"));
    QCOMPARE(recent.files().first(), QStringLiteral("/logs/run5.log"));
    QCOMPARE(recent.files().count(QStringLiteral("/logs/run5.log")), 1);
    QCOMPARE(recent.files().size(), 8);
    // A relative name is kept as the absolute path it stood for.
    recent.add(QStringLiteral("day/run.log"));
    QCOMPARE(recent.files().first(),
             QDir::current().absoluteFilePath(QStringLiteral("day/run.log")));
    // Stored as one path a line, in the same order.
    QCOMPARE(store.values.value(RecentFiles::kKey), recent.files().join(u'\n'));
}

void tst_recentfiles::storedValueReadSafely_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("blank lines and spaces") << "\n  /a.log  \n\n/b.log\n"
                                            << QStringList{"/a.log", "/b.log"};
    QTest::newRow("repeats") << "/a.log\n/b.log\n/a.log" << QStringList{"/a.log", "/b.log"};
    QTest::newRow("more than eight") << "/1\n/2\n/3\n/4\n/5\n/6\n/7\n/8\n/9\n/10"
                                     << QStringList{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"};
    QTest::newRow("empty") << "" << QStringList{};
}

void tst_recentfiles::storedValueReadSafely() {
    QFETCH(QString, stored);
    QFETCH(QStringList, files);
    MemorySettingsStore store;
    store.values[RecentFiles::kKey] = stored;
    QCOMPARE(RecentFiles(store).files(), files);
}

void tst_recentfiles::removeTakesOnlyThatFile() {
    MemorySettingsStore store;
    RecentFiles recent(store);
    for (const char* f : {"/c.log", "/b.log", "/a.log"})
        recent.add(QLatin1String(f));
    recent.remove(QStringLiteral("/b.log"));
    QCOMPARE(recent.files(), (QStringList{"/a.log", "/c.log"}));
    recent.remove(QStringLiteral("/not-there.log"));
    QCOMPARE(recent.files(), (QStringList{"/a.log", "/c.log"}));
}

void tst_recentfiles::captions_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::newRow("first") << 0 << "/home/pat/logs/drive1.log"
                           << "&1 drive1.log";
    QTest::newRow("eighth") << 7 << "/x/y.csv"
                            << "&8 y.csv";
    QTest::newRow("ampersand shown, not a mnemonic") << 1 << "/x/R&D run.log"
                                                     << "&2 R&&D run.log";
}

void tst_recentfiles::captions() {
    QFETCH(int, index);
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(RecentFiles::caption(index, path), caption);
}

QTEST_MAIN(tst_recentfiles)
#include "tst_recentfiles.moc"
