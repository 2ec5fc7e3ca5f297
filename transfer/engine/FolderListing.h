#pragma once

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

// The names in a run's folders, as they were when the run first looked into
// each folder, found by their folded form. A run asks about every copy it
// writes: a folder of thousands of photos on a network share is listed once
// per run, not once per copy. Shared by the run's workers.
class FolderListing
{
public:
    // Names in folder that a share would take for name (equal after folding).
    QStringList lookAlikes(const QString &folder, const QString &name);

    // True for the first call with folder in this run, false after.
    bool firstVisit(const QString &folder);

    // The same, read from the disk now.
    static QStringList lookAlikesNow(const QString &folder, const QString &name);

private:
    using Names = QHash<QString, QStringList>; // folded name -> names as listed
    QMutex m_mutex;
    QHash<QString, Names> m_folders;
    QSet<QString> m_visited;
};
