#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli download --port PORT -o OUT.log [--image IMAGE] [--comment TEXT]
// Reads the module's whole memory, decodes it and writes the log file (and the raw memory).
int runDownloadCommand(const QStringList& args, QTextStream& out, QTextStream& err);
