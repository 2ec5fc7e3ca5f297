#pragma once

#include "importfiles/ImportFile.h"
#include "importfiles/ImportRules.h"
#include "platform/ShareGuard.h"

#include <QList>
#include <QObject>
#include <QRunnable>

// Looks, on a pool thread, at what already lies under the names a set of
// chosen files is about to take, and clears the tool's stale temporaries
// out of their folders first. Reports one ImportFileCopyRunnable::TargetState
// (as int) per file, in the given order; a file whose name the folder holds
// only as a look-alike (other Unicode form or letter case) comes back with
// that name in lookAlikeName. The folders are looked at where the order
// folder was resolved, and only while the share is there; otherwise every
// file comes back Absent and is left to the copy, which refuses it.
class ImportTargetCheckRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    // files of one order, whose folder orderFolder was resolved to place below share.
    ImportTargetCheckRunnable(const QList<ImportFile> &files, const ShareGuard &share, const QString &orderFolder,
                              const ImportRules::OrderPlace &place);

    void run() override;

signals:
    void checked(const QList<ImportFile> &files, const QList<int> &states);

private:
    QList<ImportFile> m_files;
    ShareGuard m_share;
    QString m_orderFolder;
    ImportRules::OrderPlace m_place;
};
