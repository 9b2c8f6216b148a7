// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogJoin.h"
#include "tuning/CsvSampleSource.h"
#include "tuning/TableExportFile.h"
#include "tuning/TuneFile.h"
#include "tuning/TuningLog.h"
#include "tuning/TuningResult.h"
#include "tuning/TuningSettings.h"
#include "tuning/TuningTableText.h"
#include "tuning/TuningWorkbench.h"
#include "workbench/WorkbenchTable.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct LogBuffer;

// One log the workbench learns from: the log in memory (a copy of its samples, so the
// workbench can never change it) or a file the user added.
struct WorkbenchInput {
    QString name;
    // Empty for the log in memory.
    QString path;
    TuningLog log;
    // The log the samples came from, where it is not a file to read again (the log in
    // memory, a joined log): the channel filters read its channels.
    std::shared_ptr<const Log> source;
    // What the last run made of this log alone, and of each of its samples.
    TuningCounts counts;
    std::vector<TuningWorkbench::SampleUse> uses;
    bool isLogInMemory() const { return path.isEmpty(); }
};

// Everything the tuning workbench window shows, without the window: the logs in use, the
// settings, the pasted tables and the result, recomputed whenever one of them changes.
// Input that cannot be used throws TuningInputError with a message saying what was
// expected, and leaves the session as it was.
class WorkbenchSession {
public:
    WorkbenchSession();

    static inline const QString kLogInMemory = QStringLiteral("Log in memory");

    // Takes the samples of the log in memory as the first input, replacing an earlier
    // copy; an empty buffer removes it. `name` is what the list of logs calls it (its file
    // name); empty: kLogInMemory.
    void setLogInMemory(const LogBuffer& log, const QString& name = QString());
    // Reads a .log file, a recording or another tool's CSV file. Throws QeroFailure when
    // the file cannot be read, TuningInputError when it cannot be used.
    // `columns` names a CSV's columns; without them a CSV is read by the channels its
    // reader recognised (or the default column names).
    void addFile(const QString& path,
                 const std::optional<CsvSampleSource::Columns>& columns = std::nullopt);
    // Joins the file input `index` (the wideband's log) with the engine computer's log of
    // the same drive: its samples then take the load from the engine computer. Throws
    // TuningInputError when the logs do not match, leaving the input as it was.
    LogJoin::Match joinEngineLog(int index, const QString& enginePath);
    // Adds the wideband's log joined with the engine computer's in one step (a wideband
    // log without a load of its own cannot be added alone).
    LogJoin::Match addJoinedFiles(const QString& widebandPath, const QString& enginePath);
    // Samples read elsewhere, under this name.
    void addLog(TuningLog log, const QString& name);
    void removeInput(int index);
    const std::vector<WorkbenchInput>& inputs() const { return m_inputs; }

    const TuningSettings& settings() const { return m_settings; }
    // Checks and takes new settings (axes, base and target tables are kept as they are).
    void setSettings(const TuningSettings& settings);
    // New breakpoints; refused while a base map or a target table of another size is set.
    // Breakpoints that repeat (as a tune's last ones may) only with `repeatsAllowed`: axes
    // that came from a pasted map or a tune, as a setup file keeps them.
    void setAxes(const std::vector<double>& rpmAxis, const std::vector<double>& loadAxis,
                 bool repeatsAllowed = false);

    // A table as pasted from a spreadsheet or an engine computer's table editor. With
    // its axes they become the workbench's axes; without them the grid must fit the axes.
    // A bare grid that fits the axes both ways is read as `orientation` (engine-speed rows
    // when none is given, as pastes always were); pasteFit() says when to ask.
    void pasteBase(const QString& text,
                   std::optional<TuningTableText::Orientation> orientation = std::nullopt);
    void pasteTarget(const QString& text,
                     std::optional<TuningTableText::Orientation> orientation = std::nullopt);
    TuningTableText::Fit pasteFit(const QString& text) const;
    // True when the map in use is laid out in load rows (it came from a tune, or was pasted
    // so): a bare grid that fits both ways is then worth a question.
    bool layoutIsLoadRows() const;

    // Axes, base map and targets from a TunerStudio tune (.msq; `table` names its fuel
    // table, veTable or veTable1 by default) or table export (.table) in one step. The
    // target table is read onto the fuel table's bins; copies are then laid out as
    // TunerStudio shows a table. Returns what was taken, for the window to show.
    QString loadTune(const QString& path, const QString& table = QString());
    bool hasTune() const { return m_tuneFile.has_value() || m_tableExport.has_value(); }
    const QString& tunePath() const { return m_tunePath; }
    // A copy of the tune with the corrected fuel table (.msq), or a table export
    // (.table), written through the atomic writer. Refuses the tune's own file.
    void saveCorrectedTune(const QString& path) const;
    void clearBase();
    void clearTargetTable();
    bool hasBase() const { return m_baseText.has_value(); }
    bool hasTargetTable() const { return m_targetText.has_value(); }
    // The pasted text of the tables, as a setup file keeps them.
    const std::optional<QString>& baseText() const { return m_basePasted; }
    const std::optional<QString>& targetText() const { return m_targetPasted; }

    // The fuel ratio of the first log that declares one (14.69 without).
    double stoichRatio() const { return m_settings.stoichRatio; }

    void recompute();
    const TuningResult& result() const { return m_result; }
    const TuningGrid& grid(WorkbenchTable table) const;
    int decimals(WorkbenchTable table) const;
    // Tab-separated, as an engine computer's table editor takes it; with the axes in the
    // layout of the pasted base map (else of the target table, else the default one).
    QString copyText(WorkbenchTable table, bool withAxes) const;
    // Every grid, one line per cell.
    QString csvText() const;

    // Samples kept in a cell, as (input, sample) pairs.
    struct SampleRef {
        int input;
        int sample;
        bool operator==(const SampleRef&) const = default;
    };
    std::vector<SampleRef> samplesOf(int row, int column) const;
    // How many samples were kept in a cell (the cell nearest their operating point).
    int sampleCount(int row, int column) const;

private:
    TuningTableText parseTable(const QString& text, const QString& what) const;
    TuningGrid fitTable(const TuningTableText& table, std::vector<double>& rpmAxis,
                        std::vector<double>& loadAxis, const QString& what) const;
    void takeStoichRatio();
    // Marks the samples the channel filters leave out; throws TuningInputError.
    void filter(WorkbenchInput& input, const QStringList& filters) const;
    // The wideband's file joined with the engine's, as an input; throws TuningInputError.
    WorkbenchInput joined(const QString& widebandPath, const QString& name,
                          const QString& enginePath, LogJoin::Match& match) const;

    std::vector<WorkbenchInput> m_inputs;
    TuningSettings m_settings;
    std::optional<TuningTableText> m_baseText;
    std::optional<TuningTableText> m_targetText;
    std::optional<QString> m_basePasted;
    std::optional<QString> m_targetPasted;
    std::optional<TuneFile> m_tuneFile;
    std::optional<TableExportFile> m_tableExport;
    TuneTable m_tuneTable;
    QString m_tunePath;
    TuningResult m_result;
    std::vector<int> m_sampleCounts;
};
