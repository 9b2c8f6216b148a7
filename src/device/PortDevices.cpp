// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortDevices.h"

#include "support/SettingsStore.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace {

#ifdef Q_OS_MACOS
QStringList macDevices() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString loc = info.systemLocation();
        if (!loc.startsWith(QLatin1String("/dev/cu.")))
            continue;
        if (loc.contains(QLatin1String("Bluetooth"), Qt::CaseInsensitive) ||
            loc.contains(QLatin1String("debug-console"), Qt::CaseInsensitive))
            continue;
        names << loc;
    }
    std::sort(names.begin(), names.end());
    return names;
}
#endif

} // namespace

QString PortDevices::defaultDeviceFor(int n) {
    if (n < 1 || n > kMaxPort)
        return QString();
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(n);
#elif defined(Q_OS_MACOS)
    const QStringList devices = macDevices();
    return n <= devices.size() ? devices.at(n - 1) : QString();
#else
    if (n <= 8)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 1);
    if (n <= 12)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 9);
    return QStringLiteral("/dev/ttyS%1").arg(n - 13);
#endif
}

QString PortDevices::deviceFor(int n) const {
    const auto it = m_overrides.constFind(n);
    if (it != m_overrides.constEnd())
        return it.value();
    return defaultDeviceFor(n);
}

void PortDevices::setOverride(int n, const QString& device) {
    if (n >= 1 && n <= kMaxPort && !device.isEmpty())
        m_overrides.insert(n, device);
}

void PortDevices::clearOverride(int n) {
    m_overrides.remove(n);
}

QString PortDevices::settingsKey(int n) {
    return QStringLiteral("PortDevice%1").arg(n);
}

void PortDevices::loadOverrides(const SettingsStore& store) {
    for (int n = 1; n <= kMaxPort; ++n) {
        const auto v = store.value(settingsKey(n));
        if (v && !v->trimmed().isEmpty())
            setOverride(n, v->trimmed());
    }
}

bool PortDevices::parseOverride(const QString& assignment, QString* error) {
    const qsizetype eq = assignment.indexOf(u'=');
    bool ok = false;
    const int n = eq > 0 ? assignment.left(eq).trimmed().toInt(&ok) : 0;
    const QString path = eq > 0 ? assignment.mid(eq + 1).trimmed() : QString();
    if (!ok || n < 1 || n > kMaxPort || path.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("expected N=PATH with N from 1 to 255, got \"%1\"").arg(assignment);
        return false;
    }
    setOverride(n, path);
    return true;
}

QString PortDevices::describe(int n) const {
    const QString device = deviceFor(n);
    if (n == m_namedByDevice && !device.isEmpty())
        return device;
    return device.isEmpty() ? QStringLiteral("Com%1").arg(n)
                            : QStringLiteral("Com%1 (%2)").arg(n).arg(device);
}
