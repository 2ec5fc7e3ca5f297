#include "transfer/engine/TFDelLocalPhotoImg.h"

#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder that really holds the file must lie on the share: a folder link
// on the share must not lead a deletion somewhere else. A file that is itself
// a link is safe, removing it leaves its target alone.
bool holdingFolderIsOnShare(const QFileInfo &file, const QString &realRoot)
{
    const QString folder = file.absoluteDir().canonicalPath();
    if (realRoot.isEmpty() || folder.isEmpty())
        return false;
    return folder == realRoot || MountRoot::isStrictlyBelow(folder, realRoot);
}

} // namespace

TFDelLocalPhotoImg::TFDelLocalPhotoImg(QObject *parent) : QThread(parent) {}

TFDelLocalPhotoImg::~TFDelLocalPhotoImg() = default;

QStringList TFDelLocalPhotoImg::copiesOf(const QString &path)
{
    QStringList result{path};
    // Only the folder that directly holds the file is the "all" folder of an import.
    const int nameStart = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (nameStart < 4)
        return result;
    const int folderStart = nameStart - 3;
    const QChar before = path.at(folderStart - 1);
    if (path.mid(folderStart, 3) != QLatin1String("all") || (before != QLatin1Char('/') && before != QLatin1Char('\\')))
        return result;
    for (const char *size : {"90", "190", "1920"}) {
        QString copy = path;
        copy.replace(folderStart, 3, QLatin1String(size));
        result.append(copy);
    }
    return result;
}

void TFDelLocalPhotoImg::setPrepareDelPaths(const QStringList &paths)
{
    for (const QString &path : paths)
        pendingPaths.append(copiesOf(path));
    if (!isRunning())
        run();
}

void TFDelLocalPhotoImg::run()
{
    const QString realRoot = QFileInfo(MountRoot::path()).canonicalFilePath();
    while (!pendingPaths.isEmpty()) {
        const QString entry = pendingPaths.takeFirst();
        const QFileInfo info(entry);
        // Paths come from the service: never remove anything outside the share.
        if (!MountRoot::isOnShare(entry) || !info.isFile() || !holdingFolderIsOnShare(info, realRoot))
            continue;
        QFile::remove(entry);
    }
}

QList<TFDelLocalPhotoImg::Failure> TFDelLocalPhotoImg::removeOnShare(const QStringList &paths,
                                                                   const ShareGuard &share)
{
    QList<Failure> left;
    QHash<QString, bool> folderOnShare; // one real-path look per folder
    const QString offShare = QStringLiteral("路径不在共享目录内");
    for (const QString &path : paths) {
        for (const QString &copy : copiesOf(path)) {
            // After an unmount the mount point may be empty, or hold an older copy under the same path.
            if (!share.holds(copy)) {
                left.append({copy, share.stillThere() ? offShare : QStringLiteral("共享目录已断开")});
                continue;
            }
            struct stat info;
            if (::lstat(QFile::encodeName(copy).constData(), &info) != 0) {
                // Not there on the share that was there a moment ago: gone already.
                if (errno != ENOENT)
                    left.append({copy, QString::fromLocal8Bit(std::strerror(errno))});
                continue;
            }
            const QString folder = QFileInfo(copy).path();
            auto known = folderOnShare.find(folder);
            if (known == folderOnShare.end())
                known = folderOnShare.insert(folder, share.reaches(folder));
            if (!known.value()) {
                left.append({copy, offShare});
                continue;
            }
            if (::unlink(QFile::encodeName(copy).constData()) != 0)
                left.append({copy, QString::fromLocal8Bit(std::strerror(errno))});
        }
    }
    return left;
}
