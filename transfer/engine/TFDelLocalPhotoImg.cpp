#include "transfer/engine/TFDelLocalPhotoImg.h"

#include "platform/MountRoot.h"

#include <QFile>
#include <QFileInfo>

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
    while (!pendingPaths.isEmpty()) {
        const QString entry = pendingPaths.takeFirst();
        const QFileInfo info(entry);
        // Paths come from the service: never remove anything outside the share.
        if (!MountRoot::isOnShare(entry) || !info.isFile())
            continue;
        QFile::remove(entry);
    }
}
