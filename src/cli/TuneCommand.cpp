// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TuneCommand.h"

#include "cli/CliSupport.h"
#include "logdata/LogImport.h"
#include "logdata/LogJoin.h"
#include "support/ErrorReport.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"
#include "support/Units.h"
#include "tuning/ChannelFilter.h"
#include "tuning/CsvSampleSource.h"
#include "tuning/LogFileSampleSource.h"
#include "tuning/LogSampleSource.h"
#include "tuning/RecordingSampleSource.h"
#include "tuning/TableExportFile.h"
#include "tuning/TuneFile.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningResultCsv.h"
#include "tuning/TuningSampleSource.h"
#include "tuning/TuningSources.h"
#include "tuning/TuningTableText.h"
#include "tuning/TuningWorkbench.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace CliSupport;

namespace {

// The axes a file brings: named by the file, as every other message about it is. A map
// from a tune's editor, or pasted from one, may repeat its last breakpoints.
void checkAxisOf(const QString& file, const std::vector<double>& axis, const QString& name) {
    try {
        TuningSettings::checkAxis(axis, name, true);
    } catch (const TuningInputError& e) {
        throw TuningInputError(file + QStringLiteral(": ") + e.message());
    }
}

const char* const kUsageText =
    "Usage: qero4d-cli tune LOG|CSV... [--rpm-axis LIST] [--load-axis LIST]\n"
    "         [--sensor 1|2|both] [--delay-ms N | --delay-curve RPM:MS,...]\n"
    "         [--no-filter rpm|load-rate|afr|warmup]... [--min-weight W]\n"
    "         [--weighting bilinear|nearest] [--target V | --target-table FILE]\n"
    "         [--base FILE | --tune FILE.msq|FILE.table|LOG.mlg [--table NAME]]\n"
    "         [--write-tune OUT.msq|OUT.table] [--max-change PCT] [--stoich R]\n"
    "         [--csv-columns time=COL,rpm=COL,load=COL,afr1=COL[,afr2=COL]]\n"
    "         [--min-rpm N] [--max-load-rate PCT] [--lambda-range LO:HI] [--warmup S]\n"
    "         [--filter CONDITION]... [--join ENGINE-LOG]\n"
    "         [--format text|csv|json] [-o OUT]\n"
    "\n"
    "Computes, for every cell of the engine computer's fuel map, the mean ratio the\n"
    "engine ran at there and the correction that brings it to the target; with a base\n"
    "map, the corrected map. Each sample's ratio is taken a transport delay later and\n"
    "shared between the four breakpoints around its operating point.\n"
    "\n"
    "  LOG|CSV               .log files of the module (load: the scaled analog input),\n"
    "                        or CSV files of other tools (header row; comma, semicolon\n"
    "                        or tab; decimal point or comma)\n"
    "  --rpm-axis LIST       engine-speed breakpoints (500,1000,...,15000)\n"
    "  --load-axis LIST      load breakpoints (0,2,5,10,20,40,60,80,100)\n"
    "  --sensor 1|2|both     sensor 1, sensor 2, or their mean where both read (1)\n"
    "  --delay-ms N          exhaust transport delay in ms (0)\n"
    "  --delay-curve RPM:MS,...  the delay over engine speed, linear between points\n"
    "  --no-filter NAME      switch a filter off: rpm (below --min-rpm, 500), load-rate\n"
    "                        (load moving faster than --max-load-rate % of the load axis\n"
    "                        span per second, 20), afr (outside --lambda-range,\n"
    "                        0.68:1.33), warmup (the first --warmup seconds, 0)\n"
    "  --filter CONDITION    keep only the samples where a condition on the log's own\n"
    "                        channels holds: 'CLT > 70', '\"Accel Enrich\" == 100',\n"
    "                        'rate(TPS) < 50' (change per second), joined with and / or,\n"
    "                        not, parentheses; each filter's dropped count is reported\n"
    "  --join ENGINE-LOG     join each log with the engine computer's log of the same\n"
    "                        drive (see qero4d-cli join): the load then comes from the\n"
    "                        engine computer (manifold pressure), the ratio from the\n"
    "                        wideband\n"
    "  --min-weight W        weight a cell needs before it is corrected (5)\n"
    "  --weighting bilinear|nearest  share a sample between the four cells around it,\n"
    "                        or give it whole to the nearest one (bilinear)\n"
    "  --target V            one target ratio in the fuel's units for every cell; without\n"
    "                        it lambda 1.00 up to half the load axis, then richer to\n"
    "                        0.90 at 80 % and 0.87 at its top (12.8 on gasoline)\n"
    "  --target-table FILE   a target per cell, a grid on the same axes\n"
    "  --base FILE           the fuel map to correct (VE %, pulse ms, any unit)\n"
    "  --tune FILE           a TunerStudio tune (.msq), table export (.table) or a\n"
    "                        version-2 MLG log (the tune it carries): its fuel table\n"
    "                        gives the axes and the base map, its AFR or lambda table\n"
    "                        the targets (read onto the fuel table's bins)\n"
    "  --table NAME          the tune's table to correct (veTable or veTable1)\n"
    "  --write-tune OUT      write a copy of the tune (.msq) or a table export (.table)\n"
    "                        with the corrected fuel table; never the --tune file itself\n"
    "  --max-change PCT      largest change of a base cell, either way (15)\n"
    "  --stoich R            the fuel's stoichiometric ratio for targets, means and CSV\n"
    "                        AFR columns, 1 for lambda (the first .log's fuel, else 14.69)\n"
    "  --csv-columns MAP     the CSV columns by header name; lambda1=/lambda2= for lambda\n"
    "                        columns, status1=/status2= for status columns (not 0: no\n"
    "                        reading) (time=time,rpm=rpm,load=load,afr1=afr1,afr2=afr2)\n"
    "  --format text|csv|json  text: the corrected map (without --base the correction\n"
    "                        in %) in the layout it was pasted in; csv: one line per\n"
    "                        cell; json: every grid and the sample counts (text)\n"
    "  -o OUT                write to OUT instead of standard output\n"
    "\n"
    "Table files are grids copied from a spreadsheet or a table editor, separated by\n"
    "tabs or commas; with the load axis as their first row and the engine-speed axis as\n"
    "their first column (top-left cell empty or a label) they also give the axes.\n"
    "Bad input is reported with its file, row and column, exit status 2, and nothing is\n"
    "written; a log that cannot be read gives exit status 1.\n";

// Two logs that do not match are a failure of the run, not of its usage.
struct JoinRefused : std::runtime_error {
    explicit JoinRefused(const QString& why) : std::runtime_error(why.toStdString()) {}
};

// Says the failure being handled and gives its exit status: input that cannot be used is
// a usage error, everything else (a file, a join that does not match) a failure.
int failed(QTextStream& err) {
    try {
        throw;
    } catch (const JoinRefused& e) {
        err << "qero4d-cli tune: " << QString::fromStdString(e.what()) << "\n";
        return kFailure;
    } catch (const TuningInputError& e) {
        err << "qero4d-cli tune: " << e.message() << "\n";
        return kUsage;
    } catch (...) {
        err << "qero4d-cli tune: " << ErrorReport::describeCurrentException() << "\n";
        return kFailure;
    }
}

int usage(QTextStream& err, const QString& problem) {
    err << "qero4d-cli tune: " << problem << "\n\n" << kUsageText;
    return kUsage;
}

struct Options {
    QStringList inputs;
    std::optional<QString> rpmAxis;
    std::optional<QString> loadAxis;
    std::optional<QString> targetTable;
    std::optional<QString> base;
    std::optional<QString> tune;
    std::optional<QString> table;
    std::optional<QString> writeTune;
    std::optional<QString> csvColumns;
    std::optional<QString> join;
    std::optional<double> stoich;
    QString format = QStringLiteral("text");
    QString outPath;
};

// What each number option may be; past these, a value is a typing slip (every sample
// dropped, or an axis the grid cannot hold), refused before any file is read.
struct NumberLimit {
    const char* option;
    double min;
    double max;
};
constexpr NumberLimit kNumberLimits[] = {
    {"--delay-ms", 0.0, 10000.0},   {"--min-rpm", 0.0, 100000.0},  {"--max-load-rate", 0.0, 1e6},
    {"--warmup", 0.0, 86400.0},     {"--min-weight", 0.0, 1e9},    {"--max-change", 0.0, 1000.0},
    {"--stoich", 1.0, 100.0},       {"--rpm-axis", 0.0, 100000.0}, {"--load-axis", -1e6, 1e6},
    {"--lambda-range", 0.0, 100.0},
};

std::optional<double> checkedNumber(const QString& option, const QString& text, QString* problem) {
    for (const NumberLimit& l : kNumberLimits)
        if (option == QLatin1String(l.option))
            return CliSupport::numberOption(option, text, l.min, l.max, problem);
    return CliSupport::numberOption(option, text, -CliSupport::kAnyNumber, CliSupport::kAnyNumber,
                                    problem);
}

// Parses the arguments into options and settings; a problem is returned as its message.
std::optional<QString> parse(const QStringList& args, Options& o, TuningSettings& s) {
    bool delaySet = false;
    bool targetSet = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("-")) || a == QLatin1String("-")) {
            o.inputs << a;
            continue;
        }
        if (i + 1 >= args.size())
            return a + QStringLiteral(" needs a value");
        const QString v = args[++i];
        double x = 0.0;
        const auto needNumber = [&]() -> std::optional<QString> {
            QString problem;
            const std::optional<double> n = checkedNumber(a, v, &problem);
            if (!n)
                return problem;
            x = *n;
            return std::nullopt;
        };
        if (a == QLatin1String("--rpm-axis") || a == QLatin1String("--load-axis")) {
            // The entries are checked here, so that "500,,1000" is a usage error; their
            // order is checked with the axes the tables carry.
            QString problem;
            for (const NumberLimit& l : kNumberLimits)
                if (a == QLatin1String(l.option) &&
                    !CliSupport::numberListOption(a, v, l.min, l.max, &problem))
                    return problem;
            (a == QLatin1String("--rpm-axis") ? o.rpmAxis : o.loadAxis) = v;
        } else if (a == QLatin1String("--sensor")) {
            if (v == QLatin1String("1"))
                s.sensor = TuningSettings::Sensor::Sensor1;
            else if (v == QLatin1String("2"))
                s.sensor = TuningSettings::Sensor::Sensor2;
            else if (v == QLatin1String("both"))
                s.sensor = TuningSettings::Sensor::Both;
            else
                return QStringLiteral("--sensor must be 1, 2 or both");
        } else if (a == QLatin1String("--delay-ms") || a == QLatin1String("--delay-curve")) {
            if (delaySet)
                return QStringLiteral("give either --delay-ms or --delay-curve, once");
            delaySet = true;
            if (a == QLatin1String("--delay-ms")) {
                if (auto p = needNumber())
                    return p;
                s.delay = TransportDelay::fixed(x);
            } else {
                s.delay = TransportDelay::parseCurve(v);
            }
        } else if (a == QLatin1String("--join")) {
            o.join = v;
        } else if (a == QLatin1String("--filter")) {
            try {
                ChannelFilter::parse(v);
            } catch (const TuningInputError& e) {
                return e.message();
            }
            s.channelFilters << v;
        } else if (a == QLatin1String("--no-filter")) {
            if (v == QLatin1String("rpm"))
                s.filterRpm = false;
            else if (v == QLatin1String("load-rate"))
                s.filterLoadRate = false;
            else if (v == QLatin1String("afr"))
                s.filterAfr = false;
            else if (v == QLatin1String("warmup"))
                s.filterWarmUp = false;
            else
                return QStringLiteral("--no-filter must be rpm, load-rate, afr or warmup");
        } else if (a == QLatin1String("--min-rpm") || a == QLatin1String("--max-load-rate") ||
                   a == QLatin1String("--warmup") || a == QLatin1String("--min-weight") ||
                   a == QLatin1String("--max-change") || a == QLatin1String("--target") ||
                   a == QLatin1String("--stoich")) {
            if (auto p = needNumber())
                return p;
            if (a == QLatin1String("--min-rpm"))
                s.minRpm = x;
            else if (a == QLatin1String("--max-load-rate"))
                s.maxLoadRatePercent = x;
            else if (a == QLatin1String("--warmup"))
                s.warmUpSeconds = x;
            else if (a == QLatin1String("--min-weight"))
                s.minWeight = x;
            else if (a == QLatin1String("--max-change"))
                s.maxChangePercent = x;
            else if (a == QLatin1String("--stoich"))
                o.stoich = x;
            else {
                if (targetSet)
                    return QStringLiteral("give either --target or --target-table, once");
                targetSet = true;
                s.target = x;
            }
        } else if (a == QLatin1String("--lambda-range")) {
            const QStringList parts = v.split(u':');
            QString problem;
            double lo = 0.0;
            double hi = 0.0;
            bool ok = parts.size() == 2;
            if (ok) {
                const std::optional<double> low = checkedNumber(a, parts[0], &problem);
                const std::optional<double> high = checkedNumber(a, parts[1], &problem);
                ok = low && high && *low < *high;
                lo = low.value_or(0.0);
                hi = high.value_or(0.0);
            }
            if (!ok)
                return QStringLiteral("--lambda-range must be LOW:HIGH, such as 0.68:1.33");
            s.minLambda = lo;
            s.maxLambda = hi;
        } else if (a == QLatin1String("--weighting")) {
            if (v == QLatin1String("bilinear"))
                s.weighting = TuningSettings::Weighting::Bilinear;
            else if (v == QLatin1String("nearest"))
                s.weighting = TuningSettings::Weighting::Nearest;
            else
                return QStringLiteral("--weighting must be bilinear or nearest");
        } else if (a == QLatin1String("--target-table")) {
            if (targetSet)
                return QStringLiteral("give either --target or --target-table, once");
            targetSet = true;
            o.targetTable = v;
        } else if (a == QLatin1String("--base")) {
            o.base = v;
        } else if (a == QLatin1String("--tune")) {
            o.tune = v;
        } else if (a == QLatin1String("--table")) {
            o.table = v;
        } else if (a == QLatin1String("--write-tune")) {
            o.writeTune = v;
        } else if (a == QLatin1String("--csv-columns")) {
            o.csvColumns = v;
        } else if (a == QLatin1String("--format")) {
            const QString f = v.toLower();
            if (f != QLatin1String("text") && f != QLatin1String("csv") &&
                f != QLatin1String("json"))
                return QStringLiteral("--format must be text, csv or json");
            o.format = f;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            o.outPath = v;
        } else {
            return QStringLiteral("unknown option ") + a;
        }
    }
    if (o.inputs.isEmpty())
        return QStringLiteral("no log or CSV file given");
    if (o.tune && o.base)
        return QStringLiteral("give either --base or --tune");
    if (o.tune && (o.rpmAxis || o.loadAxis))
        return QStringLiteral("the axes come from the tune's table; leave out --rpm-axis and "
                              "--load-axis");
    if ((o.table || o.writeTune) && !o.tune)
        return QStringLiteral("--table and --write-tune need --tune");
    if (o.tune && o.writeTune) {
        const QFileInfo in(*o.tune);
        const QFileInfo outFile(*o.writeTune);
        if (in.absoluteFilePath() == outFile.absoluteFilePath() ||
            (outFile.exists() && in.canonicalFilePath() == outFile.canonicalFilePath()))
            return QStringLiteral("--write-tune must name a new file, not the tune read "
                                  "(the original is never overwritten)");
    }
    return std::nullopt;
}

