#include "importfiles/ImportFileCopyRunnable.h"

#include "app/core/AtomicFile.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/SameFileContent.h"
#include "importfiles/ImportRules.h"
#include "platform/MountRoot.h"
#include "platform/NoReplaceRename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kChunk = 32 << 20;

// copyContents' outcome when the pinned share went away under the copy.
constexpr int kShareGone = -1;

// Copies all of in to out; 0, ECANCELED, kShareGone or the errno of the
// failure. The flag and the share are looked at between chunks, so a stop
// never waits for a whole large file and a vanished share takes no more.
int copyContents(int in, int out, const std::atomic<int> *cancel, const ShareGuard *share)
{
    const auto interrupted = [cancel, share] {
        if (cancel && cancel->load(std::memory_order_relaxed) != 0)
            return ECANCELED;
        return share && !share->stillThere() ? kShareGone : 0;
    };
    // In-kernel copy first (as cp does); folders on another file system or a
    // network share fall back to plain reads and writes.
    for (;;) {
        if (const int stop = interrupted())
            return stop;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
                break;
            return errno;
        }
    }
    std::vector<char> buffer(4 << 20);
    for (;;) {
        if (const int stop = interrupted())
            return stop;
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += put;
        }
    }
}

// Copies source into out and closes out. 0, ECANCELED, kShareGone or an
// errno; *onSource tells whether the errno is the source's.
int copyInto(const QString &source, int out, const std::atomic<int> *cancel, const ShareGuard *share,
             bool *onSource)
{
    *onSource = true;
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        const int cause = errno;
        ::close(out);
        return cause;
    }
    *onSource = false;
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    int failure = copyContents(in, out, cancel, share);
    if (::close(out) != 0 && failure == 0)
        failure = errno; // network shares report a full disk as late as here
    ::close(in);
    return failure;
}

QString copyFailure(const QString &path, int cause)
{
    return cause == ENOSPC || cause == EDQUOT ? QStringLiteral("共享空间不足")
                                              : QStringLiteral("文件拷贝失败: %1: %2").arg(path, qt_error_string(cause));
}

} // namespace

ImportFileCopyRunnable::ImportFileCopyRunnable(const ImportFile &file, QObject *parent)
    : QObject(parent)
    , m_file(file)
{
    setAutoDelete(false);
}

ImportFileCopyRunnable::~ImportFileCopyRunnable() = default;

void ImportFileCopyRunnable::cancel()
{
    m_cancelled->store(1, std::memory_order_relaxed);
}

bool ImportFileCopyRunnable::isCancelled() const
{
    return m_cancelled->load(std::memory_order_relaxed) != 0;
}

void ImportFileCopyRunnable::fail(const QString &message)
{
    m_file.status = ImportStatus::Failed;
    m_file.message = message;
    emit copyFinished(m_file);
}

void ImportFileCopyRunnable::succeed(const QString &message)
{
    m_file.status = ImportStatus::Success;
    m_file.message = message;
    emit copyFinished(m_file);
}

void ImportFileCopyRunnable::cancelled()
{
    m_file.status = ImportStatus::Failed;
    m_file.message = QStringLiteral("任务已取消");
    emit copyCancelled(m_file);
}

void ImportFileCopyRunnable::nameTaken(const QString &placed, const QString &target)
{
    if (sameFileContent(m_file.sourcePath, placed))
        return succeed(QStringLiteral("已存在相同文件"));
    fail(QStringLiteral("目标位置已有同名的其他文件，未替换: %1").arg(target));
}

