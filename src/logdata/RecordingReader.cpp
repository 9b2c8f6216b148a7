// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/RecordingReader.h"

#include "support/QeroFailure.h"

#include <QFile>

namespace {

const QString kSource = QStringLiteral("Open Recording");
constexpr qint64 kChunk = 1 << 20;

} // namespace

RecordingReader::Result RecordingReader::read(QIODevice& device, const RowFunction& row) {
    Result r;
    QByteArray pending;
    int line = 0; // lines taken so far
    bool done = false;
    const auto take = [&](QByteArrayView text) {
        if (line == 0) {
            if (!RecordingFormat::isRecording(text))
                throw QeroFailure(kSource, kNotARecording);
            r.info = RecordingFormat::parseComment(text);
        } else if (line > 1) {
            RecordingRow value;
            if (!RecordingFormat::parseRow(text, value))
                ++r.rowsSkipped;
            else if (!row(r.rows++, value)) {
                r.stopped = true;
                done = true;
            }
        }
        ++line;
    };
    while (!done) {
        const QByteArray chunk = device.read(kChunk);
        if (chunk.isEmpty()) {
            if (!device.atEnd() && device.isSequential() == false)
                throw QeroFailure(
                    kSource, QStringLiteral("Cannot read the file: %1").arg(device.errorString()));
            break;
        }
        pending.append(chunk);
        qsizetype start = 0;
        for (qsizetype nl = pending.indexOf('\n', start); nl >= 0 && !done;
             nl = pending.indexOf('\n', start)) {
            take(QByteArrayView(pending).sliced(start, nl - start));
            start = nl + 1;
        }
        pending.remove(0, start);
        // The signature is in the first bytes: a large file of something else is not
        // read to its end to find that out.
        if (line == 0 && pending.size() >= qsizetype(sizeof RecordingFormat::kSignature) &&
            !RecordingFormat::isRecording(pending))
            throw QeroFailure(kSource, kNotARecording);
    }
    if (line == 0 && !RecordingFormat::isRecording(pending))
        throw QeroFailure(kSource, kNotARecording);
    r.lastLineCut = !done && !pending.isEmpty();
    return r;
}

RecordingReader::Result RecordingReader::readFile(const QString& path, const RowFunction& row) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(kSource,
                          QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    return read(file, row);
}
