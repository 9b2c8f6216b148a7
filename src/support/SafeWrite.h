// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// The one way this program writes an output file. A regular file is written beside its
// target and renamed over it only when every byte has reached the disk, so a full disk,
// a lost drive or a cancel leaves the old file byte for byte and never half a file. A
// character device or FIFO named as the target (/dev/stdout, /dev/null, a pipe) is
// written into as a stream and never replaced or unlinked; a socket, a block device or
// a folder is refused. Every failure throws QeroFailure("Write", ...) naming the file
// and the system's reason.
namespace SafeWrite {

void writeFile(const QString& path, const QByteArray& bytes);

// Hands `produce` a function that appends bytes to the file. `produce` returns false to
// cancel: the old file stays as it was (a stream target keeps what it was sent) and
// writeStream returns false. True when the file is complete and in place.
using Put = std::function<void(QByteArrayView)>;
bool writeStream(const QString& path, const std::function<bool(const Put& put)>& produce);

// Ctrl-C as the command line handles it. `requested` is asked after each piece and just
// before a regular file replaces the old one; when it says yes the write is abandoned (the
// old file stays, a stream keeps what it was sent) and `stop` is called, which ends the
// program. Null hooks (the default) ask nothing.
void setInterruptHooks(bool (*requested)(), void (*stop)());
// True while a regular file is being written beside its target in this process, so that a
// signal handler leaves the stopping to the write (its temporary file would stay behind
// otherwise). Safe to call
// from a signal handler.
bool writing();

// Tests: every write beyond this many bytes from now on fails as on a full disk
// (ENOSPC); a negative limit turns the simulation off.
void setSpaceLimitForTesting(qint64 bytes);

} // namespace SafeWrite
