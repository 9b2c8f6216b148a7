// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortDevices.h"
#include "device/QSerialPortLink.h"
#include "support/IniSettingsStore.h"
#include "support/QeroFailure.h"

#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

class tst_portdevices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaults_data();
    void defaults();
    void firstFifteenReachAdaptersAndBuiltInPorts();
    void overridesFromSettingsAndCommandLine();
    void malformedOverrides_data();
    void malformedOverrides();
    void openFailureCarriesTheSystemReason();
    void permissionDeniedSaysHowToGetAccess();
    void portHeldByAnotherIsInUse();
    void staleLockOfAKilledDownloadIsTakenOver();
};

void tst_portdevices::defaults_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
#if defined(Q_OS_WIN)
    QTest::newRow("Com1") << 1 << "COM1";
    QTest::newRow("Com255") << 255 << "COM255";
#elif defined(Q_OS_LINUX)
    QTest::newRow("Com1") << 1 << "/dev/ttyUSB0";
    QTest::newRow("Com8") << 8 << "/dev/ttyUSB7";
    QTest::newRow("Com9") << 9 << "/dev/ttyACM0";
    QTest::newRow("Com12") << 12 << "/dev/ttyACM3";
    QTest::newRow("Com13") << 13 << "/dev/ttyS0";
    QTest::newRow("Com255") << 255 << "/dev/ttyS242";
#endif
    QTest::newRow("Com0") << 0 << "";
    QTest::newRow("Com256") << 256 << "";
}

void tst_portdevices::defaults() {
    QFETCH(int, port);
    QFETCH(QString, device);
    QCOMPARE(PortDevices().deviceFor(port), device);
}

