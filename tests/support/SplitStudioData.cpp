#include "support/SplitStudioData.h"

#include "app/core/Config.h"

namespace SplitStudioData {

void installShops()
{
    Config::k_shops.clear();
    Config::k_shops.append(ShopEntry{QStringLiteral("11"), QStringLiteral("一店"), QString()});
    Config::k_shops.append(ShopEntry{QStringLiteral("22"), QStringLiteral("二店"), QString()});
}

QString orderNumber(int n)
{
    return QStringLiteral("FJ100%1").arg(n);
}

QString orderPhotoId(int n)
{
    return QStringLiteral("op-%1").arg(n);
}

static QJsonObject photo(int order, int n, bool downloaded)
{
    return QJsonObject{{QStringLiteral("id"), QStringLiteral("p%1-%2").arg(order).arg(n)},
                       {QStringLiteral("img_name"), QStringLiteral("IMG_%1%2.CR2").arg(order).arg(n)},
                       {QStringLiteral("url_yuanpian"), QStringLiteral("http://127.0.0.1:1/y/%1/%2.jpg").arg(order).arg(n)},
                       {QStringLiteral("localpath"), QStringLiteral("\\\\NAS\\photo\\o%1\\IMG_%1%2.CR2").arg(order).arg(n)},
                       {QStringLiteral("url"), QStringLiteral("http://127.0.0.1:1/u/%1/%2.jpg").arg(order).arg(n)},
                       {QStringLiteral("downloaded"), downloaded}};
}

QJsonObject order(int n, int images)
{
    QJsonArray imageArray;
    for (int i = 0; i < images; ++i)
        imageArray.append(QJsonObject{{QStringLiteral("id"), i}});
    return QJsonObject{{QStringLiteral("order_photo_id"), orderPhotoId(n)},
                       {QStringLiteral("orderpayforkey"), orderNumber(n)},
                       {QStringLiteral("servicetimes"), QString::number(n % 3 + 1)},
                       {QStringLiteral("wname"), QStringLiteral("李娜%1").arg(n)},
                       {QStringLiteral("mname"), QStringLiteral("王强%1").arg(n)},
                       {QStringLiteral("comboname"), QStringLiteral("婚纱套系A")},
                       {QStringLiteral("shotdate"), QStringLiteral("2024-05-1%1").arg(n % 10)},
                       {QStringLiteral("sampledate"), QStringLiteral("2024-06-0%1").arg(n % 10)},
                       {QStringLiteral("order_price"), QStringLiteral("5999.00")},
                       {QStringLiteral("selectphotoname"), QStringLiteral("选片张")},
                       {QStringLiteral("wphone"), QStringLiteral("1380000000%1").arg(n % 10)},
                       {QStringLiteral("mphone"), QStringLiteral("1390000000%1").arg(n % 10)},
                       {QStringLiteral("selectphototime"), QStringLiteral("2024-06-02 10:00")},
                       {QStringLiteral("role1"), QStringLiteral("摄影赵")},
                       {QStringLiteral("role2"), QStringLiteral("化妆钱")},
                       {QStringLiteral("images"), imageArray},
                       {QStringLiteral("number_jingxiu"), QStringLiteral("20")},
                       {QStringLiteral("iszsysd"), QStringLiteral("1")},
                       {QStringLiteral("iszsjx"), QStringLiteral("0")},
                       {QStringLiteral("images_1_1"), QJsonArray{photo(n, 1, true)}},
                       {QStringLiteral("images_1_0"), QJsonArray{photo(n, 2, false), photo(n, 3, false)}}};
}

QJsonObject orderListReply(int count)
{
    QJsonArray data;
    for (int i = 1; i <= count; ++i)
        data.append(order(i));
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("message"), QStringLiteral("成功")},
                       {QStringLiteral("data"), data}};
}

QJsonObject switchShopReply(const QString &superId, const QString &eid)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("message"), QStringLiteral("切换成功")},
                       {QStringLiteral("SUPERID"), superId},
                       {QStringLiteral("EID"), eid},
                       {QStringLiteral("issjfenjianms"), QStringLiteral("1")}};
}

QJsonObject accepted()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("message"), QStringLiteral("成功")}};
}

QJsonObject refused(const QString &message)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("0")}, {QStringLiteral("message"), message}};
}

} // namespace SplitStudioData
