// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/IdCommand.h"

#include "cli/CliSession.h"
#include "cli/ModuleCommandSupport.h"
#include "device/ModuleProtocol.h"
#include "device/ModuleSession.h"
#include "logdata/AppState.h"
#include "logdata/LogFileReader.h"

#include <QTextStream>

namespace {

const char* const kUsage =
    "Usage: qero4d-cli id --port PORT\n"
    "\n"
    "Reads the QERO's firmware identification and prints it with the model and\n"
    "revision (QERO4D Rev 2, QERO4D Rev 3, QERO3Dual Rev 2, QERO3Dual Rev 3 or Unknown).\n"
    "\n"
    "  --port PORT   a device path (/dev/ttyUSB0, COM3) or a number N meaning ComN\n";

} // namespace

int runIdCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return 0;
    }
    QString port;
    if (!ModuleCommandSupport::takeOption(args, QStringLiteral("--port"), &port) ||
        port.isEmpty() || !args.isEmpty()) {
        err << kUsage;
        return 2;
    }
    CliSession session(err);
    QString error;
    if (!session.usePort(port, &error)) {
        err << "qero4d-cli id: \"" << port << "\" is neither a device nor a port from 1 to 255\n";
        return 2;
    }
    const AppState& state = session.state();
    ModuleProtocol& protocol = session.protocol();
    SerialLink& link = session.module().link();

    const auto opening = protocol.OpenConversation();
    link.closeIfOpen();
    switch (opening) {
    case ModuleProtocol::Opening::NoLink:
        err << "Cannot establish RS-232 link. Check cable and module power." << Qt::endl;
        return 1;
    case ModuleProtocol::Opening::IdFailed:
        err << "Firmware ID read failed." << Qt::endl;
        return 1;
    case ModuleProtocol::Opening::IdEmpty:
        err << "Invalid firmware ID." << Qt::endl;
        return 1;
    case ModuleProtocol::Opening::Identified:
        break;
    }
    // The ID is the module's own bytes: escaped like any outside text.
    out << "Firmware ID: " << LogFileReader::printable(state.module.FirmwareID) << '\n'
        << "Model: " << LogFileReader::printable(state.module.QEROVersion) << Qt::endl;
    return 0;
}
