// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class SettingsStore;

// Which device stands for each port number Com1 to Com255.
//
// Windows: ComN is "COMN".
// Linux:   Com1-Com8 are /dev/ttyUSB0-7 (USB adapters, the usual way a module is
//          connected today, so the default Com1 reaches the first adapter), Com9-Com12
//          are /dev/ttyACM0-3 (USB modem-class adapters), Com13-Com255 are
//          /dev/ttyS0-242 (built-in ports). A scan of Com1 to Com15 therefore reaches
//          eight USB adapters, four ACM adapters and the first three built-in ports.
// macOS:   ComN is the N-th serial device (/dev/cu.*) in name order, Bluetooth and
//          debug consoles left out.
// Any ComN can be pointed at another device: the setting "PortDevice<N>" or the
// command-line option --port-device N=PATH.
class PortDevices {
public:
    static constexpr int kMaxPort = 255;

    // The device of ComN; empty when nothing stands for it on this system.
    QString deviceFor(int portNumber) const;
    // The built-in rule alone, without overrides.
    static QString defaultDeviceFor(int portNumber);

    void setOverride(int portNumber, const QString& device);
    void clearOverride(int portNumber);
    const QMap<int, QString>& overrides() const { return m_overrides; }

    // Reads every "PortDevice<N>" setting that is present and not empty.
    void loadOverrides(const SettingsStore& store);
    static QString settingsKey(int portNumber);

    // "N=PATH" as given on a command line; false with a reason when malformed.
    bool parseOverride(const QString& assignment, QString* error);

    // The form a user reads: "Com3 (/dev/ttyUSB2)", or the device alone when the user
    // named the device itself (see nameByDevice).
    QString describe(int portNumber) const;
    // The user gave a device path, not a port number (qero4d-cli --port /dev/pts/3):
    // messages name the path, which is what the user typed, and no Com number.
    void nameByDevice(int portNumber) { m_namedByDevice = portNumber; }

private:
    QMap<int, QString> m_overrides;
    int m_namedByDevice = 0;
};
