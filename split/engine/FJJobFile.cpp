#include "split/engine/FJJobFile.h"

#include "app/core/K.h"
#include "app/core/SameFileContent.h"
#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonValue>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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

QString createTemporary(const QString &folder, QFile &file)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = QStringLiteral(".part-")
            + QString::number(QRandomGenerator::global()->generate64(), 36).left(10);
        const QString path = QDir(folder).filePath(name);
        // open(2) applies the umask to 0666, as for any plain new file;
        // QTemporaryFile would give 0600.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return QString();
        }
        if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            QFile::remove(path);
            return QString();
        }
        return path;
    }
    return QString();
}

bool holdsSource(CopyResult result)
{
    return result == CopyResult::Copied || result == CopyResult::Identical;
}

namespace {

CopyResult existingTarget(const QString &source, const QString &target, QString *error)
{
    if (sameFileContent(source, target))
        return CopyResult::Identical;
    if (error)
        *error = QStringLiteral("目标文件已存在且内容不同: %1").arg(target);
    return CopyResult::TargetExists;
}

} // namespace

CopyResult copyNew(const QString &source, const QString &target, QString *error)
{
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isFile()) {
        if (error)
            *error = QStringLiteral("源文件不存在: %1").arg(source);
        return CopyResult::SourceMissing;
    }
    if (QFileInfo::exists(target))
        return existingTarget(source, target, error);

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return CopyResult::Failed;
    }
    QFile out;
    const QString temporary = createTemporary(QFileInfo(target).absolutePath(), out);
    if (temporary.isEmpty()) {
        if (error)
            *error = QStringLiteral("无法写入: %1").arg(target);
        return CopyResult::Failed;
    }
    auto failed = [&](const QString &why) {
        out.close();
        QFile::remove(temporary);
        if (error)
            *error = why;
        return CopyResult::Failed;
    };
    constexpr qint64 chunk = 4 * 1024 * 1024;
    QByteArray buffer(int(chunk), Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunk);
        if (n < 0)
            return failed(in.errorString());
        if (n > 0 && out.write(buffer.constData(), n) != n)
            return failed(out.errorString());
        if (n == 0)
            break;
    }
    if (!out.flush())
        return failed(out.errorString());
    out.close();
    // QFile::rename never replaces: a target that appeared meanwhile wins.
    if (!QFile::rename(temporary, target)) {
        QFile::remove(temporary);
        if (QFileInfo::exists(target))
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

bool ensureFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    QDir().mkpath(folder);
    return QFileInfo(folder).isDir();
}

} // namespace FJJobFile
