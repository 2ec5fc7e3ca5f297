#pragma once

#include "importfiles/ImportFile.h"

#include <QList>
#include <QObject>
#include <QRunnable>

// Looks, on a pool thread, at what already lies under the names a set of
// chosen files is about to take, and clears the tool's stale temporaries
// out of their folders first. Reports one ImportFileCopyRunnable::TargetState
// (as int) per file, in the given order; a file whose name the folder holds
// only as a look-alike (other Unicode form or letter case) comes back with
// that name in lookAlikeName.
class ImportTargetCheckRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    explicit ImportTargetCheckRunnable(const QList<ImportFile> &files);

    void run() override;

signals:
    void checked(const QList<ImportFile> &files, const QList<int> &states);

private:
    QList<ImportFile> m_files;
};
