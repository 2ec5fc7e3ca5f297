#include "platform/ShareGuard.h"

#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace {

bool identityOf(const QString &folder, quint64 *device, quint64 *inode)
{
    struct stat info;
    // lstat: a link standing where the share was is not the share.
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    *device = quint64(info.st_dev);
    *inode = quint64(info.st_ino);
    return true;
}

// True when real (a real place) is an ancestor of within, within itself or
// below it; always for an empty within.
bool onTheWay(const QString &real, const QString &within)
{
    return within.isEmpty() || MountRoot::isAtOrBelow(real, within) || MountRoot::isStrictlyBelow(within, real);
}

} // namespace

bool ShareGuard::pin(const QString &path)
{
    m_shareFolder.clear();
    if (!MountRoot::isBelowMountedShare(path))
        return false;
    const QString root = MountRoot::path();
    const QString share = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts).first();
    const QString folder = root + share + QLatin1Char('/');
    if (!identityOf(folder, &m_device, &m_inode))
        return false;
    m_shareFolder = folder;
    return true;
}

bool ShareGuard::stillThere() const
{
    quint64 device = 0;
    quint64 inode = 0;
    return isPinned() && identityOf(m_shareFolder, &device, &inode) && device == m_device && inode == m_inode;
}

bool ShareGuard::holds(const QString &path) const
{
    return isPinned() && MountRoot::isStrictlyBelow(path, m_shareFolder) && stillThere();
}

QString ShareGuard::placeOnShare(const QString &path) const
{
    if (!isPinned() || !MountRoot::isStrictlyBelow(path, m_shareFolder))
        return QString();
    // Real paths on both sides: the mount root itself may be reached through a link.
    const QString realShare = realPlace(m_shareFolder);
    const QString realPath = realPlace(path);
    return !realShare.isEmpty() && MountRoot::isStrictlyBelow(realPath, realShare) && stillThere() ? realPath
                                                                                                  : QString();
}

bool ShareGuard::reaches(const QString &path) const
{
    return !placeOnShare(path).isEmpty();
}

QString ShareGuard::realPlace(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString ShareGuard::linkOnTheWay(const QString &path)
{
    const QString root = MountRoot::path();
    if (!MountRoot::isStrictlyBelow(path, root))
        return QString();
    const QStringList parts = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // The share folder itself is judged when it is pinned.
    QString current = root + parts.first();
    for (int i = 1; i < parts.size(); ++i) {
        current += QLatin1Char('/') + parts.at(i);
        struct stat info;
        if (::lstat(QFile::encodeName(current).constData(), &info) != 0)
            return QString();
        if (S_ISLNK(info.st_mode))
            return current;
    }
    return QString();
}

bool ShareGuard::reachesWithin(const QString &path, const QString &within) const
{
    // One resolution for both questions: the path is resolved on the share, often over the network.
    return MountRoot::isAtOrBelow(placeOnShare(path), within);
}

bool ShareGuard::makePath(const QString &folder, const QString &within) const
{
    if (!holds(folder))
        return false;
    const QStringList parts = folder.mid(m_shareFolder.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = m_shareFolder;
    for (const QString &part : parts) {
        const QString parent = current;
        current += part + QLatin1Char('/');
        if (QFileInfo(current).isDir()) {
            // An existing part may be a link: nothing is made below one leading off the share
            // (nor into another order: the next new part, or the end, is checked by real place).
            if (!reaches(current))
                return false;
            continue;
        }
        // Nothing is made beside the order folder either, only on the way to it or in it.
        if (!onTheWay(realPlace(parent) + QLatin1Char('/') + part, within))
            return false;
        // Checked again before each folder: the share may leave between two.
        if (!stillThere() || !QDir().mkdir(current)) {
            if (!QFileInfo(current).isDir() || !reaches(current) || !onTheWay(realPlace(current), within))
                return false;
        }
    }
    return stillThere() && (within.isEmpty() || reachesWithin(folder, within));
}
