// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli erase --port PORT --yes
// Tells the module to erase its log; --yes is the confirmation the window asks for.
int runEraseCommand(const QStringList& args, QTextStream& out, QTextStream& err);
