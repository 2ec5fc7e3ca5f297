#include "split/ui/OrderData.h"

#include "app/core/ServiceReply.h"

#include <QJsonArray>
#include <QJsonObject>


namespace {

QString text(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isString() ? value.toString() : QString();
}

QList<ThumbnailInfo> photos(const QJsonObject &order, const char *key)
{
    QList<ThumbnailInfo> list;
    const QJsonArray array = order.value(QLatin1String(key)).toArray();
    list.reserve(array.size());
    for (const QJsonValue &value : array) {
        const QJsonObject photo = value.toObject();
        ThumbnailInfo info;
        info.id = ServiceReply::idText(photo.value(QStringLiteral("id")));
        info.name = text(photo, "img_name");
        info.url = text(photo, "url_yuanpian");
        info.photoPath = text(photo, "localpath");
        info.photoUrl = text(photo, "url");
        info.selected = false;
        list.append(info);
    }
    return list;
}

} // namespace

QString OrderData::idText(const QJsonValue &value)
{
    return ServiceReply::idText(value);
}

OrderData OrderData::fromJson(const QJsonValue &element)
{
    const QJsonObject o = element.toObject();
    OrderData d;
    d.order_photo_id = idText(o.value(QStringLiteral("order_photo_id")));
    d.orderpayforkey = text(o, "orderpayforkey");
    d.servicetimes = text(o, "servicetimes");
    d.wname = text(o, "wname");
    d.mname = text(o, "mname");
    d.comboname = text(o, "comboname");
    d.shotdate = text(o, "shotdate");
    d.sampledate = text(o, "sampledate");
    d.order_price = text(o, "order_price");
    d.selectphotoname = text(o, "selectphotoname");
    d.wphone = text(o, "wphone");
    d.mphone = text(o, "mphone");
    d.selectphototime = text(o, "selectphototime");
    d.role1 = text(o, "role1");
    d.role2 = text(o, "role2");
    const QJsonValue images = o.value(QStringLiteral("images"));
    d.imagesNum = QString::number(images.isArray() ? images.toArray().size() : 0);
    d.number_jingxiu = text(o, "number_jingxiu");
    d.iszsysd = text(o, "iszsysd");
    d.iszsjx = text(o, "iszsjx");
    d.downImgList = photos(o, "images_1_1");
    d.undownImgList = photos(o, "images_1_0");
    return d;
}
