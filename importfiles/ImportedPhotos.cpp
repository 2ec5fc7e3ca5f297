#include "importfiles/ImportedPhotos.h"

#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/ServiceReply.h"
#include "importfiles/ImportRules.h"
#include "platform/MountRoot.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QMap>
#include <QSet>

namespace ImportedPhotos {

QString sharePath(const QString &servicePath)
{
    if (servicePath.isEmpty())
        return QString();
    QString path = K::pathConvert(servicePath);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return MountRoot::isOnShare(path) ? path : QString();
}

namespace {

// The share path of a photo's file; the service's own text when it is not on
// the share, so that a deletion can name what it left alone.
QString filePathOf(const QString &servicePath)
{
    const QString path = sharePath(servicePath);
    return path.isEmpty() ? servicePath : path;
}

} // namespace

QList<ThumbnailInfo> photoList(const QJsonObject &reply)
{
    const auto text = [](const QJsonObject &o, const char *key) { return o.value(QLatin1String(key)).toString(); };

    // Raws by their index in the reply: a raw without a usable id has no key
    // of its own, and two of them are still two photos.
    QList<ThumbnailInfo> raws;
    QMap<QString, QList<int>> rawsByBase;
    QMap<QString, int> rawsById;
    QList<int> rawsWithoutId;
    const QJsonArray rawArray = reply.value(QStringLiteral("images_yuanshidang")).toArray();
    for (const QJsonValue &value : rawArray) {
        const QJsonObject o = value.toObject();
        ThumbnailInfo raw;
        raw.id = ServiceReply::idText(o.value(QStringLiteral("id")));
        raw.name = text(o, "img_name");
        raw.filePath = filePathOf(text(o, "localpath"));
        raw.localPath = QStringLiteral(":/public/image/public/icon/raw.png");
        raw.selectable = text(o, "isdownload") != QLatin1String("1");
        const int index = raws.size();
        raws.append(raw);
        rawsByBase[QFileInfo(raw.name).baseName()].append(index);
        if (raw.id.isEmpty())
            rawsWithoutId.append(index);
        else
            rawsById.insert(raw.id, index);
    }

    QList<ThumbnailInfo> result;
    QSet<int> pairedWithoutId;
    const QJsonArray jpegs = reply.value(QStringLiteral("images_yuanpian")).toArray();
    for (const QJsonValue &value : jpegs) {
        const QJsonObject o = value.toObject();
        ThumbnailInfo jpeg;
        jpeg.id = ServiceReply::idText(o.value(QStringLiteral("id")));
        jpeg.name = text(o, "img_name");
        jpeg.filePath = filePathOf(text(o, "localpath"));
        jpeg.url = text(o, "url");
        for (const char *key : {"localpath_90", "localpath_1920"}) {
            const QString extra = filePathOf(text(o, key));
            if (!extra.isEmpty())
                jpeg.extraPaths.append(extra);
        }
        const QList<int> paired = rawsByBase.value(QFileInfo(jpeg.name).baseName());
        for (const int index : paired) {
            if (!raws.at(index).selectable)
                jpeg.selectable = false;
        }
        result.append(jpeg);
        for (const int index : paired) {
            result.append(raws.at(index));
            if (raws.at(index).id.isEmpty())
                pairedWithoutId.insert(index);
            else
                rawsById.remove(raws.at(index).id);
        }
    }
    // The unpaired raws by id text, those without a usable id first, as an empty text sorts.
    for (const int index : qAsConst(rawsWithoutId)) {
        if (!pairedWithoutId.contains(index))
            result.append(raws.at(index));
    }
    for (const int index : qAsConst(rawsById))
        result.append(raws.at(index));
    return result;
}

QString offShareReason()
{
    return QLatin1Char(' ') + K::pathOffShareText();
}

namespace {

// Why path, a file of a photo, may not be removed from share: off it, or its
// folder's real place outside within; empty when it may.
QString placeProblem(const QString &path, const ShareGuard &share, const QString &within,
                     QHash<QString, QString> *places)
{
    if (!MountRoot::isStrictlyBelow(path, share.shareFolder()))
        return offShareReason();
    const QString named = QFileInfo(path).path();
    if (places) {
        const auto seen = places->constFind(named);
        if (seen != places->constEnd())
            return seen.value();
    }
    const QString folder = ImportRules::realPlaceOf(named);
    const QString realShare = ShareGuard::realPlace(share.shareFolder());
    QString why;
    if (folder.isEmpty() || realShare.isEmpty() || !MountRoot::isStrictlyBelow(folder, realShare))
        why = offShareReason();
    else if (!within.isEmpty() && !MountRoot::isAtOrBelow(folder, within))
        why = QLatin1Char(' ') + K::outsideOrderText();
    if (places)
        places->insert(named, why);
    return why;
}

} // namespace

QString deletionRefusal(const ThumbnailInfo &photo, const ShareGuard &share, const QString &within,
                        QHash<QString, QString> *places)
{
    if (photo.id.isEmpty())
        return photo.name + QLatin1Char(' ') + ServiceReply::unusableIdText();
    const QString why = placeProblem(photo.filePath, share, within, places);
    if (!why.isEmpty())
        return photo.name + why;
    for (const QString &extra : photo.extraPaths) {
        const QString extraWhy = placeProblem(extra, share, within, places);
        if (!extraWhy.isEmpty()) {
            const QString label = extraPathLabel(extra);
            return (label.isEmpty() ? extra : label) + extraWhy;
        }
    }
    return QString();
}

QString extraPathLabel(const QString &path)
{
    QString normalised = path;
    normalised.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parts = normalised.split(QLatin1Char('\\'), Qt::KeepEmptyParts);
    if (parts.size() < 2)
        return QString();
    return QLatin1Char('\\') + parts.at(parts.size() - 2) + QLatin1Char('\\') + parts.last();
}

QByteArray photoListBody(const QString &shopId, const QString &orderPhotoId, const QString &stamp)
{
    return FormBody()
        .add(QStringLiteral("shopid"), shopId)
        .add(QStringLiteral("order_photo_id"), orderPhotoId)
        .add(QStringLiteral("timestamp"), stamp)
        .toBytes();
}

QByteArray deleteBody(const QString &shopId, const QString &orderPhotoId, const QStringList &ids,
                      const QString &stamp)
{
    return FormBody()
        .add(QStringLiteral("shopid"), shopId)
        .add(QStringLiteral("order_photo_id"), orderPhotoId)
        .add(QStringLiteral("ids"), ids.join(QLatin1Char(',')))
        .add(QStringLiteral("timestamp"), stamp)
        .toBytes();
}

} // namespace ImportedPhotos
