// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/WorkbenchSession.h"

#include "logdata/LogBuffer.h"
#include "logdata/LogImport.h"
#include "logdata/ModuleLogReader.h"
#include "logdata/RecordingReader.h"
#include "support/SafeWrite.h"
#include "support/Units.h"
#include "tuning/LogFileSampleSource.h"
#include "tuning/LogSampleSource.h"
#include "tuning/RecordingSampleSource.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningResultCsv.h"
#include "tuning/TuningSources.h"

#include <QFileInfo>

#include <memory>

namespace {

TuningCounts difference(const TuningCounts& after, const TuningCounts& before) {
    TuningCounts d;
    d.logs = after.logs - before.logs;
    d.samples = after.samples - before.samples;
    d.kept = after.kept - before.kept;
    d.noReading = after.noReading - before.noReading;
    d.rpm = after.rpm - before.rpm;
    d.loadRate = after.loadRate - before.loadRate;
    d.afr = after.afr - before.afr;
    d.warmUp = after.warmUp - before.warmUp;
    d.rowsSkipped = after.rowsSkipped - before.rowsSkipped;
    return d;
}

bool fits(const std::optional<TuningTableText>& table, const TuningGrid& grid, int rows,
          int columns) {
    return !table || (grid.rows() == rows && grid.columns() == columns);
}

} // namespace

WorkbenchSession::WorkbenchSession() {
    recompute();
}

void WorkbenchSession::setLogInMemory(const LogBuffer& log, const QString& name) {
    if (!m_inputs.empty() && m_inputs.front().isLogInMemory())
        m_inputs.erase(m_inputs.begin());
    if (!log.DataBufferEmpty) {
        WorkbenchInput input;
        input.name = name.isEmpty() ? kLogInMemory : name;
        input.log = LogFileSampleSource::fromBuffer(log, LogBuffer::kSamples, input.name);
        input.source = std::make_shared<const Log>(ModuleLogReader::fromBuffer(log));
        filter(input, m_settings.channelFilters);
        m_inputs.insert(m_inputs.begin(), std::move(input));
    }
    takeStoichRatio();
    recompute();
}

void WorkbenchSession::addFile(const QString& path,
                               const std::optional<CsvSampleSource::Columns>& columns) {
    WorkbenchInput input;
    input.path = path;
    input.name = QFileInfo(path).fileName();
    input.log = TuningSources::forFile(path, columns)->read(path);
    filter(input, m_settings.channelFilters);
    // A map is laid out over one load: a log binned by pressure and one by throttle do
    // not share its cells.
    if (input.log.loadQuantity != Quantity::Other)
        for (const WorkbenchInput& other : m_inputs)
            if (other.log.loadQuantity != Quantity::Other &&
                other.log.loadQuantity != input.log.loadQuantity)
                throw TuningInputError(
                    QStringLiteral("%1: its load is %2, but the load of %3 is %4; one table "
                                   "cannot hold both.")
                        .arg(input.name, Log::quantityName(input.log.loadQuantity), other.name,
                             Log::quantityName(other.log.loadQuantity)));
    m_inputs.push_back(std::move(input));
    takeStoichRatio();
    recompute();
}

void WorkbenchSession::filter(WorkbenchInput& input, const QStringList& filters) const {
    if (filters.isEmpty()) {
        input.log.filtered.clear();
        return;
    }
    TuningSources::applyFilters(input.log, filters, input.path, input.source.get());
}

WorkbenchInput WorkbenchSession::joined(const QString& widebandPath, const QString& name,
                                        const QString& enginePath, LogJoin::Match& m) const {
    LogReadResult wide = LogImport::open(widebandPath);
    if (!wide.log)
        throw TuningInputError(wide.error);
    LogReadResult engine = LogImport::open(enginePath);
    if (!engine.log)
        throw TuningInputError(engine.error);
    m = LogJoin::find(*wide.log, *engine.log);
    if (!m.accepted)
        throw TuningInputError(
            QStringLiteral("%1 and %2: %3").arg(name, QFileInfo(enginePath).fileName(), m.reason));
    WorkbenchInput input;
    input.path = widebandPath;
    input.name = QStringLiteral("%1 + %2").arg(name, QFileInfo(enginePath).fileName());
    input.source = std::make_shared<const Log>(LogJoin::join(*wide.log, *engine.log, m));
    input.log = LogSampleSource::fromLog(*input.source);
    filter(input, m_settings.channelFilters);
    return input;
}

