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

// isStrictlyBelow(path, the mount root).
bool isOnShare(const QString &path);

// True when path lies strictly below a share folder that exists in the mount
// root under exactly the name the path gives. The root is listed, not asked
// for the name: on a case-insensitive disk "STUDIO" would be found beside the
// mounted "studio", and a missing share would be made on the local disk.
// Links in the root are no share (the boot volume appears as one), and
// neither is an unmounted mount point (see isShareMounted).
bool isBelowMountedShare(const QString &path);

// True when shareFolder, a folder directly below the mount root, holds a
// mounted share. An unmount leaves the mount point behind as an empty folder
// on the root's own disk: that is no share. A folder on a device of its own,
// or one with content (a plain folder standing for the share), is one.
bool isShareMounted(const QString &shareFolder);

} // namespace MountRoot
