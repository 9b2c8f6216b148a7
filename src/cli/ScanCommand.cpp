// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanCommand.h"

#include "cli/CliSession.h"
#include "cli/ModuleCommandSupport.h"
#include "device/ModuleProtocol.h"
#include "device/ModuleSession.h"
#include "device/PortDevices.h"
#include "device/PortSetup.h"
#include "logdata/AppState.h"
#include "support/Numbers.h"

#include <QTextStream>

namespace {

const char* const kUsage =
    "Usage: qero4d-cli scan [--last N]\n"
    "\n"
    "Looks for the QERO on ports Com1 to ComN (N is 15 unless given, at most 255) and\n"
    "prints the first port where it answered. Exit status 1 when none answered.\n"
    "\n"
    "  --last N   the last port number to try\n";

} // namespace

int runScanCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return 0;
    }
    QString lastText = QString::number(PortSetup::kScanLastPort);
    if (!ModuleCommandSupport::takeOption(args, QStringLiteral("--last"), &lastText) ||
        !args.isEmpty()) {
        err << kUsage;
        return 2;
    }
    bool ok = false;
    const int last = lastText.toInt(&ok);
    if (!ok || last < 1 || last > PortDevices::kMaxPort) {
        err << "qero4d-cli scan: --last must be a port number from 1 to 255\n";
        return 2;
    }

    CliSession session(err);
    session.useSavedPorts();
    PortSetup setup(session.state().settings, session.protocol());

    const qint16 found = setup.PortScan(qint16(last), PortSetup::kIdentity);
    if (found < 1) {
        err << "No QERO found. Check cable and module power." << Qt::endl;
        return 1;
    }
    out << "Found QERO on port " << Numbers::format(found, QStringLiteral("##0"));
    const QString device = session.module().link().portDescription(found);
    if (!device.isEmpty())
        out << " (" << device << ')';
    out << Qt::endl;
    return 0;
}