QString numberText(double v, const char* empty) {
    return TuningResultCsv::number(v, empty);
}

QString jsonAxis(const std::vector<double>& axis) {
    QStringList parts;
    for (double v : axis)
        parts << numberText(v, "null");
    return u'[' + parts.join(QStringLiteral(", ")) + u']';
}

QString jsonGrid(const TuningGrid& g, int rows, int columns) {
    QStringList lines;
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << numberText(g.isValid() ? g.at(r, c) : TuningGrid::kEmpty, "null");
        lines << QStringLiteral("    [") + cells.join(QStringLiteral(", ")) + u']';
    }
    return QStringLiteral("[\n") + lines.join(QStringLiteral(",\n")) + QStringLiteral("\n  ]");
}

QString json(const TuningResult& r) {
    const int rows = int(r.rpmAxis.size());
    const int columns = int(r.loadAxis.size());
    const TuningCounts& n = r.counts;
    QStringList parts;
    parts << QStringLiteral("\"rpm_axis\": ") + jsonAxis(r.rpmAxis);
    parts << QStringLiteral("\"load_axis\": ") + jsonAxis(r.loadAxis);
    parts << QStringLiteral("\"stoich_ratio\": ") + numberText(r.stoichRatio, "null");
    parts << QStringLiteral("\"min_weight\": ") + numberText(r.minWeight, "null");
    parts << QStringLiteral("\"samples\": {\"logs\": %1, \"read\": %2, \"kept\": %3, "
                            "\"dropped\": {\"no_reading\": %4, \"rpm\": %5, \"load_rate\": %6, "
                            "\"afr\": %7, \"warmup\": %8}, \"unreadable_rows\": %9}")
                 .arg(n.logs)
                 .arg(n.samples)
                 .arg(n.kept)
                 .arg(n.noReading)
                 .arg(n.rpm)
                 .arg(n.loadRate)
                 .arg(n.afr)
                 .arg(n.warmUp)
                 .arg(n.rowsSkipped);
    if (!n.channelFilter.empty()) {
        QStringList each;
        for (qint64 c : n.channelFilter)
            each << QString::number(c);
        parts << QStringLiteral("\"dropped_by_channel_filter\": [%1]").arg(each.join(u','));
    }
    const std::pair<const char*, const TuningGrid*> grids[] = {
        {"weight", &r.weight},         {"mean", &r.mean},
        {"spread", &r.spread},         {"target", &r.target},
        {"correction", &r.correction}, {"base", &r.base},
        {"corrected", &r.corrected},   {"bank_difference", &r.bankDifference},
        {"clamped", &r.clamped},
    };
    for (const auto& [name, grid] : grids)
        parts << u'"' + QString::fromLatin1(name) + QStringLiteral("\": ") +
                     jsonGrid(*grid, rows, columns);
    return QStringLiteral("{\n  ") + parts.join(QStringLiteral(",\n  ")) + QStringLiteral("\n}\n");
}

