// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ConvertCommand.h"

#include "cli/CliSupport.h"
#include "logdata/LogCsv.h"
#include "logdata/LogCsvWriter.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"
#include "support/ErrorReport.h"
#include "support/SafeWrite.h"

using namespace CliSupport;

namespace {

const char* const kUsageText =
    "Usage: qero4d-cli convert IN --to log|csv -o OUT\n"
    "\n"
    "Reads the log file IN as File > Open does and writes OUT:\n"
    "  --to log   the log file format, as File > Save writes it (the trailer label\n"
    "             comes from QERO4D_Log.cfg; an empty comment is written as a space)\n"
    "  --to csv   a header row\n"
    "             sample,ElapsedTime,AFR1,Sensor1Status,AFR2,Sensor2Status,RPM,AnalogInVolts\n"
    "             and one row for each of the 12000 samples\n"
    "  -o OUT     the file to write; it is replaced only once it is complete\n"
    "\n"
    "Any other log (a recording, a CSV table, a MegaLogViewer MSL or MLG log ...)\n"
    "converts --to csv only: the time in seconds, then every channel, under a header\n"
    "row of names with their units; a value the log does not hold is an empty field.\n"
    "\n"
    "The reader's warnings go to stderr. Exit status: 0 written, 1 IN cannot be read\n"
    "or holds no data, or OUT cannot be written, 2 wrong usage.\n";

int usage(QTextStream& err, const QString& problem) {
    err << "qero4d-cli convert: " << problem << "\n" << kUsageText;
    return kUsage;
}

} // namespace

int runConvertCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (wantsHelp(args)) {
        out << kUsageText;
        return kOk;
    }
    QString in;
    QString to;
    QString outPath;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        // "--" ends the options, so that a file whose name starts with "-" can be named.
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (optionsEnded) {
            if (!in.isEmpty())
                return usage(err, QStringLiteral("unexpected argument ") + a);
            in = a;
        } else if (a == QLatin1String("--to") || a == QLatin1String("-o")) {
            if (i + 1 >= args.size())
                return usage(err, a + QStringLiteral(" needs a value"));
            (a == QLatin1String("--to") ? to : outPath) = args[++i];
        } else if (a.startsWith(QLatin1String("--to="))) {
            to = a.mid(5);
        } else if (a.startsWith(u'-') || !in.isEmpty()) {
            return usage(err, QStringLiteral("unexpected argument ") + a);
        } else {
            in = a;
        }
    }
    if (in.isEmpty())
        return usage(err, QStringLiteral("no input file given"));
    if (to != QLatin1String("log") && to != QLatin1String("csv"))
        return usage(err, QStringLiteral("--to must be log or csv"));
    if (outPath.isEmpty())
        return usage(err, QStringLiteral("no output file given (-o OUT)"));

    if (!isModuleLog(in)) {
        if (to != QLatin1String("csv")) {
            err << "qero4d-cli convert: " << in
                << ": only the module's own log files convert to the log format; use --to csv\n";
            return kFailure;
        }
        const std::optional<Log> log = openLog(in, QStringLiteral("convert"), err);
        if (!log)
            return kFailure;
        try {
            SafeWrite::writeFile(outPath, LogCsvWriter::write(*log));
        } catch (...) {
            err << "qero4d-cli convert: " << ErrorReport::describeCurrentException() << "\n";
            return kFailure;
        }
        return kOk;
    }
    try {
        AppState state = freshState();
        const LogFileReader::Result r = LogFileReader::readFile(in, state.log);
        for (const QString& w : r.warnings)
            err << "qero4d-cli convert: " << in << ": " << w << "\n";
        if (r.noDataFound())
            return kFailure;
        QByteArray bytes;
        if (to == QLatin1String("log"))
            bytes = LogFileWriter::whole(state.log, makerLabel());
        else
            bytes = LogCsv::whole(state.log);
        SafeWrite::writeFile(outPath, bytes);
    } catch (...) {
        err << "qero4d-cli convert: " << ErrorReport::describeCurrentException() << "\n";
        return kFailure;
    }
    return kOk;
}
