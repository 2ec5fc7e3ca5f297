#pragma once

#include <QString>

#include <functional>

class ShareGuard;

// Removes one file of the share through its folder held open. The folder is
// opened first and the pinned share looked at after, so an unmount between
// the look and the removal still removes on the share, never the copy an
// unmount leaves under the mount point.
namespace ShareRemoval {

enum class Outcome {
    Removed,
    Missing,      // no such file, said by its folder held open on the share
    ShareGone,    // the pinned share is no longer where it was pinned
    OffShare,     // the path, or the folder's real place, is not below the share
    OffFolder,    // the folder's real place is on the share but not at or below within
    FolderFailed, // the folder could not be reached or opened; error says why
    Failed,       // the removal itself failed; error says why
};

struct Result
{
    Outcome outcome = Outcome::Failed;
    int error = 0; // errno of FolderFailed, Failed and Missing
};

// Removes path (below share's folder) only while share is still the pinned
// one and the real place of the folder holding path lies below the share's
// real place (and, when within is given, at or below within, a real place
// taken earlier, such as the order folder's when it was scanned).
// A file that is itself a link is removed as the link. beforeRemoval, when
// set, runs between the checks and the removal (tests unmount there).
Result remove(const ShareGuard &share, const QString &path, const QString &within = QString(),
              const std::function<void()> &beforeRemoval = nullptr);

} // namespace ShareRemoval
