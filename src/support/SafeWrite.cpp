#include "support/SafeWrite.h"

#include "support/QeroFailure.h"

#include <QSaveFile>

namespace SafeWrite {

void writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // A device or a pipe cannot be replaced by renaming; it is written straight through.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw QeroFailure(QStringLiteral("Write"),
                          QStringLiteral("Cannot create %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw QeroFailure(QStringLiteral("Write"),
                          QStringLiteral("Cannot write %1: %2").arg(path, why));
    }
    if (!file.commit())
        throw QeroFailure(QStringLiteral("Write"),
                          QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace SafeWrite
