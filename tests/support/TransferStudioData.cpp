#include "TransferStudioData.h"

#include "StandInService.h"

#include <QDir>
#include <QFile>

namespace TransferStudioData {

const QString kServer = QStringLiteral("NAS-STUDIO");
const QString kShare = QStringLiteral("photo");

namespace {

const char *const kMen[] = {"张伟", "王强", "刘洋", "陈杰", "杨帆", "赵磊"};
const char *const kWomen[] = {"李娜", "王芳", "刘敏", "陈静", "杨丽", "赵雪"};

QString day(int n)
{
    return QStringLiteral("%1").arg(1 + n % 28, 2, 10, QLatin1Char('0'));
}

} // namespace

QString orderNumber(int n)
{
    return QStringLiteral("DD202405%1%2").arg(day(n)).arg(n + 1, 4, 10, QLatin1Char('0'));
}

QString orderPhotoId(int n)
{
    return QString::number(88000 + n);
}

QString orderShareFolder(int n)
{
    return QStringLiteral("%1/2024/05/%2/%3-1_%4_%5")
        .arg(kShare, day(n), orderNumber(n), QString::fromUtf8(kMen[n % 6]), QString::fromUtf8(kWomen[n % 6]));
}

QString makeShare(const QString &root, const QString &share)
{
    const QString folder = QDir(root).filePath(share);
    QDir().mkpath(folder);
    QFile marker(folder + QStringLiteral("/.share"));
    if (marker.open(QIODevice::WriteOnly))
        marker.write("share");
    return folder;
}

QString orderNetpath(int n)
{
    QString folder = orderShareFolder(n);
    folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral("\\\\") + kServer + QLatin1Char('\\') + folder;
}

QJsonObject importedFile(int order, int n, const QString &type, const QString &urlBase)
{
    const bool video = type == QLatin1String("2") || type == QLatin1String("3");
    const QString name = video ? QStringLiteral("VID_%1.mp4").arg(n + 1, 4, 10, QLatin1Char('0'))
                               : QStringLiteral("IMG_%1.JPG").arg(n + 1, 4, 10, QLatin1Char('0'));
    const QString folder = type == QLatin1String("2")   ? QStringLiteral("试拍视频")
                           : type == QLatin1String("3") ? QStringLiteral("精修视频")
                                                        : QStringLiteral("all");
    const QString base = urlBase.isEmpty() ? QStringLiteral("https://img.studio.invalid") : urlBase;
    return QJsonObject{
        {QStringLiteral("id"), QString::number(500000 + order * 1000 + n + (video ? 500 : 0))},
        {QStringLiteral("img_name"), name},
        {QStringLiteral("url"), QStringLiteral("%1/pics/%2/%3").arg(base, orderPhotoId(order), name)},
        {QStringLiteral("localpath"), orderNetpath(order) + QLatin1Char('\\') + folder + QLatin1Char('\\') + name},
        {QStringLiteral("type"), type},
    };
}

QJsonObject order(int n, int photos, const QString &urlBase)
{
    QJsonArray images;
    for (int i = 0; i < photos; ++i)
        images.append(importedFile(n, i, QStringLiteral("1"), urlBase));
    QJsonArray trial;
    if (n % 3 == 1)
        trial.append(importedFile(n, 0, QStringLiteral("2"), urlBase));
    return QJsonObject{
        {QStringLiteral("id"), QString::number(31000 + n)},
        {QStringLiteral("order_photo_id"), orderPhotoId(n)},
        {QStringLiteral("orderpayforkey"), orderNumber(n)},
        {QStringLiteral("servicetimes"), QStringLiteral("1")},
        {QStringLiteral("mname"), QString::fromUtf8(kMen[n % 6])},
        {QStringLiteral("wname"), QString::fromUtf8(kWomen[n % 6])},
        {QStringLiteral("mphone"), QStringLiteral("1380013%1").arg(n, 4, 10, QLatin1Char('0'))},
        {QStringLiteral("wphone"), QStringLiteral("1390013%1").arg(n, 4, 10, QLatin1Char('0'))},
        {QStringLiteral("selectphototime"), QStringLiteral("2024-05-%1 15:30:00").arg(day(n + 2))},
        {QStringLiteral("role1"), QStringLiteral("周摄影")},
        {QStringLiteral("role2"), QStringLiteral("吴化妆")},
        {QStringLiteral("selectphotoname"), QStringLiteral("郑选片")},
        {QStringLiteral("issample"), QStringLiteral("0")},
        {QStringLiteral("tiaosename"), QStringLiteral("王修图")},
        {QStringLiteral("storesname"), QStringLiteral("旗舰店")},
        {QStringLiteral("shotdate"), QStringLiteral("2024-5-%1").arg(1 + n % 28)},
        {QStringLiteral("netpath"), orderNetpath(n)},
        {QStringLiteral("picpathnew"),
         QJsonObject{{QStringLiteral("netpath"), QStringLiteral("\\\\") + kServer + QLatin1Char('\\') + kShare}}},
        {QStringLiteral("imagesize_small"), n % 2 ? QStringLiteral("0") : QStringLiteral("120")},
        {QStringLiteral("imagesize_middle"), QStringLiteral("190")},
        {QStringLiteral("imagesize_big"), n % 2 ? QStringLiteral("0") : QStringLiteral("2048")},
        {QStringLiteral("images"), images},
        {QStringLiteral("images_taipian"), trial},
    };
}

QJsonObject switchShopReply()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("SUPERID"), QStringLiteral("3")},
                       {QStringLiteral("EID"), 1024}}; // an integer id reads as its digits
}

