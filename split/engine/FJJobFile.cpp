#include "split/engine/FJJobFile.h"

#include "app/core/AtomicFile.h"
#include "app/core/K.h"
#include "app/core/SameFileContent.h"
#include "app/core/TemporarySweep.h"
#include "platform/MountRoot.h"
#include "platform/NetworkErrors.h"
#include "platform/NoReplaceRename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonValue>

#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace FJJobFile {

QString text(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

QJsonArray array(const QJsonObject &object, const QString &key)
{
    return object.value(key).toArray();
}

QJsonObject object(const QJsonValue &value)
{
    return value.toObject();
}

QString childPath(const QString &folder, const QString &name)
{
    const QString component = K::sanitizePathComponent(name);
    if (component.isEmpty() || folder.isEmpty())
        return QString();
    QString base = folder;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString path = base + QLatin1Char('/') + component;
    // The check also refuses "." and "..", which stay as they are above.
    return MountRoot::isStrictlyBelow(path, base) ? path : QString();
}

QString createTemporary(const QString &folder, QFile &file, const QString &name, TemporarySweep *sweep)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return QString();
    const auto closeDir = qScopeGuard([dir] { ::close(dir); });
    if (sweep)
        sweep->beforeWriting(folder, dir);
    // Named for its target even without one, so a cleanup knows it.
    QByteArray temporary;
    const int fd = AtomicFile::createTemporary(dir, name.isEmpty() ? QStringLiteral("file") : name, &temporary);
    if (fd < 0)
        return QString();
    const QString path = QDir(folder).filePath(QFile::decodeName(temporary));
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlinkat(dir, temporary.constData(), 0);
        return QString();
    }
    return path;
}

bool holdsSource(CopyResult result)
{
    return result == CopyResult::Copied || result == CopyResult::Identical;
}


namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Every byte handed to the file, or false; written counts what it took.
bool writeAll(int fd, const char *data, qint64 size, qint64 *written)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
        *written += n;
    }
    return true;
}

CopyResult existingTarget(const QString &source, const QString &target, QString *error)
{
    if (sameFileContent(source, target))
        return CopyResult::Identical;
    if (error)
        *error = QStringLiteral("目标文件已存在且内容不同: %1").arg(target);
    return CopyResult::TargetExists;
}

} // namespace

CopyResult copyNew(const QString &source, const QString &target, QString *error, TemporarySweep *sweep)
{
    switch (sourceState(source)) {
    case SourceState::File:
        break;
    case SourceState::Missing:
        if (error)
            *error = QStringLiteral("源文件不存在: %1").arg(source);
        return CopyResult::SourceMissing;
    case SourceState::Unreachable:
        if (error)
            *error = QStringLiteral("无法读取: %1").arg(source);
        return CopyResult::Unreachable;
    }
    if (QFileInfo::exists(target))
        return existingTarget(source, target, error);

    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (error)
            *error = QStringLiteral("无法读取 %1: %2").arg(source, systemError(errno));
        return NetworkErrors::isUnreachable(errno) ? CopyResult::Unreachable : CopyResult::Failed;
    }
    const auto closeSource = qScopeGuard([in] { ::close(in); });
    QFile out;
    const QFileInfo placed(target);
    const QString temporary = createTemporary(placed.absolutePath(), out, placed.fileName(), sweep);
    if (temporary.isEmpty()) {
        if (error)
            *error = QStringLiteral("无法写入: %1").arg(target);
        return CopyResult::Failed;
    }
    auto failed = [&](const QString &why, CopyResult result = CopyResult::Failed) {
        out.close();
        QFile::remove(temporary);
        if (error)
            *error = why;
        return result;
    };
    const int fd = out.handle();
    constexpr qint64 chunk = 4 * 1024 * 1024;
    std::vector<char> buffer(static_cast<size_t>(chunk));
    qint64 total = 0;
    qint64 written = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int cause = errno;
            // A damaged file fails alone; a share that went fails every look at the file.
            const bool unreachable = NetworkErrors::isUnreachable(cause) && sourceState(source) == SourceState::Unreachable;
            return failed(QStringLiteral("读取失败 %1: %2").arg(source, systemError(cause)),
                          unreachable ? CopyResult::Unreachable : CopyResult::Failed);
        }
        if (n == 0)
            break;
        total += n;
        if (!writeAll(fd, buffer.data(), n, &written))
            return failed(QStringLiteral("写入失败 %1: %2").arg(target, systemError(errno)));
    }
    // A small file's bytes may reach the disk only here: a full disk fails now.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        return failed(QStringLiteral("写入失败 %1: %2").arg(target, systemError(errno)));
    struct stat sourceInfo = {};
    struct stat copied = {};
    if (::fstat(in, &sourceInfo) != 0 || sourceInfo.st_size != total)
        return failed(QStringLiteral("源文件读取不完整: %1").arg(source));
    if (::fstat(fd, &copied) != 0 || copied.st_size != written)
        return failed(QStringLiteral("写入不完整 %1: %2/%3 字节").arg(target).arg(qint64(copied.st_size)).arg(written));
    out.close();
    if (out.error() != QFileDevice::NoError)
        return failed(QStringLiteral("写入失败 %1: %2").arg(target, out.errorString()));
    // Never replaces: a target that appeared meanwhile wins.
    if (!NoReplaceRename::rename(AT_FDCWD, QFile::encodeName(temporary), QFile::encodeName(target))) {
        const int cause = errno;
        QFile::remove(temporary);
        if (cause == EEXIST || QFileInfo::exists(target))
            return existingTarget(source, target, error);
        if (error)
            *error = QStringLiteral("无法写入: %1").arg(target);
        return CopyResult::Failed;
    }
    if (!QFileInfo(target).isFile()) {
        if (error)
            *error = QStringLiteral("目标文件不存在: %1").arg(target);
        return CopyResult::Failed;
    }
    return CopyResult::Copied;
}

SourceState sourceState(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        return S_ISREG(info.st_mode) ? SourceState::File : SourceState::Missing;
    return NetworkErrors::isUnreachable(errno) ? SourceState::Unreachable : SourceState::Missing;
}

SourceState folderState(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return NetworkErrors::isUnreachable(errno) ? SourceState::Unreachable : SourceState::Missing;
    // A share whose server went may still open the folder from its cache: one entry is read.
    errno = 0;
    const bool listed = ::readdir(dir) != nullptr || errno == 0;
    const int cause = errno;
    ::closedir(dir);
    return listed || !NetworkErrors::isUnreachable(cause) ? SourceState::File : SourceState::Unreachable;
}

bool ensureFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    QDir().mkpath(folder);
    return QFileInfo(folder).isDir();
}

} // namespace FJJobFile
