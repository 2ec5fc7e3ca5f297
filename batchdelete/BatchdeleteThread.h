#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QThread>

// Removes one file of an order folder on a thread of its own and, when that
// fails, works out why.
class BatchdeleteThread : public QThread
{
    Q_OBJECT

public:
    explicit BatchdeleteThread(QObject *parent = nullptr);

    BatchDeleteOrderInfo order;
    BatchDeleteFileInfo file;

    void deleteFile();
    void analyzeDeleteError(const QString &filePath);
    static bool isNetworkPathUnreachable(const QString &path);
    static bool isFileOccupied(const QString &path);

signals:
    void deleteFileFinish(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);

protected:
    void run() override;

private:
    bool m_stop = false;
};
