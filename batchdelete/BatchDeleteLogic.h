#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// The batch delete tool's rules that need no window, thread or network.
namespace BatchDeleteLogic {

// Registers the record types for queued signals; safe to call repeatedly.
void registerMetaTypes();

// The shown customer name: both names joined by "/", else the non-empty one.
QString customerName(const QString &mname, const QString &wname);

// The order folder as a mount path, or empty when the service's path does not
// lead strictly below the mount root (nothing outside is ever scanned or deleted).
QString orderFolder(const QString &netpath);

// One order of the "order_list" reply's "data" array, at index row.
BatchDeleteOrderInfo orderFromJson(const QJsonObject &object, int row);

// True when the reply is an object with "code" equal to the text "1".
bool isAccepted(const QJsonObject &reply);

// Request bodies, every value encoded once by FormBody.
struct Ids
{
    QString shopId;
    QString managerId;
    QString superId;
};
QByteArray switchShopBody(const QString &shopId);
QByteArray orderListBody(const QString &keyword, int searchType, const QString &role7id, const Ids &ids);
QByteArray loginBody(const QString &username, const QString &password);
// "pics" of the announcement: compact JSON, one object per file in scan order.
QByteArray picsJson(const QList<BatchDeleteFileInfo> &files);
QByteArray deleteBeforeBody(const Ids &ids, const QString &orderPhotoId,
                            const QList<BatchDeleteFileInfo> &files);
QByteArray deleteAfterBody(const Ids &ids, const QString &orderPhotoId, const BatchDeleteFileInfo &file);

// Texts of the file list's dialogs.
QString deletedListText(const QList<BatchDeleteFileInfo> &files);
QString failedListText(const QList<BatchDeleteFileInfo> &files);

// Table texts.
QString formatFileSize(qint64 size);
QString statusText(int status);
QString statusColor(int status);
// The status cell: the text with " (文件不存在)" or " (文件被占用)" where they apply.
QString statusCellText(int status);

// True when filePath is a file that a deletion of the order folder may touch:
// strictly below the folder, both on the share, and the file's real folder
// (links resolved) still inside the folder's real location.
bool mayDelete(const QString &filePath, const QString &orderFolder);

// Whether a removal can be reported to the service: the path holds nothing any more.
bool isGone(const QString &filePath);

} // namespace BatchDeleteLogic
