// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QTextStream;

// qero4d-cli fuel --port PORT (--fuel NAME | --user NAME --ratio R): writes the fuel's
// scale factor into the module and verifies it by reading it back.
int runFuelCommand(const QStringList& args, QTextStream& out, QTextStream& err);
