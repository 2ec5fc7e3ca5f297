#pragma once

#include "widgets/ThumbnailInfo.h"

#include <QJsonValue>
#include <QList>
#include <QString>

// One order of the split and download tools as the order search returns it.
struct OrderData
{
    QString order_photo_id;
    QString orderpayforkey;
    QString servicetimes;
    QString wname;
    QString mname;
    QString comboname;
    QString shotdate;
    QString sampledate;
    QString order_price;
    QString selectphotoname;
    QString wphone;
    QString mphone;
    QString selectphototime;
    QString role1;
    QString role2;
    QString imagesNum;
    QString number_jingxiu;
    QString iszsysd;
    QString iszsjx;
    QList<ThumbnailInfo> downImgList;
    QList<ThumbnailInfo> undownImgList;

    // Builds a record from one element of the reply's "data" array; anything
    // that is not a JSON string reads as empty text.
    static OrderData fromJson(const QJsonValue &element);
    // An id of the service: a string as it is, an integer as its digits;
    // empty for anything else (the order cannot be asked for).
    static QString idText(const QJsonValue &value);
};
