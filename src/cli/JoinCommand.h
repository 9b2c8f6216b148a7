// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli join WIDEBAND ENGINE -o JOINED.csv: the two logs of one drive matched by their
// engine speeds and written as one.
int runJoinCommand(const QStringList& args, QTextStream& out, QTextStream& err);
