#pragma once

#include <QString>

// Where the studio share is mounted. "/Volumes/" on the studio's machines;
// STUDIO_MOUNT_ROOT (read on first use) or setPath redirects it, so tests
// and the local trial work on a temporary folder.
namespace MountRoot {

// The mount root, always ending with "/".
QString path();

// Replaces the mount root (a trailing "/" is added when missing).
void setPath(const QString &root);

// Back to the environment's value or "/Volumes/".
void reset();

// True while the root is the standard "/Volumes/".
bool isDefault();

// True when path is absolute, has no "." or ".." parts and lies strictly
// below folder (which must itself be absolute). Separators are "/".
bool isStrictlyBelow(const QString &path, const QString &folder);

// path is folder itself or lies strictly below it; false for an empty folder.
bool isAtOrBelow(const QString &path, const QString &folder);

// isStrictlyBelow(path, the mount root).
bool isOnShare(const QString &path);

// True when path lies strictly below a share folder that exists in the mount
// root under exactly the name the path gives. The root is listed, not asked
// for the name: on a case-insensitive disk "STUDIO" would be found beside the
// mounted "studio", and a missing share would be made on the local disk.
// Links in the root are no share (the boot volume appears as one), and
// neither is an unmounted mount point (see isShareMounted).
bool isBelowMountedShare(const QString &path);

// True when shareFolder, a folder directly below the mount root (never a
// link), holds a mounted share: it is itself a mount point in the system's
// mount table (bind mounts included), or the file system holding it is a
// network or user-space one (SMB, NFS, AFP, WebDAV, FUSE). A plain folder on
// the local disk is an unmounted mount point, whatever it holds (Finder's
// ".DS_Store", order folders written while the share was down). Only with
// STUDIO_LOCAL_SHARES=1 (demo studio and tests, read at each check) does a
// plain folder that holds something stand for the share.
bool isShareMounted(const QString &shareFolder);

// True when path (an existing file or folder) lies on an SMB share, through
// the kernel's client or a FUSE one.
bool isOnSmbShare(const QString &path);

} // namespace MountRoot