LogJoin::Match WorkbenchSession::joinEngineLog(int index, const QString& enginePath) {
    if (index < 0 || index >= int(m_inputs.size()) || m_inputs[std::size_t(index)].path.isEmpty())
        throw TuningInputError(QStringLiteral("Choose a log added from a file to join."));
    WorkbenchInput& input = m_inputs[std::size_t(index)];
    LogJoin::Match m;
    input = joined(input.path, input.name, enginePath, m);
    recompute();
    return m;
}

LogJoin::Match WorkbenchSession::addJoinedFiles(const QString& widebandPath,
                                                const QString& enginePath) {
    LogJoin::Match m;
    m_inputs.push_back(joined(widebandPath, QFileInfo(widebandPath).fileName(), enginePath, m));
    takeStoichRatio();
    recompute();
    return m;
}

void WorkbenchSession::addLog(TuningLog log, const QString& name) {
    WorkbenchInput input;
    input.path = log.source.isEmpty() ? name : log.source;
    input.name = name;
    input.log = std::move(log);
    m_inputs.push_back(std::move(input));
    takeStoichRatio();
    recompute();
}

void WorkbenchSession::removeInput(int index) {
    if (index < 0 || index >= int(m_inputs.size()))
        return;
    m_inputs.erase(m_inputs.begin() + index);
    takeStoichRatio();
    recompute();
}

void WorkbenchSession::takeStoichRatio() {
    // As the command line does: the fuel of the first log that declares one.
    double ratio = Units::kGasolineStoich;
    for (const WorkbenchInput& input : m_inputs)
        if (input.log.fuelStoichRatio) {
            ratio = *input.log.fuelStoichRatio;
            break;
        }
    m_settings.stoichRatio = ratio;
}

void WorkbenchSession::setSettings(const TuningSettings& settings) {
    TuningSettings next = settings;
    next.rpmAxis = m_settings.rpmAxis;
    next.loadAxis = m_settings.loadAxis;
    next.base = m_settings.base;
    next.baseDecimals = m_settings.baseDecimals;
    next.targetTable = m_settings.targetTable;
    next.stoichRatio = m_settings.stoichRatio;
    next.validate();
    if (next.channelFilters != m_settings.channelFilters) {
        // Every input filtered anew on copies, so a filter that does not fit one log
        // leaves the session as it was.
        std::vector<TuningLog> filtered;
        for (WorkbenchInput& input : m_inputs) {
            WorkbenchInput copy = input;
            filter(copy, next.channelFilters);
            filtered.push_back(std::move(copy.log));
        }
        for (std::size_t i = 0; i < m_inputs.size(); ++i)
            m_inputs[i].log = std::move(filtered[i]);
    }
    m_settings = std::move(next);
    recompute();
}

void WorkbenchSession::setAxes(const std::vector<double>& rpmAxis,
                               const std::vector<double>& loadAxis, bool repeatsAllowed) {
    TuningSettings::checkAxis(rpmAxis, QStringLiteral("engine speed"), repeatsAllowed);
    TuningSettings::checkAxis(loadAxis, QStringLiteral("load"), repeatsAllowed);
    const int rows = int(rpmAxis.size());
    const int columns = int(loadAxis.size());
    const auto refuse = [&](const QString& what, const TuningGrid& g) {
        throw TuningInputError(
            QStringLiteral("The %1 has %2 rows and %3 columns; the new axes need %4 rows and "
                           "%5 columns. Clear the %1 first, or paste one with its axes.")
                .arg(what)
                .arg(g.rows())
                .arg(g.columns())
                .arg(rows)
                .arg(columns));
    };
    if (m_settings.base && !fits(m_baseText, *m_settings.base, rows, columns))
        refuse(QStringLiteral("base map"), *m_settings.base);
    if (m_settings.targetTable && !fits(m_targetText, *m_settings.targetTable, rows, columns))
        refuse(QStringLiteral("target table"), *m_settings.targetTable);
    m_settings.rpmAxis = rpmAxis;
    m_settings.loadAxis = loadAxis;
    recompute();
}

TuningTableText WorkbenchSession::parseTable(const QString& text, const QString& what) const {
    try {
        return TuningTableText::parse(text.toUtf8(), what);
    } catch (const TuningInputError& e) {
        throw TuningInputError(e.message());
    }
}

