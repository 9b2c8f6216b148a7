// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QTextStream;

// qero4d-cli scan [--last N]: looks for the QERO on ports 1 to N (15).
int runScanCommand(const QStringList& args, QTextStream& out, QTextStream& err);
