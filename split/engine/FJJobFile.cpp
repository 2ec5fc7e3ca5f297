#include "split/engine/FJJobFile.h"

#include "app/core/K.h"
#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonValue>
#include <QTemporaryFile>

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

CopyResult copyNew(const QString &source, const QString &target, QString *error)
{
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isFile()) {
        if (error)
            *error = QStringLiteral("源文件不存在: %1").arg(source);
        return CopyResult::SourceMissing;
    }
    if (QFileInfo::exists(target))
        return CopyResult::TargetExists;

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return CopyResult::Failed;
    }
    const QFileInfo targetInfo(target);
    QTemporaryFile out(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName()
                       + QStringLiteral(".XXXXXX.part"));
    if (!out.open()) {
        if (error)
            *error = out.errorString();
        return CopyResult::Failed;
    }
    constexpr qint64 chunk = 4 * 1024 * 1024;
    QByteArray buffer(int(chunk), Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunk);
        if (n < 0 || (n > 0 && out.write(buffer.constData(), n) != n)) {
            if (error)
                *error = n < 0 ? in.errorString() : out.errorString();
            return CopyResult::Failed; // the temporary file removes itself
        }
        if (n == 0)
            break;
    }
    if (!out.flush()) {
        if (error)
            *error = out.errorString();
        return CopyResult::Failed;
    }
    out.close();
    // QFile::rename never replaces: a target that appeared meanwhile wins.
    if (!QFile::rename(out.fileName(), target)) {
        const bool exists = QFileInfo::exists(target);
        if (error)
            *error = exists ? QStringLiteral("目标文件已存在: %1").arg(target)
                            : QStringLiteral("无法写入: %1").arg(target);
        return exists ? CopyResult::TargetExists : CopyResult::Failed;
    }
    out.setAutoRemove(false);
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
