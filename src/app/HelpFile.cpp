// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpFile.h"

#include "support/DataFiles.h"
#include "support/Prompter.h"

#include <QDir>
#include <QFileInfo>

namespace HelpFile {

QString locate(Prompter& prompter) {
    const QString name = QLatin1String(kFileName);
    const QString path = DataFiles::find(name);
    if (QFileInfo::exists(path))
        return path;
    QStringList folders;
    for (const QString& folder : DataFiles::searchFolders())
        folders << QDir::toNativeSeparators(folder);
    prompter.message(QStringLiteral("The help file %1 was not found in %2.\n\nReinstalling the "
                                    "program restores it.")
                         .arg(name, folders.join(QStringLiteral(" or "))),
                     QStringLiteral("Help"), Prompter::Icon::Exclamation, Prompter::Ok);
    return {};
}

bool useOwnViewer(const QString& platformName, const QProcessEnvironment& env) {
    if (platformName == u"offscreen" || platformName == u"minimal" || platformName == u"vnc")
        return true;
    if (platformName == u"xcb" || platformName.startsWith(u"wayland"))
        return env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).isEmpty() &&
               env.value(QStringLiteral("DESKTOP_SESSION")).isEmpty();
    return false; // Windows and macOS always have a browser for local files
}

} // namespace HelpFile
