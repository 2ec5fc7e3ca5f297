#include "batchdelete/BatchdeleteThread.h"

#include "app/core/Logging.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "platform/ShareRemoval.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <cerrno>

namespace {
const QString kUnreachable = QStringLiteral("网络路径无法访问");
} // namespace

BatchdeleteThread::BatchdeleteThread(QObject *parent)
    : QThread(parent)
{
}

void BatchdeleteThread::run()
{
    deleteFile();
}

void BatchdeleteThread::startIn(QThreadPool *pool)
{
    pool->start([this]() {
        deleteFile();
        deleteLater();
    });
}

void BatchdeleteThread::setOutcome(int status, const QString &message)
{
    file.status = status;
    file.errorMessage = message;
}

void BatchdeleteThread::setShareMissing()
{
    setOutcome(NetworkUnreachable, BatchDeleteLogic::shareMissingText(order.netpath));
}

void BatchdeleteThread::deleteFile()
{
    const QString filePath = file.filePath;
    const auto hook = [this, &filePath] {
        if (aboutToRemove)
            aboutToRemove(filePath);
    };
    const ShareRemoval::Result removal = ShareRemoval::remove(share, filePath, scannedFolder, hook);
    switch (removal.outcome) {
    case ShareRemoval::Outcome::Removed:
        setOutcome(Deleted, QString());
        break;
    case ShareRemoval::Outcome::ShareGone:
        setShareMissing();
        break;
    case ShareRemoval::Outcome::OffShare:
    case ShareRemoval::Outcome::OffFolder:
        qCWarning(lcBatchDelete) << "拒绝删除扫描时订单目录以外的文件:" << filePath;
        setOutcome(UnknownError, BatchDeleteLogic::outsideScannedFolderText());
        break;
    case ShareRemoval::Outcome::FolderFailed:
    case ShareRemoval::Outcome::Missing:
    case ShareRemoval::Outcome::Failed:
        m_removeError = removal.error;
        analyzeDeleteError(filePath);
        break;
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
        // What an unmount leaves in the share's place may lack the file: only
        // the pinned share itself can say it is gone.
        if (!share.stillThere()) {
            setShareMissing();
            return;
        }
        // Gone counts as deleted only while its folder is still there to say so.
        const bool folderThere = m_removeError == ENOENT && QFileInfo(info.absolutePath()).isDir();
        if (folderThere && !isNetworkPathUnreachable(filePath))
            setOutcome(Deleted, QString());
        else
            setOutcome(NetworkUnreachable, kUnreachable);
        return;
    }
    // A read-only share refuses every file alike: no permission of the user would help.
    if (m_removeError == EROFS) {
        setOutcome(NoPermission, QStringLiteral("共享目录为只读，无法删除"));
        return;
    }
    // EPERM (immutable) and EACCES: the system refuses, whatever the mode bits say.
    if (!info.isWritable() || m_removeError == EPERM || m_removeError == EACCES) {
        setOutcome(NoPermission, QStringLiteral("没有删除权限"));
        return;
    }
    if (m_stop)
        return;
    if (isFileOccupied(filePath)) {
        setOutcome(FileOccupied, QStringLiteral("文件被其他程序占用"));
        return;
    }
    if (m_stop)
        return;
    setOutcome(UnknownError, QStringLiteral("删除失败，未知原因"));
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
