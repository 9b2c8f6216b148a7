// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ChartCommand.h"

#include "chart/ChartRenderer.h"
#include "chart/ChartTrace.h"
#include "cli/CliSupport.h"
#include "logdata/AppState.h"
#include "logdata/Log.h"
#include "logdata/LogFileReader.h"
#include "support/ErrorReport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>
#include <memory>

namespace {

const char* const kUsage =
    "Usage: qero4d-cli chart LOG -o OUT.png|OUT.pdf [options]\n"
    "Draws the chart of a log file as the chart window shows it.\n"
    "\n"
    "  -o, --output FILE   the picture to write: .png, or .pdf for a vector page\n"
    "  --trace1 QUANTITY   left-axis trace: rpm, afr1, afr2 or analog (rpm)\n"
    "  --trace2 QUANTITY   right-axis trace: rpm, afr1, afr2 or analog (afr1)\n"
    "  --from SECONDS      start of the time axis (start of the log)\n"
    "  --to SECONDS        end of the time axis (end of the log)\n"
    "  --size WxH          picture size in pixels, 100x100 to 6000x8000 (1200x700)\n"
    "  --channels A,B,...  for any log but the module's own .log: the channels to draw,\n"
    "                      by name (the first unit on the left axis, the second on\n"
    "                      the right); by default its engine speed and first ratio\n"
    "\n"
    "Any log the program reads can be drawn: the module's .log as the chart window\n"
    "shows it, any other (a recording, a CSV table, an MSL or MLG log) whole.\n"
    "Exit status: 0 written, 1 the log cannot be read or the picture written, 2 wrong\n"
    "usage.\n";

int usageError(QTextStream& err, const QString& message) {
    err << "qero4d-cli chart: " << message << "\n" << kUsage;
    err.flush();
    return 2;
}

void chooseOffscreenWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The widget application object drawing needs, made here when the caller made none.
std::unique_ptr<QApplication> ensureGuiApplication(QString& error) {
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            error = QStringLiteral("drawing needs a widget application object, but a plain "
                                   "one was made before the command ran");
        return nullptr;
    }
    chooseOffscreenWithoutDisplay();
    static int argc = 1;
    static char name[] = "qero4d-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

std::unique_ptr<QCoreApplication> createChartApplication(int& argc, char** argv) {
    chooseOffscreenWithoutDisplay();
    return std::make_unique<QApplication>(argc, argv);
}

int runChartCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                    const ChartLogLoader& loadLog) {
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("usage"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("picture"), QStringLiteral("FILE"));
    const QCommandLineOption trace1(QStringLiteral("trace1"), QStringLiteral("trace 1"),
                                    QStringLiteral("QUANTITY"), QStringLiteral("rpm"));
    const QCommandLineOption trace2(QStringLiteral("trace2"), QStringLiteral("trace 2"),
                                    QStringLiteral("QUANTITY"), QStringLiteral("afr1"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("start"),
                                  QStringLiteral("SECONDS"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("end"),
                                QStringLiteral("SECONDS"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("size"),
                                  QStringLiteral("WxH"), QStringLiteral("1200x700"));
    const QCommandLineOption channels(QStringLiteral("channels"), QStringLiteral("channels"),
                                      QStringLiteral("NAMES"));
    parser.addOptions({help, output, trace1, trace2, from, to, size, channels});
    if (!parser.parse(QStringList{QStringLiteral("chart")} + args))
        return usageError(err, parser.errorText());
    if (parser.isSet(help)) {
        out << kUsage;
        out.flush();
        return 0;
    }
    if (parser.positionalArguments().size() != 1)
        return usageError(err, QStringLiteral("give exactly one log file"));
    if (!parser.isSet(output))
        return usageError(err, QStringLiteral("give the output file with -o"));

    ChartRenderer::Request request;
    const std::optional<TraceQuantity> q1 = ChartTrace::fromName(parser.value(trace1));
    const std::optional<TraceQuantity> q2 = ChartTrace::fromName(parser.value(trace2));
    if (!q1 || !q2)
        return usageError(err, QStringLiteral("a trace is one of rpm, afr1, afr2, analog"));
    request.trace1 = *q1;
    request.trace2 = *q2;
    for (const auto& [option, target] :
         {std::pair{&from, &request.from}, std::pair{&to, &request.to}}) {
        if (!parser.isSet(*option))
            continue;
        QString problem;
        const std::optional<double> seconds =
            CliSupport::numberOption(QStringLiteral("--") + option->names().first(),
                                     parser.value(*option), -1e9, 1e9, &problem);
        if (!seconds)
            return usageError(err, problem + QStringLiteral(" (seconds)"));
        *target = *seconds;
    }
    static const QRegularExpression sizeForm(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch m = sizeForm.match(parser.value(size));
    if (!m.hasMatch())
        return usageError(err, QStringLiteral("--size is WIDTHxHEIGHT in pixels"));
    request.size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    // Refused before the log is read and anything drawn.
    if (request.size.width() < ChartRenderer::kMinSide ||
        request.size.height() < ChartRenderer::kMinSide ||
        request.size.width() > ChartRenderer::kMaxWidth ||
        request.size.height() > ChartRenderer::kMaxSide)
        return usageError(err, QStringLiteral("--size must be from %1x%1 to %2x%3 pixels")
                                   .arg(ChartRenderer::kMinSide)
                                   .arg(ChartRenderer::kMaxWidth)
                                   .arg(ChartRenderer::kMaxSide));

    QString error;
    const std::unique_ptr<QApplication> app = ensureGuiApplication(error);
    if (!error.isEmpty()) {
        err << "qero4d-cli chart: " << error << "\n";
        err.flush();
        return 1;
    }
    const QString input = parser.positionalArguments().first();
    if (!CliSupport::isModuleLog(input)) {
        const std::optional<Log> log = CliSupport::openLog(input, QStringLiteral("chart"), err);
        if (!log) {
            err.flush();
            return 1;
        }
        ChartRenderer::LogRequest logRequest;
        logRequest.from = request.from;
        logRequest.to = request.to;
        logRequest.size = request.size;
        if (parser.isSet(channels)) {
            for (const QString& name : parser.value(channels).split(u',', Qt::SkipEmptyParts)) {
                const int c = log->findName(name.trimmed());
                if (c < 0) {
                    err << "qero4d-cli chart: " << input << " has no channel named \""
                        << LogFileReader::printable(name.trimmed()) << "\"\n";
                    err.flush();
                    return 2;
                }
                logRequest.channels.push_back(c);
            }
        } else {
            for (const TraceQuantity q : {request.trace1, request.trace2}) {
                int c = -1;
                switch (q) {
                case TraceQuantity::RPM:
                    c = log->find(Quantity::EngineSpeed);
                    break;
                case TraceQuantity::AFR1:
                    c = log->find(Quantity::FuelRatio, 1);
                    if (c < 0)
                        c = log->find(Quantity::FuelRatio);
                    break;
                case TraceQuantity::AFR2:
                    c = log->find(Quantity::FuelRatio, 2);
                    break;
                case TraceQuantity::Analog:
                    c = log->find(Quantity::AnalogScaled);
                    if (c < 0)
                        c = log->find(Quantity::AnalogVolts);
                    break;
                }
                if (c >= 0)
                    logRequest.channels.push_back(c);
            }
            if (logRequest.channels.empty()) {
                err << "qero4d-cli chart: " << input
                    << " holds neither engine speed nor a ratio; name the channels to draw "
                       "with --channels\n";
                err.flush();
                return 1;
            }
        }
        if (!ChartRenderer::renderLog(*log, logRequest, parser.value(output), &error)) {
            err << "qero4d-cli chart: " << parser.value(output) << ": " << error << "\n";
            err.flush();
            return 1;
        }
        return 0;
    }
    AppState state;
    if (!loadLog(parser.positionalArguments().first(), state, error)) {
        err << error << "\n";
        err.flush();
        return 1;
    }
    if (!ChartRenderer::render(state, request, parser.value(output), &error)) {
        // The renderer's own texts name the file where the file is the cause; the others
        // are about the request and get the file in front.
        const QString path = parser.value(output);
        err << "qero4d-cli chart: "
            << (error.contains(path) ? QString() : path + QStringLiteral(": ")) << error << "\n";
        err.flush();
        return 1;
    }
    return 0;
}

int runChartCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    // The log is read as File > Open reads it, fuel lines included.
    const ChartLogLoader readLog = [&err](const QString& path, AppState& state, QString& error) {
        try {
            state = CliSupport::freshState();
            const LogFileReader::Result r = LogFileReader::readFile(path, state.log);
            for (const QString& w : r.warnings)
                err << "qero4d-cli chart: " << path << ": " << w << "\n";
            if (r.noDataFound()) {
                error = QStringLiteral("qero4d-cli chart: %1: nothing to draw").arg(path);
                return false;
            }
            state.log.DataBufferEmpty = false;
            state.updateAFRFormat();
            return true;
        } catch (...) {
            error = QStringLiteral("qero4d-cli chart: ") + ErrorReport::describeCurrentException();
            return false;
        }
    };
    return runChartCommand(args, out, err, readLog);
}
