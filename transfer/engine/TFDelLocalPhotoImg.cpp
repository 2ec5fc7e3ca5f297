#include "transfer/engine/TFDelLocalPhotoImg.h"

#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
