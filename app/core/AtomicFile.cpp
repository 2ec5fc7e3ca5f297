#include "app/core/AtomicFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

constexpr char kTemporaryMark[] = ".part-";
constexpr int kTailLength = 10;

// True when text is made of digits and the lower-case letters up to lastLetter.
bool consistsOfDigits(const QByteArray &text, char lastLetter)
{
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= lastLetter)))
            return false;
    }
    return true;
}

QString randomTail()
{
    // Ten base-36 digits: a smaller number is padded, so every tail has the same length.
    return QString::number(QRandomGenerator::global()->generate64(), 36).left(kTailLength).rightJustified(kTailLength, QLatin1Char('0'));
}

// A temporary file beside the target. Only commit() puts it in the target's
// place, after the bytes are on disk; anything else removes it. Every step
// goes through the folder opened first: a share unmounted mid-write is still
// the folder the file lands in, and the file is found there whole or not at all.
class PendingFile
{
public:
    // folderFd: the target's folder already open, or -1 to open it from the path.
    PendingFile(const QString &target, int folderFd)
        : m_target(target), m_name(QFile::encodeName(QFileInfo(target).fileName())), m_given(folderFd)
    {
    }
    ~PendingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        // Through the folder held since the start; an SMB share may hold the closed file a moment.
        if (!m_temporary.isEmpty())
            AtomicFile::remove(m_dir, m_temporary, 1000);
        if (m_dir >= 0)
            ::close(m_dir);
    }
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    bool open(QString *error)
    {
        const QFileInfo info(m_target);
        m_dir = m_given >= 0 ? ::fcntl(m_given, F_DUPFD_CLOEXEC, 0)
                             : ::open(QFile::encodeName(info.absolutePath()).constData(),
                                      O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_dir < 0)
            return fail(QStringLiteral("无法写入 %1: %2").arg(m_target, systemError(errno)), error);
        m_fd = createTemporary(m_dir, info.fileName(), &m_temporary);
        if (m_fd < 0)
            return fail(QStringLiteral("无法写入 %1: %2").arg(m_target, systemError(errno)), error);
        return true;
    }

    bool write(const char *data, qint64 size, QString *error)
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size_t(size));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return fail(QStringLiteral("写入失败 %1: %2").arg(m_target, systemError(errno)), error);
            }
            data += n;
            size -= n;
            m_written += n;
        }
        return true;
    }

    // Flushed to disk and checked for its full size before it replaces the target:
    // a share that runs full or drops the connection fails here, not after the rename.
    bool commit(QString *error)
    {
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != ENOTSUP)
            return fail(QStringLiteral("写入失败 %1: %2").arg(m_target, systemError(errno)), error);
        struct stat written = {};
        if (::fstat(m_fd, &written) != 0 || written.st_size != m_written)
            return fail(QStringLiteral("写入不完整 %1: %2/%3 字节")
                            .arg(m_target)
                            .arg(qint64(written.st_size))
                            .arg(m_written),
                        error);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            return fail(QStringLiteral("写入失败 %1: %2").arg(m_target, systemError(errno)), error);
        if (::renameat(m_dir, m_temporary.constData(), m_dir, m_name.constData()) != 0)
            return fail(QStringLiteral("无法写入 %1: %2").arg(m_target, systemError(errno)), error);
        m_temporary.clear();
        // Only a file that is really there counts as written.
        struct stat placed = {};
        if (::fstatat(m_dir, m_name.constData(), &placed, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(placed.st_mode)
            || placed.st_size != m_written)
            return fail(QStringLiteral("目标文件不存在: %1").arg(m_target), error);
        return true;
    }

private:
    static bool fail(const QString &why, QString *error)
    {
        if (error)
            *error = why;
        return false;
    }

    QString m_target;
    QByteArray m_name;
    QByteArray m_temporary;
    int m_given = -1;
    int m_dir = -1;
    int m_fd = -1;
    qint64 m_written = 0;
};

} // namespace

bool copy(const QString &source, const QString &target, QString *error, int folderFd)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    PendingFile out(target, folderFd);
    if (!out.open(error))
        return false;
    constexpr qint64 chunk = 4 * 1024 * 1024;
    QByteArray buffer(int(chunk), Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunk);
        if (n < 0) {
            if (error)
                *error = in.errorString();
            return false;
        }
        if (n == 0)
            break;
        if (!out.write(buffer.constData(), n, error))
            return false;
    }
    // A source that shrank or grew while being read is not the file that was picked.
    if (in.size() != in.pos()) {
        if (error)
            *error = QStringLiteral("源文件读取不完整: %1").arg(source);
        return false;
    }
    return out.commit(error);
}

