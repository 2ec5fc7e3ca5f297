#include "ImportFilesStudioData.h"

#include "StandInService.h"

namespace ImportFilesStudioData {

const QString kServer = QStringLiteral("NAS-STUDIO");
const QString kShare = QStringLiteral("photo");

namespace {

const char *const kMen[] = {"张伟", "王强", "刘洋"};
const char *const kWomen[] = {"李娜", "王芳", "刘敏"};

} // namespace

QString unc(const QString &shareFolder)
{
    QString folder = shareFolder;
    folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral("\\\\") + kServer + QLatin1Char('\\') + folder;
}

QJsonObject jpeg(const QString &id, const QString &name, const QString &shareFolder, bool withReduced)
{
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("img_name"), name},
        {QStringLiteral("url"), QStringLiteral("http://127.0.0.1:1/none/") + name},
        {QStringLiteral("localpath"), unc(shareFolder + QStringLiteral("/原片/") + name)},
        {QStringLiteral("localpath_90"), withReduced ? unc(shareFolder + QStringLiteral("/90/") + name) : QString()},
        {QStringLiteral("localpath_1920"), withReduced ? unc(shareFolder + QStringLiteral("/1920/") + name) : QString()},
    };
}

QJsonObject raw(const QString &id, const QString &name, const QString &shareFolder, const QString &isdownload)
{
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("img_name"), name},
        {QStringLiteral("localpath"), unc(shareFolder + QStringLiteral("/原始档/") + name)},
        {QStringLiteral("isdownload"), isdownload},
    };
}

QJsonObject photosReply(const QString &, const QJsonArray &jpegs, const QJsonArray &raws)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("images_yuanpian"), jpegs},
                       {QStringLiteral("images_yuanshidang"), raws}};
}

void servePhotos(StandInService &service, const QJsonObject &reply)
{
    service.setHandler(QStringLiteral("order"), QStringLiteral("getorder_pics"),
                       [reply](const StandInService::Request &request) {
                           QJsonObject answer = reply;
                           answer.insert(QStringLiteral("timestamp"), request.field(QStringLiteral("timestamp")));
                           return answer;
                       });
}

QString orderNumber(int n)
{
    return QStringLiteral("DD2024%1").arg(n + 1, 4, 10, QLatin1Char('0'));
}

QString orderPhotoId(int n)
{
    return QString::number(77000 + n);
}

QString orderShareFolder(int n)
{
    return QStringLiteral("%1/orders/%2-1").arg(kShare, orderNumber(n));
}

QString orderNetpath(int n)
{
    return unc(orderShareFolder(n));
}

QString publicShareFolder()
{
    return kShare + QStringLiteral("/import");
}

QString publicNetpath()
{
    return unc(publicShareFolder());
}

QJsonObject order(int n, const QString &netpath, const QStringList &pickedNames)
{
    QJsonArray images;
    for (const QString &name : pickedNames)
        images.append(QJsonObject{{QStringLiteral("img_name"), name}});
    return QJsonObject{
        {QStringLiteral("id"), QString::number(9100 + n)},
        {QStringLiteral("order_photo_id"), orderPhotoId(n)},
        {QStringLiteral("orderpayforkey"), orderNumber(n)},
        {QStringLiteral("servicetimes"), QStringLiteral("1")},
        {QStringLiteral("wname"), QString::fromUtf8(kWomen[n % 3])},
        {QStringLiteral("mname"), QString::fromUtf8(kMen[n % 3])},
        {QStringLiteral("comboname"), QStringLiteral("婚纱套系")},
        {QStringLiteral("shotdate"), QStringLiteral("2024-5-%1").arg(n + 1)},
        {QStringLiteral("storesname"), QStringLiteral("旗舰店")},
        {QStringLiteral("role1"), QStringLiteral("摄影师%1").arg(n)},
        {QStringLiteral("role2"), QStringLiteral("化妆师%1").arg(n)},
        {QStringLiteral("number_yuanpian"), QString::number(10 + n)},
        {QStringLiteral("number_yuanshidang"), QString::number(20 + n)},
        {QStringLiteral("number_jingxiu"), QString::number(30 + n)},
        {QStringLiteral("netpath"), netpath},
        {QStringLiteral("picpathnew"), QJsonObject{{QStringLiteral("netpath"), publicNetpath()}}},
        {QStringLiteral("images"), images},
    };
}

QJsonObject switchShopReply()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("SUPERID"), QStringLiteral("S-42")},
                       {QStringLiteral("EID"), QStringLiteral("E-7")}};
}

QJsonObject orderListReply(const QJsonArray &orders, int openypml, int delyp)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("openypml"), openypml},
                       {QStringLiteral("delyp"), delyp},
                       {QStringLiteral("data"), orders}};
}

QJsonObject accepted()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("msg"), QStringLiteral("ok")}};
}

void install(StandInService &service, int orders)
{
    QJsonArray list;
    for (int n = 0; n < orders; ++n)
        list.append(order(n, orderNetpath(n)));
    service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), switchShopReply());
    service.setReply(QStringLiteral("order"), QStringLiteral("order_list"), orderListReply(list));
    service.setReply(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), accepted());
    service.setReply(QStringLiteral("order"), QStringLiteral("saveorderphotopath"), accepted());
    service.setReply(QStringLiteral("order"), QStringLiteral("savepicpath"), accepted());
}

} // namespace ImportFilesStudioData
