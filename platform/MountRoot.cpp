#include "platform/MountRoot.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

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
    return shares.contains(parts.first(), Qt::CaseSensitive);
}

} // namespace MountRoot
