// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/CsvSampleSource.h"

#include <QStringList>

// The columns of another tool's CSV file as a first choice for the mapping dialog: the
// names the command line expects, else the names logging tools commonly use (English and
// German), matched without regard to case. The user confirms or changes them.
namespace CsvColumnGuess {
CsvSampleSource::Columns guess(const QStringList& header);
} // namespace CsvColumnGuess