std::unique_ptr<TuningSampleSource>
sourceFor(const QString& path, const std::optional<CsvSampleSource::Columns>& columns) {
    return TuningSources::forFile(path, columns);
}

// Reads the files on every processor while the caller takes them in order: reading
// (number parsing) is most of a run's time, the computation a small part. At most a few
// files wait read at any time, so memory stays that of a handful of logs.
class ReadAhead {
public:
    using Read = std::function<TuningLog(const QString&)>;

    ReadAhead(const QStringList& paths, Read read) : m_paths(paths), m_read(std::move(read)) {
        m_slots.resize(std::size_t(paths.size()));
        const unsigned workers =
            std::max(1u, std::min(std::thread::hardware_concurrency(), unsigned(paths.size())));
        for (unsigned w = 0; w < workers; ++w)
            m_threads.emplace_back([this] { work(); });
    }
    ~ReadAhead() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

    // The log of file `i`, in order; rethrows what reading it threw.
    TuningLog take(qsizetype i) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_slots[std::size_t(i)].done; });
        Slot slot = std::move(m_slots[std::size_t(i)]);
        m_slots[std::size_t(i)] = Slot{};
        m_taken = i + 1;
        lock.unlock();
        m_changed.notify_all();
        if (slot.failure)
            std::rethrow_exception(slot.failure);
        return std::move(slot.log);
    }

