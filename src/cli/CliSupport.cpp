#include "cli/CliSupport.h"

#include "logdata/LogFileReader.h"
#include "logdata/LogImport.h"
#include "logdata/ModuleLogReader.h"
#include "support/ConfigFile.h"
#include "support/DataFiles.h"
#include "support/QeroFailure.h"

#include <QFile>
#include <QFileInfo>

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

QString makerLabel() {
    ConfigFile::Lists lists = ConfigFile::defaults();
    const QString path = DataFiles::find(QLatin1String(ConfigFile::kFileName));
    if (QFileInfo::exists(path)) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            throw QeroFailure(QStringLiteral("Configuration File"),
                              QStringLiteral("Cannot read %1: %2").arg(path, f.errorString()));
        lists = ConfigFile::parse(f.readAll());
    }
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
