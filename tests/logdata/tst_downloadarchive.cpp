// SPDX-License-Identifier: GPL-3.0-or-later
#include "../device/MemorySettingsStore.h"
#include "logdata/DownloadArchive.h"
#include "logdata/LogFileWriter.h"
#include "support/QeroFailure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

LogBuffer smallLog() {
    LogBuffer log;
    log.ClearDataBuffer();
    for (int i = 0; i < 10; ++i) {
        log.ElapsedTime[i] = 0.1f * float(i + 1);
        log.RPM[i] = 2500.0f;
        log.AFR1[i] = log.AFR2[i] = 14.2f;
    }
    log.DataBufferEmpty = false;
    return log;
}

bool touch(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
}

} // namespace

// The downloads folder: every download written at once, the newest 200 kept.
class tst_downloadarchive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesTheLogAsSaveWould();
    void keepsTheNewestAndLeavesOtherFilesAlone();
    void sameSecondGetsItsOwnName();
    void enabledSetting_data();
    void enabledSetting();
    void unwritableFolderIsReported();
};

void tst_downloadarchive::writesTheLogAsSaveWould() {
    QTemporaryDir dir;
    MemorySettingsStore settings;
    settings.setValue(DownloadArchive::kFolderKey, dir.filePath(QStringLiteral("kept/here")));
    const DownloadArchive archive(settings);
    const LogBuffer log = smallLog();
    const QDateTime when(QDate(2026, 12, 11), QTime(14, 18, 43));
    const QString path = archive.keep(log, QStringLiteral("Brenwick"), when);
    QCOMPARE(path, dir.filePath(QStringLiteral("kept/here/download-2026-12-11_14-18-43.log")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), LogFileWriter::whole(log, QStringLiteral("Brenwick")));
    QCOMPARE(archive.files(), QStringList{path});
}

void tst_downloadarchive::keepsTheNewestAndLeavesOtherFilesAlone() {
    QTemporaryDir dir;
    MemorySettingsStore settings;
    settings.setValue(DownloadArchive::kFolderKey, dir.path());
    const DownloadArchive archive(settings);
    // 205 earlier downloads, a minute apart, and a log the user put there himself.
    const QDateTime first(QDate(2026, 1, 1), QTime(8, 0, 0));
    for (int i = 0; i < 205; ++i)
        QVERIFY(touch(dir.filePath(DownloadArchive::fileName(first.addSecs(60 * i)))));
    QVERIFY(touch(dir.filePath(QStringLiteral("my-best-run.log"))));
    const QString newest = archive.keep(smallLog(), QString(), first.addDays(30));

    const QStringList kept = archive.files();
    QCOMPARE(kept.size(), DownloadArchive::kKept);
    QCOMPARE(kept.first(), newest);
    // The oldest six went; the seventh oldest is the oldest left.
    QCOMPARE(kept.last(), dir.filePath(DownloadArchive::fileName(first.addSecs(60 * 6))));
    QVERIFY(!QFile::exists(dir.filePath(DownloadArchive::fileName(first.addSecs(60 * 5)))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("my-best-run.log"))));
    QCOMPARE(archive.files(DownloadArchive::kMenuEntries).size(), DownloadArchive::kMenuEntries);
}

void tst_downloadarchive::sameSecondGetsItsOwnName() {
    QTemporaryDir dir;
    MemorySettingsStore settings;
    settings.setValue(DownloadArchive::kFolderKey, dir.path());
    const DownloadArchive archive(settings);
    const QDateTime when(QDate(2026, 12, 11), QTime(9, 0, 0));
    const QString a = archive.keep(smallLog(), QString(), when);
    const QString b = archive.keep(smallLog(), QString(), when);
    const QString c = archive.keep(smallLog(), QString(), when.addSecs(1));
    QCOMPARE(QFileInfo(b).fileName(), QStringLiteral("download-2026-12-11_09-00-00-2.log"));
    // Newest first: the later second, then the repeat, then the first.
    QCOMPARE(archive.files(), (QStringList{c, b, a}));
}

void tst_downloadarchive::enabledSetting_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("not set") << QString() << true;
    QTest::newRow("True") << QStringLiteral("True") << true;
    QTest::newRow("False") << QStringLiteral("False") << false;
    QTest::newRow("damaged: kept") << QStringLiteral("perhaps") << true;
}

void tst_downloadarchive::enabledSetting() {
    QFETCH(QString, stored);
    QFETCH(bool, enabled);
    MemorySettingsStore settings;
    if (!stored.isEmpty())
        settings.setValue(DownloadArchive::kEnabledKey, stored);
    QCOMPARE(DownloadArchive(settings).enabled(), enabled);
    // Without a folder of its own, the user's data folder.
    QVERIFY(DownloadArchive(settings).folder().endsWith(QStringLiteral("/downloads")));
}

void tst_downloadarchive::unwritableFolderIsReported() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a-file"));
    QVERIFY(touch(file));
    MemorySettingsStore settings;
    // A folder inside a file can never be made.
    settings.setValue(DownloadArchive::kFolderKey, file + QStringLiteral("/downloads"));
    QVERIFY_THROWS_EXCEPTION(QeroFailure, DownloadArchive(settings).keep(
                                              smallLog(), QString(), QDateTime::currentDateTime()));
}

QTEST_GUILESS_MAIN(tst_downloadarchive)
#include "tst_downloadarchive.moc"
