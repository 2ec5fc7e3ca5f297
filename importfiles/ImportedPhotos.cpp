#include "importfiles/ImportedPhotos.h"

#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "platform/MountRoot.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QMap>

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

    QMap<QString, QList<ThumbnailInfo>> rawsByBase;
    QMap<QString, ThumbnailInfo> rawsById;
    const QJsonArray raws = reply.value(QStringLiteral("images_yuanshidang")).toArray();
    for (const QJsonValue &value : raws) {
        const QJsonObject o = value.toObject();
        ThumbnailInfo raw;
        raw.id = text(o, "id");
        raw.name = text(o, "img_name");
        raw.filePath = filePathOf(text(o, "localpath"));
        raw.localPath = QStringLiteral(":/public/image/public/icon/raw.png");
        raw.selectable = text(o, "isdownload") != QLatin1String("1");
        rawsByBase[QFileInfo(raw.name).baseName()].append(raw);
        rawsById.insert(raw.id, raw);
    }

    QList<ThumbnailInfo> result;
    const QJsonArray jpegs = reply.value(QStringLiteral("images_yuanpian")).toArray();
    for (const QJsonValue &value : jpegs) {
        const QJsonObject o = value.toObject();
        ThumbnailInfo jpeg;
        jpeg.id = text(o, "id");
        jpeg.name = text(o, "img_name");
        jpeg.filePath = filePathOf(text(o, "localpath"));
        jpeg.url = text(o, "url");
        for (const char *key : {"localpath_90", "localpath_1920"}) {
            const QString extra = filePathOf(text(o, key));
            if (!extra.isEmpty())
                jpeg.extraPaths.append(extra);
        }
        const QList<ThumbnailInfo> paired = rawsByBase.value(QFileInfo(jpeg.name).baseName());
        for (const ThumbnailInfo &raw : paired) {
            if (!raw.selectable)
                jpeg.selectable = false;
        }
        result.append(jpeg);
        for (const ThumbnailInfo &raw : paired) {
            result.append(raw);
            rawsById.remove(raw.id);
        }
    }
    for (const ThumbnailInfo &raw : qAsConst(rawsById))
        result.append(raw);
    return result;
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