QJsonObject personsReply()
{
    return QJsonObject{
        {QStringLiteral("code"), QStringLiteral("1")},
        {QStringLiteral("persons"),
         QJsonArray{QJsonObject{{QStringLiteral("id"), QStringLiteral("21")}, {QStringLiteral("name"), QStringLiteral("王修图")}},
                    QJsonObject{{QStringLiteral("id"), 22}, {QStringLiteral("name"), QStringLiteral("陈调色")}},
                    QJsonObject{{QStringLiteral("id"), QJsonValue::Null}, {QStringLiteral("name"), QStringLiteral("无编号")}}}},
    };
}

QJsonObject orderListReply(int count, int openypml, int delyp, const QString &urlBase)
{
    QJsonArray data;
    for (int i = 0; i < count; ++i)
        data.append(order(i, 2, urlBase));
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("openypml"), openypml},
                       {QStringLiteral("delyp"), delyp},
                       {QStringLiteral("data"), data}};
}

QJsonObject orderPhotosReply(int n, int photos, int trialVideos, int retouchedVideos, const QString &urlBase)
{
    QJsonArray images;
    for (int i = 0; i < photos; ++i)
        images.append(importedFile(n, i, QStringLiteral("1"), urlBase));
    for (int i = 0; i < trialVideos; ++i)
        images.append(importedFile(n, i, QStringLiteral("2"), urlBase));
    for (int i = 0; i < retouchedVideos; ++i)
        images.append(importedFile(n, 100 + i, QStringLiteral("3"), urlBase));
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("images"), images}};
}

QJsonObject accepted()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("message"), QStringLiteral("ok")}};
}

QJsonObject refused(const QString &message)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("0")}, {QStringLiteral("message"), message},
                       {QStringLiteral("msg"), message}};
}

void install(StandInService &service, int orders, const QString &urlBase)
{
    service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), switchShopReply());
    service.setReply(QStringLiteral("order"), QStringLiteral("get_persons"), personsReply());
    service.setReply(QStringLiteral("order"), QStringLiteral("order_list"), orderListReply(orders, 1, 1, urlBase));
    service.setReply(QStringLiteral("order"), QStringLiteral("getorderphotoimg"), orderPhotosReply(0, 2, 1, 0, urlBase));
    service.setReply(QStringLiteral("order"), QStringLiteral("delimages"), accepted());
    service.setReply(QStringLiteral("order"), QStringLiteral("delmv"), accepted());
}

} // namespace TransferStudioData