void tst_portdevices::firstFifteenReachAdaptersAndBuiltInPorts() {
#if defined(Q_OS_LINUX)
    QStringList firstFifteen;
    for (int n = 1; n <= 15; ++n)
        firstFifteen << PortDevices::defaultDeviceFor(n);
    QVERIFY(firstFifteen.contains(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(firstFifteen.contains(QStringLiteral("/dev/ttyACM0")));
    QVERIFY(firstFifteen.contains(QStringLiteral("/dev/ttyS0")));
    QCOMPARE(QSet<QString>(firstFifteen.begin(), firstFifteen.end()).size(), 15);
#else
    QSKIP("the fixed device names are those of Linux");
#endif
}

void tst_portdevices::overridesFromSettingsAndCommandLine() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    store.setValue(QStringLiteral("PortDevice3"), QStringLiteral("/dev/serial/by-id/qero"));
    store.setValue(QStringLiteral("PortDevice4"), QStringLiteral("  "));
    PortDevices d;
    d.loadOverrides(store);
    QCOMPARE(d.deviceFor(3), QStringLiteral("/dev/serial/by-id/qero"));
    QCOMPARE(d.deviceFor(4), PortDevices::defaultDeviceFor(4));
    QString error;
    QVERIFY(d.parseOverride(QStringLiteral("3=/tmp/qero-sim"), &error));
    QCOMPARE(d.deviceFor(3), QStringLiteral("/tmp/qero-sim"));
    QCOMPARE(d.describe(3), QStringLiteral("Com3 (/tmp/qero-sim)"));
}

void tst_portdevices::malformedOverrides_data() {
    QTest::addColumn<QString>("assignment");
    QTest::newRow("no equals") << "3";
    QTest::newRow("no path") << "3=";
    QTest::newRow("port 0") << "0=/dev/x";
    QTest::newRow("port 256") << "256=/dev/x";
    QTest::newRow("not a number") << "com3=/dev/x";
}

void tst_portdevices::malformedOverrides() {
    QFETCH(QString, assignment);
    PortDevices d;
    QString error;
    QVERIFY(!d.parseOverride(assignment, &error));
    QVERIFY(error.contains(QLatin1String("N=PATH")));
    QVERIFY(d.overrides().isEmpty());
}

void tst_portdevices::openFailureCarriesTheSystemReason() {
    QTemporaryDir dir;
    PortDevices d;
    d.setOverride(7, dir.filePath(QStringLiteral("no-such-port")));
    QSerialPortLink link(d);
    try {
        link.open(7);
        QFAIL("a missing device opened");
    } catch (const QeroFailure& f) {
        QVERIFY2(f.description().startsWith(QStringLiteral("Cannot open Com7 (")),
                 qPrintable(f.description()));
        QVERIFY2(f.description().contains(QLatin1String("no-such-port): ")),
                 qPrintable(f.description()));
    }
    QVERIFY(!link.isOpen());
}

void tst_portdevices::permissionDeniedSaysHowToGetAccess() {
    const QString text = QSerialPortLink::openFailureText(QStringLiteral("Com1 (/dev/ttyUSB0)"),
                                                          QSerialPort::PermissionError,
                                                          QStringLiteral("Permission denied"));
    QVERIFY(text.startsWith(QStringLiteral("Cannot open Com1 (/dev/ttyUSB0): Permission denied")));
#if defined(Q_OS_LINUX)
    QVERIFY(text.contains(QLatin1String("dialout")));
#endif
    const QString other = QSerialPortLink::openFailureText(
        QStringLiteral("Com1 (/dev/ttyUSB0)"), QSerialPort::DeviceNotFoundError,
        QStringLiteral("No such file or directory"));
    QVERIFY(!other.contains(QLatin1String("dialout")));
}

void tst_portdevices::portHeldByAnotherIsInUse() {
#if defined(Q_OS_UNIX)
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        QSKIP("pseudo-terminals are unavailable here");
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    PortDevices d;
    d.setOverride(2, device);
    QSerialPortLink first(d);
    first.open(2);
    QVERIFY(first.isOpen());
    // A second program on the same port: the first one's lock stands in its way.
    QSerialPortLink second(d);
    try {
        second.open(2);
        QFAIL("a port held by another opened");
    } catch (const QeroFailure& f) {
        QVERIFY2(f.description().startsWith(QStringLiteral("Cannot open Com2 (%1): the port is in "
                                                           "use by another program")
                                                .arg(device)),
                 qPrintable(f.description()));
        QVERIFY(!f.description().contains(QLatin1String("dialout")));
    }
    first.close();
    ::close(master);
#else
    QSKIP("needs pseudo-terminals");
#endif
}

void tst_portdevices::staleLockOfAKilledDownloadIsTakenOver() {
#if defined(Q_OS_LINUX)
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        QSKIP("pseudo-terminals are unavailable here");
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    PortDevices d;
    d.setOverride(2, device);
    // Where the serial-port library keeps this port's lock: found while it is held.
    const QString name = QStringLiteral("LCK..") + device.mid(5).replace(u'/', u'_');
    QString lockPath;
    {
        QSerialPortLink link(d);
        link.open(2);
        for (const char* folder : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"}) {
            const QString candidate = QLatin1String(folder) + u'/' + name;
            if (QFileInfo::exists(candidate)) {
                lockPath = candidate;
                break;
            }
        }
        link.close();
    }
    if (lockPath.isEmpty()) {
        ::close(master);
        QSKIP("the serial-port library keeps no lock file here");
    }
    // A download killed in the middle leaves its lock with the number of a process that
    // is gone.
    QProcess gone;
    gone.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
    QVERIFY(gone.waitForFinished());
    const qint64 deadPid = gone.readAllStandardOutput().trimmed().toLongLong();
    QVERIFY(deadPid > 0);
    {
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\nqero4d-cli\n" +
                   QSysInfo::machineHostName().toUtf8() + '\n');
    }
    QSerialPortLink link(d);
    link.open(2);
    QVERIFY(link.isOpen());
    link.close();
    QVERIFY(!QFileInfo::exists(lockPath));
    ::close(master);
#else
    QSKIP("needs pseudo-terminals and lock files");
#endif
}

QTEST_GUILESS_MAIN(tst_portdevices)
#include "tst_portdevices.moc"
