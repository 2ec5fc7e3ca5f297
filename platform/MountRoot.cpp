#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QVector>

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#ifdef Q_OS_MACOS
#include <sys/mount.h>
#include <sys/param.h>
#else
#include <sys/vfs.h>
#endif

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

// Set for the demo studio and the tests only; read at each check.
bool localSharesDeclared()
{
    return qgetenv("STUDIO_LOCAL_SHARES") == "1";
}

QByteArray realPathOf(const QByteArray &path)
{
    char *resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return QByteArray();
    const QByteArray result(resolved);
    ::free(resolved);
    return result;
}

// A folder on another device than its parent is a mount point; a bind mount of
// the same disk shows only in the mount table.
#ifdef Q_OS_MACOS
bool isMountPoint(const QByteArray &realPath, const struct stat &folder)
{
    struct stat parent;
    if (::stat((realPath + "/..").constData(), &parent) == 0 && parent.st_dev != folder.st_dev)
        return true;
    struct statfs fs;
    return ::statfs(realPath.constData(), &fs) == 0 && realPath == QByteArray(fs.f_mntonname);
}

bool onNetworkOrUserSpaceFs(const QByteArray &realPath)
{
    struct statfs fs;
    if (::statfs(realPath.constData(), &fs) != 0)
        return false;
    const QByteArray type(fs.f_fstypename);
    return type == "smbfs" || type == "nfs" || type == "afpfs" || type == "webdav" || type == "macfuse"
           || type == "osxfuse";
}
#else
// Mount points in /proc/self/mountinfo have space, tab, newline and backslash as \ooo.
QByteArray unescapedMountPoint(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(code);
                i += 3;
                continue;
            }
        }
        out += field.at(i);
    }
    return out;
}

struct Mount
{
    QByteArray point;
    QByteArray type;
};

// The mount table as it is now, in mount order.
QVector<Mount> mountTable()
{
    QVector<Mount> mounts;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return mounts;
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray &line : lines) {
        // Fields: id, parent id, major:minor, root, mount point, options,
        // optional fields, "-", file system type, ...
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() <= 4)
            continue;
        const int dash = fields.indexOf("-");
        mounts.append({unescapedMountPoint(fields.at(4)),
                       dash > 4 && dash + 1 < fields.size() ? fields.at(dash + 1) : QByteArray()});
    }
    return mounts;
}

bool inMountTable(const QByteArray &realPath)
{
    const QVector<Mount> mounts = mountTable();
    for (const Mount &mount : mounts) {
        if (mount.point == realPath)
            return true;
    }
    return false;
}

bool isMountPoint(const QByteArray &realPath, const struct stat &folder)
{
    struct stat parent;
    if (::stat((realPath + "/..").constData(), &parent) == 0 && parent.st_dev != folder.st_dev)
        return true;
    return inMountTable(realPath);
}

// Network shares and user-space file systems (smbnetfs mounts SMB through FUSE).
bool onNetworkOrUserSpaceFs(const QByteArray &realPath)
{
    struct statfs fs;
    if (::statfs(realPath.constData(), &fs) != 0)
        return false;
    switch (quint32(fs.f_type)) {
    case 0x517B: // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x6969: // NFS
    case 0x65735546: // FUSE
    case 0x5346414F: // AFS
    case 0x6B414653: // kAFS
    case 0x73757245: // CODA
    case 0x01021997: // 9p
    case 0x00C36400: // Ceph
    case 0x564C: // NCP
        return true;
    default:
        return false;
    }
}
#endif

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

bool isAtOrBelow(const QString &path, const QString &folder)
{
    return !folder.isEmpty() && (path == folder || isStrictlyBelow(path, folder));
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
    QString folder = shareFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QByteArray name = QFile::encodeName(folder);
    struct stat share;
    // lstat: a link standing where the share was is not the share.
    if (::lstat(name.constData(), &share) != 0 || !S_ISDIR(share.st_mode))
        return false;
    // The mount table lists canonical paths: a root reached through a link still finds its shares.
    const QByteArray real = realPathOf(name);
    if (real.isEmpty())
        return false;
    if (isMountPoint(real, share) || onNetworkOrUserSpaceFs(real))
        return true;
    // Declared plain folders (demo studio, tests): one that holds something stands for the share.
    return localSharesDeclared() && hasEntries(folder);
}

bool isOnSmbShare(const QString &path)
{
    const QByteArray real = realPathOf(QFile::encodeName(path));
    if (real.isEmpty())
        return false;
#ifdef Q_OS_MACOS
    struct statfs fs;
    return ::statfs(real.constData(), &fs) == 0 && qstrcmp(fs.f_fstypename, "smbfs") == 0;
#else
    // The deepest mount holding the path names its kind: "cifs", "smb3", or a
    // FUSE client's own such as "fuse.smbnetfs"; a later mount hides an earlier one.
    QByteArray deepest;
    QByteArray type;
    const QVector<Mount> mounts = mountTable();
    for (const Mount &mount : mounts) {
        const bool holds = mount.point == "/" || real == mount.point || real.startsWith(mount.point + '/');
        if (holds && mount.point.size() >= deepest.size()) {
            deepest = mount.point;
            type = mount.type;
        }
    }
    return type == "cifs" || type.contains("smb");
#endif
}

} // namespace MountRoot
