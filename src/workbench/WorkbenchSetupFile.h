// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class WorkbenchSession;

// A tuning setup as a small text file a tuner can read and keep beside the maps: the
// settings as "key=value" lines under [settings] (named as qero4d-cli tune's options), and
// the pasted base map and target table, as pasted, under [base] and [target].
namespace WorkbenchSetupFile {
QString format(const WorkbenchSession& session);
// Applies a setup to the session; throws TuningInputError naming the line of the first
// problem, and then the session is left as it was.
void apply(WorkbenchSession& session, const QString& text, const QString& source);
// Through the safe writer (QeroFailure when the file cannot be written) and back.
void save(const WorkbenchSession& session, const QString& path);
void load(WorkbenchSession& session, const QString& path);
} // namespace WorkbenchSetupFile
