// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogImport.h"

#include "logdata/CsvLogReader.h"
#include "logdata/HaltechLogReader.h"
#include "logdata/LogFileReader.h"
#include "logdata/MlgLogReader.h"
#include "logdata/ModuleLogReader.h"
#include "logdata/MslLogReader.h"
#include "logdata/RecordingLogReader.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

constexpr qint64 kHeadBytes = 64 * 1024;

QString formatsTried() {
    QStringList names;
    for (const LogReader* r : LogImport::readers())
        names.append(r->name());
    return names.join(QStringLiteral(", "));
}

QString notALog(const QString& source) {
    return QStringLiteral("%1 is not a log this program can read. Formats tried: %2.")
        .arg(LogFileReader::printable(source), formatsTried());
}

// A regular file, not a device, a pipe or a socket that would hand out bytes forever.
bool isRegularFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString sizeText(qint64 bytes) {
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 0);
}

} // namespace

const std::vector<const LogReader*>& LogImport::readers() {
    // Most specific first: a signature beats a plain text table of the same score.
    static const ModuleLogReader moduleLog;
    static const RecordingLogReader recording;
    static const MlgLogReader mlg;
    static const HaltechLogReader haltech;
    static const MslLogReader msl;
    // Any text table: last, so that every format with a signature or a shape of its own
    // is asked before it.
    static const CsvLogReader csv;
    static const std::vector<const LogReader*> table{&moduleLog, &recording, &mlg,
                                                     &haltech,   &msl,       &csv};
    return table;
}

const LogReader* LogImport::choose(QByteArrayView head, const QString& path) {
    const LogReader* best = nullptr;
    int bestScore = 0;
    for (const LogReader* r : readers()) {
        const int score = r->recognise(head, path);
        if (score > bestScore) {
            best = r;
            bestScore = score;
        }
    }
    return best;
}

LogReadResult LogImport::read(QByteArrayView bytes, const QString& source,
                              const LogReadProgress& progress) {
    const LogReader* reader =
        choose(bytes.first(std::min<qsizetype>(bytes.size(), kHeadBytes)), source);
    if (!reader)
        return LogReadResult::failure(notALog(source));
    LogReadResult r = reader->read(bytes, source, progress);
    if (r.log) {
        r.log->source = source;
        if (r.log->format.isEmpty())
            r.log->format = reader->name();
    }
    return r;
}

LogReadResult LogImport::open(const QString& path, const LogReadProgress& progress) {
    const QString shown = LogFileReader::printable(path);
    QFile file(path);
    if (QFileInfo(path).isDir())
        return LogReadResult::failure(QStringLiteral("%1 is a folder, not a log file.").arg(shown));
    if (!file.open(QIODevice::ReadOnly))
        return LogReadResult::failure(
            QStringLiteral("Cannot open %1: %2").arg(shown, file.errorString()));
    if (isRegularFile(path)) {
        const qint64 size = file.size();
        if (size > kMaxFileBytes)
            return LogReadResult::failure(
                QStringLiteral("%1 is %2; a log file of more than %3 is not read.")
                    .arg(shown, sizeText(size), sizeText(kMaxFileBytes + 1)));
        if (size == 0)
            return LogReadResult::failure(QStringLiteral("%1 is empty.").arg(shown));
        // Mapped rather than copied: a long log is read where it lies, and only the
        // channels it holds take memory of their own.
        if (uchar* data = file.map(0, size)) {
            LogReadResult r =
                read(QByteArrayView(reinterpret_cast<const char*>(data), size), path, progress);
            file.unmap(data);
            return r;
        }
        const QByteArray all = file.readAll();
        if (all.size() != size)
            return LogReadResult::failure(
                QStringLiteral("Cannot read %1: %2").arg(shown, file.errorString()));
        return read(all, path, progress);
    }
    QString why;
    const std::optional<QByteArray> all = readStream(file, path, &why, progress);
    if (!all)
        return LogReadResult::failure(why);
    if (all->isEmpty())
        return LogReadResult::failure(QStringLiteral("%1 is empty.").arg(shown));
    return read(*all, path, progress);
}

std::optional<QByteArray> LogImport::readStream(QIODevice& device, const QString& path,
                                                QString* error, const LogReadProgress& progress) {
    // A pipe hands over what it holds at each read, not all that is asked for.
    QByteArray all;
    while (true) {
        const QByteArray chunk = device.read(1 << 20);
        if (chunk.isEmpty())
            return all;
        all.append(chunk);
        if (all.size() > kMaxStreamBytes) {
            *error = QStringLiteral("%1 gave more than %2 without ending; a log read from a "
                                    "pipe or a device is read up to %2.")
                         .arg(LogFileReader::printable(path), sizeText(kMaxStreamBytes));
            return std::nullopt;
        }
        if (progress && !progress(all.size(), 0)) {
            *error = kCancelled;
            return std::nullopt;
        }
    }
}

bool LogImport::isModuleLog(const QString& path) {
    const bool named =
        QFileInfo(path).suffix().compare(QLatin1String("log"), Qt::CaseInsensitive) == 0;
    if (!isRegularFile(path))
        return named || !QFileInfo::exists(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return true; // the log reader gives the system's reason
    const LogReader* reader = choose(f.read(kHeadBytes), path);
    // A file no reader takes stays with the log reader when it is named as a log, so that
    // its messages are those File > Open has always given.
    return reader ? dynamic_cast<const ModuleLogReader*>(reader) != nullptr : named;
}

bool LogImport::isRecording(const QString& path) {
    if (!isRegularFile(path))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return dynamic_cast<const RecordingLogReader*>(choose(f.read(kHeadBytes), path)) != nullptr;
}

QStringList LogImport::dialogFilters() {
    QStringList patterns;
    QStringList each;
    for (const LogReader* r : readers()) {
        QStringList mine;
        for (const QString& e : r->extensions()) {
            mine.append(QStringLiteral("*.") + e);
            if (!patterns.contains(mine.last()))
                patterns.append(mine.last());
        }
        each.append(QStringLiteral("%1 (%2)").arg(r->name(), mine.join(u' ')));
    }
    QStringList filters{QStringLiteral("All supported files (%1)").arg(patterns.join(u' '))};
    filters += each;
    filters.append(QStringLiteral("All files (*)"));
    return filters;
}
