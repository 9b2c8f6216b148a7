// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ChartCommand.h"
#include "cli/CliInterrupt.h"
#include "cli/ConvertCommand.h"
#include "cli/DecodeCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/EraseCommand.h"
#include "cli/FuelCommand.h"
#include "cli/IdCommand.h"
#include "cli/InfoCommand.h"
#include "cli/JoinCommand.h"
#include "cli/LiveCommand.h"
#include "cli/ParamsCommand.h"
#include "cli/ScanCommand.h"
#include "cli/TableCommand.h"
#include "cli/TuneCommand.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

using CommandFunction = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);

struct Command {
    const char* name;
    const char* summary;
    CommandFunction run;
};

// Every command of qero4d-cli; a new one adds its line here.
const Command kCommands[] = {
    {"info", "show a log file's header and trailer values and its warnings", runInfoCommand},
    {"convert", "rewrite a log file, or turn it into CSV", runConvertCommand},
    {"id", "read the module's firmware identification, model and revision", runIdCommand},
    {"fuel", "write a fuel's scale factor into the module and verify it", runFuelCommand},
    {"download", "read the module's logged data into a log file", runDownloadCommand},
    {"decode", "turn a saved module memory image into a log file", runDecodeCommand},
    {"erase", "erase the data the module has logged", runEraseCommand},
    {"params", "show or change the module's parameters", runParamsCommand},
    {"scan", "look for the module on the serial ports", runScanCommand},
    {"live", "print the module's live values, one line per polling cycle", runLiveCommand},
    {"table", "build the AFR table of one or more log files", runTableCommand},
    {"chart", "draw a log file's chart as a PNG or PDF picture", runChartCommand},
    {"tune", "compute a corrected fuel map from logs", runTuneCommand},
    {"join", "join the wideband's log with the engine computer's log", runJoinCommand},
};

void printUsage(QTextStream& s) {
    s << "Usage: qero4d-cli COMMAND [ARGS...]\n"
         "  or:  qero4d-cli COMMAND --help\n"
         "  or:  qero4d-cli --version\n"
         "\n"
         "The QERO4D Log program's functions for scripts and machines without a display.\n"
         "\n"
         "Commands:\n";
    for (const Command& c : kCommands)
        s << "  " << QString::fromLatin1(c.name).leftJustified(12) << c.summary << "\n";
}

// The libraries' own notes ("QStandardPaths: XDG_RUNTIME_DIR not set ...") are not for a
// script's terminal: every failure of a command is told by the command itself. Only the
// libraries' critical and fatal messages are shown.
void libraryMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "qero4d-cli: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(libraryMessages);
#ifdef SIGPIPE
    // Output into a pipe whose reader has gone (`... -o /dev/stdout | head`) is then a
    // write that fails, told and given exit status 1 like any other, instead of the
    // program ending without a word.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // The chart command draws with the widget-based chart and needs their application
    // object; the others need only the core one.
    const bool drawing = argc > 1 && qstrcmp(argv[1], "chart") == 0;
    const std::unique_ptr<QCoreApplication> app =
        drawing ? createChartApplication(argc, argv)
                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QERO4D_Log"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.3"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        printUsage(err);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        printUsage(out);
        return 0;
    }
    // Scripts, and help2man for the manual page, learn the release from this.
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        out << "qero4d-cli " << QCoreApplication::applicationVersion() << "\n";
        return 0;
    }
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) {
            // Ctrl-C ends every command the same way; a module conversation makes it wait
            // for the conversation's next step.
            CliInterrupt::install(name, CliInterrupt::Mode::Immediate);
            return c.run(args, out, err);
        }
    err << "qero4d-cli: unknown command " << name << "\n\n";
    printUsage(err);
    return 2;
}
