// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What a reader hands back: the log, or why there is none, and what it noticed but
// could live with. Readers never ask and never show anything.
struct LogReadResult {
    std::optional<Log> log;
    QString error; // set when there is no log; for the user, already escaped
    QStringList warnings;

    bool ok() const { return log.has_value(); }
    static LogReadResult failure(QString text) {
        LogReadResult r;
        r.error = std::move(text);
        return r;
    }
};

// Called now and then while a file is read with the bytes done and the whole; returning
// false stops the read (it then fails with LogImport::kCancelled).
using LogReadProgress = std::function<bool(qint64 done, qint64 total)>;

// One file format in the table of readers. A new format is one more reader.
class LogReader {
public:
    virtual ~LogReader() = default;

    // The format's name for messages and filters ("MegaLogViewer binary log").
    virtual QString name() const = 0;
    // The file name extensions the format is saved with, lower case without the dot.
    virtual QStringList extensions() const = 0;

    // How sure the reader is that a file starting with `head` (up to 64 KiB, or the
    // whole file if shorter) and named `path` is its format: 0 not its format, 10 it could
    // read it (a plain text table), 50 the content looks like it, 100 the content carries
    // the format's signature. The reader with the highest answer reads the file.
    virtual int recognise(QByteArrayView head, const QString& path) const = 0;

    // Reads the whole file's bytes. `source` names the file in messages.
    virtual LogReadResult read(QByteArrayView bytes, const QString& source,
                               const LogReadProgress& progress) const = 0;
};
