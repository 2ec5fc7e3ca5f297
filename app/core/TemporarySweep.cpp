#include "app/core/TemporarySweep.h"

#include "app/core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <fcntl.h>
#include <unistd.h>

int TemporarySweep::beforeWriting(const QString &folder, int dirFd)
{
    const QString key = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    {
        QMutexLocker lock(&m_mutex);
        if (m_folders.contains(key))
            return 0;
        m_folders.insert(key);
    }
    // Swept outside the lock: a large folder on a share takes a while, and
    // the writes meanwhile make young, locked temporaries that stay anyway.
    const int fd = dirFd >= 0 ? dirFd : ::open(QFile::encodeName(key).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int removed = AtomicFile::removeStaleTemporaries(fd, AtomicFile::kStaleTemporarySecs);
    if (fd != dirFd)
        ::close(fd);
    return removed;
}

int TemporarySweep::beforeWritingTo(const QString &path)
{
    return beforeWriting(QFileInfo(path).absolutePath());
}
