// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FileChooser.h"
#include "support/SettingsStore.h"
#include <QDir>
#include <QStandardPaths>

#include "support/ErrorReport.h"
#include "support/QeroFailure.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool fileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// Runs one pass of a helper under the common error report: Abort ends the helper with
// `aborted`, Retry runs the pass again, Ignore gives up on the choice.
template <typename Pass>
std::optional<QString> reportedPass(Prompter& prompter, const QString& source,
                                    const QString& aborted, Pass pass) {
    for (;;) {
        QString description;
        try {
            return pass();
        } catch (const QeroFailure& f) {
            // The helper's own Cancel reaches the calling command unchanged.
            if (f.source() == source)
                throw;
            description = f.description();
        } catch (...) {
            description = ErrorReport::describeCurrentException();
        }
        switch (ErrorReport::ShowErrorChoice(prompter, description)) {
        case ErrorReport::Choice::Abort:
            throw QeroFailure(source, aborted);
        case ErrorReport::Choice::Ignore:
            return QString();
        case ErrorReport::Choice::Retry:
            break;
        }
    }
}

} // namespace

QString FileChooser::startFolder(const SettingsStore* settings) {
    // The program's own folder (the dialog's choice when given none) is rarely writable
    // and never where users look for their files.
    if (settings) {
        const std::optional<QString> last = settings->value(kLastFolderKey);
        if (last && !last->isEmpty() && QFileInfo(*last).isDir())
            return *last;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void FileChooser::rememberFolder(SettingsStore* settings, const QString& path) {
    if (!settings || path.isEmpty())
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (settings->value(kLastFolderKey) != folder)
        settings->setValue(kLastFolderKey, folder);
}

QString FileChooser::effectiveFilter(const QString& filter) {
    return filter.isEmpty() ? QStringLiteral("All Files (*.*)|*.*") : filter;
}

QString FileChooser::withAllSupported(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList patterns;
    for (qsizetype i = 1; i < parts.size(); i += 2)
        for (const QString& p : parts[i].split(u';', Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (pattern != QLatin1String("*.*") && !patterns.contains(pattern))
                patterns << pattern;
        }
    if (patterns.isEmpty())
        return filter;
    return QStringLiteral("All supported files (%1)|%2|")
               .arg(patterns.join(u' '), patterns.join(u';')) +
           filter;
}

QString FileChooser::withFilterExtension(const QString& path, const QString& filter) {
    if (path.isEmpty())
        return path;
    // The patterns follow the last '|'; only one concrete extension is added.
    const QString patterns = filter.section(u'|', -1).trimmed();
    static const QRegularExpression single(QStringLiteral("^\\*\\.([A-Za-z0-9_]+)$"));
    const QRegularExpressionMatch match = single.match(patterns);
    if (!match.hasMatch())
        return path;
    // A dot in the name itself ("run.2") counts as an extension, as it does in the
    // dialog; a dot only in a folder name does not.
    const QString name = QFileInfo(path).fileName();
    if (name.contains(u'.'))
        return path;
    return path + u'.' + match.captured(1);
}

QString FileChooser::FileOpen(Prompter& prompter, const QString& title, const QString& filter,
                              const QString& message, const QString& folder) {
    const QString source = QStringLiteral("File Open");
    for (;;) {
        // nullopt: ask again.
        const std::optional<QString> result = reportedPass(
            prompter, source, QStringLiteral("Aborted File Open"), [&]() -> std::optional<QString> {
                const QString path = prompter.openFileName(title, effectiveFilter(filter), folder);
                if (path.isEmpty() || fileExists(path))
                    return path;
                QString text = path + u'\n' + QStringLiteral("File not found.");
                if (!message.isEmpty())
                    text += QStringLiteral("\n\n") + message;
                const Prompter::Buttons buttons =
                    message.isEmpty() ? Prompter::Retry | Prompter::Cancel
                                      : Prompter::Yes | Prompter::No | Prompter::Cancel;
                switch (prompter.message(text, QStringLiteral("File Open"),
                                         Prompter::Icon::Exclamation, buttons)) {
                case Prompter::Retry:
                    return std::nullopt;
                case Prompter::Yes:
                    return path;
                case Prompter::No:
                    return QString();
                default:
                    throw QeroFailure(source, QStringLiteral("Canceled File Open"));
                }
            });
        if (result)
            return *result;
    }
}

QString FileChooser::FileSave(Prompter& prompter, const QString& title, const QString& filter,
                              const QString& message, const QString& folder) {
    const QString source = QStringLiteral("File Save");
    const QString question = message.isEmpty() ? QStringLiteral("Replace existing file?") : message;
    for (;;) {
        const std::optional<QString> result = reportedPass(
            prompter, source, QStringLiteral("Aborted File Save"), [&]() -> std::optional<QString> {
                const QString path = withFilterExtension(
                    prompter.saveFileName(title, effectiveFilter(filter), folder), filter);
                if (path.isEmpty() || !QFileInfo::exists(path))
                    return path;
                const QString text = path + u'\n' + QStringLiteral("This file already exists.") +
                                     QStringLiteral("\n\n") + question;
                switch (prompter.message(text, QStringLiteral("File Save"),
                                         Prompter::Icon::Exclamation,
                                         Prompter::Yes | Prompter::No | Prompter::Cancel)) {
                case Prompter::Yes:
                    return path;
                case Prompter::No:
                    return std::nullopt;
                default:
                    throw QeroFailure(source, QStringLiteral("Canceled File Save"));
                }
            });
        if (result)
            return *result;
    }
}