void ImportFileCopyRunnable::run()
{
    if (isCancelled())
        return cancelled();

    const QString source = m_file.sourcePath;
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.exists())
        return fail(QStringLiteral("原文件不存在: %1").arg(source));
    if (!sourceInfo.isFile())
        return fail(QStringLiteral("路径不是文件: %1").arg(source));
    if (!sourceInfo.isReadable())
        return fail(QStringLiteral("原文件无法读取: %1").arg(source));
    const qint64 sourceSize = sourceInfo.size();
    if (sourceSize == 0)
        return fail(QStringLiteral("文件大小为0KB，无法导入"));

    if (isCancelled())
        return cancelled();

    const ShareGuard *share = m_share.isPinned() ? &m_share : nullptr;
    const auto shareGone = [share] { return share && !share->stillThere(); };
    const auto missingShare = [this] { return fail(K::missingShareMessage(m_file.targetFolder)); };
    const auto moved = [this] { return fail(ImportRules::movedFolderMessage(m_orderFolder)); };
    if (shareGone())
        return missingShare();
    if (folderMoved())
        return moved();

    // Made again here, so a retry succeeds once a missing or blocked folder
    // is fixed; only while the pinned share is there.
    const QString folder = m_place.isEmpty()
                               ? m_file.targetFolder
                               : ImportRules::placeBelow(m_file.targetFolder, m_orderFolder, m_place.folder);
    QString error;
    if (!createDirectory(folder, error, share))
        return fail(error);

    // A look-alike already on the share is replaced under its own name: the
    // service holds that name, and a share that folds names has one entry.
    const QString name = m_file.placedName();
    const QString target = QDir(m_file.targetFolder).filePath(name);
    // Everything below works in the folder as opened here: should the share
    // go away, nothing lands in the local folder left in its place, and the
    // temporary can still be removed from the share where it allows it.
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail(copyFailure(target, errno));
    const auto closeDir = qScopeGuard([dir] { ::close(dir); });
    if (shareGone())
        return missingShare();
    // Looked at once the folder is held: an existing folder may be a link off
    // the share, or into another order's folder. The usual answer takes one
    // resolution on the share; only a refusal asks which it is.
    const QString within = m_place.within;
    if (share && !(within.isEmpty() ? share->reaches(folder) : share->reachesWithin(folder, within))) {
        if (!share->reaches(folder))
            return share->stillThere() ? fail(K::folderOffShareMessage(QDir::cleanPath(m_file.targetFolder)))
                                       : missingShare();
        return fail(K::outsideOrderMessage(QDir::cleanPath(m_file.targetFolder)));
    }
    // Asked before anything is written: such a name fails only at the
    // rename, and the share then answers nothing for seconds, or it lands
    // under another name.
    if (ImportRules::smbRefusesName(name) && MountRoot::isOnSmbShare(folder))
        return fail(ImportRules::nameNotAllowedMessage(target));

    const QByteArray to = QFile::encodeName(name);
    // Where the file really goes; target is how the user knows it.
    const QString placed = QDir(folder).filePath(name);
    struct stat existing;
    if (::fstatat(dir, to.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!m_file.replaceAllowed)
            return nameTaken(placed, target);
        if (sameFileContent(source, placed))
            return succeed(QStringLiteral("已存在相同文件"));
    }

    // Hidden and ending in a random tail, so no scan mask takes it and a
    // report never lists it; locked while it lives, so a cleanup of another
    // run leaves it alone.
    QByteArray from;
    const auto dropTemporary = [dir, &from] { ::unlinkat(dir, from.constData(), 0); };
    if (shareGone())
        return missingShare();
    const int out = AtomicFile::createTemporary(dir, name, &from);
    if (out < 0)
        return fail(copyFailure(target, errno));

    // Closing lets the lock go: shares refuse to rename a file that is still
    // open; the fresh change time keeps a cleanup away until the rename.
    bool onSource = false;
    const int failure = copyInto(source, out, m_cancelled.get(), share, &onSource);
    if (failure != 0 || isCancelled() || shareGone())
        dropTemporary();
    if (failure == ECANCELED || isCancelled())
        return cancelled();
    if (failure == kShareGone || shareGone())
        return missingShare();
    if (failure != 0)
        return fail(copyFailure(onSource ? source : target, failure));

    struct stat copied;
    if (::fstatat(dir, from.constData(), &copied, AT_SYMLINK_NOFOLLOW) != 0) {
        dropTemporary();
        return fail(QStringLiteral("文件拷贝后验证失败: %1").arg(target));
    }
    if (copied.st_size == 0) {
        dropTemporary();
        return fail(QStringLiteral("文件拷贝后大小为0KB"));
    }
    if (copied.st_size != sourceSize) {
        dropTemporary();
        return fail(QStringLiteral("文件大小不一致，拷贝可能不完整"));
    }

    // rename(2) replaces an agreed target in one step: the old file stays
    // whole until the complete new one takes its name. Otherwise the name is
    // taken only while free, so a file that appeared meanwhile survives.
    if (shareGone()) {
        dropTemporary();
        return missingShare();
    }
    if (folderMoved()) {
        dropTemporary();
        return moved();
    }
    // A stop (or a closing window) no longer counts on this file.
    if (isCancelled()) {
        dropTemporary();
        return cancelled();
    }
    if (m_file.replaceAllowed) {
        if (::renameat(dir, from.constData(), dir, to.constData()) != 0) {
            const int cause = errno;
            dropTemporary();
            return fail(QStringLiteral("无法覆盖已存在的文件: %1: %2").arg(target, qt_error_string(cause)));
        }
    } else if (!NoReplaceRename::rename(dir, from, to)) {
        const int cause = errno;
        dropTemporary();
        if (cause == EEXIST)
            return nameTaken(placed, target);
        return fail(copyFailure(target, cause));
    } else {
        m_file.newOnShare = true;
    }
    struct stat renamed;
    if (::fstatat(dir, to.constData(), &renamed, AT_SYMLINK_NOFOLLOW) != 0 || renamed.st_size != sourceSize)
        return fail(QStringLiteral("文件拷贝后验证失败: %1").arg(target));

    qCDebug(lcImportFiles) << QStringLiteral("文件拷贝成功: %1 -> %2").arg(source, target);
    succeed(QStringLiteral("拷贝成功"));
}

