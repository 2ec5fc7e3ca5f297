#include "batchdelete/FileScanWorker.h"

#include "app/core/Logging.h"
#include "batchdelete/BatchDeleteLogic.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVector>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Whether the folder open as fd is still the one at its path.
bool isStillAt(int fd, const QString &folder)
{
    struct stat open;
    struct stat there;
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(folder).constData(), &there) == 0
           && open.st_dev == there.st_dev && open.st_ino == there.st_ino;
}

struct FolderEntry
{
    QString name;
    QString sortKey;
    bool isFolder = false;
    qint64 size = 0;
};

// Lists one folder whole: its files and folders without hidden names, links
// or other kinds, sorted by name ignoring case. 0, or the errno of what went
// wrong. An entry gone between its name and its look was removed meanwhile
// and is not listed; gone with its folder, the folder is what went wrong.
int listFolder(const QString &folder, QVector<FolderEntry> *entries,
               const std::function<void(const QString &, const QString &)> &nameRead)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return errno;
    const int fd = ::dirfd(dir);
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        if (nameRead)
            nameRead(folder, QFile::decodeName(entry->d_name));
        struct stat info;
        if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            const int lookError = errno;
            if (lookError == ENOENT && isStillAt(fd, folder))
                continue;
            error = lookError;
            break;
        }
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            continue;
        FolderEntry item;
        item.name = QFile::decodeName(entry->d_name);
        item.sortKey = item.name.toLower();
        item.isFolder = S_ISDIR(info.st_mode);
        item.size = info.st_size;
        entries->append(item);
    }
    ::closedir(dir);
    std::sort(entries->begin(), entries->end(), [](const FolderEntry &a, const FolderEntry &b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.name < b.name;
    });
    return error;
}

} // namespace

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
    const int code = checkPathAccessibility(path, message, [this, &path] {
        if (folderLookedUp)
            folderLookedUp(path);
    });
    if (code != 0) {
        result.code = code;
        result.errorMessage = message;
        emit scanFinished(result);
        return;
    }
    failureCode = 0;
    failureMessage.clear();
    const QByteArray encoded = QFile::encodeName(path);
    struct stat before;
    const bool known = ::stat(encoded.constData(), &before) == 0;
    bool whole = scanDirectory(path, result.files, 1);
    if (stopFlag.loadRelaxed()) {
        result.code = 5;
        result.errorMessage = QStringLiteral("用户取消");
        emit scanFinished(result);
        return;
    }
    // A share that dropped after its last folder was listed leaves the path
    // gone or on another mount: the list is of something no longer there.
    struct stat after;
    if (whole && (!known || ::stat(encoded.constData(), &after) != 0))
        whole = fail(known ? errno : ENOENT, path);
    else if (whole && after.st_dev != before.st_dev)
        whole = fail(ESTALE, path);
    else if (whole && after.st_ino != before.st_ino) {
        // Same disk, another folder: the share is fine, the list is of the folder moved away.
        failureCode = 3;
        failureMessage = QStringLiteral("订单目录在扫描时被替换: %1").arg(path);
        whole = false;
    }
    if (!whole) {
        result.files.clear();
        result.code = failureCode;
        result.errorMessage = failureMessage;
        emit scanFinished(result);
        return;
    }
    result.fileCount = result.files.size();
    for (int i = 0; i < result.files.size(); ++i)
        result.files[i].index = i;
    emit scanFinished(result);
}

int FileScanWorker::checkPathAccessibility(const QString &path, QString &message,
                                           const std::function<void()> &lookedUp)
{
    // Plain calls, so that why the folder cannot be scanned is known by its errno:
    // a share whose server is gone fails with I/O errors, not with "no permission".
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    int error = 0;
    if (::stat(encoded.constData(), &info) != 0) {
        error = errno;
    } else if (!S_ISDIR(info.st_mode)) {
        error = ENOTDIR;
    } else {
        if (lookedUp)
            lookedUp();
        // Opened for real: permission bits say nothing about who may list it.
        DIR *listing = ::opendir(encoded.constData());
        if (listing) {
            ::closedir(listing);
            return 0;
        }
        error = errno;
    }
    return BatchDeleteLogic::folderProblem(error, path, &message);
}

bool FileScanWorker::scanDirectory(const QString &path, QList<BatchDeleteFileInfo> &list, int depth)
{
    if (stopFlag.loadRelaxed())
        return false;
    const int limit = maxDepth.loadRelaxed();
    if (limit > 0 && depth > limit)
        return true;
    emit scanProgress(fileCounter, path);

    const QString folder = QDir(path).absolutePath();
    QVector<FolderEntry> entries;
    if (const int error = listFolder(folder, &entries, entryNameRead))
        return fail(error, folder);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const FolderEntry &entry : qAsConst(entries)) {
        if (stopFlag.loadRelaxed())
            return false;
        if (!entry.isFolder) {
            BatchDeleteFileInfo file;
            file.fileName = entry.name;
            file.filePath = prefix + entry.name;
            file.dirName = getParentDirectoryNameSafe(file.filePath);
            file.size = entry.size;
            file.status = NotDeleted;
            file.index = list.size();
            list.append(file);
            ++fileCounter;
            if (fileCounter % 100 == 0)
                emit scanProgress(fileCounter, path);
        } else if (!scanDirectory(prefix + entry.name, list, depth + 1)) {
            return false;
        }
    }
    return true;
}

bool FileScanWorker::fail(int error, const QString &folder)
{
    qCWarning(lcBatchDelete) << "目录未能完整列出:" << folder << std::strerror(error);
    failureCode = BatchDeleteLogic::folderProblem(error, folder, &failureMessage);
    return false;
}

QString FileScanWorker::getParentDirectoryNameSafe(const QString &filePath)
{
    const QDir folder = QFileInfo(filePath).absoluteDir();
    if (folder.isRoot())
        return QString();
    return folder.dirName();
}
