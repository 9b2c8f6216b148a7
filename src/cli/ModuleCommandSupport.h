// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class PortDevices;

// What the module commands of qero4d-cli share: the --port argument.
namespace ModuleCommandSupport {

// "PORT is a device path or a number N meaning ComN". A number uses the saved device of
// that port (setting "PortDevice<N>") or the system's rule; a path stands in for Com1.
// Returns the port number to open, nothing when the text is neither.
std::optional<int> resolvePort(const QString& port, PortDevices& devices);

// Finds "--name VALUE" in args; false when the option is missing its value.
bool takeOption(QStringList& args, const QString& name, QString* value);

} // namespace ModuleCommandSupport
