// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli tune LOG|CSV...: the fuel correction of one or more logs on the engine
// computer's breakpoints, and with a pasted base map the corrected map, ready to paste back.
int runTuneCommand(const QStringList& args, QTextStream& out, QTextStream& err);
