// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ModuleCommandSupport.h"

#include "device/PortDevices.h"
#include "support/IniSettingsStore.h"

#include <QFileInfo>

namespace ModuleCommandSupport {

std::optional<int> resolvePort(const QString& port, PortDevices& devices) {
    const QString text = port.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool isNumber = false;
    const int n = text.toInt(&isNumber);
    if (isNumber) {
        if (n < 1 || n > PortDevices::kMaxPort)
            return std::nullopt;
        IniSettingsStore settings; // the user's own port devices, read only
        devices.loadOverrides(settings);
        return n;
    }
    // The serial-port library reads a name without a leading slash as one under /dev,
    // so a path relative to the current folder is made absolute first.
    QString device = text;
    if (!device.startsWith(u'/') && (device.contains(u'/') || QFileInfo::exists(device)))
        device = QFileInfo(device).absoluteFilePath();
    devices.setOverride(1, device);
    devices.nameByDevice(1);
    return 1;
}

bool takeOption(QStringList& args, const QString& name, QString* value) {
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return true;
    if (i + 1 >= args.size())
        return false;
    *value = args.at(i + 1);
    args.remove(i, 2);
    return true;
}

} // namespace ModuleCommandSupport
