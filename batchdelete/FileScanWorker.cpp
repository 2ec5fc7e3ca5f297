#include "batchdelete/FileScanWorker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>

FileScanWorker::FileScanWorker(QObject *parent)
    : QObject(parent)
{
}

void FileScanWorker::startScan(const QString &orderId, const QString &path)
{
    stopFlag.storeRelaxed(0);
    fileCounter = 0;

    FileScanResult result;
    result.scanPath = path;
    result.orderId = orderId;

    if (path.isEmpty()) {
        result.code = 1;
        result.errorMessage = QStringLiteral("扫描路径为空");
        emit scanFinished(result);
        return;
    }
    if (stopFlag.loadRelaxed()) {
        result.code = 5;
        result.errorMessage = QStringLiteral("用户取消");
        emit scanFinished(result);
        return;
    }
    QString message;
    const int code = checkPathAccessibility(path, message);
    if (code != 0) {
        result.code = code;
        result.errorMessage = message;
        emit scanFinished(result);
        return;
    }
    scanDirectory(path, result.files, 1);
    if (stopFlag.loadRelaxed()) {
        result.code = 5;
        result.errorMessage = QStringLiteral("用户取消");
        emit scanFinished(result);
        return;
    }
    result.fileCount = result.files.size();
    for (int i = 0; i < result.files.size(); ++i)
        result.files[i].index = i;
    emit scanFinished(result);
}

int FileScanWorker::checkPathAccessibility(const QString &path, QString &message)
{
    const QFileInfo info(path);
    if (info.exists() && info.isDir()) {
        // Opened for real: permission bits say nothing about who may list it.
        if (DIR *listing = ::opendir(QFile::encodeName(path).constData())) {
            ::closedir(listing);
            return 0;
        }
        message = QStringLiteral("没有权限访问目录: %1").arg(path);
        return 4;
    }
    if (path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"))) {
        message = QStringLiteral("共享目录连接失败: %1\n请检查网络连接或共享目录权限").arg(path);
        return 3;
    }
    message = QStringLiteral("目录不存在: %1").arg(path);
    return 2;
}

bool FileScanWorker::scanDirectory(const QString &path, QList<BatchDeleteFileInfo> &list, int depth)
{
    if (stopFlag.loadRelaxed())
        return false;
    const int limit = maxDepth.loadRelaxed();
    if (limit > 0 && depth > limit)
        return true;
    const QDir dir(path);
    if (!dir.exists())
        return true;
    if (stopFlag.loadRelaxed())
        return false;
    emit scanProgress(fileCounter, path);

    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                                    QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        if (stopFlag.loadRelaxed())
            return false;
        // A link is no photo of this order: its target lies elsewhere or is listed already.
        if (entry.isSymLink())
            continue;
        if (entry.isFile()) {
            BatchDeleteFileInfo file;
            file.fileName = entry.fileName();
            file.filePath = entry.absolutePath() + QLatin1Char('/') + entry.fileName();
            file.dirName = getParentDirectoryNameSafe(file.filePath);
            file.size = entry.size();
            file.status = NotDeleted;
            file.index = list.size();
            list.append(file);
            ++fileCounter;
            if (fileCounter % 100 == 0)
                emit scanProgress(fileCounter, path);
        } else if (entry.isDir()) {
            if (!scanDirectory(entry.absoluteFilePath(), list, depth + 1))
                return false;
        }
    }
    return true;
}

QString FileScanWorker::getParentDirectoryNameSafe(const QString &filePath)
{
    const QDir folder = QFileInfo(filePath).absoluteDir();
    if (folder.isRoot())
        return QString();
    return folder.dirName();
}
