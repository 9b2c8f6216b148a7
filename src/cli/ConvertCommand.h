#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTextStream>

struct LogBuffer;

// qero4d-cli convert IN --to log|csv -o OUT: a log file read as File > Open reads it,
// written again as File > Save writes it, or as a table for spreadsheets and scripts.
int runConvertCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The CSV form: a header row and one row per sample (all 12000), every value the shortest
// text that reads back as the same single-precision number; lines end in LF.
QByteArray logToCsv(const LogBuffer& log);
