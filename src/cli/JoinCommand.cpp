// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/JoinCommand.h"

#include "cli/CliSupport.h"
#include "logdata/LogCsvWriter.h"
#include "support/ErrorReport.h"
#include "support/SafeWrite.h"
#include "logdata/LogJoin.h"

#include <cmath>

using namespace CliSupport;

namespace {

const char* const kUsageText =
    "Usage: qero4d-cli join WIDEBAND ENGINE -o JOINED.csv [--min-match M] [--offset S]\n"
    "\n"
    "Joins the wideband's log (the module's .log, a recording, any log with engine\n"
    "speed) with the engine computer's log of the same drive (MSL, MLG, CSV ...). The\n"
    "time offset between them is where their engine speeds agree best, with the rate\n"
    "at which one clock runs against the other on logs of ten minutes or more; the\n"
    "offset, the rate and how well the traces match (0 to 1) are printed. Each row of\n"
    "the wideband's log then takes every channel of the engine log at the same instant.\n"
    "\n"
    "  -o JOINED.csv   the joined log, as convert --to csv writes any log\n"
    "  --min-match M   the match needed, 0 to 1 (0.8); below it nothing is written\n"
    "  --offset S      join at this offset (engine time minus wideband time, seconds)\n"
    "                  instead of the one found, as a nudge\n"
    "\n"
    "Exit status: 0 joined, 1 a log cannot be read or the logs do not match, 2 wrong\n"
    "usage.\n";

int usage(QTextStream& err, const QString& problem) {
    err << "qero4d-cli join: " << problem << "\n" << kUsageText;
    return kUsage;
}

} // namespace

int runJoinCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (wantsHelp(args)) {
        out << kUsageText;
        return kOk;
    }
    QStringList inputs;
    QString outPath;
    double minMatch = LogJoin::kMinScore;
    std::optional<double> offset;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-o") || a == QLatin1String("--min-match") ||
            a == QLatin1String("--offset")) {
            if (i + 1 >= args.size())
                return usage(err, a + QStringLiteral(" needs a value"));
            const QString v = args[++i];
            if (a == QLatin1String("-o")) {
                outPath = v;
                continue;
            }
            const bool isOffset = a == QLatin1String("--offset");
            QString problem;
            const std::optional<double> x = CliSupport::numberOption(
                a, v, isOffset ? -1e9 : 0.0, isOffset ? 1e9 : 1.0, &problem);
            if (!x)
                return usage(err, problem);
            (isOffset ? offset : minMatch) = *x;
        } else if (a.startsWith(u'-') && a != QLatin1String("-")) {
            return usage(err, QStringLiteral("unexpected argument ") + a);
        } else {
            inputs << a;
        }
    }
    if (inputs.size() != 2)
        return usage(err, QStringLiteral("give the wideband's log and the engine computer's log"));
    if (outPath.isEmpty())
        return usage(err, QStringLiteral("no output file given (-o JOINED.csv)"));

    const std::optional<Log> wideband = openLog(inputs[0], QStringLiteral("join"), err);
    if (!wideband)
        return kFailure;
    const std::optional<Log> engine = openLog(inputs[1], QStringLiteral("join"), err);
    if (!engine)
        return kFailure;
    LogJoin::Match m = LogJoin::find(*wideband, *engine, minMatch);
    err << "qero4d-cli join: offset " << QString::number(m.offset, 'f', 3) << " s, rate "
        << QString::number(m.rate, 'f', 6) << ", match " << QString::number(m.score, 'f', 3)
        << "\n";
    if (offset) {
        m.offset = *offset;
        m.rate = 1.0;
        m.accepted = true;
        err << "qero4d-cli join: joined at the offset given, " << QString::number(*offset, 'f', 3)
            << " s\n";
    }
    if (!m.accepted) {
        err << "qero4d-cli join: " << m.reason << "\n";
        return kFailure;
    }
    try {
        SafeWrite::writeFile(outPath, LogCsvWriter::write(LogJoin::join(*wideband, *engine, m)));
    } catch (...) {
        err << "qero4d-cli join: " << ErrorReport::describeCurrentException() << "\n";
        return kFailure;
    }
    return kOk;
}
