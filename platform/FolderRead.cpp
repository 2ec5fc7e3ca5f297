#include "platform/FolderRead.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <dirent.h>

namespace FolderRead {

namespace {
std::atomic<int> forcedError{0};
std::atomic<int> forcedAfter{0};

dirent *readEntry(DIR *dir, int *read)
{
    if (forcedError != 0 && (*read)++ == forcedAfter) {
        errno = forcedError;
        return nullptr;
    }
    return ::readdir(dir);
}
} // namespace

void failListingForTests(int error, int afterEntries)
{
    forcedAfter = afterEntries;
    forcedError = error;
}

int listingError(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return errno;
    // Only what the reads say counts, never an errno left from before.
    errno = 0;
    int read = 0;
    while (readEntry(dir, &read)) {
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

} // namespace FolderRead
