// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FuelCommand.h"

#include "cli/CliSession.h"
#include "cli/CliSupport.h"
#include "cli/ModuleCommandSupport.h"
#include "device/FuelFactor.h"
#include "device/FuelUpload.h"
#include "device/ModuleProtocol.h"
#include "device/ModuleSession.h"
#include "logdata/AppState.h"
#include "support/Numbers.h"
#include "support/Units.h"

#include <QLocale>
#include <QTextStream>

namespace {

const char* const kUsage =
    "Usage: qero4d-cli fuel --port PORT (--fuel NAME | --user NAME --ratio R)\n"
    "\n"
    "Writes the fuel's scale factor into the QERO (memory bytes 6 and 7) and reads it\n"
    "back to verify it. Only QERO4D Rev 3 and QERO3Dual Rev 3 modules accept it.\n"
    "The desktop program's own fuel setting is not changed.\n"
    "\n"
    "  --port PORT    a device path (/dev/ttyUSB0, COM3) or a number N meaning ComN\n"
    "  --fuel NAME    Gasoline (14.69), E10 (14.13), E85 (9.77), Ethanol (9.01),\n"
    "                 Methanol (6.47) or Lambda\n"
    "  --user NAME    a fuel of your own (trimmed, at most 16 characters) ...\n"
    "  --ratio R      ... with its stoichiometric ratio, 1 to 20 (two decimals)\n";

struct Fuel {
    const char* name;
    float ratio;
};

constexpr Fuel kFuels[] = {
    {"Gasoline", float(Units::kGasolineStoich)},
    {"E10", 14.13f},
    {"E85", 9.77f},
    {"Ethanol", 9.01f},
    {"Methanol", 6.47f},
    {"Lambda", 1.0f},
};

int usage(QTextStream& err, const QString& problem = QString()) {
    if (!problem.isEmpty())
        err << "qero4d-cli fuel: " << problem << '\n';
    err << kUsage;
    return 2;
}

} // namespace

int runFuelCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return 0;
    }
    QString port, fuel, user, ratioText;
    if (!ModuleCommandSupport::takeOption(args, QStringLiteral("--port"), &port) ||
        !ModuleCommandSupport::takeOption(args, QStringLiteral("--fuel"), &fuel) ||
        !ModuleCommandSupport::takeOption(args, QStringLiteral("--user"), &user) ||
        !ModuleCommandSupport::takeOption(args, QStringLiteral("--ratio"), &ratioText))
        return usage(err, QStringLiteral("an option is missing its value"));
    if (!args.isEmpty())
        return usage(err, QStringLiteral("unexpected \"%1\"").arg(args.join(u' ')));
    if (port.isEmpty())
        return usage(err, QStringLiteral("--port is required"));

    CliSession session(err);
    AppState& state = session.state();
    if (!fuel.isEmpty()) {
        if (!user.isEmpty() || !ratioText.isEmpty())
            return usage(err, QStringLiteral("give either --fuel or --user with --ratio"));
        const Fuel* found = nullptr;
        for (const Fuel& f : kFuels)
            if (fuel.trimmed().compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                found = &f;
        if (!found)
            return usage(err, QStringLiteral("unknown fuel \"%1\"").arg(fuel));
        state.log.FuelType = QLatin1String(found->name);
        state.log.StoichRatio = found->ratio;
    } else {
        const QString name = user.trimmed().left(16);
        if (name.isEmpty() || ratioText.isEmpty())
            return usage(err, QStringLiteral("give --fuel, or --user with --ratio"));
        QString problem;
        const std::optional<double> r =
            CliSupport::numberOption(QStringLiteral("--ratio"), ratioText, 1.0, 20.0, &problem);
        if (!r)
            return usage(err, problem);
        state.log.FuelType = name;
        state.log.StoichRatio = float(Numbers::roundHalfEven(*r, 2));
    }
    state.updateAFRFormat();

    QString error;
    if (!session.usePort(port, &error))
        return usage(
            err, QStringLiteral("\"%1\" is neither a device nor a port from 1 to 255").arg(port));

    FuelUpload upload(session.protocol(), state.log);
    const FuelUpload::Result result = upload.run();
    const quint16 wanted = quint16(state.fram.FRAMBuffer[6] | (state.fram.FRAMBuffer[7] << 8));
    if (result == FuelUpload::Result::VerificationFailed) {
        // The module may hold the new factor, the old one or half of each: say which, so
        // that nobody drives on a fuel scale they did not choose without knowing.
        const std::optional<quint16> held = upload.readFactor();
        err << "qero4d-cli fuel: the factor " << wanted << " for " << state.log.FuelType
            << " was not verified; ";
        if (!held)
            err << "what the module holds now could not be read";
        else if (*held == wanted)
            err << "the module holds it now (read twice)";
        else
            err << "the module holds the factor " << *held << " now (ratio "
                << Numbers::format(*held / 32768.0 * 14.69, QStringLiteral("#0.00"))
                << " on the gasoline scale), not the one chosen";
        err << ". Run the same command again to write it again." << Qt::endl;
    }
    session.module().link().closeIfOpen();
    if (result != FuelUpload::Result::Completed)
        return 1;
    out << "Fuel " << state.log.FuelType << " (ratio "
        << Numbers::format(state.log.StoichRatio, QStringLiteral("#0.00")) << "): factor " << wanted
        << " written to the QERO and verified" << Qt::endl;
    return 0;
}
