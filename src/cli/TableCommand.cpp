// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TableCommand.h"

#include "afrtable/AFRTable.h"
#include "afrtable/AFRTableFields.h"
#include "afrtable/AFRTableLogFile.h"
#include "afrtable/AFRTableMerge.h"
#include "afrtable/AFRTablePrintout.h"
#include "afrtable/AFRTableRecording.h"
#include "cli/CliSupport.h"
#include "logdata/AppState.h"
#include "logdata/LogImport.h"
#include "support/ErrorReport.h"
#include "support/Numbers.h"
#include "support/QeroFailure.h"
#include "support/ScriptedPrompter.h"

#include <memory>
#include <optional>

namespace {

const char* const kUsage =
    "Usage: qero4d-cli table LOG [LOG ...] [--sensor 1|2] [--display afr|fuel]\n"
    "                        [--target X] [--min-samples N] [--filter]\n"
    "                        [--format text|csv|json]\n"
    "\n"
    "Builds the AFR table of the first log file and adds the samples of every further\n"
    "one, as the AFR table window does with Open Additional File.\n"
    "\n"
    "  --sensor 1|2          sensor whose ratios fill the table (1)\n"
    "  --display afr|fuel    average ratios, or fuel corrections in percent (afr)\n"
    "  --target X            target ratio in the fuel's units (13.2 on the gasoline scale)\n"
    "  --min-samples N       samples a cell needs before it shows a value, 1 to 25 (5)\n"
    "  --filter              count a sample only when the one before it fell in the same cell\n"
    "  --format text|csv|json  text: the printed table lines; csv: the cell texts;\n"
    "                        json: cells, colors, counts and averages (text)\n"
    "\n"
    "A log whose analog input is not a throttle sensor, that ends inside its header, or\n"
    "(after the first) whose stoichiometric ratio differs from the first one's, is left out\n"
    "with the window's message on stderr; the table of the other files is still printed\n"
    "and the exit status is 1.\n"
    "\n"
    "A live recording is binned whole, however long, as a log of the module is.\n"
    "Other tools' logs have no throttle input of the module: use qero4d-cli tune.\n";

struct Options {
    QStringList logs;
    QString sensor = QStringLiteral("Sensor 1");
    QString display = QStringLiteral("AFR");
    std::optional<QString> target;
    std::optional<QString> minSamples;
    bool filter = false;
    QString format = QStringLiteral("text");
};

// Parses the arguments; a usage problem is returned as its message.
std::optional<QString> parse(const QStringList& args, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (a == QLatin1String("--filter")) {
            o.filter = true;
        } else if (a == QLatin1String("--sensor") || a == QLatin1String("--display") ||
                   a == QLatin1String("--target") || a == QLatin1String("--min-samples") ||
                   a == QLatin1String("--format")) {
            const std::optional<QString> v = value();
            if (!v)
                return a + QStringLiteral(" needs a value");
            if (a == QLatin1String("--sensor")) {
                if (*v == QLatin1String("1"))
                    o.sensor = QStringLiteral("Sensor 1");
                else if (*v == QLatin1String("2"))
                    o.sensor = QStringLiteral("Sensor 2");
                else
                    return QStringLiteral("--sensor must be 1 or 2");
            } else if (a == QLatin1String("--display")) {
                if (v->compare(QLatin1String("afr"), Qt::CaseInsensitive) == 0)
                    o.display = QStringLiteral("AFR");
                else if (v->compare(QLatin1String("fuel"), Qt::CaseInsensitive) == 0)
                    o.display = QStringLiteral("Fuel");
                else
                    return QStringLiteral("--display must be afr or fuel");
            } else if (a == QLatin1String("--target") || a == QLatin1String("--min-samples")) {
                // A number, checked here as every command checks its numbers; a number
                // outside the box's range is then brought into it as the window does.
                QString problem;
                if (!CliSupport::numberOption(a, *v, -CliSupport::kAnyNumber,
                                              CliSupport::kAnyNumber, &problem))
                    return problem;
                (a == QLatin1String("--target") ? o.target : o.minSamples) = v->trimmed();
            } else {
                const QString f = v->toLower();
                if (f != QLatin1String("text") && f != QLatin1String("csv") &&
                    f != QLatin1String("json"))
                    return QStringLiteral("--format must be text, csv or json");
                o.format = f;
            }
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            return QStringLiteral("unknown option ") + a;
        } else {
            o.logs << a;
        }
    }
    if (o.logs.isEmpty())
        return QStringLiteral("no log file given");
    return std::nullopt;
}