TuningGrid WorkbenchSession::fitTable(const TuningTableText& table, std::vector<double>& rpmAxis,
                                      std::vector<double>& loadAxis, const QString& what) const {
    const QString expected =
        QStringLiteral("Expected a grid of numbers for the %1: %2 rows (engine speed) by %3 "
                       "columns (load), separated by tabs, or the same with the load axis as "
                       "its first row and the engine-speed axis as its first column.")
            .arg(what)
            .arg(m_settings.rpmAxis.size())
            .arg(m_settings.loadAxis.size());
    try {
        if (table.hasAxes()) {
            rpmAxis = table.rpmAxis();
            loadAxis = table.loadAxis();
            // A map copied from a tune's editor may repeat its last breakpoints.
            TuningSettings::checkAxis(rpmAxis, QStringLiteral("engine speed"), true);
            TuningSettings::checkAxis(loadAxis, QStringLiteral("load"), true);
        }
        return table.grid(rpmAxis, loadAxis);
    } catch (const TuningInputError& e) {
        throw TuningInputError(expected + QStringLiteral("\n\n") + e.message());
    }
}

void WorkbenchSession::pasteBase(const QString& text,
                                 std::optional<TuningTableText::Orientation> orientation) {
    const QString what = QStringLiteral("base map");
    const QString expected =
        QStringLiteral("Expected a grid of numbers for the %1: %2 rows (engine speed) by %3 "
                       "columns (load), separated by tabs.")
            .arg(what)
            .arg(m_settings.rpmAxis.size())
            .arg(m_settings.loadAxis.size());
    TuningTableText table = [&] {
        try {
            return parseTable(text, QStringLiteral("the pasted base map"));
        } catch (const TuningInputError& e) {
            throw TuningInputError(expected + QStringLiteral("\n\n") + e.message());
        }
    }();
    if (orientation && !table.hasAxes())
        table.chooseOrientation(*orientation);
    std::vector<double> rpm = m_settings.rpmAxis;
    std::vector<double> load = m_settings.loadAxis;
    TuningGrid grid = fitTable(table, rpm, load, what);
    if (m_settings.targetTable && (m_settings.targetTable->rows() != grid.rows() ||
                                   m_settings.targetTable->columns() != grid.columns()))
        throw TuningInputError(
            QStringLiteral("The pasted base map has %1 rows and %2 columns, the target table "
                           "%3 rows and %4 columns. Clear the target table first.")
                .arg(grid.rows())
                .arg(grid.columns())
                .arg(m_settings.targetTable->rows())
                .arg(m_settings.targetTable->columns()));
    m_settings.rpmAxis = std::move(rpm);
    m_settings.loadAxis = std::move(load);
    m_settings.base = std::move(grid);
    m_settings.baseDecimals = table.decimals();
    m_baseText = std::move(table);
    m_basePasted = text;
    // The tune's table no longer is the map being corrected.
    m_tuneFile.reset();
    m_tableExport.reset();
    m_tunePath.clear();
    recompute();
}

TuningTableText::Fit WorkbenchSession::pasteFit(const QString& text) const {
    try {
        return TuningTableText::parse(text.toUtf8(), QString())
            .fit(m_settings.rpmAxis.size(), m_settings.loadAxis.size());
    } catch (const TuningInputError&) {
        return TuningTableText::Fit::None;
    }
}

bool WorkbenchSession::layoutIsLoadRows() const {
    const std::optional<TuningTableText>& layout = m_baseText ? m_baseText : m_targetText;
    return layout && layout->orientation() != TuningTableText::Orientation::RpmRows;
}

