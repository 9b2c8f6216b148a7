// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli convert IN --to log|csv -o OUT: a log file read as File > Open reads it,
// written again as File > Save writes it, or as a table for spreadsheets and scripts.
int runConvertCommand(const QStringList& args, QTextStream& out, QTextStream& err);
