// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>

class Prompter;
class QCustomPlot;
class SettingsStore;

// The chart windows' Save Picture and Export Data: the file dialog (starting in the folder
// used last), the extension a bare name gets, and the write through the atomic writer.
// Throw QeroFailure when the file cannot be written.
namespace PlotFiles {

// What `plot` shows, at its size on the screen, as a PNG or a vector PDF.
void savePicture(Prompter& prompter, QCustomPlot& plot, SettingsStore* settings);
// The CSV `bytes` makes, asked for only once a file is chosen.
void exportData(Prompter& prompter, SettingsStore* settings,
                const std::function<QByteArray()>& bytes);

} // namespace PlotFiles
