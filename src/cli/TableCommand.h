// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli table LOG [LOG ...]: the AFR table of one or more log files, as the AFR table
// window builds it, printed as text, CSV or JSON.
int runTableCommand(const QStringList& args, QTextStream& out, QTextStream& err);
