#include "importfiles/ImportFileCopyRunnable.h"

#include "app/core/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr size_t kChunk = 32 << 20;

// Copies all of in to out; 0, ECANCELED, or the errno of the failure. The
// flag is read between chunks so a stop never waits for a whole large file.
int copyContents(int in, int out, const std::atomic<int> *cancel)
{
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed) != 0; };
    // In-kernel copy first (as cp does); folders on another file system or a
    // network share fall back to plain reads and writes.
    for (;;) {
        if (cancelled())
            return ECANCELED;
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
        if (cancelled())
            return ECANCELED;
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

void ImportFileCopyRunnable::cancelled()
{
    m_file.status = ImportStatus::Failed;
    m_file.message = QStringLiteral("任务已取消");
    emit copyCancelled(m_file);
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

    const QDir folder(m_file.targetFolder);
    const QString target = folder.filePath(m_file.fileName());
    // Hidden and with a suffix no scan mask matches, so a report never lists it.
    const QString temporary = folder.filePath(QStringLiteral(".~import-%1.tmp")
                                                  .arg(QUuid::createUuid().toString(QUuid::Id128)));

    QString error;
    if (!copyFile(source, temporary, error, m_cancelled.get())) {
        QFile::remove(temporary);
        if (isCancelled())
            return cancelled();
        return fail(error.isEmpty() ? QStringLiteral("文件拷贝失败(可能是磁盘已满或权限受限)") : error);
    }
    if (isCancelled()) {
        QFile::remove(temporary);
        return cancelled();
    }
    const QFileInfo copied(temporary);
    if (!copied.exists())
        return fail(QStringLiteral("文件拷贝后验证失败: %1").arg(target));
    if (copied.size() != sourceSize) {
        QFile::remove(temporary);
        return fail(QStringLiteral("文件大小不一致，拷贝可能不完整"));
    }

    // rename(2) replaces an existing target in one step: the old file stays
    // whole until the complete new one takes its name.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temporary);
        return fail(QStringLiteral("无法覆盖已存在的文件: %1").arg(target));
    }
    const QFileInfo placed(target);
    if (!placed.exists() || placed.size() != sourceSize)
        return fail(QStringLiteral("文件拷贝后验证失败: %1").arg(target));

    m_file.status = ImportStatus::Success;
    m_file.message = QStringLiteral("拷贝成功");
    qCDebug(lcImportFiles) << QStringLiteral("文件拷贝成功: %1 -> %2").arg(source, target);
    emit copyFinished(m_file);
}

bool ImportFileCopyRunnable::copyFile(const QString &source, const QString &target, QString &error,
                                      const std::atomic<int> *cancel)
{
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    // Created with the permissions of a plain new file, not the source's.
    const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    int failure = copyContents(in, out, cancel);
    if (::close(out) != 0 && failure == 0)
        failure = errno; // network shares report a full disk as late as here
    ::close(in);
    if (failure == 0 && QFileInfo(target).size() == 0) {
        QFile::remove(target);
        error = QStringLiteral("文件拷贝后大小为0KB");
        return false;
    }
    if (failure == ENOSPC || failure == EDQUOT)
        error = QStringLiteral("共享空间不足");
    return failure == 0;
}

bool ImportFileCopyRunnable::createDirectory(const QString &path, QString &error)
{
    if (QDir(path).exists())
        return true;
    if (!QDir().mkpath(path)) {
        error = QStringLiteral("创建目录失败: %1").arg(path);
        qCDebug(lcImportFiles) << error;
        return false;
    }
    if (!QDir(path).exists()) {
        error = QStringLiteral("目录创建后验证失败: %1").arg(path);
        qCDebug(lcImportFiles) << error;
        return false;
    }
    qCDebug(lcImportFiles) << QStringLiteral("目录创建成功: %1").arg(path);
    return true;
}
