#include "batchdelete/BatchdeleteThread.h"

#include "app/core/Logging.h"
#include "batchdelete/BatchDeleteLogic.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

BatchdeleteThread::BatchdeleteThread(QObject *parent)
    : QThread(parent)
{
}

void BatchdeleteThread::run()
{
    deleteFile();
}

void BatchdeleteThread::deleteFile()
{
    const QString filePath = file.filePath;
    if (!BatchDeleteLogic::mayDelete(filePath, order.netpath)) {
        // Only files of the approved order folder are ever touched.
        qCWarning(lcBatchDelete) << "拒绝删除订单目录以外的文件:" << filePath;
        file.status = UnknownError;
        file.errorMessage = QStringLiteral("删除失败，未知原因");
    } else if (QFile::remove(filePath) && BatchDeleteLogic::isGone(filePath)) {
        file.status = Deleted;
        file.errorMessage.clear();
    } else {
        analyzeDeleteError(filePath);
    }
    if (!m_stop)
        emit deleteFileFinish(order, file);
}

void BatchdeleteThread::analyzeDeleteError(const QString &filePath)
{
    const QFileInfo info(filePath);
    const bool exists = info.exists() || info.isSymLink();
    if (m_stop)
        return;
    if (!exists) {
        if (isNetworkPathUnreachable(filePath)) {
            file.status = NetworkUnreachable;
            file.errorMessage = QStringLiteral("网络路径无法访问");
        } else {
            file.status = Deleted;
            file.errorMessage.clear();
        }
        return;
    }
    if (!info.isWritable()) {
        file.status = NoPermission;
        file.errorMessage = QStringLiteral("没有删除权限");
        return;
    }
    if (m_stop)
        return;
    if (isFileOccupied(filePath)) {
        file.status = FileOccupied;
        file.errorMessage = QStringLiteral("文件被其他程序占用");
        return;
    }
    if (m_stop)
        return;
    file.status = UnknownError;
    file.errorMessage = QStringLiteral("删除失败，未知原因");
}

bool BatchdeleteThread::isNetworkPathUnreachable(const QString &path)
{
    if (!path.startsWith(QLatin1String("\\\\")) && !path.startsWith(QLatin1String("//")))
        return false;
    const QChar separator = path.contains(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/');
    const QStringList sections = path.split(separator);
    const QString root = sections.mid(0, 4).join(separator);
    return !QDir(root).exists();
}

bool BatchdeleteThread::isFileOccupied(const QString &path)
{
    QFile probe(path);
    if (!probe.open(QIODevice::ReadWrite))
        return true;
    probe.close();
    return false;
}
