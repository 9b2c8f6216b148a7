#include "device/PortDevices.h"
#include "device/QSerialPortLink.h"
#include "support/IniSettingsStore.h"
#include "support/QeroFailure.h"

#include <QTemporaryDir>
#include <QtTest>

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

QTEST_GUILESS_MAIN(tst_portdevices)
#include "tst_portdevices.moc"
