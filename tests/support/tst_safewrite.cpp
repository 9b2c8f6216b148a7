// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

// The one writer of output files: every failure reported with the file and the system's
// reason, the old file kept byte for byte, and device, pipe and socket nodes never
// replaced.
class tst_safewrite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void writesNewFileAndReplacesOldOne();
    void diskFullKeepsOldFileByteForByte_data();
    void diskFullKeepsOldFileByteForByte();
    void cancelledStreamKeepsOldFile();
    void fullDeviceReportsTheSystemsReason();
    void characterDeviceIsWrittenNotReplaced();
    void fifoIsWrittenAsAStream();
    void refusedTargetsStayAsTheyWere_data();
    void refusedTargetsStayAsTheyWere();
    void missingFolderNamesTheReason();
    void interruptAbandonsTheWriteAndKeepsTheOldFile_data();
    void interruptAbandonsTheWriteAndKeepsTheOldFile();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    static void put(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    static QString failureOf(const std::function<void()>& write) {
        try {
            write();
        } catch (const QeroFailure& failure) {
            if (failure.source() != QLatin1String("Write"))
                return QStringLiteral("wrong source: ") + failure.source();
            return failure.description();
        }
        return QString();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_safewrite::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_safewrite::cleanup() {
    SafeWrite::setSpaceLimitForTesting(-1);
    SafeWrite::setInterruptHooks(nullptr, nullptr);
}

namespace {
// Ctrl-C as the test plays it: pressed once the write has asked this many times.
int g_asksBeforeCtrlC = 0;
int g_asked = 0;
bool g_writingWhenStopped = false;
struct Stopped {};
} // namespace

void tst_safewrite::interruptAbandonsTheWriteAndKeepsTheOldFile_data() {
    QTest::addColumn<int>("asksBeforeCtrlC");
    // Three pieces of 1 MiB are asked about after each, then once before the rename.
    QTest::newRow("during the first piece") << 0;
    QTest::newRow("during the second piece") << 1;
    QTest::newRow("just before the rename") << 3;
}

void tst_safewrite::interruptAbandonsTheWriteAndKeepsTheOldFile() {
    QFETCH(int, asksBeforeCtrlC);
    g_asksBeforeCtrlC = asksBeforeCtrlC;
    g_asked = 0;
    g_writingWhenStopped = false;
    SafeWrite::setInterruptHooks([] { return g_asked++ >= g_asksBeforeCtrlC; },
                                 [] {
                                     g_writingWhenStopped = SafeWrite::writing();
                                     throw Stopped{};
                                 });
    const QString target = path(QStringLiteral("out.log"));
    put(target, "the old file\n");
    bool stopped = false;
    try {
        SafeWrite::writeFile(target, QByteArray(3 << 20, 'x'));
    } catch (const Stopped&) {
        stopped = true;
    }
    QVERIFY(stopped);
    QCOMPARE(g_asked, asksBeforeCtrlC + 1);
    QCOMPARE(contents(target), QByteArray("the old file\n"));
    // The temporary file is gone before the program is told to end.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.log"});
    QVERIFY(g_writingWhenStopped);
    QVERIFY(!SafeWrite::writing());
    // Without Ctrl-C the same write goes through.
    SafeWrite::setInterruptHooks([] { return false; }, [] { throw Stopped{}; });
    SafeWrite::writeFile(target, "new\n");
    QCOMPARE(contents(target), QByteArray("new\n"));
}

void tst_safewrite::writesNewFileAndReplacesOldOne() {
    const QString target = path(QStringLiteral("out.log"));
    SafeWrite::writeFile(target, "first");
    QCOMPARE(contents(target), QByteArray("first"));
    SafeWrite::writeFile(target, "second, longer");
    QCOMPARE(contents(target), QByteArray("second, longer"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void tst_safewrite::diskFullKeepsOldFileByteForByte_data() {
    QTest::addColumn<qint64>("room");
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("no room at all") << qint64(0) << qsizetype(10);
    QTest::newRow("room for part of the file") << qint64(1000) << qsizetype(5000);
    QTest::newRow("room ends inside the second megabyte")
        << qint64(1500000) << qsizetype(3 * 1024 * 1024);
}

void tst_safewrite::diskFullKeepsOldFileByteForByte() {
    QFETCH(qint64, room);
    QFETCH(qsizetype, size);
    const QString target = path(QStringLiteral("kept.log"));
    const QByteArray old = "the user's old log\r\n";
    put(target, old);
    SafeWrite::setSpaceLimitForTesting(room);
    const QString failure = failureOf([&] { SafeWrite::writeFile(target, QByteArray(size, 'x')); });
    QVERIFY2(failure.startsWith(QStringLiteral("Cannot write ") + target + QStringLiteral(": ")),
             qPrintable(failure));
    QVERIFY2(failure.endsWith(qt_error_string(ENOSPC)), qPrintable(failure));
    QCOMPARE(contents(target), old);
    // No temporary file is left behind either.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("kept.log")});
}

void tst_safewrite::cancelledStreamKeepsOldFile() {
    const QString target = path(QStringLiteral("kept.log"));
    put(target, "old");
    const bool complete = SafeWrite::writeStream(target, [](const SafeWrite::Put& write) {
        write("half of a new fi");
        return false;
    });
    QVERIFY(!complete);
    QCOMPARE(contents(target), QByteArray("old"));
    QVERIFY(SafeWrite::writeStream(target, [](const SafeWrite::Put& write) {
        write("new ");
        write("file");
        return true;
    }));
    QCOMPARE(contents(target), QByteArray("new file"));
}

void tst_safewrite::fullDeviceReportsTheSystemsReason() {
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    const QString failure =
        failureOf([] { SafeWrite::writeFile(QStringLiteral("/dev/full"), "a log"); });
    QCOMPARE(failure, QStringLiteral("Cannot write /dev/full: ") + qt_error_string(ENOSPC));
    struct stat st {};
    QCOMPARE(::stat("/dev/full", &st), 0);
    QVERIFY(S_ISCHR(st.st_mode));
}

void tst_safewrite::characterDeviceIsWrittenNotReplaced() {
    SafeWrite::writeFile(QStringLiteral("/dev/null"), QByteArray(100000, 'x'));
    struct stat st {};
    QCOMPARE(::stat("/dev/null", &st), 0);
    QVERIFY(S_ISCHR(st.st_mode));
}

void tst_safewrite::fifoIsWrittenAsAStream() {
    const QString fifo = path(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray received;
    std::thread reader([&] {
        QFile f(fifo);
        if (f.open(QIODevice::ReadOnly))
            received = f.readAll();
    });
    const QByteArray sent(200000, 'y');
    SafeWrite::writeFile(fifo, sent);
    reader.join();
    QCOMPARE(received.size(), sent.size());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

void tst_safewrite::refusedTargetsStayAsTheyWere_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("socket") << "socket"
                            << "it is a socket";
    QTest::newRow("folder") << "folder"
                            << "it is a folder";
}

void tst_safewrite::refusedTargetsStayAsTheyWere() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString target;
    int sock = -1;
    if (kind == QLatin1String("socket")) {
        target = path(QStringLiteral("sock"));
        sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(sock >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(target);
        QVERIFY(size_t(name.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        QCOMPARE(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    } else {
        target = path(QStringLiteral("folder"));
        QVERIFY(QDir().mkdir(target));
    }
    const QString failure = failureOf([&] { SafeWrite::writeFile(target, "x"); });
    QCOMPARE(failure, QStringLiteral("Cannot write %1: %2").arg(target, reason));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QVERIFY(kind == QLatin1String("socket") ? S_ISSOCK(st.st_mode) : S_ISDIR(st.st_mode));
    if (sock >= 0)
        ::close(sock);
}

void tst_safewrite::missingFolderNamesTheReason() {
    const QString target = path(QStringLiteral("no/such/folder/out.log"));
    const QString failure = failureOf([&] { SafeWrite::writeFile(target, "x"); });
    QVERIFY2(failure.startsWith(QStringLiteral("Cannot create ") + target + QStringLiteral(": ")),
             qPrintable(failure));
    QVERIFY2(!failure.contains(QLatin1String("Unknown error")), qPrintable(failure));
}

QTEST_GUILESS_MAIN(tst_safewrite)
#include "tst_safewrite.moc"
