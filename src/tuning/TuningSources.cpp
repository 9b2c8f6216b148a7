// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningSources.h"

#include "logdata/LogImport.h"
#include "logdata/ModuleLogReader.h"
#include "logdata/RecordingLogReader.h"
#include "support/QeroFailure.h"
#include "tuning/ChannelFilter.h"
#include "tuning/LogFileSampleSource.h"
#include "tuning/LogSampleSource.h"
#include "tuning/RecordingSampleSource.h"
#include "tuning/TuningInputError.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// A CSV laid out in the columns the workbench has always read by default (time, rpm,
// load, afr1) keeps being read by them.
bool hasDefaultColumns(QByteArrayView head) {
    const CsvSampleSource::Preview p = CsvSampleSource::preview(head, 0);
    const CsvSampleSource::Columns d;
    for (const QString& name : {d.time, d.rpm, d.load, d.sensor1}) {
        bool found = false;
        for (const QString& h : p.header)
            found = found || h.trimmed().compare(name, Qt::CaseInsensitive) == 0;
        if (!found)
            return false;
    }
    return true;
}

bool hasDefaultColumns(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && hasDefaultColumns(QByteArrayView(f.read(1 << 16)));
}

bool isTextName(const QString& path) {
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

// A log by its recognised channels, or nullopt where a CSV's channels are not recognised
// and its default columns are to be tried. Throws where no reader takes the file.
std::optional<TuningLog> byChannels(LogReadResult r, bool text, bool large) {
    if (!r.log) {
        if (large)
            throw QeroFailure(QStringLiteral("Tune"), r.error);
        if (!text)
            throw TuningInputError(r.error);
        return std::nullopt;
    }
    try {
        TuningLog log = LogSampleSource::fromLog(*r.log);
        log.warnings = r.warnings + log.warnings;
        return log;
    } catch (const TuningInputError&) {
        if (!text)
            throw;
    }
    return std::nullopt;
}

// Any other log by its recognised channels. A CSV whose channels are not recognised is
// read by the default columns, whose messages say which column is missing. A large file
// no reader takes is refused with the import's reason: its limits hold, and a file of
// zeros or one endless line is not read whole a second time. A pipe or a device is read
// once, into memory, and every reader is tried on those bytes.
class GuessedSource : public TuningSampleSource {
    static constexpr qint64 kSmallFileBytes = qint64(1) << 20;

public:
    TuningLog read(const QString& path) const override {
        const QFileInfo info(path);
        if (info.exists() && !info.isFile())
            return readStream(path);
        if (!hasDefaultColumns(path))
            if (std::optional<TuningLog> log = byChannels(LogImport::open(path), isTextName(path),
                                                          info.size() > kSmallFileBytes))
                return std::move(*log);
        return CsvSampleSource().read(path);
    }

private:
    static TuningLog readStream(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            throw QeroFailure(QStringLiteral("Tune"),
                              path + QStringLiteral(": ") + f.errorString());
        QString why;
        const std::optional<QByteArray> all = LogImport::readStream(f, path, &why);
        if (!all)
            throw QeroFailure(QStringLiteral("Tune"), why);
        const QByteArray& bytes = *all;
        // The module's logs and recordings have readers of their own, as from a file.
        const LogReader* reader = LogImport::choose(bytes, path);
        if (dynamic_cast<const ModuleLogReader*>(reader))
            return LogFileSampleSource::parse(bytes, path);
        if (dynamic_cast<const RecordingLogReader*>(reader))
            return RecordingSampleSource::parse(bytes, path);
        if (!hasDefaultColumns(
                QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 1 << 16))))
            if (std::optional<TuningLog> log =
                    byChannels(LogImport::read(bytes, path), true, bytes.size() > kSmallFileBytes))
                return std::move(*log);
        return CsvSampleSource().parse(bytes, path);
    }
};

} // namespace

std::unique_ptr<TuningSampleSource>
TuningSources::forFile(const QString& path,
                       const std::optional<CsvSampleSource::Columns>& columns) {
    if (LogImport::isModuleLog(path))
        return std::make_unique<LogFileSampleSource>();
    if (LogImport::isRecording(path))
        return std::make_unique<RecordingSampleSource>();
    if (columns)
        return std::make_unique<CsvSampleSource>(*columns);
    return std::make_unique<GuessedSource>();
}

void TuningSources::applyFilters(TuningLog& log, const QStringList& filters, const QString& path,
                                 const Log* source) {
    if (filters.isEmpty())
        return;
    std::vector<ChannelFilter> parsed;
    for (const QString& f : filters)
        parsed.push_back(ChannelFilter::parse(f));
    std::optional<Log> read;
    if (!source) {
        LogReadResult r = LogImport::open(path);
        if (!r.log)
            throw TuningInputError(r.error);
        read = std::move(r.log);
        source = &*read;
    }
    // Each filter's verdict per row of the log, then per sample by its time: a source may
    // leave rows out, never reorder them.
    std::vector<quint8> first(source->rows(), 0);
    for (std::size_t k = parsed.size(); k-- > 0;) {
        const std::vector<bool> holds = parsed[k].evaluate(*source);
        for (std::size_t i = 0; i < holds.size(); ++i)
            if (!holds[i])
                first[i] = quint8(std::min<std::size_t>(k + 1, 255));
    }
    log.filtered.assign(log.size(), 0);
    std::size_t row = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        while (row + 1 < source->rows() && source->time[row] < log.time[i] &&
               std::fabs(source->time[row + 1] - log.time[i]) <=
                   std::fabs(source->time[row] - log.time[i]))
            ++row;
        if (row < first.size())
            log.filtered[i] = first[row];
    }
}

bool TuningSources::needsColumns(const QString& path) {
    if (LogImport::isModuleLog(path) || LogImport::isRecording(path) || hasDefaultColumns(path))
        return false;
    try {
        LogSampleSource().read(path);
        return false;
    } catch (const TuningInputError&) {
        return true;
    }
}
