#pragma once

#include <QStringList>
#include <QTextStream>

#include <functional>

struct AppState;

// qero4d-cli chart LOG -o OUT.png|OUT.pdf [--trace1 Q] [--trace2 Q] [--from S] [--to S]
//                      [--size WxH]
// Draws the chart of a log file as the chart window shows it, without a display.
int runChartCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The same, reading the log with `loadLog`, which fills the state from a file and
// returns false with a message when it cannot.
using ChartLogLoader = std::function<bool(const QString& path, AppState& state, QString& error)>;
int runChartCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                    const ChartLogLoader& loadLog);
