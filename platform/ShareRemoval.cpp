#include "platform/ShareRemoval.h"

#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace ShareRemoval {

namespace {

// realpath(3) keeps the reason a folder could not be resolved, QFileInfo does not.
QString realPathOf(const QString &path, int *error)
{
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), resolved)) {
        *error = errno;
        return QString();
    }
    return QFile::decodeName(resolved);
}

} // namespace

Result remove(const ShareGuard &share, const QString &path, const QString &within,
              const std::function<void()> &beforeRemoval)
{
    Result result;
    // The real places decide below; the text may carry doubled separators.
    if (!share.isPinned()) {
        result.outcome = Outcome::OffShare;
        return result;
    }
    const QFileInfo info(path);
    int error = 0;
    const QString realFolder = realPathOf(info.absolutePath(), &error);
    // Held open before the share is looked at: see the header.
    const int folder = realFolder.isEmpty()
                           ? -1
                           : ::open(QFile::encodeName(realFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!realFolder.isEmpty() && folder < 0)
        error = errno;
    const auto finish = [folder, &result](Outcome outcome, int code) {
        if (folder >= 0)
            ::close(folder);
        result.outcome = outcome;
        result.error = code;
        return result;
    };
    if (!share.stillThere())
        return finish(Outcome::ShareGone, 0);
    if (folder < 0)
        return finish(Outcome::FolderFailed, error);
    const QString realShare = QFileInfo(share.shareFolder()).canonicalFilePath();
    // within is a real place taken earlier: resolved now, a folder swapped for a link would pass.
    if (!MountRoot::isAtOrBelow(realFolder, realShare))
        return finish(Outcome::OffShare, 0);
    if (!within.isEmpty() && !MountRoot::isAtOrBelow(realFolder, within))
        return finish(Outcome::OffFolder, 0);
    if (beforeRemoval)
        beforeRemoval();
    if (::unlinkat(folder, QFile::encodeName(info.fileName()).constData(), 0) == 0)
        return finish(Outcome::Removed, 0);
    const int code = errno;
    return finish(code == ENOENT ? Outcome::Missing : Outcome::Failed, code);
}

} // namespace ShareRemoval
