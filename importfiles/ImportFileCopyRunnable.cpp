#include "importfiles/ImportFileCopyRunnable.h"

#include "app/core/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cstdio>

ImportFileCopyRunnable::ImportFileCopyRunnable(const ImportFile &file, QObject *parent)
    : QObject(parent)
    , m_file(file)
{
    setAutoDelete(false);
}

ImportFileCopyRunnable::~ImportFileCopyRunnable() = default;

void ImportFileCopyRunnable::cancel()
{
    m_cancelled.store(1, std::memory_order_relaxed);
}

bool ImportFileCopyRunnable::isCancelled() const
{
    return m_cancelled.load(std::memory_order_relaxed) != 0;
}

bool ImportFileCopyRunnable::isDone() const
{
    return m_done.load();
}

void ImportFileCopyRunnable::fail(const QString &message)
{
    m_file.status = ImportStatus::Failed;
    m_file.message = message;
    m_done.store(true);
    emit copyFinished(m_file);
}

void ImportFileCopyRunnable::cancelled()
{
    m_file.status = ImportStatus::Failed;
    m_file.message = QStringLiteral("任务已取消");
    m_done.store(true);
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
    if (!copyFile(source, temporary, error)) {
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
    m_done.store(true);
    emit copyFinished(m_file);
}

bool ImportFileCopyRunnable::copyFile(const QString &source, const QString &target, QString &error)
{
    if (!QFile::copy(source, target))
        return false;
    const QFileInfo info(target);
    if (info.exists() && info.size() == 0) {
        QFile::remove(target);
        error = QStringLiteral("文件拷贝后大小为0KB");
        return false;
    }
    return true;
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
