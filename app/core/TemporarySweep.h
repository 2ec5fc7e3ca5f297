#pragma once

#include <QMutex>
#include <QSet>
#include <QString>

// The folders a run has written into. The run's first write into a folder
// removes the temporaries killed copies left there (by AtomicFile's rule);
// later writes into it go straight on. Shared by a run's pool jobs, so safe
// on any thread; a new run starts with a new one.
class TemporarySweep
{
public:
    // Removes the stale temporaries of folder the first time this run writes
    // there; dirFd: the folder already open (-1: opened from its path).
    // Returns the number removed (0 after the first time). Blocks: never
    // call it on the GUI thread.
    int beforeWriting(const QString &folder, int dirFd = -1);
    // The same for the folder of the file path.
    int beforeWritingTo(const QString &path);

private:
    QMutex m_mutex;
    QSet<QString> m_folders;
};
