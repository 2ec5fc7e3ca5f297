#include "platform/FolderRead.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>

namespace FolderRead {

int listingError(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return errno;
    errno = 0;
    while (::readdir(dir)) {
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

} // namespace FolderRead
