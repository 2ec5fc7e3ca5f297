#include "transfer/engine/TFDelLocalPhotoImg.h"

#include "app/core/K.h"
#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"
#include "platform/ShareRemoval.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

QString TFDelLocalPhotoImg::leftReason(const ShareRemoval::Result &removal)
{
    switch (removal.outcome) {
    case ShareRemoval::Outcome::Removed:
    case ShareRemoval::Outcome::Missing:
        return QString();
    case ShareRemoval::Outcome::ShareGone:
        return QStringLiteral("共享目录已断开");
    case ShareRemoval::Outcome::OffShare:
        return K::pathOffShareText();
    case ShareRemoval::Outcome::OffFolder:
        return K::outsideOrderText();
    case ShareRemoval::Outcome::FolderFailed:
        // No such folder on the share that was still there after the look: its files are gone.
        if (removal.error == ENOENT)
            return QString();
        break;
    case ShareRemoval::Outcome::Failed:
        break;
    }
    return QString::fromLocal8Bit(std::strerror(removal.error));
}

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
        // Paths come from the service: never remove anything outside the share.
        ShareGuard share;
        if (!MountRoot::isOnShare(entry) || !QFileInfo(entry).isFile() || !share.pin(entry))
            continue;
        ShareRemoval::remove(share, entry);
    }
}

namespace {

// Why copies in folder would be refused at their removal; empty when none would.
QString refusalOf(const QString &copy, const QString &folder, const ShareGuard &share, const QString &within)
{
    if (!MountRoot::isStrictlyBelow(copy, share.shareFolder()))
        return K::pathOffShareText() + QStringLiteral(": ") + folder;
    // A folder that is not there holds nothing.
    if (!QFileInfo::exists(folder))
        return QString();
    if (!share.reaches(folder))
        return K::pathOffShareText() + QStringLiteral(": ") + folder;
    if (!share.reachesWithin(folder, within))
        return K::outsideOrderMessage(folder);
    return QString();
}

} // namespace

QString TFDelLocalPhotoImg::folderRefusal(const QString &path, const ShareGuard &share, const QString &within,
                                          QHash<QString, QString> *known)
{
    for (const QString &copy : copiesOf(path)) {
        const QString folder = QFileInfo(copy).path();
        const auto seen = known ? known->constFind(folder) : QHash<QString, QString>::const_iterator();
        const QString refusal =
            known && seen != known->constEnd() ? seen.value() : refusalOf(copy, folder, share, within);
        if (known)
            known->insert(folder, refusal);
        if (!refusal.isEmpty())
            return refusal;
    }
    return QString();
}

QList<TFDelLocalPhotoImg::Failure> TFDelLocalPhotoImg::removeOnShare(const QStringList &paths,
                                                                   const ShareGuard &share, const QString &within,
                                                                   const BeforeRemoval &beforeRemoval)
{
    QList<Failure> left;
    for (const QString &path : paths) {
        for (const QString &copy : copiesOf(path)) {
            // A folder of another share may be missing only because that share is not mounted.
            if (!MountRoot::isStrictlyBelow(copy, share.shareFolder())) {
                left.append({copy, K::pathOffShareText()});
                continue;
            }
            // Never by its path: after an unmount that may name an older copy under the mount point.
            const auto hook = [&beforeRemoval, &copy] {
                if (beforeRemoval)
                    beforeRemoval(copy);
            };
            const QString reason = leftReason(ShareRemoval::remove(share, copy, within, hook));
            if (!reason.isEmpty())
                left.append({copy, reason});
        }
    }
    return left;
}
