#include "transfer/ui/TransferReports.h"

#include "app/core/ServiceReply.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "platform/MountRoot.h"

namespace TransferReports {

namespace {

const QString kTrialVideoTag = QStringLiteral("试拍视频");
const QString kRetouchedVideoTag = QStringLiteral("精修视频");

void addBranch(FormBody &body, const Branch &branch)
{
    body.add(QStringLiteral("shopid"), branch.shopId)
        .add(QStringLiteral("eid"), branch.eid)
        .add(QStringLiteral("superid"), branch.superId)
        .add(QStringLiteral("personid"), branch.eid);
}

QString typeValue(ImportTypes kind)
{
    return QString::number(int(kind) + 1);
}

} // namespace

ImportTypes kindOfEntry(const PhotoInfo &entry)
{
    if (entry.sizeTag == kTrialVideoTag)
        return TrialVideo;
    if (entry.sizeTag == kRetouchedVideoTag)
        return RetouchedVideo;
    return FinishedPhotos;
}

ImportTypes kindOfOrder(const OrderInfo &order, ImportTypes fallback)
{
    return order.photoList.isEmpty() ? fallback : kindOfEntry(order.photoList.first());
}

bool isReportedEntry(const PhotoInfo &entry)
{
    return kindOfEntry(entry) != FinishedPhotos || entry.sizeTag == QLatin1String("all");
}

QString photoReportAction(const PhotoInfo &entry)
{
    return kindOfEntry(entry) == FinishedPhotos ? QStringLiteral("&m=order&a=savepicpath")
                                                : QStringLiteral("&m=order&a=savepicpathmv");
}

QString entryFilePath(const QString &folder, const QString &sizeTag, const QString &fileName)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('/');
    path += sizeTag + QLatin1Char('/') + fileName;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

int progressPercent(int done, int total)
{
    return total > 0 ? int(qint64(done) * 100 / total) : 0;
}

QList<PhotoInfo> &importedList(OrderInfo &order, ImportTypes kind)
{
    switch (kind) {
    case TrialVideo:
        return order.importedTrialVideos;
    case RetouchedVideo:
        return order.importedRetouchedVideos;
    case FinishedPhotos:
        break;
    }
    return order.importedPhotos;
}

PhotoInfo entryFromReply(const QJsonObject &reply)
{
    PhotoInfo entry;
    entry.id = ServiceReply::idText(reply.value(QStringLiteral("id")));
    entry.img_name = reply.value(QStringLiteral("img_name")).toString();
    entry.url = reply.value(QStringLiteral("url")).toString();
    entry.localpath = reply.value(QStringLiteral("localpath")).toString();
    return entry;
}

bool appendImported(QList<PhotoInfo> &list, const PhotoInfo &entry)
{
    for (int i = list.size() - 1; i >= 0; --i) {
        if (list.at(i).img_name == entry.img_name)
            return false;
    }
    list.append(entry);
    return true;
}

QString replyProblem(bool ok, const QJsonDocument &reply, BaseReq::Failure failure)
{
    if (!ok) {
        const QString text = BaseReq::failureMessage(failure);
        return text.isEmpty() ? QStringLiteral("服务没有应答") : text;
    }
    const QJsonObject object = reply.object();
    switch (ServiceReply::codeOf(object)) {
    case ServiceReply::Code::Accepted:
        return QString();
    case ServiceReply::Code::BadForm:
        return ServiceReply::badFormMessage(); // its message is no reason
    case ServiceReply::Code::Refused:
        break;
    }
    for (const char *key : {"message", "msg"}) {
        const QString text = object.value(QLatin1String(key)).toString();
        if (!text.trimmed().isEmpty())
            return text;
    }
    return QStringLiteral("服务未接受");
}

QString uncPath(const QString &serverName, const QString &mountPath)
{
    QString checked = mountPath;
    checked.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!MountRoot::isOnShare(checked))
        return QString();
    return K::returnUpDatePath(serverName, mountPath);
}

QByteArray photoReportBody(const QString &orderPhotoId, const QString &personId, qint64 fileSize,
                           const PhotoInfo &entry, const QString &uncFilePath, const Branch &branch)
{
    const ImportTypes kind = kindOfEntry(entry);
    FormBody body;
    body.add(QStringLiteral("order_photo_id"), orderPhotoId)
        .add(QStringLiteral("person_id"), personId)
        .add(QStringLiteral("size"), QString::number(fileSize))
        .add(QStringLiteral("ratio"), entry.imagesize.isEmpty() ? QStringLiteral("all") : entry.imagesize)
        .add(QStringLiteral("path"), uncFilePath);
    if (kind != FinishedPhotos) {
        body.add(QStringLiteral("type"), typeValue(kind))
            .add(QStringLiteral("photonames"), entry.img_name);
    }
    addBranch(body, branch);
    return body.toBytes();
}

QByteArray orderPathBody(const QString &orderPhotoId, const QString &personId, const QString &uncFolder,
                         const Branch &branch)
{
    FormBody body;
    body.add(QStringLiteral("order_photo_id"), orderPhotoId)
        .add(QStringLiteral("person_id"), personId)
        .add(QStringLiteral("path"), uncFolder);
    addBranch(body, branch);
    return body.toBytes();
}

QByteArray orderDataBody(const QString &orderPhotoId, int pictureCount, const QString &uncImportPath,
                         const QString &names, ImportTypes kind, const Branch &branch)
{
    FormBody body;
    body.add(QStringLiteral("order_photo_id"), orderPhotoId)
        .add(QStringLiteral("picnumber"), QString::number(pictureCount))
        .add(QStringLiteral("orderpicpath"), uncImportPath)
        .add(QStringLiteral("photonames"), names)
        .add(QStringLiteral("type"), typeValue(kind));
    addBranch(body, branch);
    return body.toBytes();
}

} // namespace TransferReports