QString WorkbenchSession::loadTune(const QString& path, const QString& tableName) {
    std::optional<TuneFile> tune;
    std::optional<TableExportFile> exported;
    TuneTable fuel;
    std::optional<TuneTable> target;
    if (path.endsWith(QLatin1String(".table"), Qt::CaseInsensitive)) {
        exported = TableExportFile::readFile(path);
        fuel = exported->table();
    } else {
        tune = TuneFile::readFile(path);
        const QString name = tableName.isEmpty() ? tune->fuelTableName() : tableName;
        if (name.isEmpty())
            throw TuningInputError::at(path, 0, 0,
                                       QStringLiteral("the tune has no fuel table (veTable or "
                                                      "veTable1)"));
        fuel = tune->table(name);
        const QString targetName = tune->targetTableName(fuel.name);
        if (!targetName.isEmpty())
            target = tune->table(targetName);
    }
    TuningSettings s = m_settings;
    s.rpmAxis = fuel.rpm.values;
    s.loadAxis = fuel.load.values;
    s.base = fuel.grid();
    s.baseDecimals = fuel.digits;
    s.targetTable.reset();
    int targetDecimals = 1;
    if (target) {
        // Lambda targets in the run's units; AFR targets are the fuel's AFR.
        TuningGrid g = target->resampled(s.rpmAxis, s.loadAxis);
        if (target->units.compare(QLatin1String("lambda"), Qt::CaseInsensitive) == 0 &&
            s.stoichRatio != 1.0) {
            for (int r = 0; r < g.rows(); ++r)
                for (int c = 0; c < g.columns(); ++c)
                    g.set(r, c, g.at(r, c) * s.stoichRatio);
            targetDecimals = 2;
        }
        s.targetTable = std::move(g);
    }
    s.validate();
    const QString baseText =
        TuningTableText::formatScreen(s.rpmAxis, s.loadAxis, *s.base, fuel.digits);
    m_baseText = TuningTableText::parse(baseText.toUtf8(), QStringLiteral("the tune"));
    m_basePasted = baseText;
    if (s.targetTable) {
        const QString targetText =
            TuningTableText::formatScreen(s.rpmAxis, s.loadAxis, *s.targetTable, targetDecimals);
        m_targetText = TuningTableText::parse(targetText.toUtf8(), QStringLiteral("the tune"));
        m_targetPasted = targetText;
    } else {
        m_targetText.reset();
        m_targetPasted.reset();
    }
    m_settings = std::move(s);
    m_tuneFile = std::move(tune);
    m_tableExport = std::move(exported);
    m_tuneTable = fuel;
    m_tunePath = path;
    recompute();
    QString taken = QStringLiteral("%1: %2 (%3 engine speeds by %4 loads, %5) as the base map "
                                   "and its axes")
                        .arg(QFileInfo(path).fileName(),
                             fuel.name.isEmpty() ? QStringLiteral("the table") : fuel.name)
                        .arg(fuel.columns)
                        .arg(fuel.rows)
                        .arg(fuel.units.isEmpty() ? QStringLiteral("no unit") : fuel.units);
    if (target)
        taken += QStringLiteral("; the targets from %1 (%2), read onto its breakpoints")
                     .arg(target->name, target->units);
    return taken;
}

void WorkbenchSession::saveCorrectedTune(const QString& path) const {
    if (!hasTune())
        throw TuningInputError(QStringLiteral("Load a tune first: the corrected tune is a copy "
                                              "of the tune the base map came from."));
    const QFileInfo in(m_tunePath);
    const QFileInfo out(path);
    if (in.absoluteFilePath() == out.absoluteFilePath() ||
        (out.exists() && in.canonicalFilePath() == out.canonicalFilePath()))
        throw TuningInputError(QStringLiteral("%1 is the tune that was loaded. Save the "
                                              "corrected tune under a new name: the original "
                                              "is never overwritten.")
                                   .arg(path));
    const bool asTable = path.endsWith(QLatin1String(".table"), Qt::CaseInsensitive);
    QByteArray bytes;
    if (m_tableExport) {
        if (!asTable)
            throw TuningInputError(QStringLiteral("A table export is written back as a .table "
                                                  "file."));
        bytes = m_tableExport->withValues(m_result.corrected);
    } else if (asTable) {
        bytes = TableExportFile::write(m_tuneTable, m_result.corrected);
    } else {
        bytes = m_tuneFile->withValues(m_tuneTable.name, m_result.corrected);
    }
    SafeWrite::writeFile(path, bytes);
}

void WorkbenchSession::pasteTarget(const QString& text,
                                   std::optional<TuningTableText::Orientation> orientation) {
    const QString what = QStringLiteral("target table");
    const QString expected =
        QStringLiteral("Expected a grid of target ratios above 0: %1 rows (engine speed) by "
                       "%2 columns (load), separated by tabs.")
            .arg(m_settings.rpmAxis.size())
            .arg(m_settings.loadAxis.size());
    TuningTableText table = [&] {
        try {
            return parseTable(text, QStringLiteral("the pasted target table"));
        } catch (const TuningInputError& e) {
            throw TuningInputError(expected + QStringLiteral("\n\n") + e.message());
        }
    }();
    if (orientation && !table.hasAxes())
        table.chooseOrientation(*orientation);
    std::vector<double> rpm = m_settings.rpmAxis;
    std::vector<double> load = m_settings.loadAxis;
    TuningGrid grid = fitTable(table, rpm, load, what);
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < grid.columns(); ++c)
            if (!(grid.at(r, c) > 0))
                throw TuningInputError(
                    expected +
                    QStringLiteral("\n\nRow %1, column %2 is not above 0.").arg(r + 1).arg(c + 1));
    if (m_settings.base &&
        (m_settings.base->rows() != grid.rows() || m_settings.base->columns() != grid.columns()))
        throw TuningInputError(
            QStringLiteral("The pasted target table has %1 rows and %2 columns, the base map "
                           "%3 rows and %4 columns. Clear the base map first.")
                .arg(grid.rows())
                .arg(grid.columns())
                .arg(m_settings.base->rows())
                .arg(m_settings.base->columns()));
    m_settings.rpmAxis = std::move(rpm);
    m_settings.loadAxis = std::move(load);
    m_settings.targetTable = std::move(grid);
    m_targetText = std::move(table);
    m_targetPasted = text;
    recompute();
}

