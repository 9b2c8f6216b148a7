// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A second start finds the running copy and hands over to it; a crashed copy's socket
// does not stand in the way.
class tst_singleinstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondStartRaisesTheFirst();
    void staleSocketOfACrashedCopyIsCleared();
    void namesSeparateSettingsAndKinds();

private:
    QTemporaryDir m_dir;
    // Each case names its copies after a settings file of its own, so that runs of this
    // test in parallel never meet.
    QString name(const QString& settings) const {
        return SingleInstance::serverName(m_dir.filePath(settings));
    }
};

void tst_singleinstance::secondStartRaisesTheFirst() {
    const QString n = name(QStringLiteral("a.ini"));
    SingleInstance first(n);
    QVERIFY(!first.handOverToRunningCopy()); // nobody runs: this one becomes the copy
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    SingleInstance second(n);
    QVERIFY(second.handOverToRunningCopy());
    QVERIFY(raised.wait(5000));
    QCOMPARE(raised.size(), 1);

    // And again for a third start.
    SingleInstance third(n);
    QVERIFY(third.handOverToRunningCopy());
    QVERIFY(raised.wait(5000));
    QCOMPARE(raised.size(), 2);
}

void tst_singleinstance::staleSocketOfACrashedCopyIsCleared() {
    const QString n = name(QStringLiteral("b.ini"));
    // What a killed copy leaves: the socket file, with nobody listening on it.
    const QString path = QDir(QDir::tempPath()).filePath(n);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    QVERIFY(size_t(bytes.size()) < sizeof(addr.sun_path));
    std::memcpy(addr.sun_path, bytes.constData(), size_t(bytes.size()));
    QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));

    SingleInstance next(n);
    QVERIFY(!next.handOverToRunningCopy()); // starts as the running copy
    QSignalSpy raised(&next, &SingleInstance::raiseRequested);
    SingleInstance later(n);
    QVERIFY(later.handOverToRunningCopy());
    QVERIFY(raised.wait(5000));
}

void tst_singleinstance::namesSeparateSettingsAndKinds() {
    const QString settings = m_dir.filePath(QStringLiteral("c.ini"));
    const QString n = SingleInstance::serverName(settings);
    QCOMPARE(SingleInstance::serverName(settings), n);
    QVERIFY(SingleInstance::serverName(m_dir.filePath(QStringLiteral("d.ini"))) != n);
    QVERIFY(SingleInstance::serverName(settings, QStringLiteral("simulated")) != n);
    QVERIFY(!n.contains(u'/'));
    // Copies under other names do not see each other.
    SingleInstance real(n);
    QVERIFY(!real.handOverToRunningCopy());
    SingleInstance simulated(SingleInstance::serverName(settings, QStringLiteral("simulated")));
    QVERIFY(!simulated.handOverToRunningCopy());
}

QTEST_MAIN(tst_singleinstance)
#include "tst_singleinstance.moc"
