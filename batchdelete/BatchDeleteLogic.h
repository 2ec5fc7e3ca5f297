#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// The batch delete tool's rules that need no window, thread or network.
namespace BatchDeleteLogic {

// Registers the record types for queued signals; safe to call repeatedly.
void registerMetaTypes();

// The shown customer name: both names joined by "/", else the non-empty one.
QString customerName(const QString &mname, const QString &wname);

// The order folder as a mount path, or empty unless the service's path is
// absolute and leads, free of "." and "..", at least one folder below a share
// (a relative path is never mapped, a share's root never taken). A path too
// long for the system is never mapped; tooLong, when given, gets why.
QString orderFolder(const QString &netpath, QString *tooLong = nullptr);

// True when path lies at least one folder below a share under root.
bool isBelowShare(const QString &path, const QString &root);

// The order folder's real location (links resolved), taken when the order is
// scanned; empty with the reason when it does not lie below a share of the
// real mount root, when it or a folder between the share and it is a link
// (its real place may be another order's), or when it cannot be looked up
// (folderProblem).
QString realOrderFolder(const QString &folder, QString *reason);

// Why a folder cannot be scanned, from the errno that said so: the scan's
// result code (2 missing, 3 share unreachable, 4 no permission) and its
// message. Only EACCES and EPERM are a matter of permission; I/O errors, a
// dropped connection or a timed-out server are the share being unreachable.
int folderProblem(int error, const QString &folder, QString *message);

// What is said of an order folder whose share is not (or no longer) mounted:
// the share unreachable when the folder answers with an I/O error (its server
// gone, the mount still standing), else the missing share.
QString shareMissingText(const QString &folder);

// One order of the "order_list" reply's "data" array, at index row; its
// problem says why it is never deleted ("id" or "order_photo_id" neither text
// nor integer, or empty; its folder path too long).
BatchDeleteOrderInfo orderFromJson(const QJsonObject &object, int row);
// Every order of the reply's "data" array, in its order.
QList<BatchDeleteOrderInfo> ordersFromReply(const QJsonObject &reply);

// True when the reply is an object with "code" equal to the text "1".
bool isAccepted(const QJsonObject &reply);
// What is shown for a reply not accepted: its "message", or, when its "code"
// is missing or not a string, that the reply is broken (its message, often
// "成功", is no reason).
QString refusalText(const QJsonObject &reply);

// Request bodies, every value encoded once by FormBody.
struct Ids
{
    QString shopId;
    QString managerId;
    QString superId;
    // Each of them read as a usable id: no request may carry an empty one.
    bool usable() const { return !shopId.isEmpty() && !managerId.isEmpty() && !superId.isEmpty(); }
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
// What became of a file not deleted cleanly: removed with its record still
// owed, else why it stayed on the share (its status when no reason was given).
QString failedReason(const BatchDeleteFileInfo &file);
// What one order's announced files came to in a run.
struct OrderTally
{
    int announced = 0;  // files the service accepted to have deleted
    int removed = 0;    // of those, gone from the share, their record sent or not
    int owed = 0;       // of those removed, records the service has not taken
    QString keptReason; // why the first file left on the share stayed
    QString lostReason; // the order's folder went or was swapped: why the rest stayed
};

// The final box of a run, told as the share was left: a user reading "not
// deleted" of a file that is gone believes the photo is still there.
struct RunEnd
{
    int deleted = 0; // removed and reported
    int failed = 0;  // not removed, or removed with its report given up
    QString stopReason;
    QStringList untouched; // orders none of whose files was removed, with why
    QStringList partly;    // orders with files left on the share beside removed ones
    QStringList owed;      // orders with files removed whose records are still to be sent

    // Every order's files removed and reported: nothing to say but that.
    bool allDone() const;
    // An order the run refused or never got to: nothing of it was removed.
    void addRefused(const BatchDeleteOrderInfo &order, const QString &reason);
    // An order at its end; stopReason, when given, is why the run ended at it.
    void addOrder(const BatchDeleteOrderInfo &order, const OrderTally &tally,
                  const QString &stopReason = QString());
};
// One line of the final box: the order's number, then what is said of it.
QString orderLine(const BatchDeleteOrderInfo &order, const QString &text);
// "全部删除完成！" only when nothing failed, was skipped or stopped.
QString runEndText(const RunEnd &end);
// Why an order whose ids the reply gave wrong is never deleted.
QString badOrderText();
// Why an order is listed whose scan found files none of which lie below its folder.
QString nothingDeletableText();

// Table texts.
QString formatFileSize(qint64 size);
QString statusText(int status);
QString statusColor(int status);
// The status cell: the text with " (文件不存在)" or " (文件被占用)" where they
// apply; a failed removal whose text says nothing ("未知") shows its reason.
QString statusCellText(int status, const QString &errorMessage = QString());

// Why a file could not be written, in words, for an errno.
QString writeErrorText(int error);

// The message of a file whose folder is no longer the one scanned.
QString outsideScannedFolderText();
// True when the file's removal found its folder gone or swapped since the scan.
bool isFolderLost(const BatchDeleteFileInfo &file);

// True when the file is surely gone from the share: its share is mounted
// (not the folder an unmount leaves behind, whatever that holds) and the file
// is not there.
bool isGoneFromShare(const QString &filePath);

// True when filePath lies strictly below the order folder, on the share;
// doubled separators in either path or the mount root do not matter.
bool mayDelete(const QString &filePath, const QString &orderFolder);

} // namespace BatchDeleteLogic
