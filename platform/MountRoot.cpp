#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <dirent.h>
#include <sys/stat.h>

namespace {

const QString kDefaultRoot = QStringLiteral("/Volumes/");

QString withSlash(QString root)
{
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

QString environmentRoot()
{
    const QString env = qEnvironmentVariable("STUDIO_MOUNT_ROOT");
    return env.isEmpty() ? kDefaultRoot : withSlash(env);
}

struct RootState
{
    QMutex mutex;
    QString root = environmentRoot();
};

RootState &state()
{
    static RootState s;
    return s;
}

bool hasDotParts(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return true;
    }
    return false;
}

// True when folder holds any entry besides "." and "..".
bool hasEntries(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

namespace MountRoot {

QString path()
{
    QMutexLocker lock(&state().mutex);
    return state().root;
}

void setPath(const QString &root)
{
    const QString value = root.isEmpty() ? kDefaultRoot : withSlash(root);
    QMutexLocker lock(&state().mutex);
    state().root = value;
}

void reset()
{
    const QString value = environmentRoot();
    QMutexLocker lock(&state().mutex);
    state().root = value;
}

bool isDefault()
{
    return path() == kDefaultRoot;
}

bool isStrictlyBelow(const QString &path, const QString &folder)
{
    if (!path.startsWith(QLatin1Char('/')) || !folder.startsWith(QLatin1Char('/')))
        return false;
    if (hasDotParts(path) || hasDotParts(folder))
        return false;
    const QString base = withSlash(folder);
    if (!path.startsWith(base))
        return false;
    // Something other than slashes must follow the folder itself.
    for (int i = base.size(); i < path.size(); ++i) {
        if (path.at(i) != QLatin1Char('/'))
            return true;
    }
    return false;
}

bool isOnShare(const QString &path)
{
    return isStrictlyBelow(path, MountRoot::path());
}

bool isBelowMountedShare(const QString &path)
{
    const QString root = MountRoot::path();
    if (!isStrictlyBelow(path, root))
        return false;
    const QStringList parts = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    const QStringList shares =
        QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden | QDir::System);
    return shares.contains(parts.first(), Qt::CaseSensitive) && isShareMounted(root + parts.first());
}

bool isShareMounted(const QString &shareFolder)
{
    struct stat share;
    struct stat root;
    // lstat: a link standing where the share was is not the share.
    if (::lstat(QFile::encodeName(shareFolder).constData(), &share) != 0 || !S_ISDIR(share.st_mode))
        return false;
    if (::stat(QFile::encodeName(path()).constData(), &root) != 0)
        return false;
    return share.st_dev != root.st_dev || hasEntries(shareFolder);
}

} // namespace MountRoot
