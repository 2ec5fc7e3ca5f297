#include "transfer/ui/OrderRecords.h"

#include "app/core/K.h"
#include "app/core/ServiceReply.h"

#include <QStringList>

namespace OrderRecords {

PhotoInfo photoFromReply(const QJsonObject &object)
{
    PhotoInfo photo;
    photo.img_name = object.value(QStringLiteral("img_name")).toString();
    photo.url = object.value(QStringLiteral("url")).toString();
    photo.localpath = object.value(QStringLiteral("localpath")).toString();
    photo.id = ServiceReply::idText(object.value(QStringLiteral("id")));
    return photo;
}

void sortImportedEntries(const QJsonArray &entries, QList<PhotoInfo> &photos,
                         QList<PhotoInfo> &trialVideos, QList<PhotoInfo> &retouchedVideos)
{
    for (const QJsonValue &value : entries) {
        const QJsonObject object = value.toObject();
        const QString type = object.value(QStringLiteral("type")).toString();
        const PhotoInfo photo = photoFromReply(object);
        if (type == QLatin1String("2"))
            trialVideos.append(photo);
        else if (type == QLatin1String("3"))
            retouchedVideos.append(photo);
        else
            photos.append(photo);
    }
}

void splitShotDate(const QString &shotdate, QString &year, QString &month, QString &day)
{
    const QStringList parts = shotdate.split(QLatin1Char('-'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.size() != 3) {
        year = QStringLiteral("1970");
        month = QStringLiteral("01");
        day = QStringLiteral("01");
        return;
    }
    auto pad = [](const QString &part) {
        return part.size() == 1 ? QLatin1Char('0') + part : part;
    };
    year = parts.at(0);
    month = pad(parts.at(1));
    day = pad(parts.at(2));
}

OrderInfo orderFromListObject(const QJsonObject &object, int index)
{
    auto text = [&object](const char *key) {
        return object.value(QLatin1String(key)).toString();
    };

    OrderInfo order;
    const QJsonObject picpathnew = object.value(QStringLiteral("picpathnew")).toObject();
    const QString publicNetpath = picpathnew.value(QStringLiteral("netpath")).toString();

    sortImportedEntries(object.value(QStringLiteral("images")).toArray(), order.importedPhotos,
                        order.importedTrialVideos, order.importedRetouchedVideos);
    sortImportedEntries(object.value(QStringLiteral("images_taipian")).toArray(), order.importedPhotos,
                        order.importedTrialVideos, order.importedRetouchedVideos);

    order.orderpayforkey = text("orderpayforkey");
    order.servicetimes = text("servicetimes");
    order.mname = text("mname");
    order.wname = text("wname");
    order.wphone = text("wphone");
    order.mphone = text("mphone");
    order.selectphototime = text("selectphototime");
    order.role1 = text("role1");
    order.role2 = text("role2");
    order.selectphotoname = text("selectphotoname");
    order.issample = text("issample");
    order.tiaosename = text("tiaosename");
    order.storesname = text("storesname");
    order.shotdate = text("shotdate");
    splitShotDate(order.shotdate, order.shotdate_year, order.shotdate_month, order.shotdate_day);

    order.selectedNum = 0;
    order.status = QStringLiteral("未选择");
    order.netpath = text("netpath");
    order.progress = 0;

    order.serverName = K::getServeName(order.netpath, publicNetpath);
    order.importPath = K::pathConvert(order.netpath);
    order.importPublicPath = K::pathConvert(publicNetpath);
    order.publicNetpath = publicNetpath;

    order.index = index;
    order.id = ServiceReply::idText(object.value(QStringLiteral("id")));
    order.order_photo_id = ServiceReply::idText(object.value(QStringLiteral("order_photo_id")));
    order.failedNum = 0;

    auto sized = [](QString value, const char *fallback) {
        return value == QLatin1String("0") ? QString::fromLatin1(fallback) : value;
    };
    order.imagesize_small = sized(text("imagesize_small"), "90");
    order.imagesize_middle = sized(text("imagesize_middle"), "190");
    order.imagesize_big = sized(text("imagesize_big"), "1920");
    return order;
}

} // namespace OrderRecords
