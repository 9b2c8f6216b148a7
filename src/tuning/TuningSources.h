// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/CsvSampleSource.h"

#include <QString>

#include <memory>
#include <optional>

// The one place that decides how a file feeds the tuning computation: the module's log,
// a recording, a CSV with its columns named, or any other log by the channels its reader
// recognised.
namespace TuningSources {

// `columns` given: a CSV read by those columns (logs and recordings ignore them).
std::unique_ptr<TuningSampleSource> forFile(const QString& path,
                                            const std::optional<CsvSampleSource::Columns>& columns);

// True when the file needs its columns named before it can be read: a CSV whose channels
// the readers do not recognise (no engine speed, load or ratio found by name).
bool needsColumns(const QString& path);

// Marks the samples of `log` (read from `path`, or from `source` when given) that the
// channel filters leave out. The filters read the channels of the log as the table of
// readers gives it. Throws TuningInputError for a filter that cannot be read or names a
// channel the log does not have.
void applyFilters(TuningLog& log, const QStringList& filters, const QString& path,
                  const Log* source = nullptr);

} // namespace TuningSources