// Opens the first log as File > Open does: the file's fuel, ratio and scaling become the
// current ones. Messages go to `prompter`.
bool openFirst(const QString& path, AppState& state, Prompter& prompter) {
    QByteArray bytes;
    if (ErrorReport::runStep(prompter, [&] { bytes = AFRTableLogFile::readBytes(path); }) !=
        ErrorReport::StepResult::Done)
        return false;
    state.log.ClearDataBuffer();
    const AFRTableLogFile::Report read =
        AFRTableLogFile::read(bytes, state.log, AFRTableLogFile::FuelLines::Apply);
    const QString title = QStringLiteral("Open Log File");
    for (const QString& warning : read.warnings)
        prompter.message(warning, title, Prompter::Icon::Exclamation, Prompter::Ok);
    if (read.noDataFound)
        return false;
    state.log.DataBufferEmpty = false;
    state.log.AnalogInputType = QStringLiteral("USER");
    state.updateAFRFormat();
    if (!AFRTable::legendHasTPS(state.log.AnalogLegend)) {
        prompter.message(AFRTable::kNoTPSMessage, QStringLiteral("View AFR Table"),
                         Prompter::Icon::Exclamation, Prompter::Ok);
        return false;
    }
    return true;
}

const QString kNotForTable =
    QStringLiteral("this log is not the module's own: the AFR table bins the module's logs and "
                   "recordings (qero4d-cli tune builds corrections from any log); the file is "
                   "left out.");