bool ImportFileCopyRunnable::folderMoved() const
{
    return !m_place.isEmpty() && !ImportRules::resolvesTo(m_orderFolder, m_place.within);
}

bool ImportFileCopyRunnable::copyFile(const QString &source, const QString &target, QString &error,
                                      const std::atomic<int> *cancel)
{
    // Created with the permissions of a plain new file, not the source's.
    const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        error = copyFailure(target, errno);
        return false;
    }
    bool onSource = false;
    const int failure = copyInto(source, out, cancel, nullptr, &onSource);
    if (failure == ECANCELED)
        return false;
    if (failure != 0) {
        error = copyFailure(onSource ? source : target, failure);
        return false;
    }
    if (QFileInfo(target).size() == 0) {
        QFile::remove(target);
        error = QStringLiteral("文件拷贝后大小为0KB");
        return false;
    }
    return true;
}

bool ImportFileCopyRunnable::createDirectory(const QString &path, QString &error, const ShareGuard *share)
{
    const QString folder = QDir::cleanPath(path);
    // Below the share only: the folder left where an unmounted share was is the local disk.
    if (share && !share->holds(folder)) {
        error = K::missingShareMessage(path);
        qCDebug(lcImportFiles) << error;
        return false;
    }
    if (QFileInfo(folder).isDir())
        return true;
    // The missing parts from the deepest existing folder down, each made
    // with mkdir(2) so that a refusal keeps the system's reason.
    QStringList missing;
    QString existing = folder;
    while (!QFileInfo::exists(existing) && !QFileInfo(existing).isSymLink()) {
        missing.prepend(existing);
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            break;
        existing = parent;
    }
    // A link to nowhere where a folder is needed: nothing on the share is made through it.
    if (share && QFileInfo(existing).isSymLink() && !QFileInfo::exists(existing)) {
        error = K::folderOffShareMessage(folder);
        qCDebug(lcImportFiles) << error;
        return false;
    }
    int cause = QFileInfo(existing).isDir() ? 0 : ENOTDIR;
    for (const QString &part : qAsConst(missing)) {
        if (cause != 0)
            break;
        if (share && !share->stillThere()) {
            cause = kShareGone;
            break;
        }
        if (::mkdir(QFile::encodeName(part).constData(), 0777) != 0 && !(errno == EEXIST && QFileInfo(part).isDir()))
            cause = errno == EEXIST ? ENOTDIR : errno;
    }
    if (cause != 0) {
        error = cause == kShareGone ? K::missingShareMessage(path)
                                    : QStringLiteral("创建目录失败: %1: %2").arg(path, qt_error_string(cause));
        qCDebug(lcImportFiles) << error;
        return false;
    }
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("目录创建后验证失败: %1").arg(path);
        qCDebug(lcImportFiles) << error;
        return false;
    }
    qCDebug(lcImportFiles) << QStringLiteral("目录创建成功: %1").arg(path);
    return true;
}

bool ImportFileCopyRunnable::isTemporaryName(const QString &name)
{
    return AtomicFile::isTemporaryName(QFile::encodeName(name));
}

int ImportFileCopyRunnable::removeStaleTemporaries(const QString &folder)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return 0;
    const int removed = AtomicFile::removeStaleTemporaries(dir, AtomicFile::kStaleTemporarySecs);
    ::close(dir);
    if (removed > 0)
        qCDebug(lcImportFiles) << "removed stale temporaries:" << removed << folder;
    return removed;
}
