// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSupport.h"

#include "logdata/LogFileReader.h"
#include "logdata/LogImport.h"
#include "logdata/ModuleLogReader.h"
#include "support/ConfigFile.h"
#include "support/DataFiles.h"
#include "support/QeroFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace CliSupport {

bool wantsHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

QString jsonString(const QString& text) {
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + u'"';
}

namespace {

// " from MIN to MAX", or nothing when any finite number will do.
QString rangeText(double min, double max) {
    if (min <= -kAnyNumber && max >= kAnyNumber)
        return {};
    const auto shown = [](double v) { return QLocale::c().toString(v, 'g', 12); };
    return QStringLiteral(" from %1 to %2").arg(shown(min), shown(max));
}

} // namespace

QString quoted(const QString& text, qsizetype limit) {
    const bool cut = text.size() > limit;
    return u'"' + LogFileReader::printable(cut ? text.left(limit) : text) +
           (cut ? QStringLiteral("...\"") : QStringLiteral("\""));
}

std::optional<double> numberOption(const QString& option, const QString& text, double min,
                                   double max, QString* problem) {
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (ok && std::isfinite(v) && v >= min && v <= max)
        return v;
    if (problem)
        *problem = QStringLiteral("%1: %2 is not a number%3")
                       .arg(option, quoted(text), rangeText(min, max));
    return std::nullopt;
}

std::optional<std::vector<double>> numberListOption(const QString& option, const QString& text,
                                                    double min, double max, QString* problem) {
    std::vector<double> values;
    // Commas, semicolons or blanks separate entries, as the workbench's axis boxes take
    // them; two separators in a row leave an empty entry, which is refused.
    static const QRegularExpression separator(QStringLiteral("\\s*[,;]\\s*|\\s+"));
    const QStringList parts = text.trimmed().split(separator);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const double v = QLocale::c().toDouble(parts[i].trimmed(), &ok);
        if (!ok || !std::isfinite(v) || v < min || v > max) {
            if (problem)
                *problem = QStringLiteral("%1: entry %2 (%3) of %4 is not a number%5")
                               .arg(option)
                               .arg(i + 1)
                               .arg(quoted(parts[i], 20), quoted(text), rangeText(min, max));
            return std::nullopt;
        }
        values.push_back(v);
    }
    return values;
}

bool outputFolderReady(const QString& path, QString* problem) {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    QString why;
    if (path.isEmpty())
        why = QStringLiteral("no file name given");
    else if (target.isDir())
        why = QStringLiteral("it is a folder");
    else if (!folder.exists())
        why = QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    else if (!folder.isDir())
        why = QStringLiteral("%1 is not a folder").arg(folder.filePath());
    else if (!target.exists() && !folder.isWritable())
        why = QStringLiteral("the folder %1 cannot be written").arg(folder.filePath());
    else if (target.exists() && target.isFile() && !target.isWritable() && !folder.isWritable())
        why = QStringLiteral("the file cannot be written");
    if (why.isEmpty())
        return true;
    if (problem)
        *problem = QStringLiteral("Cannot write %1: %2").arg(path, why);
    return false;
}

QString makerLabel() {
    ConfigFile::Lists lists = ConfigFile::defaults();
    const QString path = DataFiles::find(QLatin1String(ConfigFile::kFileName));
    if (QFileInfo::exists(path))
        lists = ConfigFile::parse(ConfigFile::read(path));
    return lists.list2.isEmpty() ? QString() : lists.list2.first();
}

AppState freshState() {
    AppState state;
    state.fram.ClearFRAMBuffer();
    state.log.ClearDataBuffer();
    return state;
}

bool isModuleLog(const QString& path) {
    return LogImport::isModuleLog(path);
}

std::optional<Log> openLog(const QString& path, const QString& command, QTextStream& err) {
    LogReadResult r = LogImport::open(path);
    const QString where =
        QStringLiteral("qero4d-cli %1: %2: ").arg(command, LogFileReader::printable(path));
    for (const QString& w : r.warnings)
        err << where << w << "\n";
    if (!r.log) {
        err << QStringLiteral("qero4d-cli %1: ").arg(command) << r.error << "\n";
        return std::nullopt;
    }
    return std::move(r.log);
}

} // namespace CliSupport