private:
    struct Slot {
        bool done = false;
        TuningLog log;
        std::exception_ptr failure;
    };
    static constexpr qsizetype kAhead = 8;

    void work() {
        while (true) {
            qsizetype i = 0;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] {
                    return m_stop || m_next >= m_paths.size() || m_next < m_taken + kAhead;
                });
                if (m_stop || m_next >= m_paths.size())
                    return;
                i = m_next++;
            }
            Slot slot;
            try {
                slot.log = m_read(m_paths[i]);
            } catch (...) {
                slot.failure = std::current_exception();
            }
            slot.done = true;
            {
                std::lock_guard lock(m_mutex);
                m_slots[std::size_t(i)] = std::move(slot);
            }
            m_changed.notify_all();
        }
    }

    const QStringList m_paths;
    const Read m_read;
    std::vector<Slot> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qsizetype m_next = 0;
    qsizetype m_taken = 0;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace

int runTuneCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (wantsHelp(args)) {
        out << kUsageText;
        return kOk;
    }
    Options o;
    TuningSettings settings;
    std::optional<TuningTableText> baseTable;
    std::optional<TuningTableText> targetTable;
    std::optional<CsvSampleSource::Columns> columns;
    // The tune file the base map comes from, when it does, and its target table.
    std::optional<TuneFile> tuneFile;
    std::optional<TableExportFile> tableExport;
    TuneTable fuelTable;
    std::optional<TuneTable> tuneTargets;
    try {
        if (const std::optional<QString> problem = parse(args, o, settings))
            return usage(err, *problem);
        if (o.csvColumns)
            columns = CsvSampleSource::parseColumns(*o.csvColumns);
        if (o.base)
            baseTable = TuningTableText::readFile(*o.base);
        if (o.targetTable)
            targetTable = TuningTableText::readFile(*o.targetTable);
        if (o.tune) {
            if (o.tune->endsWith(QLatin1String(".table"), Qt::CaseInsensitive)) {
                tableExport = TableExportFile::readFile(*o.tune);
                fuelTable = tableExport->table();
            } else {
                tuneFile = TuneFile::readFile(*o.tune);
                const QString name = o.table ? *o.table : tuneFile->fuelTableName();
                if (name.isEmpty())
                    throw TuningInputError::at(*o.tune, 0, 0,
                                               QStringLiteral("no fuel table (veTable or "
                                                              "veTable1); name one with --table"));
                fuelTable = tuneFile->table(name);
                const QString target = tuneFile->targetTableName(fuelTable.name);
                if (!target.isEmpty() && !settings.target && !targetTable)
                    tuneTargets = tuneFile->table(target);
            }
            if (o.writeTune && tableExport &&
                !o.writeTune->endsWith(QLatin1String(".table"), Qt::CaseInsensitive))
                throw TuningInputError::at(*o.tune, 0, 0,
                                           QStringLiteral("a table export can be written back "
                                                          "only as a .table file"));
            settings.rpmAxis = fuelTable.rpm.values;
            settings.loadAxis = fuelTable.load.values;
            checkAxisOf(*o.tune, settings.rpmAxis, QStringLiteral("engine speed"));
            checkAxisOf(*o.tune, settings.loadAxis, QStringLiteral("load"));
            settings.base = fuelTable.grid();
            settings.baseDecimals = fuelTable.digits;
            err << "qero4d-cli tune: " << *o.tune << ": took "
                << (fuelTable.name.isEmpty() ? QStringLiteral("the table") : fuelTable.name) << " ("
                << fuelTable.columns << " engine speeds × " << fuelTable.rows << " loads, "
                << (fuelTable.units.isEmpty() ? QStringLiteral("no unit") : fuelTable.units) << ", "
                << fuelTable.digits << " decimals) as the base map and its bins "
                << fuelTable.rpm.name << " and " << fuelTable.load.name << " as the axes";
            if (tuneTargets)
                err << "; the targets from " << tuneTargets->name << " (" << tuneTargets->units
                    << ", " << tuneTargets->columns << " × " << tuneTargets->rows
                    << ", read onto the fuel table's bins)";
            err << "\n";
        }

        // Axes: as typed, else as the pasted tables carry them, else the AFR table's.
        const auto axesFrom = [&](const std::optional<TuningTableText>& t) {
            if (!t || !t->hasAxes() || o.tune)
                return;
            if (!o.rpmAxis) {
                settings.rpmAxis = t->rpmAxis();
                checkAxisOf(t->source(), settings.rpmAxis, QStringLiteral("engine speed"));
                o.rpmAxis = QString();
            }
            if (!o.loadAxis) {
                settings.loadAxis = t->loadAxis();
                checkAxisOf(t->source(), settings.loadAxis, QStringLiteral("load"));
                o.loadAxis = QString();
            }
        };
        if (o.rpmAxis)
            settings.rpmAxis =
                TuningSettings::parseAxis(*o.rpmAxis, QStringLiteral("engine speed"));
        if (o.loadAxis)
            settings.loadAxis = TuningSettings::parseAxis(*o.loadAxis, QStringLiteral("load"));
        axesFrom(baseTable);
        axesFrom(targetTable);
        if (baseTable) {
            settings.base = baseTable->grid(settings.rpmAxis, settings.loadAxis);
            settings.baseDecimals = baseTable->decimals();
        }
        if (targetTable) {
            settings.targetTable = targetTable->grid(settings.rpmAxis, settings.loadAxis);
            const TuningGrid& g = *settings.targetTable;
            for (int r = 0; r < g.rows(); ++r)
                for (int c = 0; c < g.columns(); ++c)
                    if (!(g.at(r, c) > 0))
                        throw TuningInputError::at(targetTable->source(),
                                                   r + (targetTable->hasAxes() ? 2 : 1),
                                                   c + (targetTable->hasAxes() ? 2 : 1),
                                                   QStringLiteral("the target must be above 0"));
        }
    } catch (...) {
        return failed(err);
    }

    std::optional<TuningLog> first;
    std::unique_ptr<TuningWorkbench> bench;
    try {
        // The fuel: as given, else the one the first module log was recorded with.
        if (o.stoich) {
            settings.stoichRatio = *o.stoich;
        } else {
            for (qsizetype i = 0; i < o.inputs.size(); ++i) {
                // A pipe cannot be looked into without being read: the first input, when
                // it is one, is read here and kept, and says its fuel if it knows it.
                const QFileInfo info(o.inputs[i]);
                const bool stream = i == 0 && !o.join && info.exists() && !info.isFile();
                if (!stream && !LogImport::isModuleLog(o.inputs[i]) &&
                    !LogImport::isRecording(o.inputs[i]))
                    continue;
                TuningLog log = sourceFor(o.inputs[i], columns)->read(o.inputs[i]);
                const bool declares = !stream || log.fuelStoichRatio.has_value();
                if (declares)
                    settings.stoichRatio = log.fuelStoichRatio.value_or(Units::kGasolineStoich);
                // A log to be joined is read again, with the engine computer's.
                if (i == 0 && !o.join)
                    first = std::move(log);
                if (declares)
                    break;
            }
        }
        if (tuneTargets) {
            // Lambda targets in the run's units; AFR targets are taken as the fuel's AFR.
            const bool lambda =
                tuneTargets->units.compare(QLatin1String("lambda"), Qt::CaseInsensitive) == 0;
            TuningGrid g = tuneTargets->resampled(settings.rpmAxis, settings.loadAxis);
            if (lambda && settings.stoichRatio != 1.0)
                for (int r = 0; r < g.rows(); ++r)
                    for (int c = 0; c < g.columns(); ++c)
                        g.set(r, c, g.at(r, c) * settings.stoichRatio);
            settings.targetTable = std::move(g);
        }
        bench = std::make_unique<TuningWorkbench>(settings);
        QStringList rest = o.inputs;
        if (first)
            rest.removeFirst();
        Quantity loadQuantity = Quantity::Other;
        QString loadFrom;
        // The engine computer's log every wideband log is joined with.
        std::optional<Log> engine;
        if (o.join) {
            LogReadResult r = LogImport::open(*o.join);
            for (const QString& w : r.warnings)
                err << "qero4d-cli tune: " << *o.join << ": " << w << "\n";
            if (!r.log) {
                err << "qero4d-cli tune: " << r.error << "\n";
                return kFailure;
            }
            engine = std::move(r.log);
        }
        ReadAhead reader(rest, [&](const QString& path) {
            if (!engine)
                return sourceFor(path, columns)->read(path);
            LogReadResult r = LogImport::open(path);
            if (!r.log)
                throw TuningInputError(r.error);
            const LogJoin::Match m = LogJoin::find(*r.log, *engine);
            const QString report = QStringLiteral("offset %1 s, rate %2, match %3")
                                       .arg(m.offset, 0, 'f', 3)
                                       .arg(m.rate, 0, 'f', 6)
                                       .arg(m.score, 0, 'f', 3);
            if (!m.accepted)
                throw JoinRefused(path + QStringLiteral(": ") + report + QStringLiteral("; ") +
                                  m.reason);
            const Log joined = LogJoin::join(*r.log, *engine, m);
            TuningLog log = LogSampleSource::fromLog(joined);
            log.warnings = r.warnings + log.warnings;
            // Said by the reading thread's caller, in the order of the files.
            log.picked =
                QStringLiteral("the join with %1 (%2) and ").arg(*o.join, report) + log.picked;
            TuningSources::applyFilters(log, settings.channelFilters, path, &joined);
            return log;
        });
        for (qsizetype i = 0; i < o.inputs.size(); ++i) {
            const QString& path = o.inputs[i];
            TuningLog log =
                first ? std::move(*first) : reader.take(i - (o.inputs.size() - rest.size()));
            first.reset();
            for (const QString& w : log.warnings)
                err << "qero4d-cli tune: " << path << ": " << w << "\n";
            if (!engine)
                TuningSources::applyFilters(log, settings.channelFilters, path);
            if (!log.picked.isEmpty())
                err << "qero4d-cli tune: " << path << ": took " << log.picked << "\n";
            // A map is laid out over one load: pressure and throttle do not share cells.
            if (log.loadQuantity != Quantity::Other) {
                if (loadQuantity == Quantity::Other) {
                    loadQuantity = log.loadQuantity;
                    loadFrom = path;
                } else if (log.loadQuantity != loadQuantity) {
                    err << "qero4d-cli tune: " << path << ": its load is "
                        << Log::quantityName(log.loadQuantity) << " but the load of " << loadFrom
                        << " is " << Log::quantityName(loadQuantity)
                        << "; one table cannot hold both\n";
                    return kUsage;
                }
            }
            if (log.rowsSkipped > 0)
                err << "qero4d-cli tune: " << path << ": " << log.rowsSkipped
                    << " rows could not be read and were left out\n";
            bench->add(log);
        }
    } catch (...) {
        return failed(err);
    }

    const TuningResult result = bench->result();
    const TuningCounts& n = result.counts;
    err << "qero4d-cli tune: " << n.samples << " samples from " << n.logs << " files, " << n.kept
        << " kept; left out: " << n.noReading << " without a reading, " << n.rpm
        << " below the engine speed, " << n.loadRate << " with the load moving, " << n.afr
        << " outside the lambda range, " << n.warmUp << " in the warm-up";
    for (std::size_t k = 0; k < n.channelFilter.size(); ++k)
        err << ", " << n.channelFilter[k] << " where \"" << settings.channelFilters[qsizetype(k)]
            << "\" did not hold";
    if (n.rowsSkipped > 0)
        err << "; " << n.rowsSkipped << " unreadable rows";
    err << "\n";
    // A grid of nothing but empty cells is no result: a script must not take it for one.
    if (n.kept == 0) {
        err << "qero4d-cli tune: no usable sample";
        if (!o.outPath.isEmpty())
            err << "; " << o.outPath << " is left as it was";
        err << "\n";
        return kFailure;
    }

    QString text;
    if (o.format == QLatin1String("json")) {
        text = json(result);
    } else if (o.format == QLatin1String("csv")) {
        text = TuningResultCsv::text(result);
    } else if (baseTable) {
        text = baseTable->format(result.corrected, settings.baseDecimals);
    } else if (o.tune) {
        text = TuningTableText::formatScreen(result.rpmAxis, result.loadAxis, result.corrected,
                                             settings.baseDecimals);
    } else if (targetTable) {
        text = targetTable->format(result.correction, 1);
    } else {
        text =
            TuningTableText::formatDefault(result.rpmAxis, result.loadAxis, result.correction, 1);
    }
    try {
        if (o.writeTune) {
            QByteArray bytes;
            const bool asTable =
                o.writeTune->endsWith(QLatin1String(".table"), Qt::CaseInsensitive);
            if (tableExport)
                bytes = tableExport->withValues(result.corrected);
            else if (asTable)
                bytes = TableExportFile::write(fuelTable, result.corrected);
            else
                bytes = tuneFile->withValues(fuelTable.name, result.corrected);
            SafeWrite::writeFile(*o.writeTune, bytes);
            err << "qero4d-cli tune: wrote the corrected "
                << (fuelTable.name.isEmpty() ? QStringLiteral("table") : fuelTable.name) << " to "
                << *o.writeTune << "\n";
        }
    } catch (...) {
        return failed(err);
    }
    if (o.outPath.isEmpty()) {
        out << text;
        out.flush();
        return kOk;
    }
    try {
        SafeWrite::writeFile(o.outPath, text.toUtf8());
    } catch (...) {
        err << "qero4d-cli tune: " << ErrorReport::describeCurrentException() << "\n";
        return kFailure;
    }
    return kOk;
}
