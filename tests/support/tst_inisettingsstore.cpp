// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>

// The settings file as the program meets it: too large to read, or impossible to write.
class tst_inisettingsstore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oversizedFileIsNotRead();
    void byteOrderMarkIsNoDamage();
    void writeFailureIsReportedOnce();
    void pathThatIsNotARegularFileIsLeftAlone_data();
    void pathThatIsNotARegularFileIsLeftAlone();
};

void tst_inisettingsstore::oversizedFileIsNotRead() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    QByteArray bytes = "[Properties]\nMaxRPMDisplay=8000\n";
    while (bytes.size() <= IniSettingsStore::kMaxFileBytes)
        bytes += "; padding that a damaged or hostile file might hold\n";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    IniSettingsStore store(path);
    QVERIFY(!store.value(QStringLiteral("MaxRPMDisplay")));
    QVERIFY2(store.damage().contains(QString::number(bytes.size()) + QStringLiteral(" bytes")),
             qPrintable(store.damage()));
    QCOMPARE(store.location(), path);

    // A change starts a new file; the old one is set aside whole.
    store.setValue(QStringLiteral("FuelType"), QStringLiteral("E85"));
    QCOMPARE(QFileInfo(path + QStringLiteral(".too-large")).size(), bytes.size());
    QVERIFY(QFileInfo(path).size() < 1000);
    IniSettingsStore again(path);
    QCOMPARE(again.value(QStringLiteral("FuelType")), QStringLiteral("E85"));
    QVERIFY(again.damage().isEmpty());
}

// As a Windows editor saves it: UTF-8 with a byte order mark.
void tst_inisettingsstore::byteOrderMarkIsNoDamage() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBF[Properties]\r\nMaxRPMDisplay=8000\r\nComment=caf\xC3\xA9\r\n");
    }
    IniSettingsStore store(path);
    QVERIFY2(store.damage().isEmpty(), qPrintable(store.damage()));
    QCOMPARE(store.value(QStringLiteral("MaxRPMDisplay")), QStringLiteral("8000"));
    QCOMPARE(store.value(QStringLiteral("Comment")), QStringLiteral("caf\u00e9"));
}

void tst_inisettingsstore::writeFailureIsReportedOnce() {
    QTemporaryDir dir;
    // A folder that cannot exist: its parent is a file. Refused even to root.
    const QString blocker = dir.filePath(QStringLiteral("file"));
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    IniSettingsStore store(blocker + QStringLiteral("/settings.ini"));
    QStringList reports;
    store.onWriteFailure = [&](const QString& message) { reports << message; };
    store.setValue(QStringLiteral("FuelType"), QStringLiteral("E85"));
    store.setValue(QStringLiteral("FuelType"), QStringLiteral("E10"));
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().contains(QStringLiteral("FuelType")) &&
                 reports.first().contains(blocker),
             qPrintable(reports.first()));
}

void tst_inisettingsstore::pathThatIsNotARegularFileIsLeftAlone_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("character device") << QStringLiteral("chr");
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("folder") << QStringLiteral("dir");
}

// A device or a pipe named as the settings file is neither read (a pipe would block
// start-up for good) nor replaced by a regular file when a setting changes.
void tst_inisettingsstore::pathThatIsNotARegularFileIsLeftAlone() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QByteArray native = QFile::encodeName(path);
    if (kind == QLatin1String("chr")) {
        // The null device's numbers, made inside the temporary folder.
        if (::mknod(native.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("cannot make a device node here");
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else {
        QVERIFY(QDir().mkdir(path));
    }
    struct stat before {};
    QCOMPARE(::stat(native.constData(), &before), 0);

    IniSettingsStore store(path);
    QStringList reports;
    store.onWriteFailure = [&](const QString& message) { reports << message; };
    QVERIFY(!store.value(QStringLiteral("FuelType")));
    QVERIFY2(store.damage().contains(path) &&
                 store.damage().contains(QStringLiteral("not a regular file")),
             qPrintable(store.damage()));
    store.setValue(QStringLiteral("FuelType"), QStringLiteral("E85"));
    store.setValue(QStringLiteral("MaxRPMDisplay"), QStringLiteral("8000"));
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().contains(path), qPrintable(reports.first()));

    struct stat after {};
    QCOMPARE(::stat(native.constData(), &after), 0);
    QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_rdev, before.st_rdev);
}

QTEST_GUILESS_MAIN(tst_inisettingsstore)
#include "tst_inisettingsstore.moc"
