#include "transfer/engine/FolderListing.h"

#include "app/core/FoldedFileName.h"

#include <QMutexLocker>

QStringList FolderListing::lookAlikes(const QString &folder, const QString &name)
{
    QMutexLocker lock(&m_mutex);
    auto found = m_folders.find(folder);
    if (found == m_folders.end())
        found = m_folders.insert(folder, namesByFold(folder));
    return found->value(foldedFileName(name));
}

bool FolderListing::firstVisit(const QString &folder)
{
    QMutexLocker lock(&m_mutex);
    if (m_visited.contains(folder))
        return false;
    m_visited.insert(folder);
    return true;
}

QStringList FolderListing::lookAlikesNow(const QString &folder, const QString &name)
{
    return namesByFold(folder).value(foldedFileName(name));
}