// A recording, binned a buffer of the module's size at a time. The first file's buffer
// becomes the log the table's options are taken from, as File > Open makes it.
bool addRecording(const QString& path, AppState& state, AFRTable& table, bool filter, bool first,
                  const std::function<void()>& applyOptions, QTextStream& err) {
    bool accepted = true;
    bool firstChunk = true;
    try {
        AFRTableRecording::read(path, [&](const LogBuffer& chunk, int) {
            if (!accepted)
                return;
            if (first && firstChunk) {
                state.log = chunk;
                state.updateAFRFormat();
                if (!AFRTable::legendHasTPS(state.log.AnalogLegend)) {
                    err << path << ": " << AFRTable::kNoTPSMessage << '\n';
                    accepted = false;
                    return;
                }
                applyOptions();
                table.WriteAFRTable(state.settings.AFRTableDisplay, true, state, filter);
            } else {
                if (firstChunk && chunk.StoichRatio != state.log.StoichRatio) {
                    err << path
                        << ": Stoichiometric ratio for new data doesn't match; the file is "
                           "left out.\n";
                    accepted = false;
                    return;
                }
                if (firstChunk && !AFRTable::legendHasTPS(chunk.AnalogLegend)) {
                    err << path << ": " << AFRTable::kNoTPSMessage << '\n';
                    accepted = false;
                    return;
                }
                table.WriteAFRTable(state.settings.AFRTableDisplay, false, chunk, state, filter);
            }
            firstChunk = false;
        });
    } catch (const QeroFailure& f) {
        err << path << ": " << f.description() << '\n';
        return false;
    }
    if (firstChunk && accepted) {
        err << path << ": the recording holds no rows.\n";
        return false;
    }
    return accepted;
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

QString jsonString(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

QString colourName(AFRTableGrid::Colour c) {
    switch (c) {
    case AFRTableGrid::Colour::LightCyan:
        return QStringLiteral("light-cyan");
    case AFRTableGrid::Colour::LightRed:
        return QStringLiteral("light-red");
    case AFRTableGrid::Colour::Window:
        break;
    }
    return QStringLiteral("window");
}

template <typename Row, typename Cell>
QString jsonRows(const QString& name, int rows, const Row& row, const Cell& cell) {
    QString out = jsonString(name) + QStringLiteral(": [\n");
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (const auto& value : row(r))
            cells << cell(value);
        out += QStringLiteral("    [") + cells.join(QStringLiteral(", ")) + u']';
        out += r + 1 < rows ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    return out + QStringLiteral("  ]");
}

void writeTable(const Options& o, const AFRTable& table, QTextStream& out) {
    const AFRTableGrid& grid = table.grid();
    if (o.format == QLatin1String("text")) {
        for (const QString& line : AFRTablePrintout::tableLines(grid.text))
            out << line << '\n';
        return;
    }
    if (o.format == QLatin1String("csv")) {
        for (const auto& row : grid.text) {
            QStringList cells;
            for (const QString& text : row)
                cells << csvField(text);
            out << cells.join(u',') << '\n';
        }
        return;
    }
    constexpr int kColumns = AFRTable::kTpsColumns;
    QStringList parts;
    parts << jsonRows(
        QStringLiteral("cells"), AFRTableGrid::kRows, [&](int r) { return grid.text[r]; },
        [](const QString& t) { return jsonString(t); });
    parts << jsonRows(
        QStringLiteral("colors"), AFRTableGrid::kRows, [&](int r) { return grid.colour[r]; },
        [](AFRTableGrid::Colour c) { return jsonString(colourName(c)); });
    parts << jsonRows(
        QStringLiteral("counts"), AFRTable::kRpmRows,
        [&](int r) {
            std::array<qint32, kColumns> row{};
            for (int c = 0; c < kColumns; ++c)
                row[c] = table.CellSampleCount()[c + kColumns * r];
            return row;
        },
        [](qint32 n) { return Numbers::format(n, QStringLiteral("0")); });
    parts << jsonRows(
        QStringLiteral("averages"), AFRTable::kRpmRows,
        [&](int r) {
            std::array<float, kColumns> row{};
            for (int c = 0; c < kColumns; ++c)
                row[c] = table.CellAFRAverage()[c + kColumns * r];
            return row;
        },
        [](float x) { return Numbers::shortestFloat(x); });
    out << "{\n  " << parts.join(QStringLiteral(",\n  ")) << "\n}\n";
}

} // namespace

int runTableCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out << kUsage;
        return 0;
    }
    Options o;
    if (const std::optional<QString> problem = parse(args, o)) {
        err << "table: " << *problem << '\n' << kUsage;
        return 2;
    }

    auto state = std::make_unique<AppState>();
    state->settings.AFRTableData = o.sensor;
    state->settings.AFRTableDisplay = o.display;
    auto table = std::make_unique<AFRTable>();
    bool allAccepted = true;
    bool opened = false;

    for (const QString& path : o.logs) {
        // Without a person to answer, every question gets its cautious answer (Cancel,
        // Abort) and every message goes to stderr.
        ScriptedPrompter prompter;
        bool accepted = false;
        const auto applyOptions = [&] {
            // The window's opening defaults, then the boxes as the user would fill them.
            state->settings.AFRTarget = AFRTableFields::defaultTarget(state->log.StoichRatio);
            state->settings.MinSampleNum = 5;
            if (o.target) {
                const auto checked = AFRTableFields::checkTarget(*o.target, state->log.StoichRatio,
                                                                 state->settings.AFRFormat);
                if (!checked.message.isEmpty())
                    err << AFRTableFields::kTargetTitle << ": " << checked.message << '\n';
                state->settings.AFRTarget = float(checked.value);
            }
            if (o.minSamples) {
                const auto checked = AFRTableFields::checkMinSamples(*o.minSamples);
                if (!checked.message.isEmpty())
                    err << AFRTableFields::kMinSamplesTitle << ": " << checked.message << '\n';
                state->settings.MinSampleNum = qint16(checked.value);
            }
        };
        if (LogImport::isRecording(path)) {
            accepted = addRecording(path, *state, *table, o.filter, !opened, applyOptions, err);
            opened = opened || accepted;
        } else if (!LogImport::isModuleLog(path)) {
            err << path << ": " << kNotForTable << '\n';
        } else if (!opened) {
            accepted = openFirst(path, *state, prompter);
            if (accepted) {
                opened = true;
                applyOptions();
                table->WriteAFRTable(state->settings.AFRTableDisplay, true, *state, o.filter);
            }
        } else {
            accepted = AFRTableMerge::addFile(path, *state, *table, o.filter, prompter) ==
                       AFRTableMerge::Result::Merged;
        }
        for (const ScriptedPrompter::Box& box : prompter.messages()) {
            // The window's question asks for a click; here the cautious answer was taken.
            const QString text = box.text == AFRTableMerge::kRatioMismatch
                                     ? QStringLiteral("Stoichiometric ratio for new data doesn't "
                                                      "match; the file is left out.")
                                     : box.text;
            err << path << ": " << text << '\n';
        }
        if (!accepted)
            allAccepted = false;
    }

    if (opened)
        writeTable(o, *table, out);
    out.flush();
    err.flush();
    return allAccepted ? 0 : 1;
}
