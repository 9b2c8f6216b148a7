// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QTextStream;

// qero4d-cli live --port PORT [--count N]: the live values, one line per polling cycle.
int runLiveCommand(const QStringList& args, QTextStream& out, QTextStream& err);
