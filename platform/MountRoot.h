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

} // namespace MountRoot
