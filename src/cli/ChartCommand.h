// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>

class QCoreApplication;
struct AppState;

// qero4d-cli chart LOG -o OUT.png|OUT.pdf [--trace1 Q] [--trace2 Q] [--from S] [--to S]
//                      [--size WxH]
// Draws the chart of a log file as the chart window shows it, without a display.
int runChartCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The same with the log read by `loadLog`, which fills the state from a file and returns
// false with a message when it cannot.
using ChartLogLoader = std::function<bool(const QString& path, AppState& state, QString& error)>;
int runChartCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                    const ChartLogLoader& loadLog);

// Drawing needs a widget application object rather than a plain core one: the program
// makes this one instead when it runs the chart command. Without a display (and no
// platform chosen) it draws offscreen.
std::unique_ptr<QCoreApplication> createChartApplication(int& argc, char** argv);
