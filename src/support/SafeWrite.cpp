// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SafeWrite.h"

#include "support/QeroFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SafeWrite {

namespace {

std::atomic<qint64> g_spaceLeft{-1};

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason) {
    throw QeroFailure(QStringLiteral("Write"), QStringLiteral("%1 %2: %3").arg(what, path, reason));
}

// The command line's Ctrl-C hooks, and how many writes are under way (lock-free, so a
// signal handler may read it).
bool (*g_interruptRequested)() = nullptr;
void (*g_interruptStop)() = nullptr;
std::atomic<int> g_writing{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Abandons a write when Ctrl-C was pressed; `abandon` removes what the write left.
void checkInterrupt(const std::function<void()>& abandon) {
    if (!g_interruptRequested || !g_interruptRequested())
        return;
    abandon();
    if (g_interruptStop)
        g_interruptStop();
    fail(QStringLiteral("Cannot write"), QStringLiteral("the file"), QStringLiteral("interrupted"));
}

struct WritingMark {
    WritingMark() { ++g_writing; }
    ~WritingMark() { --g_writing; }
};

QString systemReason(int error) {
    return error ? qt_error_string(error) : QStringLiteral("Unknown error");
}

// Bytes this write may still put down under the test's space limit; sets errno to
// ENOSPC when there is no room left at all.
qint64 allowed(qint64 wanted) {
    qint64 left = g_spaceLeft.load();
    if (left < 0)
        return wanted;
    const qint64 n = qMin(left, wanted);
    g_spaceLeft.store(left - n);
    if (n == 0)
        errno = ENOSPC;
    return n;
}

enum class Target { Regular, Stream };

// What the path names now. A missing path is a regular file to be.
Target classify(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return Target::Regular;
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))
        return Target::Stream;
    if (S_ISSOCK(st.st_mode))
        fail(QStringLiteral("Cannot write"), path, QStringLiteral("it is a socket"));
    if (S_ISBLK(st.st_mode))
        fail(QStringLiteral("Cannot write"), path,
             QStringLiteral("it is a block device (a whole disk or partition)"));
    if (S_ISDIR(st.st_mode))
        fail(QStringLiteral("Cannot write"), path, QStringLiteral("it is a folder"));
    return Target::Regular;
#else
    if (QFileInfo(path).isDir())
        fail(QStringLiteral("Cannot write"), path, QStringLiteral("it is a folder"));
    return Target::Regular;
#endif
}

// Writes all of `bytes` to the open descriptor, through short writes and signals.
// Returns 0 or the system's error number.
int writeAll(int fd, QByteArrayView bytes) {
#ifdef Q_OS_UNIX
    const char* p = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 room = allowed(left);
        if (room == 0)
            return errno;
        const ssize_t n = ::write(fd, p, size_t(room));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno ? errno : EIO;
        }
        p += n;
        left -= n;
    }
    return 0;
#else
    Q_UNUSED(fd);
    Q_UNUSED(bytes);
    return EINVAL;
#endif
}

bool writeStreamTarget(const QString& path, const std::function<bool(const Put&)>& produce) {
#ifdef Q_OS_UNIX
    // No truncation and no creation: the node stays exactly what it is.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("Cannot open"), path, systemReason(errno));
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{fd};
    const Put put = [&](QByteArrayView bytes) {
        checkInterrupt([] {});
        if (const int error = writeAll(fd, bytes))
            fail(QStringLiteral("Cannot write"), path, systemReason(error));
    };
    const bool complete = produce(put);
    closer.fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        fail(QStringLiteral("Cannot write"), path, systemReason(errno));
    return complete;
#else
    Q_UNUSED(produce);
    fail(QStringLiteral("Cannot write"), path, QStringLiteral("it is not a regular file"));
#endif
}

bool writeRegular(const QString& path, const std::function<bool(const Put&)>& produce) {
    // Only here is there a temporary file that ending the program would leave behind; a
    // stream target may be ended at any moment (and may block for good on a pipe).
    const WritingMark mark;
    QSaveFile file(path);
    // After cancelWriting(), commit() removes the temporary file; the program may end
    // right after this, before the destructor would.
    const auto abandon = [&] {
        file.cancelWriting();
        (void)file.commit();
    };
    // Unbuffered: each write reaches the system at once, so its failure comes back here
    // with its own reason instead of "Unknown error" at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("Cannot create"), path, file.errorString());
    const Put put = [&](QByteArrayView bytes) {
        qint64 done = 0;
        while (done < bytes.size()) {
            const qint64 room = allowed(bytes.size() - done);
            errno = room > 0 ? 0 : ENOSPC;
            const qint64 n = room > 0 ? file.write(bytes.data() + done, room) : -1;
            if (n <= 0) {
                const int error = errno;
                const QString reason = error ? systemReason(error) : file.errorString();
                file.cancelWriting();
                fail(QStringLiteral("Cannot write"), path, reason);
            }
            done += n;
        }
        checkInterrupt(abandon);
    };
    if (!produce(put)) {
        file.cancelWriting();
        return false;
    }
#ifdef Q_OS_UNIX
    // Some file systems report a full disk or a lost server only when the data reach
    // the disk; that has to happen before the old file is given up.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS)
        fail(QStringLiteral("Cannot write"), path, systemReason(errno));
#endif
    // The last moment the old file can still be kept.
    checkInterrupt(abandon);
    if (!file.commit())
        fail(QStringLiteral("Cannot save"), path, file.errorString());
    return true;
}

} // namespace

bool writeStream(const QString& path, const std::function<bool(const Put& put)>& produce) {
    if (path.isEmpty())
        fail(QStringLiteral("Cannot write"), QStringLiteral("\"\""),
             QStringLiteral("no file name given"));
    if (classify(path) == Target::Stream)
        return writeStreamTarget(path, produce);
    return writeRegular(path, produce);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    writeStream(path, [&](const Put& put) {
        // In pieces, so that a simulated or real short disk shows within a large file.
        constexpr qsizetype kPiece = 1 << 20;
        for (qsizetype at = 0; at < bytes.size(); at += kPiece)
            put(QByteArrayView(bytes).sliced(at, qMin(kPiece, bytes.size() - at)));
        return true;
    });
}

void setInterruptHooks(bool (*requested)(), void (*stop)()) {
    g_interruptRequested = requested;
    g_interruptStop = stop;
}

bool writing() {
    return g_writing.load() > 0;
}

void setSpaceLimitForTesting(qint64 bytes) {
    g_spaceLeft.store(bytes < 0 ? -1 : bytes);
}

} // namespace SafeWrite