void WorkbenchSession::clearBase() {
    m_tuneFile.reset();
    m_tableExport.reset();
    m_tunePath.clear();
    m_settings.base.reset();
    m_settings.baseDecimals = 0;
    m_baseText.reset();
    m_basePasted.reset();
    recompute();
}

void WorkbenchSession::clearTargetTable() {
    m_settings.targetTable.reset();
    m_targetText.reset();
    m_targetPasted.reset();
    recompute();
}

void WorkbenchSession::recompute() {
    TuningWorkbench bench(m_settings);
    for (WorkbenchInput& input : m_inputs) {
        const TuningCounts before = bench.counts();
        bench.add(input.log, &input.uses);
        input.counts = difference(bench.counts(), before);
    }
    m_result = bench.result();
    const int columns = int(m_settings.loadAxis.size());
    m_sampleCounts.assign(m_settings.rpmAxis.size() * m_settings.loadAxis.size(), 0);
    for (const WorkbenchInput& input : m_inputs)
        for (const TuningWorkbench::SampleUse& u : input.uses)
            if (u.fate == TuningWorkbench::Fate::Kept)
                ++m_sampleCounts[std::size_t(u.row) * std::size_t(columns) + std::size_t(u.column)];
}

int WorkbenchSession::sampleCount(int row, int column) const {
    const std::size_t k = std::size_t(row) * m_settings.loadAxis.size() + std::size_t(column);
    return k < m_sampleCounts.size() ? m_sampleCounts[k] : 0;
}

const TuningGrid& WorkbenchSession::grid(WorkbenchTable table) const {
    switch (table) {
    case WorkbenchTable::Mean:
        return m_result.mean;
    case WorkbenchTable::Weight:
        return m_result.weight;
    case WorkbenchTable::Correction:
        return m_result.correction;
    case WorkbenchTable::Target:
        return m_result.target;
    case WorkbenchTable::Base:
        return m_result.base;
    case WorkbenchTable::Corrected:
        return m_result.corrected;
    case WorkbenchTable::BankDifference:
        return m_result.bankDifference;
    }
    return m_result.mean;
}

int WorkbenchSession::decimals(WorkbenchTable table) const {
    // Ratios in lambda need a decimal more than AFR.
    const int ratio = m_settings.stoichRatio < 2.0 ? 3 : 2;
    switch (table) {
    case WorkbenchTable::Mean:
    case WorkbenchTable::BankDifference:
        return ratio;
    case WorkbenchTable::Weight:
    case WorkbenchTable::Correction:
        return 1;
    case WorkbenchTable::Target:
        return m_targetText ? m_targetText->decimals() : ratio - 1;
    case WorkbenchTable::Base:
    case WorkbenchTable::Corrected:
        return m_settings.baseDecimals;
    }
    return ratio;
}

QString WorkbenchSession::copyText(WorkbenchTable table, bool withAxes) const {
    TuningGrid values = grid(table);
    if (!values.isValid())
        values = TuningGrid(int(m_settings.rpmAxis.size()), int(m_settings.loadAxis.size()));
    const int d = decimals(table);
    const std::optional<TuningTableText>& layout = m_baseText ? m_baseText : m_targetText;
    if (layout && layout->hasAxes() == withAxes)
        return layout->format(values, d);
    if (withAxes)
        return TuningTableText::formatDefault(m_result.rpmAxis, m_result.loadAxis, values, d);
    return TuningTableText::formatGrid(values, d);
}

QString WorkbenchSession::csvText() const {
    return TuningResultCsv::text(m_result);
}

std::vector<WorkbenchSession::SampleRef> WorkbenchSession::samplesOf(int row, int column) const {
    std::vector<SampleRef> out;
    for (int i = 0; i < int(m_inputs.size()); ++i) {
        const auto& uses = m_inputs[std::size_t(i)].uses;
        for (int k = 0; k < int(uses.size()); ++k) {
            const TuningWorkbench::SampleUse& u = uses[std::size_t(k)];
            if (u.fate == TuningWorkbench::Fate::Kept && u.row == row && u.column == column)
                out.push_back({i, k});
        }
    }
    return out;
}
