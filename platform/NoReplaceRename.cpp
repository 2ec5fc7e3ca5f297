#include "platform/NoReplaceRename.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NoReplaceRename {

namespace {

std::atomic<Fallback> forced{Fallback::None};

#if !defined(__APPLE__)
int flaggedRename(int dir, const QByteArray &from, const QByteArray &to)
{
    if (forced.load() != Fallback::None) {
        errno = EINVAL; // what a file system without the flag answers
        return -1;
    }
    return ::renameat2(dir, from.constData(), dir, to.constData(), RENAME_NOREPLACE);
}

int hardLink(int dir, const QByteArray &from, const QByteArray &to)
{
    if (forced.load() == Fallback::WithoutFlagOrLinks) {
        errno = EPERM; // what a share without hard links answers
        return -1;
    }
    return ::linkat(dir, from.constData(), dir, to.constData(), 0);
}
#endif

} // namespace

void forceFallbackForTests(Fallback fallback)
{
    forced = fallback;
}

bool rename(int dir, const QByteArray &from, const QByteArray &to)
{
#if defined(__APPLE__)
    return ::renameatx_np(dir, from.constData(), dir, to.constData(), RENAME_EXCL) == 0;
#else
    if (flaggedRename(dir, from, to) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // File systems without the flag: a hard link fails on an existing name.
    if (hardLink(dir, from, to) == 0) {
        ::unlinkat(dir, from.constData(), 0);
        return true;
    }
    if (errno == EEXIST)
        return false;
    // Shares without hard links: look first, the best left to do.
    struct stat existing;
    if (::fstatat(dir, to.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(dir, from.constData(), dir, to.constData()) == 0;
#endif
}

} // namespace NoReplaceRename
