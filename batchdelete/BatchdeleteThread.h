#pragma once

#include "batchdelete/BatchDeleteRecords.h"
#include "platform/ShareGuard.h"

#include <QThread>

#include <functional>

class QThreadPool;

// Removes one file of an order folder and, when that fails, works out why:
// on a thread of its own when started, or on whatever thread calls deleteFile().
class BatchdeleteThread : public QThread
{
    Q_OBJECT

public:
    explicit BatchdeleteThread(QObject *parent = nullptr);

    BatchDeleteOrderInfo order;
    BatchDeleteFileInfo file;
    // The order folder's real location as the scan took it; nothing outside
    // it is removed, whatever links were swapped in since.
    QString scannedFolder;
    // The order's share as pinned when it was scanned: nothing is removed, and
    // no missing file counts as deleted, once it is no longer there.
    ShareGuard share;

    // Test seam: called on the deletion thread with the file's path once its
    // folder is held open and every check before the removal has passed.
    std::function<void(const QString &filePath)> aboutToRemove;

    void deleteFile();
    // Runs deleteFile() on a thread of the pool and releases the object once
    // that call has returned there: a receiver of deleteFileFinish may still
    // be running on that thread when the signal's queued slots are handled.
    void startIn(QThreadPool *pool);
    void analyzeDeleteError(const QString &filePath);
    static bool isNetworkPathUnreachable(const QString &path);
    static bool isFileOccupied(const QString &path);

signals:
    void deleteFileFinish(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);

protected:
    void run() override;

private:
    void setOutcome(int status, const QString &message);
    void setShareMissing();

    bool m_stop = false;
    // errno of the failed removal: only "no such file" may count as already gone.
    int m_removeError = 0;
};
