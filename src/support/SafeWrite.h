#pragma once

#include <QByteArray>
#include <QString>

namespace SafeWrite {

// Replaces the file at `path` with `bytes` only once they are all written: on any
// failure the old file stays as it was and a QeroFailure("Write", reason) is thrown.
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace SafeWrite
