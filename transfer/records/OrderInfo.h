#pragma once

#include "transfer/records/PhotoInfo.h"

#include <QList>
#include <QString>

// One order of the photo transfer tool, as the order_list reply gives it,
// with its picked and imported entries and import progress. Plain value.
struct OrderInfo
{
    QString id;
    QString order_photo_id;
    QString orderpayforkey;
    QString servicetimes;
    QString mname;
    QString wname;
    QString shotdate;
    QString shotdate_year;
    QString shotdate_month;
    QString shotdate_day;
    QString imagesize_small;
    QString imagesize_middle;
    QString imagesize_big;
    QString issample;
    QString tiaosename;
    QString storesname;
    QString selectphotoname;
    QString wphone;
    QString mphone;
    QString selectphototime;
    QString role1;
    QString role2;
    int selectedNum = 0;
    QString status;
    QString netpath;
    int progress = 0;
    QString importPublicPath;
    QString publicNetpath;
    QString importPath;
    QString serverName;
    QList<PhotoInfo> photoList;
    QList<PhotoInfo> importedPhotos;
    QList<PhotoInfo> importedTrialVideos;
    QList<PhotoInfo> importedRetouchedVideos;
    int failedNum = 0;
    int index = -1; // -1 marks the no-order value

    // Both ids read as text (a string as is, an integer as digits): an order
    // without them is never imported, reported or deleted.
    bool hasIds() const { return !id.isEmpty() && !order_photo_id.isEmpty(); }
};
