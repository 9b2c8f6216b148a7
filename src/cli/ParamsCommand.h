// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli params --port PORT [--set interval=S] [--set pulses=N] [--set debounce=MS]
//                               [--set brightness=PCT]
// Shows the module's four parameters; with --set, checks the new values as the parameter
// panel does, writes them, reads them back and shows the result.
int runParamsCommand(const QStringList& args, QTextStream& out, QTextStream& err);
