#include "tuning/TuningSources.h"

#include "logdata/LogImport.h"
#include "logdata/RecordingReader.h"
#include "tuning/LogFileSampleSource.h"
#include "tuning/LogSampleSource.h"
#include "tuning/RecordingSampleSource.h"
#include "tuning/TuningInputError.h"

#include <QFile>

namespace {

// A CSV laid out in the columns the workbench has always read by default (time, rpm,
// load, afr1) keeps being read by them.
bool hasDefaultColumns(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const CsvSampleSource::Preview p = CsvSampleSource::preview(f.read(1 << 16), 0);
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

// Any other log by its recognised channels; a file no reader takes, or whose channels
// are not recognised, is read as a CSV by the default columns, whose messages say which
// column is missing.
class GuessedSource : public TuningSampleSource {
public:
    TuningLog read(const QString& path) const override {
        if (!hasDefaultColumns(path)) {
            try {
                return LogSampleSource().read(path);
            } catch (const TuningInputError&) {
                if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) &&
                    !path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
                    throw;
            }
        }
        return CsvSampleSource().read(path);
    }
};

} // namespace

std::unique_ptr<TuningSampleSource>
TuningSources::forFile(const QString& path,
                       const std::optional<CsvSampleSource::Columns>& columns) {
    if (LogImport::isModuleLog(path))
        return std::make_unique<LogFileSampleSource>();
    if (RecordingReader::isRecordingFile(path))
        return std::make_unique<RecordingSampleSource>();
    if (columns)
        return std::make_unique<CsvSampleSource>(*columns);
    return std::make_unique<GuessedSource>();
}

bool TuningSources::needsColumns(const QString& path) {
    if (LogImport::isModuleLog(path) || RecordingReader::isRecordingFile(path) ||
        hasDefaultColumns(path))
        return false;
    try {
        LogSampleSource().read(path);
        return false;
    } catch (const TuningInputError&) {
        return true;
    }
}
