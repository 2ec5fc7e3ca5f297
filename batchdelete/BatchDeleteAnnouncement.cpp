#include "batchdelete/BatchDeleteAnnouncement.h"

BatchDeleteAnnouncement::BatchDeleteAnnouncement(const BatchDeleteLogic::Ids &ids, const BatchDeleteOrderInfo &order,
                                                 const QList<BatchDeleteFileInfo> &found)
    : m_ids(ids)
    , m_order(order)
    , m_found(found)
{
}

void BatchDeleteAnnouncement::run()
{
    QList<BatchDeleteFileInfo> files;
    for (const BatchDeleteFileInfo &file : qAsConst(m_found)) {
        if (BatchDeleteLogic::mayDelete(file.filePath, m_order.netpath))
            files.append(file);
    }
    for (int i = 0; i < files.size(); ++i)
        files[i].index = i;
    const QByteArray body =
        files.isEmpty() ? QByteArray() : BatchDeleteLogic::deleteBeforeBody(m_ids, m_order.order_photo_id, files);
    emit built(m_order, files, body, m_found.size());
}
