#include "FJSheetStudioData.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>

namespace FJSheetStudioData {

QJsonObject order()
{
    return QJsonObject{
        {"shopname", QStringLiteral("星光摄影旗舰店")},
        {"orderpayforkey", "A20240501-17"},
        {"servicetimes", "2"},
        {"count", "3"},
        {"mname", QStringLiteral("张伟")},
        {"mphone", "13800000001"},
        {"wname", QStringLiteral("李娜")},
        {"wphone", "13900000002"},
        {"s2_name", QStringLiteral("婚纱至尊套系")},
        {"mssid", QStringLiteral("人民路店")},
        {"servershopid", QStringLiteral("中山路店")},
        {"booktime", "2024-03-01"},
        {"samplestarttime", "14"},
        {"samplestartmin", "30"},
        {"kanjinxiuarea", QJsonObject{{"timeTxt", "10:00"}}},
        {"kanbanarea", QJsonObject{{"timeTxt", ":00"}}},
        {"photodate", "2024-03-10"},
        {"selectphotodate", "2024-03-20"},
        {"checktruing", "2024-04-01"},
        {"comparedate", "2024-04-10"},
        {"booksuccess", QStringLiteral("王芳")},
        {"wxname", QStringLiteral("赵敏")},
        {"tuiguangname", QStringLiteral("钱进")},
        {"selectphoto", QStringLiteral("孙丽")},
        {"yqnumber", "5"},
        {"goodpnumber", "30"},
        {"vipphotonumber", "40"},
        {"yx_number", "7"},
        {"role1", QStringLiteral("周杰")},
        {"role17", QStringLiteral("吴刚")},
        {"role2", QStringLiteral("郑爽")},
        {"mmail", "zw@example.com"},
        {"role3", QStringLiteral("冯助")},
        {"role16", QStringLiteral("陈剪")},
        {"role4", QStringLiteral("褚化")},
        {"wmail", "ln@example.com"},
        {"role9name", QStringLiteral("卫修")},
        {"role6name", QStringLiteral("蒋转")},
        {"order_price", "5999.00"},
        {"twosales", "1200.00"},
        {"dept", "200.00"},
        {"pay_type", QStringLiteral("微信")},
        {"tiaose", QStringLiteral("沈调")},
        {"tiaoxiu", QStringLiteral("韩修")},
        {"sheji", QStringLiteral("杨设")},
        {"getphotoarea", QJsonObject{{"timeTxt", "15:00"}}},
        {"getphotodate_html", "2024-05-01"},
        {"buynumber", "10"},
        {"activenumber", "5"},
        {"morephotonumber", "8"},
        {"provinceid", QJsonObject{{"areaname", QStringLiteral("浙江省")}}},
        {"cityid", QJsonObject{{"areaname", QStringLiteral("杭州市")}}},
        {"countyid", QJsonObject{{"areaname", QStringLiteral("西湖区")}}},
        {"address", QStringLiteral("文三路100号")},
        {"recipients", QStringLiteral("李娜")},
        {"sj_tel", "13900000002"},
        {"orderdescr", QStringLiteral("整体偏暖\n皮肤通透")},
        {"consumption_statement", QStringLiteral("加购相框一个")},
        {"pickuptime", "2024-05-01"},
        {"isurgenttime", "2024-04-20"},
        {"urgentdatearea", QJsonObject{{"timeTxt", "09:00"}}},
        {"shopdisclaimer", QStringLiteral("产品制作完成后请于三个月内取件。")},
        {"selectphotoname", QStringLiteral("孙丽")},
    };
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