QByteArray encodeImage(const QImage &image, const QByteArray &format, int quality, QString *error)
{
    // Encoded in memory first: one large write suits a network share far better than
    // the encoder's many small ones, and a failed encode never touches the share.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        if (error)
            *error = writer.errorString();
        return QByteArray();
    }
    return encoded;
}

bool writeImage(const QImage &image, const QString &target, const QByteArray &format, int quality,
                QString *error)
{
    const QByteArray encoded = encodeImage(image, format, quality, error);
    return !encoded.isEmpty() && write(encoded, target, error);
}

bool write(const QByteArray &data, const QString &target, QString *error, int folderFd)
{
    PendingFile out(target, folderFd);
    return out.open(error) && out.write(data.constData(), data.size(), error) && out.commit(error);
}

int createTemporary(int dirFd, const QString &name, QByteArray *temporary)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray candidate =
            QFile::encodeName(QStringLiteral(".") + name.left(64) + QLatin1String(kTemporaryMark) + randomTail());
        // open(2) applies the umask to 0666, so the file gets the mode of any plain new file.
        const int fd = ::openat(dirFd, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // A share that keeps no locks refuses: the write goes on, and its
            // temporaries, whose lock no cleanup can take either, are left alone.
            ::flock(fd, LOCK_EX | LOCK_NB);
            *temporary = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool isTemporaryName(const QByteArray &name)
{
    // Killed copies of earlier versions may have left these: the import
    // copy's, and the split tools' (the mark and up to ten base-36 digits).
    static const QByteArray importHead = ".~import-";
    static const QByteArray importFoot = ".tmp";
    if (name.size() == importHead.size() + 32 + importFoot.size() && name.startsWith(importHead)
        && name.endsWith(importFoot))
        return consistsOfDigits(name.mid(importHead.size(), 32), 'f');
    const int markLength = int(sizeof(kTemporaryMark)) - 1;
    if (name.startsWith(kTemporaryMark) && name.size() > markLength && name.size() <= markLength + kTailLength)
        return consistsOfDigits(name.mid(markLength), 'z');
    // "." + name + ".part-" + tail; a staged copy's tail starts with "r".
    const int mark = name.lastIndexOf(kTemporaryMark);
    if (!name.startsWith('.') || mark < 2)
        return false;
    QByteArray tail = name.mid(mark + int(sizeof(kTemporaryMark)) - 1);
    if (tail.size() == kTailLength + 1 && tail.startsWith('r'))
        tail.remove(0, 1);
    return tail.size() == kTailLength && consistsOfDigits(tail, 'z');
}

int removeStaleTemporaries(int dirFd, qint64 maxAgeSecs)
{
    const int listing = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return 0;
    }
    ::rewinddir(dir);
    const qint64 now = qint64(std::time(nullptr));
    const auto untouched = [now, maxAgeSecs](const struct stat &info) {
        return S_ISREG(info.st_mode) && now - qint64(info.st_mtime) >= maxAgeSecs;
    };
    QList<QByteArray> old;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        struct stat info = {};
        if (isTemporaryName(name) && ::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && untouched(info))
            old.append(name);
    }
    ::closedir(dir);
    int removed = 0;
    for (const QByteArray &name : qAsConst(old)) {
        // Judged again on the file itself, opened without following a link; a
        // fifo put in its place meanwhile does not hold the cleanup up.
        const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info = {};
        // A writer holds the lock for as long as its file is open. A shared
        // lock tells as well, and needs no write access (NFS asks for it).
        const bool stale = ::fstat(fd, &info) == 0 && untouched(info) && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
        // Closed before the removal: an SMB share refuses to remove a file any
        // handle holds open, this one too, and may hold it a moment after the
        // close. No writer opens an existing temporary again, so none can take
        // it up meanwhile.
        ::close(fd);
        if (stale && AtomicFile::remove(dirFd, name, 1000))
            ++removed;
    }
    return removed;
}

bool remove(int dirFd, const QByteArray &name, int busyMs)
{
    constexpr int kPauseMs = 50;
    for (int waited = 0;; waited += kPauseMs) {
        if (::unlinkat(dirFd, name.constData(), 0) == 0)
            return true;
        if (errno != EBUSY || waited >= busyMs)
            return false;
        ::usleep(kPauseMs * 1000);
    }
}

} // namespace AtomicFile
