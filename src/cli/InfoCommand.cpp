// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InfoCommand.h"

#include "cli/CliSupport.h"
#include "logdata/LogCsvWriter.h"
#include "logdata/LogFileReader.h"
#include "support/ErrorReport.h"
#include "support/Numbers.h"

#include <optional>

using namespace CliSupport;

namespace {

const char* const kUsageText =
    "Usage: qero4d-cli info LOG [--json]\n"
    "\n"
    "Shows the values a log file carries besides its samples: DataLogInterval,\n"
    "MaxRPMDisplay, MinInVolts, MaxInVolts, MinScaledValue, MaxScaledValue,\n"
    "AnalogLegend, DownloadDate, Comment, FuelType and StoichRatio, the number of\n"
    "sample rows (SamplesRead), and the warnings the program shows when it opens\n"
    "the file. A value the file does not provide is shown as null.\n"
    "\n"
    "Any other log (a recording, a CSV table, a MegaLogViewer MSL or MLG log ...)\n"
    "shows its Format, Rows, Start and End times in seconds, its Marks and every\n"
    "channel with its unit and what it measures.\n"
    "\n"
    "  --json   one JSON object with those names as keys and a \"warnings\" array\n"
    "\n"
    "Exit status: 0 read, 1 the file cannot be read or holds no data, 2 wrong usage.\n";

// One value: its text for people and its JSON form, or nothing when the file lacks it.
struct Field {
    QString name;
    std::optional<QString> text;
    bool isString = false;
};

int showOtherLog(const QString& path, bool json, QTextStream& out, QTextStream& err) {
    const std::optional<Log> log = openLog(path, QStringLiteral("info"), err);
    if (!log)
        return kFailure;
    const QString start = QString::number(log->time.front(), 'g', 12);
    const QString end = QString::number(log->time.back(), 'g', 12);
    if (json) {
        out << "{\"Format\": " << jsonString(log->format) << ", \"Rows\": " << log->rows()
            << ", \"Start\": " << start << ", \"End\": " << end
            << ", \"Marks\": " << log->marks.size() << ", \"Channels\": [";
        for (std::size_t i = 0; i < log->channels.size(); ++i) {
            const LogChannel& c = log->channels[i];
            out << (i ? ", " : "") << "{\"name\": " << jsonString(c.name)
                << ", \"unit\": " << jsonString(c.unit)
                << ", \"quantity\": " << jsonString(Log::quantityName(c.quantity)) << "}";
        }
        out << "], \"warnings\": []}\n";
        return kOk;
    }
    out << "Format: " << log->format << "\n";
    out << "Rows: " << log->rows() << "\n";
    out << "Start: " << start << " s\n";
    out << "End: " << end << " s\n";
    out << "Marks: " << log->marks.size() << "\n";
    out << "Channels: " << log->channels.size() << "\n";
    for (const LogChannel& c : log->channels) {
        out << "  " << LogFileReader::printable(LogCsvWriter::columnTitle(c));
        if (c.quantity != Quantity::Other)
            out << ": " << Log::quantityName(c.quantity);
        out << "\n";
    }
    return kOk;
}

} // namespace

int runInfoCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (wantsHelp(args)) {
        out << kUsageText;
        return kOk;
    }
    bool json = false;
    QString path;
    bool optionsEnded = false;
    for (const QString& a : args) {
        // "--" ends the options, so that a file whose name starts with "-" can be named.
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && a == QLatin1String("--json")) {
            json = true;
        } else if ((!optionsEnded && a.startsWith(u'-')) || !path.isEmpty()) {
            err << "qero4d-cli info: unexpected argument " << a << "\n" << kUsageText;
            return kUsage;
        } else {
            path = a;
        }
    }
    if (path.isEmpty()) {
        err << "qero4d-cli info: no log file given\n" << kUsageText;
        return kUsage;
    }

    if (!isModuleLog(path))
        return showOtherLog(path, json, out, err);

    AppState state = freshState();
    LogBuffer& log = state.log;
    LogFileReader::Result r;
    try {
        r = LogFileReader::readFile(path, log, LogFileReader::FuelLines::ReportOnly);
    } catch (...) {
        err << "qero4d-cli info: " << ErrorReport::describeCurrentException() << "\n";
        return kFailure;
    }

    const auto number = [&](int line, float v) -> std::optional<QString> {
        if (!(r.headerValuesRead & (1u << (line - 1))))
            return std::nullopt;
        return Numbers::shortestFloat(v);
    };
    // The fuel the program takes from this file: a file that ends before its fuel lines
    // is gasoline at 14.7; one cut short earlier carries no fuel at all.
    std::optional<QString> fuel;
    std::optional<QString> ratio;
    if (r.trailerComplete) {
        const bool defaults = !r.fuelTypeLinePresent || !r.ratioLinePresent;
        if (defaults) {
            fuel = QStringLiteral("Gasoline");
            ratio = Numbers::shortestFloat(14.7f);
        } else {
            fuel = r.fileFuelType;
            if (r.fileStoichRatio)
                ratio = Numbers::shortestFloat(*r.fileStoichRatio);
        }
    }
    const QList<Field> fields = {
        {QStringLiteral("DataLogInterval"), number(1, log.DataLogInterval)},
        {QStringLiteral("MaxRPMDisplay"),
         (r.headerValuesRead & 2u) ? std::optional<QString>(QString::number(log.MaxRPMDisplay))
                                   : std::nullopt},
        {QStringLiteral("MinInVolts"), number(3, log.MinInVolts)},
        {QStringLiteral("MaxInVolts"), number(4, log.MaxInVolts)},
        {QStringLiteral("MinScaledValue"), number(5, log.MinScaledValue)},
        {QStringLiteral("MaxScaledValue"), number(6, log.MaxScaledValue)},
        {QStringLiteral("AnalogLegend"),
         (r.headerValuesRead & 64u) ? std::optional<QString>(log.AnalogLegend) : std::nullopt,
         true},
        {QStringLiteral("DownloadDate"),
         r.downloadDateRead ? std::optional<QString>(log.DownloadDate) : std::nullopt, true},
        {QStringLiteral("Comment"),
         r.commentRead ? std::optional<QString>(log.Comment) : std::nullopt, true},
        {QStringLiteral("FuelType"), fuel, true},
        {QStringLiteral("StoichRatio"), ratio},
        {QStringLiteral("SamplesRead"), QString::number(r.rowsRead)},
    };

    if (json) {
        out << "{";
        for (const Field& f : fields) {
            out << jsonString(f.name) << ": ";
            if (!f.text)
                out << "null";
            else
                out << (f.isString ? jsonString(*f.text) : *f.text);
            out << ", ";
        }
        out << "\"warnings\": [";
        for (qsizetype i = 0; i < r.warnings.size(); ++i)
            out << (i ? ", " : "") << jsonString(r.warnings[i]);
        out << "]}\n";
    } else {
        // The file's texts may hold control characters that would steer the terminal.
        for (const Field& f : fields)
            out << f.name << ": "
                << (f.text ? LogFileReader::printable(*f.text) : QStringLiteral("(not in file)"))
                << "\n";
        for (const QString& w : r.warnings)
            out << "Warning: " << w << "\n";
    }
    if (r.noDataFound()) {
        err << "qero4d-cli info: " << path << ": " << LogFileReader::kNoDataFound << "\n";
        return kFailure;
    }
    return kOk;
}
