#include "support/IniSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The settings file as the program meets it: too large to read, or impossible to write.
class tst_inisettingsstore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oversizedFileIsNotRead();
    void writeFailureIsReportedOnce();
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

QTEST_GUILESS_MAIN(tst_inisettingsstore)
#include "tst_inisettingsstore.moc"
