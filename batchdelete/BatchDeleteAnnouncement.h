#pragma once

#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDeleteRecords.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRunnable>

// Prepares the announcement of an order's file list ("delete_pic_before") on
// a pool thread: keeps the files that may be deleted, numbers them and builds
// the body. For tens of thousands of files the body runs to megabytes, and
// this took the window's thread for a second.
class BatchDeleteAnnouncement : public QObject, public QRunnable
{
    Q_OBJECT

public:
    BatchDeleteAnnouncement(const BatchDeleteLogic::Ids &ids, const BatchDeleteOrderInfo &order,
                            const QList<BatchDeleteFileInfo> &found);

    void run() override;

signals:
    // The files that may go, with their body (empty when none may), and how
    // many were given. Queued to the window; dropped when it is gone.
    void built(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files, const QByteArray &body,
               int found);

private:
    BatchDeleteLogic::Ids m_ids;
    BatchDeleteOrderInfo m_order;
    QList<BatchDeleteFileInfo> m_found;
};
