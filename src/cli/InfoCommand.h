// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli info LOG [--json]: the header and trailer values of a log file and what the
// reader found wrong with it.
int runInfoCommand(const QStringList& args, QTextStream& out, QTextStream& err);
