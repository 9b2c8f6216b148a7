// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

class Prompter;

// The user guide "QERO4D_Log_Help.html", found beside the program or in the installed
// data folder, and the choice of who shows it.
namespace HelpFile {

inline constexpr const char* kFileName = "QERO4D_Log_Help.html";

// The guide's path, or an empty text after telling the user where it was looked for.
QString locate(Prompter& prompter);

// True when the program should show the guide in its own window rather than hand it to
// the desktop's browser: on display-less platforms (offscreen, minimal) and on X or
// Wayland servers without a desktop session (xvfb, a bare window manager), where handing
// it over either fails silently or starts a browser nobody sees.
bool useOwnViewer(const QString& platformName, const QProcessEnvironment& env);

} // namespace HelpFile
