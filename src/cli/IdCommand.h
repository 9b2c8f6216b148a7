// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QTextStream;

// qero4d-cli id --port PORT: the module's firmware identification, model and revision.
int runIdCommand(const QStringList& args, QTextStream& out, QTextStream& err);
