#pragma once

#include "app/core/BaseReq.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/records/OrderInfo.h"
#include "transfer/records/PhotoInfo.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// Bodies and rules of the photo transfer tool's reports to the service
// ("savepicpath", "savepicpathmv", "saveorderphotopath", "logreadpic").
// Pure functions: no window, thread or network needed.
namespace TransferReports {

// The branch context every report ends with (personid repeats eid).
struct Branch
{
    QString shopId;
    QString eid;
    QString superId;
};

// The kind of an entry, read from its own folder tag: the two video tags
// give the video kinds, anything else is a finished photo.
ImportTypes kindOfEntry(const PhotoInfo &entry);

// The kind of an order's run: that of its first picked entry, or
// fallback when nothing is picked.
ImportTypes kindOfOrder(const OrderInfo &order, ImportTypes fallback);

// Only the full-size copy of a photo is reported; videos always are.
bool isReportedEntry(const PhotoInfo &entry);

// "&m=order&a=savepicpath" for photos, "&m=order&a=savepicpathmv" for videos.
QString photoReportAction(const PhotoInfo &entry);

// The file an entry is written to, with "/" separators only:
// folder, size tag and file name joined by exactly one separator each.
QString entryFilePath(const QString &folder, const QString &sizeTag, const QString &fileName);

// done * 100 / total, truncated; 0 when total is not positive.
int progressPercent(int done, int total);

// Which of an order's imported lists an entry of this kind belongs to.
QList<PhotoInfo> &importedList(OrderInfo &order, ImportTypes kind);

// An imported entry as the service's "savepicpath" reply describes it.
PhotoInfo entryFromReply(const QJsonObject &reply);

// Appends the entry unless the list already holds one of the same name.
bool appendImported(QList<PhotoInfo> &list, const PhotoInfo &entry);

// Why a report did not reach the service, in the user's words; empty when
// the reply is an acceptance (code "1").
QString replyProblem(bool ok, const QJsonDocument &reply, BaseReq::Failure failure);

// The share path in the service's UNC form; empty when it is not below
// the mount root (such a path is never reported).
QString uncPath(const QString &serverName, const QString &mountPath);

// Body of "savepicpath"/"savepicpathmv". uncFilePath is already in UNC form.
QByteArray photoReportBody(const QString &orderPhotoId, const QString &personId, qint64 fileSize,
                           const PhotoInfo &entry, const QString &uncFilePath, const Branch &branch);

// Body of "saveorderphotopath". uncFolder is already in UNC form.
QByteArray orderPathBody(const QString &orderPhotoId, const QString &personId, const QString &uncFolder,
                         const Branch &branch);

// Body of "logreadpic". names are the uploaded names already joined by "|:|".
QByteArray orderDataBody(const QString &orderPhotoId, int pictureCount, const QString &uncImportPath,
                         const QString &names, ImportTypes kind, const Branch &branch);

} // namespace TransferReports
