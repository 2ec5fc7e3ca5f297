#include "transfer/engine/FolderListing.h"

#include "app/core/FoldedFileName.h"

#include <QFile>
#include <QMutexLocker>

#include <dirent.h>

FolderListing::Names FolderListing::read(const QString &folder)
{
    Names names;
    // Names only: a look at each entry would cost one more request per file on a share.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names[foldedFileName(name)].append(name);
    }
    ::closedir(dir);
    return names;
}

QStringList FolderListing::lookAlikes(const QString &folder, const QString &name)
{
    QMutexLocker lock(&m_mutex);
    auto found = m_folders.find(folder);
    if (found == m_folders.end())
        found = m_folders.insert(folder, read(folder));
    return found->value(foldedFileName(name));
}

QStringList FolderListing::lookAlikesNow(const QString &folder, const QString &name)
{
    return read(folder).value(foldedFileName(name));
}
