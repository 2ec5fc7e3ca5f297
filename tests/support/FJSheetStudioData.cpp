#include "FJSheetStudioData.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>

namespace FJSheetStudioData {

// The studio's order head, shared with the demo studio's order details.
QJsonObject order()
{
    QFile file(QStringLiteral(STUDIO_FIXTURE_DIR "/demo/order-head.json"));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

QJsonArray pictures(const QString &prefix, int count)
{
    QJsonArray list;
    for (int i = 0; i < count; ++i)
        list.append(QJsonObject{{"img_name", QStringLiteral("%1%2.jpg").arg(prefix).arg(i)}});
    return list;
}

QJsonObject reply()
{
    const auto remark = [](const QStringList &texts) {
        QJsonArray items;
        for (const QString &text : texts)
            items.append(QJsonObject{{"text", text}});
        return QString::fromUtf8(QJsonDocument(items).toJson(QJsonDocument::Compact));
    };
    const QJsonArray marked{
        QJsonObject{{"img_name", "mark0.jpg"}, {"remark", remark({QStringLiteral("去眼袋"), QStringLiteral("瘦脸")})}},
        QJsonObject{{"img_name", "mark1.jpg"}, {"remark", remark({QStringLiteral("换背景")})}},
        QJsonObject{{"img_name", "mark2.jpg"}, {"remark", ""}},
    };

    QJsonArray cropped = pictures("album", 2);
    QJsonObject first = cropped.at(0).toObject();
    first.insert("cropping_imgurl", "https://img.example.com/crop/album0.jpg");
    cropped.replace(0, first);

    const QJsonObject urgentAlbum{
        {"goodname", QStringLiteral("水晶相册")}, {"goodtypename", QStringLiteral("相册")}, {"goodtypeid", "40"},
        {"goodpnumber", "30"}, {"p_num", "2"}, {"goodpagenumber", "15"}, {"goodamount", "1"},
        {"descr", QStringLiteral("封面烫金")}, {"goodremark", QStringLiteral("内部加急")},
        {"auth_remark", QStringLiteral("客户已授权")}, {"isurgent", "1"},
        {"imgs", QJsonArray()},
        {"son_good", QJsonArray{
            QJsonObject{{"goodname", QStringLiteral("主册")}, {"goodtype", QStringLiteral("册")}, {"goodtypeid", "1"},
                        {"goodpnumber", "20"}, {"p_num", "0"}, {"goodpagenumber", "10"}, {"goodamount", "1"},
                        {"picpath", cropped}},
            QJsonObject{{"goodname", QStringLiteral("副册")}, {"goodtype", QStringLiteral("册")}, {"goodtypeid", "33"},
                        {"goodpnumber", "10"}, {"p_num", "0"}, {"goodpagenumber", "5"}, {"goodamount", "2"},
                        {"picpath", QJsonArray()}},
        }},
    };
    const QJsonObject notUrgent{{"goodname", QStringLiteral("错放的摆台")}, {"isurgent", "0"},
                                {"imgs", pictures("wrong", 3)}};
    const QJsonObject frame{
        {"goodname", QStringLiteral("实木框")}, {"goodtypename", QStringLiteral("框画")}, {"goodtypeid", "12"},
        {"goodpnumber", "1"}, {"p_num", "0"}, {"goodpagenumber", "1"}, {"goodamount", "2"},
        {"descr", QStringLiteral("哑光")}, {"isurgent", "0"}, {"imgs", pictures("frame", 7)},
    };
    const QJsonObject crystal{
        {"goodname", QStringLiteral("水晶摆台")}, {"goodtypename", QStringLiteral("摆台")}, {"goodtypeid", "33"},
        {"goodpnumber", "9"}, {"p_num", "9"}, {"goodpagenumber", "9"}, {"goodamount", "1"}, {"isurgent", ""},
        {"imgs", pictures("crystal", 1)},
    };
    const QJsonObject urgentInNormal{{"goodname", QStringLiteral("加急放错")}, {"isurgent", "1"}};

    return QJsonObject{
        {"order", order()},
        {"orderpicdescr", marked},
        {"count_order_sample_infoservicetimes", "2"},
        {"servicetime", QJsonArray{
            QJsonObject{{"order_sample_infoservicetimes", "1"}, {"role12name", QStringLiteral("孙丽")},
                        {"urgentgoods", QJsonArray{urgentAlbum, notUrgent}},
                        {"goods", QJsonArray{frame, urgentInNormal, crystal}}},
            QJsonObject{{"order_sample_infoservicetimes", "0"}, {"role12name", QStringLiteral("无")},
                        {"urgentgoods", QJsonArray()}, {"goods", QJsonArray{frame}}},
            QJsonObject{{"order_sample_infoservicetimes", "3"}, {"urgentgoods", QJsonArray()}, {"goods", QJsonArray()}},
        }},
        {"images", pictures("sel", 7)},
        {"images_rudi", pictures("base", 2)},
        {"down_txt", ""},
    };
}

bool writePicture(const QString &orderDir, const QString &relative, const QString &colour)
{
    const QString path = orderDir + QStringLiteral("其他/") + relative;
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(colour));
    return image.save(path, relative.endsWith(QLatin1String(".png")) ? "PNG" : "JPEG");
}

bool writeOrderPictures(const QString &orderDir)
{
    bool ok = writePicture(orderDir, QStringLiteral("条形码.jpg"), "#000000");
    for (int i = 0; i < 3; ++i)
        ok = ok && writePicture(orderDir, QStringLiteral("标记/mark%1.jpg").arg(i), "#cc3333");
    ok = ok && writePicture(orderDir, QStringLiteral("裁剪/album0.jpg"), "#33cc33");
    ok = ok && writePicture(orderDir, QStringLiteral("缩略图/album0.jpg"), "#3333cc");
    ok = ok && writePicture(orderDir, QStringLiteral("缩略图/album1.jpg"));
    for (int i = 0; i < 7; ++i) {
        ok = ok && writePicture(orderDir, QStringLiteral("缩略图/frame%1.jpg").arg(i));
        ok = ok && writePicture(orderDir, QStringLiteral("缩略图/sel%1.jpg").arg(i));
    }
    ok = ok && writePicture(orderDir, QStringLiteral("缩略图/crystal0.jpg"));
    ok = ok && writePicture(orderDir, QStringLiteral("缩略图/base0.jpg"));
    ok = ok && writePicture(orderDir, QStringLiteral("缩略图/base1.jpg"));
    return ok;
}

} // namespace FJSheetStudioData
